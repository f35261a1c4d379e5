#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace kx {

// The word scanning behind the statement parts. It is purely textual on purpose: the parts
// of a statement are found by keywords alone, without knowledge of quoting, comments or
// nesting, so the result is predictable for any text a user types.
//
// Positions are 0-based indexes into the text; -1 means "not found".

// "," ";" "(" ")" blank, tab, LF, CR.
QStringView KxSqlWordDelimiters();
// Blank, tab, LF, CR.
QStringView KxSqlWhiteSpace();
// The word delimiters plus "=" "<" ">" "!" "*" "+" "-": the delimiters around parameter
// markers and field names in conditions.
QStringView KxSqlConditionDelimiters();

// Searches `word` from `start`. A whole-word search (the default, and the only kind the
// statement parts use) skips delimiters, then tries each token start in turn: the characters
// there must equal `word` (inner blanks compared literally) and be followed by a delimiter or
// the end of the text. Without `wholeWord` every position is tried.
int FindWord(QStringView text, QStringView word, int start, bool caseInsensitive = true,
             bool wholeWord = true, QStringView delimiters = KxSqlWordDelimiters());

// The position of the first word of `words`, in list order, that occurs at all from `start`;
// -1 when none does. List order wins over text order: a later word that stands earlier in
// the text is not preferred.
int FindFirstOf(QStringView text, const QStringList& words, int start,
                QStringView delimiters = KxSqlWordDelimiters());

// Skips delimiters, takes a token, skips the delimiters after it; `position` ends up at the
// next token. Delimiters inside "[" … "]" do not end the token, so bracketed names may hold
// blanks.
QString NextBracketedWord(QStringView text, int& position, QStringView delimiters);

// The first token of `text` (delimiters skipped before it).
QString KxFirstWord(QStringView text, QStringView delimiters = KxSqlWordDelimiters());

// `text` without characters of `set` at both ends.
QString KxStripChars(QStringView text, QStringView set);

// `name` as a catalog search pattern that matches only itself: `escape` before every "_",
// "%" and `escape`. An empty escape (a data source without one) leaves the name as it is.
QString KxEscapeSearchPattern(const QString& name, const QString& escape);

} // namespace kx
