#include "dbcore/sql_text_scanner.h"

#include "dbcore/sql_words.h"

#include <algorithm>

namespace kx {

namespace {

// Index just past a literal that starts with `quote` at `begin`; a doubled quote is part of
// the literal, an unterminated literal runs to the end.
qsizetype SkipQuoted(QStringView text, qsizetype begin, QChar quote) {
    qsizetype p = begin + 1;
    while (p < text.size()) {
        if (text[p] == quote) {
            if (p + 1 < text.size() && text[p + 1] == quote) {
                p += 2;
                continue;
            }
            return p + 1;
        }
        ++p;
    }
    return p;
}

qsizetype SkipLineComment(QStringView text, qsizetype begin) {
    qsizetype p = begin + 2;
    while (p < text.size() && text[p] != u'\n' && text[p] != u'\r')
        ++p;
    return p;
}

qsizetype SkipBlockComment(QStringView text, qsizetype begin) {
    const qsizetype end = text.indexOf(u"*/", begin + 2);
    return end < 0 ? text.size() : end + 2;
}

// When a literal or a comment starts at `p`: the index just past it, and whether it is a
// literal. Otherwise `p` itself.
qsizetype SkipLiteralOrComment(QStringView text, qsizetype p, bool& literal) {
    const QChar c = text[p];
    const QChar next = p + 1 < text.size() ? text[p + 1] : QChar();
    literal = c == u'\'' || c == u'"';
    if (literal)
        return SkipQuoted(text, p, c);
    if (c == u'-' && next == u'-')
        return SkipLineComment(text, p);
    if (c == u'/' && next == u'*')
        return SkipBlockComment(text, p);
    return p;
}

} // namespace

QString KxSqlCodeText(QStringView text) {
    QString code = text.toString();
    qsizetype p = 0;
    while (p < code.size()) {
        bool literal = false;
        const qsizetype end = SkipLiteralOrComment(text, p, literal);
        if (end == p) {
            ++p;
            continue;
        }
        std::fill(code.begin() + p, code.begin() + end, literal ? u'_' : u' ');
        p = end;
    }
    return code;
}

std::vector<TKxSqlParameterMarker> KxFindSqlParameterMarkers(QStringView text) {
    std::vector<TKxSqlParameterMarker> markers;
    const QStringView delimiters = KxSqlConditionDelimiters();
    const qsizetype length = text.size();
    qsizetype p = 0;
    while (p < length) {
        const QChar c = text[p];
        const QChar next = p + 1 < length ? text[p + 1] : QChar();
        bool literal = false;
        if (const qsizetype skipped = SkipLiteralOrComment(text, p, literal); skipped != p) {
            p = skipped;
        } else if (c == u':' && next == u':') {
            // A cast; a run of colons never starts a marker.
            while (p < length && text[p] == u':')
                ++p;
        } else if (c == u':' && (p == 0 || delimiters.contains(text[p - 1]))) {
            int end = static_cast<int>(p);
            QString token = NextBracketedWord(text, end, delimiters);
            // ":p::int" is the parameter p cast to int.
            const qsizetype cast = token.indexOf(QLatin1String("::"), 1);
            if (cast > 0)
                token.truncate(cast);
            // NextBracketedWord also skips the delimiters after the token; the token itself
            // is what the marker covers.
            TKxSqlParameterMarker marker;
            marker.position = static_cast<int>(p);
            marker.length = static_cast<int>(token.size());
            marker.name = KxStripChars(token, u":,;() \t\n\r");
            markers.push_back(std::move(marker));
            p += token.size();
        } else {
            ++p;
        }
    }
    return markers;
}

} // namespace kx
