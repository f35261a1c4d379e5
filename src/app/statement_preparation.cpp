#include "app/statement_preparation.h"

#include <utility>

namespace kx {
namespace {

enum class TScanState {
    Outside,
    LineComment,
    BraceComment,
    BlockComment,
    DoubleQuoted,
    SingleQuoted
};

// A character of a comment delimiter is used up by it: it never also pairs with the next
// character. Otherwise the "*" of "/*" would let a following "/" close the comment at once,
// and the "/" of "*/" would let a following "/" or "*" open a comment there, removing the
// last character of the SQL before it (and, with "//", the rest of the statement).
constexpr QChar kNoPair = QLatin1Char(' ');

// Whether `first` followed by `second` opens a comment.
bool JoinsIntoComment(QChar first, QChar second) {
    return (first == QLatin1Char('-') && second == QLatin1Char('-')) ||
           (first == QLatin1Char('/') &&
            (second == QLatin1Char('/') || second == QLatin1Char('*')));
}

QString TrimStatementEnds(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    const auto strip = [](QChar c) {
        return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
               c == QLatin1Char('\r') || c == QLatin1Char(';');
    };
    while (first < last && strip(text[first]))
        ++first;
    while (last > first && strip(text[last - 1]))
        --last;
    return text.mid(first, last - first);
}

} // namespace

QString PrepareStatementText(const QString& text, bool directiveComment,
                             bool doubleQuotesDelimitStrings) {
    QString result;
    result.reserve(text.size());
    TScanState state = TScanState::Outside;
    // A removed comment separated what stood on its two sides; joined, «-/* x */-» or
    // «/{ x }/» would become the opener of a line comment that swallows the rest of the
    // line. Such neighbours keep a blank between them.
    bool commentRemoved = false;
    QChar previous = QLatin1Char(' ');
    const QChar doubleQuoteOut = doubleQuotesDelimitStrings ? QLatin1Char('\'') : QLatin1Char('"');

    for (const QChar c : text) {
        QChar handled = c;
        switch (state) {
        case TScanState::LineComment:
            // Only a CR LF or LF CR pair ends a line comment; the pair itself stays.
            if ((previous == QLatin1Char('\r') && c == QLatin1Char('\n')) ||
                (previous == QLatin1Char('\n') && c == QLatin1Char('\r'))) {
                result += previous;
                result += c;
                state = TScanState::Outside;
            }
            break;
        case TScanState::BraceComment:
            if (c == QLatin1Char('}')) {
                state = TScanState::Outside;
                commentRemoved = true;
            }
            break;
        case TScanState::BlockComment:
            if (c == QLatin1Char('/') && previous == QLatin1Char('*')) {
                state = TScanState::Outside;
                handled = kNoPair;
                commentRemoved = true;
            }
            break;
        case TScanState::DoubleQuoted:
            if (c == QLatin1Char('"')) {
                handled = doubleQuoteOut;
                state = TScanState::Outside;
            } else if (c == QLatin1Char('\'') && doubleQuotesDelimitStrings) {
                // Inside the single-quoted literal the text becomes, its own quote is
                // doubled: «"it's"» is 'it''s', not a literal that ends after "it".
                result += c;
            }
            result += handled;
            break;
        case TScanState::SingleQuoted:
            if (c == QLatin1Char('\''))
                state = TScanState::Outside;
            result += c;
            break;
        case TScanState::Outside: {
            const bool afterComment = std::exchange(commentRemoved, false);
            if (c == QLatin1Char('"')) {
                handled = doubleQuoteOut;
                result += handled;
                state = TScanState::DoubleQuoted;
            } else if (c == QLatin1Char('\'')) {
                result += c;
                state = TScanState::SingleQuoted;
            } else if (c == QLatin1Char('#') && directiveComment) {
                state = TScanState::LineComment;
            } else if ((c == QLatin1Char('-') && previous == QLatin1Char('-')) ||
                       (c == QLatin1Char('/') && previous == QLatin1Char('/'))) {
                result.chop(1);
                state = TScanState::LineComment;
            } else if (c == QLatin1Char('*') && previous == QLatin1Char('/')) {
                result.chop(1);
                state = TScanState::BlockComment;
                handled = kNoPair;
            } else if (c == QLatin1Char('{')) {
                state = TScanState::BraceComment;
            } else if (c == QLatin1Char(';')) {
                result += c;
                return TrimStatementEnds(result);
            } else {
                if (afterComment && !result.isEmpty() && JoinsIntoComment(result.back(), c))
                    result += QLatin1Char(' ');
                result += c;
            }
            break;
        }
        }
        previous = handled;
    }
    return TrimStatementEnds(result);
}

} // namespace kx
