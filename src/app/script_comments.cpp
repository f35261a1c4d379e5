#include "app/script_comments.h"

#include "app/script_statements.h"
#include "editor/syntax_coloring.h"

namespace kx {

void KxAttachSyntaxSpans(TKxScriptStatements& statements, const TSyntaxColoring& coloring) {
    statements.SetKindTest([&coloring](int position) { return coloring.StyleKindAt(position); });
    statements.SetShieldSnapshot([&coloring] {
        TKxShieldedSpans spans;
        const TSyntaxChain& chain = coloring.Chain();
        for (int i = 0; i < chain.Count(); ++i) {
            const TSyntaxToken& token = chain[i];
            if (coloring.StyleKind(token) == TSyntaxStyleKind::Other)
                continue;
            if (!spans.empty() && spans.back().Last + 1 >= token.Start)
                spans.back().Last = token.End; // neighbouring spans make one stretch
            else
                spans.push_back({token.Start, token.End});
        }
        return spans;
    });
}

} // namespace kx
