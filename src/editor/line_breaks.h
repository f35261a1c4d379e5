#pragma once

#include <QString>

namespace kx {

inline constexpr QChar kCR = QChar(u'\r');
inline constexpr QChar kLF = QChar(u'\n');

// Every text entering the editor is stored with CR LF breaks: each CR, LF, LF CR or CR LF
// becomes one CR LF. A text that is already in that form is returned without copying.
QString KxNormalizeLineBreaks(const QString& text);

// Deletes spaces and tabs directly before every CR; with atEnd also those at the very end.
QString KxRemoveTrailingBlanks(const QString& text, bool atEnd);

// Number of spaces and tabs that end the given characters.
int KxTrailingBlankCount(const QChar* chars, int length);

} // namespace kx
