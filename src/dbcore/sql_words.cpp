#include "dbcore/sql_words.h"

#include <algorithm>

namespace kx {

QStringView KxSqlWordDelimiters() {
    return u",;() \t\n\r";
}

QStringView KxSqlWhiteSpace() {
    return u" \t\n\r";
}

QStringView KxSqlConditionDelimiters() {
    return u",;() \t\n\r=<>!*+-";
}

namespace {

bool IsIn(QChar c, QStringView set) {
    return set.contains(c);
}

bool EqualAt(QStringView text, int position, QStringView word, bool caseInsensitive) {
    return text.mid(position, word.size())
               .compare(word, caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0;
}

} // namespace

int FindWord(QStringView text, QStringView word, int start, bool caseInsensitive, bool wholeWord,
             QStringView delimiters) {
    const int length = static_cast<int>(text.size());
    const int wordLength = static_cast<int>(word.size());
    if (wordLength == 0 || start < 0 || start > length - wordLength)
        return -1;
    if (!wholeWord || delimiters.isEmpty()) {
        for (int p = start; p <= length - wordLength; ++p) {
            if (EqualAt(text, p, word, caseInsensitive))
                return p;
        }
        return -1;
    }
    int p = start;
    while (p < length && IsIn(text[p], delimiters))
        ++p;
    while (p <= length - wordLength) {
        if (EqualAt(text, p, word, caseInsensitive) &&
            (p + wordLength == length || IsIn(text[p + wordLength], delimiters)))
            return p;
        while (p < length && !IsIn(text[p], delimiters))
            ++p;
        while (p < length && IsIn(text[p], delimiters))
            ++p;
    }
    return -1;
}

int FindFirstOf(QStringView text, const QStringList& words, int start, QStringView delimiters) {
    for (const QString& word : words) {
        const int position = FindWord(text, word, start, true, true, delimiters);
        if (position >= 0)
            return position;
    }
    return -1;
}

QString NextBracketedWord(QStringView text, int& position, QStringView delimiters) {
    const int length = static_cast<int>(text.size());
    int p = std::max(position, 0);
    while (p < length && IsIn(text[p], delimiters))
        ++p;
    const int begin = p;
    bool inBrackets = false;
    while (p < length && (inBrackets || !IsIn(text[p], delimiters))) {
        if (text[p] == u'[')
            inBrackets = true;
        else if (text[p] == u']')
            inBrackets = false;
        ++p;
    }
    const QString word = text.mid(begin, p - begin).toString();
    while (p < length && IsIn(text[p], delimiters))
        ++p;
    position = p;
    return word;
}

QString KxFirstWord(QStringView text, QStringView delimiters) {
    const int length = static_cast<int>(text.size());
    int p = 0;
    while (p < length && IsIn(text[p], delimiters))
        ++p;
    const int begin = p;
    while (p < length && !IsIn(text[p], delimiters))
        ++p;
    return text.mid(begin, p - begin).toString();
}

QString KxStripChars(QStringView text, QStringView set) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsIn(text[begin], set))
        ++begin;
    while (end > begin && IsIn(text[end - 1], set))
        --end;
    return text.mid(begin, end - begin).toString();
}

QString KxEscapeSearchPattern(const QString& name, const QString& escape) {
    if (escape.isEmpty())
        return name;
    QString result;
    result.reserve(name.size() * 2);
    qsizetype i = 0;
    while (i < name.size()) {
        // The escape itself is escaped, so a name holding it does not escape what follows.
        if (QStringView(name).sliced(i).startsWith(escape)) {
            result += escape;
            result += escape;
            i += escape.size();
            continue;
        }
        const QChar c = name.at(i);
        if (c == QLatin1Char('_') || c == QLatin1Char('%'))
            result += escape;
        result += c;
        ++i;
    }
    return result;
}

} // namespace kx
