#include "dbcore/sql_words.h"

#include <algorithm>
#include <cstdint>

namespace kx {

// Each view is measured once: the scans ask for the sets on every call.
QStringView KxSqlWordDelimiters() {
    static const QStringView delimiters = u",;() \t\n\r";
    return delimiters;
}

QStringView KxSqlWhiteSpace() {
    static const QStringView whiteSpace = u" \t\n\r";
    return whiteSpace;
}

QStringView KxSqlConditionDelimiters() {
    static const QStringView delimiters = u",;() \t\n\r=<>!*+-";
    return delimiters;
}

namespace {

bool IsIn(QChar c, QStringView set) {
    return set.contains(c);
}

// The characters at `at` (at least word.size() of them) equal `word`.
bool EqualAt(const QChar* at, QStringView word, bool caseInsensitive) {
    return QStringView(at, word.size())
               .compare(word, caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0;
}

bool IsAscii(QStringView word) {
    for (const QChar c : word) {
        if (c.unicode() >= 128)
            return false;
    }
    return true;
}

// A whole-word search from `start`. Its candidates are the first position after the
// delimiters at `start` and then every token start after it; the word must equal the text
// there and be followed by a delimiter or the end. The statement parts search the whole text
// several times for every getter, so an ASCII word (every keyword) is looked for with Qt's
// substring search and only its occurrences are checked for being candidates, instead of a
// walk over every character. A character equals an ASCII one without regard to case only
// when both are outside surrogate pairs, where folding needs no neighbour, so the occurrences
// are exactly the positions where the word compares equal; each is confirmed by that
// comparison all the same.
class TKxWholeWordSearch {
public:
    TKxWholeWordSearch(QStringView text, int start, QStringView delimiters)
        : m_text(text), m_data(text.data()), m_length(static_cast<int>(text.size())),
          m_delimiters(delimiters), m_start(start), m_first(start) {
        for (const QChar c : delimiters) {
            if (c.unicode() < 128)
                m_ascii[c.unicode() / 64] |= std::uint64_t(1) << (c.unicode() % 64);
            else
                m_beyondAscii = true;
        }
        while (m_first < m_length && IsDelimiter(m_data[m_first]))
            ++m_first;
    }

    int Find(QStringView word, bool caseInsensitive) const {
        const int wordLength = static_cast<int>(word.size());
        if (wordLength == 0 || m_start < 0 || m_start > m_length - wordLength)
            return -1;
        if (!IsAscii(word))
            return Walk(word, caseInsensitive);
        const Qt::CaseSensitivity cs = caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
        for (qsizetype found = m_text.indexOf(word, m_first, cs); found >= 0;
             found = m_text.indexOf(word, found + 1, cs)) {
            const int p = static_cast<int>(found);
            const bool candidate = p == m_first || (!IsDelimiter(m_data[p]) && p > m_first &&
                                                    IsDelimiter(m_data[p - 1]));
            if (candidate && WordAt(p, word, caseInsensitive))
                return p;
        }
        return -1;
    }

private:
    // Every candidate in turn.
    int Walk(QStringView word, bool caseInsensitive) const {
        const int wordLength = static_cast<int>(word.size());
        int p = m_first;
        while (p <= m_length - wordLength) {
            if (WordAt(p, word, caseInsensitive))
                return p;
            while (p < m_length && !IsDelimiter(m_data[p]))
                ++p;
            while (p < m_length && IsDelimiter(m_data[p]))
                ++p;
        }
        return -1;
    }
    // The word stands at p (p <= length - word length), followed by a delimiter or the end.
    bool WordAt(int p, QStringView word, bool caseInsensitive) const {
        const int after = p + static_cast<int>(word.size());
        return EqualAt(m_data + p, word, caseInsensitive) &&
               (after == m_length || IsDelimiter(m_data[after]));
    }
    // Delimiters are ASCII punctuation and blanks: a bit per ASCII character answers for
    // almost every character without a search through the set.
    bool IsDelimiter(QChar c) const {
        if (c.unicode() < 128)
            return (m_ascii[c.unicode() / 64] >> (c.unicode() % 64) & 1) != 0;
        return m_beyondAscii && IsIn(c, m_delimiters);
    }

    QStringView m_text;
    const QChar* m_data;
    int m_length;
    QStringView m_delimiters;
    int m_start;
    int m_first; // the first candidate
    std::uint64_t m_ascii[2] = {0, 0};
    bool m_beyondAscii = false;
};

} // namespace

int FindWord(QStringView text, QStringView word, int start, bool caseInsensitive, bool wholeWord,
             QStringView delimiters) {
    const int length = static_cast<int>(text.size());
    const int wordLength = static_cast<int>(word.size());
    if (wordLength == 0 || start < 0 || start > length - wordLength)
        return -1;
    if (!wholeWord || delimiters.isEmpty()) {
        for (int p = start; p <= length - wordLength; ++p) {
            if (EqualAt(text.data() + p, word, caseInsensitive))
                return p;
        }
        return -1;
    }
    return TKxWholeWordSearch(text, start, delimiters).Find(word, caseInsensitive);
}

int FindFirstOf(QStringView text, const QStringList& words, int start, QStringView delimiters) {
    if (start < 0 || delimiters.isEmpty()) {
        for (const QString& word : words) {
            const int position = FindWord(text, word, start, true, true, delimiters);
            if (position >= 0)
                return position;
        }
        return -1;
    }
    // The delimiters and the first candidate once for all the words.
    const TKxWholeWordSearch search(text, start, delimiters);
    for (const QString& word : words) {
        const int position = search.Find(word, true);
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
