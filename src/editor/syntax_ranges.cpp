#include "editor/syntax_ranges.h"

#include "editor/ranges.h"

#include <algorithm>

namespace kx {

QString KxSyntaxRangeClassName(TSyntaxRangeClass rangeClass) {
    switch (rangeClass) {
    case TSyntaxRangeClass::NormalText:
        return QStringLiteral("TNormalTextRange");
    case TSyntaxRangeClass::CustomText:
        return QStringLiteral("TCustomTextRange");
    case TSyntaxRangeClass::WordList:
        return QStringLiteral("TWordListRange");
    case TSyntaxRangeClass::CustomStyle:
        return QStringLiteral("TCustomStyleRange");
    case TSyntaxRangeClass::Symbol:
        return QStringLiteral("TSymbolRange");
    case TSyntaxRangeClass::Number:
        return QStringLiteral("TNumberRange");
    case TSyntaxRangeClass::Parenthesis:
        return QStringLiteral("TParenthesisRange");
    }
    return QStringLiteral("TSyntaxRange");
}

int TSyntaxChain::FirstEndingAtOrAfter(int position) const {
    const auto it =
        std::partition_point(m_tokens.begin(), m_tokens.end(),
                             [position](const TSyntaxToken& t) { return t.End < position; });
    return static_cast<int>(it - m_tokens.begin());
}

int TSyntaxChain::FirstStartingAfter(int position) const {
    const auto it =
        std::partition_point(m_tokens.begin(), m_tokens.end(),
                             [position](const TSyntaxToken& t) { return t.Start <= position; });
    return static_cast<int>(it - m_tokens.begin());
}

int TSyntaxChain::IndexAt(int position) const {
    const int index = FirstEndingAtOrAfter(position);
    if (index < Count() && m_tokens[index].Start <= position)
        return index;
    return -1;
}

void TSyntaxChain::AdjustToEdit(int a, int b, int delta) {
    // The same rules as a stored range of the editor's container (TMCRange::AdjustToEdit),
    // for non-empty ranges: only the few ranges that meet a..b need them, every range after
    // b just moves by delta.
    const int first = FirstEndingAtOrAfter(a);
    const int after = std::max(first, FirstStartingAfter(b));
    int out = first;
    for (int i = first; i < after; ++i) {
        TSyntaxToken token = m_tokens[i];
        const TKxAdjustedSpan span = KxAdjustSpanToEdit(token.Start, token.End, a, b, delta, false);
        // An overwritten range is freed.
        if (span.Touched && span.End < span.Start)
            continue;
        token.Start = span.Start;
        token.End = span.End;
        m_tokens[out++] = token;
    }
    const int total = Count();
    if (delta != 0)
        for (int i = after; i < total; ++i) {
            m_tokens[i].Start += delta;
            m_tokens[i].End += delta;
        }
    if (out < after)
        m_tokens.erase(m_tokens.begin() + out, m_tokens.begin() + after);
}

void TSyntaxChain::Splice(int first, int last, const std::vector<TSyntaxToken>& tokens) {
    const int removed = last - first;
    const int added = static_cast<int>(tokens.size());
    const int common = std::min(removed, added);
    std::copy(tokens.begin(), tokens.begin() + common, m_tokens.begin() + first);
    if (added > removed)
        m_tokens.insert(m_tokens.begin() + last, tokens.begin() + common, tokens.end());
    else if (removed > added)
        m_tokens.erase(m_tokens.begin() + first + common, m_tokens.begin() + last);
}

} // namespace kx
