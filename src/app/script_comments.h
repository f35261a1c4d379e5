#pragma once

namespace kx {

class TKxScriptStatements;
class TSyntaxColoring;

// Lets the statement finder see comments and quoted text the way the user sees them: by the
// kind of the custom style whose range covers a position (the SQL set-up marks its comment
// and string styles), never by the colour it paints with, so recolouring a style leaves the
// splitting of the script alone. The count thread gets those stretches as a snapshot, since
// the chain changes with every edit.
void KxAttachSyntaxSpans(TKxScriptStatements& statements, const TSyntaxColoring& coloring);

} // namespace kx
