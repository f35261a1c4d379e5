#include "app/script_comments.h"

#include "app/script_statements.h"
#include "editor/syntax_coloring.h"

namespace kx {

void KxAttachSyntaxComments(TKxScriptStatements& statements, const TSyntaxColoring& coloring) {
    statements.SetCommentTest([&coloring](int position) {
        const TSyntaxToken* token = coloring.RangeAt(position);
        return token != nullptr && coloring.RangeFont(*token).Color == clSilver;
    });
    statements.SetCommentSnapshot([&coloring] {
        TKxCommentSpans spans;
        const TSyntaxChain& chain = coloring.Chain();
        for (int i = 0; i < chain.Count(); ++i) {
            const TSyntaxToken& token = chain[i];
            if (coloring.RangeFont(token).Color != clSilver)
                continue;
            if (!spans.empty() && spans.back().Last + 1 >= token.Start)
                spans.back().Last = token.End; // neighbouring comments make one stretch
            else
                spans.push_back({token.Start, token.End});
        }
        return spans;
    });
}

} // namespace kx
