#include "dbcore/sort_order.h"

#include <algorithm>

namespace kx {
namespace {

bool IsItemSeparator(QChar c) {
    return c == QLatin1Char(',') || c == QLatin1Char(';');
}

bool IsWordDelimiter(QChar c) {
    return IsItemSeparator(c) || c == QLatin1Char('(') || c == QLatin1Char(')') ||
           c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
           c == QLatin1Char('\r');
}

QString StripEnds(const QString& text, bool (*strip)(QChar), qsizetype* removedAtStart = nullptr) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && strip(text[first]))
        ++first;
    while (last > first && strip(text[last - 1]))
        --last;
    if (removedAtStart != nullptr)
        *removedAtStart = first;
    return text.mid(first, last - first);
}

struct Item {
    qsizetype start = 0; // first character of the item
    qsizetype end = 0;   // one past its last character (the separator, or the text's end)
};

// At an opening identifier quote ("", `` or []): moves `position` past its closing one, so
// that blanks and commas inside a quoted name such as "Unit Price" belong to the name.
// Answers whether it was at one.
bool SkipQuoted(const QString& text, qsizetype& position) {
    const QChar open = text[position];
    QChar close;
    if (open == QLatin1Char('"') || open == QLatin1Char('`'))
        close = open;
    else if (open == QLatin1Char('['))
        close = QLatin1Char(']');
    else
        return false;
    ++position;
    while (position < text.size()) {
        if (text[position] == close) {
            // A doubled closing quote stands for one inside the name.
            if (position + 1 < text.size() && text[position + 1] == close) {
                position += 2;
                continue;
            }
            ++position;
            return true;
        }
        ++position;
    }
    return true;
}

// The next word of `text` from `position` on: its start and length (length 0 at the end).
qsizetype NextWord(const QString& text, qsizetype& position) {
    while (position < text.size() && IsWordDelimiter(text[position]))
        ++position;
    const qsizetype start = position;
    while (position < text.size() && !IsWordDelimiter(text[position])) {
        if (!SkipQuoted(text, position))
            ++position;
    }
    return start;
}

// The first item naming `fieldName` as a whole word, and the word after it.
bool FindFieldItem(const QString& orderBy, const QString& fieldName, Item& found,
                   QString& nextWord) {
    qsizetype start = 0;
    while (start <= orderBy.size()) {
        qsizetype end = start;
        while (end < orderBy.size() && !IsItemSeparator(orderBy[end])) {
            if (!SkipQuoted(orderBy, end))
                ++end;
        }
        const QString item = orderBy.mid(start, end - start);
        qsizetype position = 0;
        while (position < item.size()) {
            const qsizetype wordStart = NextWord(item, position);
            if (item.mid(wordStart, position - wordStart).compare(fieldName, Qt::CaseInsensitive) ==
                    0 &&
                position > wordStart) {
                const qsizetype nextStart = NextWord(item, position);
                nextWord = item.mid(nextStart, position - nextStart);
                found = {start, end};
                return true;
            }
        }
        start = end + 1;
    }
    return false;
}

} // namespace

QString KxSortOrderWord(TKxSortOrder order) {
    switch (order) {
    case soAscending:
        return QStringLiteral("ASC");
    case soDescending:
        return QStringLiteral("DESC");
    default:
        return {};
    }
}

TKxSortOrder KxFieldSortOrder(const QString& orderBy, const QString& fieldName) {
    Item item;
    QString word;
    if (fieldName.isEmpty() || !FindFieldItem(orderBy, fieldName, item, word))
        return soNone;
    if (word.isEmpty())
        return soAscending;
    const qsizetype compared = std::min<qsizetype>(word.size(), 4);
    return word.left(compared).compare(QStringLiteral("DESC").left(compared),
                                       Qt::CaseInsensitive) == 0
               ? soDescending
               : soAscending;
}

QString KxOrderByWithField(const QString& orderBy, const QString& fieldName, TKxSortOrder order,
                           bool keepOtherFields) {
    QString part;
    qsizetype insertAt = 0;
    QString separator = QStringLiteral(",");
    if (keepOtherFields) {
        part = orderBy;
        Item item;
        QString word;
        if (FindFieldItem(orderBy, fieldName, item, word)) {
            const bool separatorFollows = item.end < part.size();
            part.remove(item.start, item.end - item.start + (separatorFollows ? 1 : 0));
            insertAt = item.start;
            separator = separatorFollows ? QString() : QStringLiteral(",");
        } else {
            insertAt = part.size();
        }
        qsizetype removedAtStart = 0;
        part = StripEnds(part, IsItemSeparator, &removedAtStart);
        insertAt = std::clamp<qsizetype>(insertAt - removedAtStart, 0, part.size());
    }
    if (order != soNone)
        part.insert(insertAt,
                    QStringLiteral("%1 %2 %3,").arg(separator, fieldName, KxSortOrderWord(order)));
    return StripEnds(part, IsWordDelimiter);
}

bool KxFirstSortField(const QString& orderBy, QString& fieldName) {
    qsizetype end = 0;
    while (end < orderBy.size() && !IsItemSeparator(orderBy[end]))
        ++end;
    QString item = orderBy.left(end);
    qsizetype position = 0;
    while (position < item.size()) {
        const qsizetype start = NextWord(item, position);
        const QString word = item.mid(start, position - start);
        for (const char* direction : {"ASCENDING", "ASC", "DESCENDING", "DESC"}) {
            if (word.compare(QLatin1String(direction), Qt::CaseInsensitive) == 0) {
                item.remove(start, word.size());
                position = start;
                break;
            }
        }
    }
    fieldName = StripEnds(item, IsWordDelimiter);
    return !fieldName.isEmpty();
}

QStringList KxOrderByTerms(const QString& orderBy) {
    QStringList terms;
    qsizetype start = 0;
    while (start <= orderBy.size()) {
        qsizetype end = start;
        while (end < orderBy.size() && !IsItemSeparator(orderBy[end])) {
            if (!SkipQuoted(orderBy, end))
                ++end;
        }
        const QString term = StripEnds(orderBy.mid(start, end - start), IsWordDelimiter);
        if (!term.isEmpty())
            terms.append(term);
        start = end + 1;
    }
    return terms;
}

bool KxTermSortsField(const QString& term, const QString& fieldName, TKxSortOrder& direction) {
    qsizetype position = 0;
    while (position < term.size()) {
        const qsizetype wordStart = NextWord(term, position);
        QString word = term.mid(wordStart, position - wordStart);
        // A quoted name is compared without its quotes (doubled quotes inside stand for one).
        if (word.size() >= 2 &&
            (word.front() == QLatin1Char('"') || word.front() == QLatin1Char('`') ||
             word.front() == QLatin1Char('['))) {
            const QChar close = word.front() == QLatin1Char('[') ? QLatin1Char(']') : word.front();
            if (word.back() == close)
                word = word.mid(1, word.size() - 2).replace(QString(2, close), QString(close));
        }
        if (word.isEmpty() || word.compare(fieldName, Qt::CaseInsensitive) != 0)
            continue;
        const qsizetype nextStart = NextWord(term, position);
        const QString next = term.mid(nextStart, position - nextStart);
        const qsizetype compared = std::min<qsizetype>(next.size(), 4);
        direction =
            !next.isEmpty() && next.left(compared).compare(QStringLiteral("DESC").left(compared),
                                                           Qt::CaseInsensitive) == 0
                ? soDescending
                : soAscending;
        return true;
    }
    return false;
}

} // namespace kx
