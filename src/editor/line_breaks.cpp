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
    const QChar* data = text.constData();
    const qsizetype n = text.size();
    QString result;
    result.reserve(n + n / 8 + 2);
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = data[i];
        if (c == kCR || c == kLF) {
            result.append(kCR);
            result.append(kLF);
            // The partner of a two-character break belongs to the same break.
            const QChar partner = c == kCR ? kLF : kCR;
            if (i + 1 < n && data[i + 1] == partner)
                ++i;
        } else {
            result.append(c);
        }
    }
    return result;
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
