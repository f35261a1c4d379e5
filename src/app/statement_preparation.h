#pragma once

#include <QString>

namespace kx {

// The text of one statement as it is sent to the data source: comments removed ("--", "//"
// and, with `directiveComment`, "#" to the end of the line; "{ … }"; "/* … */"), cut after
// the first ";" outside literals, and trimmed of blanks, breaks and ";" at both ends. Only
// comment characters are removed, also where delimiters touch («/**//* x */», «*/--»).
//
// With `doubleQuotesDelimitStrings`, text in double quotes is a string literal and becomes
// a single-quoted one of the same value (a single quote inside it doubled), for data
// sources that write strings that way. Data sources that quote
// identifiers with double quotes (the SQL standard) get such text unchanged — turning
// «select "name" from t» into a constant would silently change the result — but it still
// protects ";" and comment markers inside it, like a single-quoted literal.
QString PrepareStatementText(const QString& text, bool directiveComment,
                             bool doubleQuotesDelimitStrings = true);

} // namespace kx
