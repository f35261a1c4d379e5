#pragma once

#include "editor/syntax_coloring.h"

#include <QString>
#include <algorithm>

namespace kx::test {

// The syntax chain an edit left against the chain of tokenising the same text from scratch
// with the same set-up: positions, classes, items and parenthesis levels must be exactly
// equal. Answers an empty text when they are, otherwise the first difference. Shared by the
// editor tests and the colouring fuzzer, so both hold the incremental colouring to the same
// standard.
inline QString FirstDifferenceFromFresh(const TSyntaxTextModel& model,
                                        const TSyntaxColoringProperties& setup) {
    TSyntaxTextModel fresh;
    fresh.SyntaxColoring().Assign(setup);
    fresh.SetAllText(model.Text());
    const TSyntaxColoring& coloring = model.SyntaxColoring();
    const TSyntaxChain& a = coloring.Chain();
    const TSyntaxChain& b = fresh.SyntaxColoring().Chain();
    const auto describe = [&coloring](const TSyntaxToken& token) {
        QString name = KxSyntaxRangeClassName(token.Class);
        if (token.Class == TSyntaxRangeClass::Parenthesis)
            name += QString::number(token.Level);
        return QStringLiteral("%1 %2..%3 «%4»")
            .arg(name)
            .arg(token.Start)
            .arg(token.End)
            .arg(coloring.RangeText(token));
    };
    for (int i = 0; i < std::min(a.Count(), b.Count()); ++i) {
        if (!(a[i].EqualTo(b[i]) && a[i].Start == b[i].Start && a[i].Level == b[i].Level))
            return QStringLiteral("range %1: %2 after the edits, %3 from scratch")
                .arg(i)
                .arg(describe(a[i]), describe(b[i]));
    }
    if (a.Count() != b.Count())
        return QStringLiteral("%1 ranges after the edits, %2 from scratch")
            .arg(a.Count())
            .arg(b.Count());
    return {};
}

} // namespace kx::test
