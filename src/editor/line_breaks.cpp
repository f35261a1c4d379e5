#include "editor/line_breaks.h"

namespace kx {

namespace {

bool IsBlank(QChar c) {
    return c == QChar(u' ') || c == QChar(u'\t');
}

bool IsNormalized(const QString& text) {
    const QChar* data = text.constData();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (data[i] == kCR) {
            if (i + 1 >= n || data[i + 1] != kLF)
                return false;
            ++i;
        } else if (data[i] == kLF) {
            return false;
        }
    }
    return true;
}

} // namespace

QString KxNormalizeLineBreaks(const QString& text) {
    if (IsNormalized(text))
        return text;
    QString result;
    result.reserve(text.size() + text.size() / 8 + 2);
    TKxLineBreakNormalizer().Append(text, result);
    return result;
}

void TKxLineBreakNormalizer::Append(QStringView piece, QString& out) {
    const QChar* data = piece.data();
    const qsizetype n = piece.size();
    if (n == 0)
        return;
    qsizetype i = 0;
    if (m_partner != QChar() && data[0] == m_partner)
        i = 1;
    m_partner = QChar();
    while (i < n) {
        // The text between breaks goes over in one piece.
        qsizetype run = i;
        while (run < n && data[run] != kCR && data[run] != kLF)
            ++run;
        out.append(data + i, run - i);
        if (run == n)
            break;
        out.append(kCR);
        out.append(kLF);
        // The partner of a two-character break belongs to the same break, even when it comes
        // with the next piece.
        const QChar partner = data[run] == kCR ? kLF : kCR;
        i = run + 1;
        if (i == n)
            m_partner = partner;
        else if (data[i] == partner)
            ++i;
    }
}

int KxTrailingBlankCount(const QChar* chars, int length) {
    int count = 0;
    while (count < length && IsBlank(chars[length - 1 - count]))
        ++count;
    return count;
}

QString KxRemoveTrailingBlanks(const QString& text, bool atEnd) {
    QString result;
    result.reserve(text.size());
    const QChar* data = text.constData();
    const int n = static_cast<int>(text.size());
    int lineStart = 0;
    for (int i = 0; i <= n; ++i) {
        const bool atCR = i < n && data[i] == kCR;
        if (!atCR && i < n)
            continue;
        int lineLength = i - lineStart;
        if (atCR || atEnd)
            lineLength -= KxTrailingBlankCount(data + lineStart, lineLength);
        result.append(data + lineStart, lineLength);
        if (atCR)
            result.append(kCR);
        lineStart = i + 1;
    }
    return result;
}

} // namespace kx
