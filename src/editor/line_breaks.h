#pragma once

#include <QString>
#include <QStringView>

namespace kx {

inline constexpr QChar kCR = QChar(u'\r');
inline constexpr QChar kLF = QChar(u'\n');

// Every text entering the editor is stored with CR LF breaks: each CR, LF, LF CR or CR LF
// becomes one CR LF. A text that is already in that form is returned without copying.
QString KxNormalizeLineBreaks(const QString& text);

// The same normalisation for a text that arrives in pieces (a script read a piece at a time):
// the CR and the LF of one break may come in different pieces, and the pieces together come
// out exactly as KxNormalizeLineBreaks brings the whole text.
class TKxLineBreakNormalizer {
public:
    // Appends the normalised form of the next piece to `out`.
    void Append(QStringView piece, QString& out);

private:
    // The partner a break at the end of the previous piece still takes: when the next piece
    // begins with it, it belongs to that break.
    QChar m_partner;
};

// Deletes spaces and tabs directly before every CR; with atEnd also those at the very end.
QString KxRemoveTrailingBlanks(const QString& text, bool atEnd);

// Number of spaces and tabs that end the given characters.
int KxTrailingBlankCount(const QChar* chars, int length);

} // namespace kx
