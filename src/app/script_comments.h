#pragma once

namespace kx {

class TKxScriptStatements;
class TSyntaxColoring;

// Lets the statement finder see comments the way the user sees them: a position is in a
// comment when the syntax range covering it paints in silver, the colour the SQL set-up
// gives to its comment styles and to nothing else. The count thread gets the silver
// stretches as a snapshot, since the chain changes with every edit.
void KxAttachSyntaxComments(TKxScriptStatements& statements, const TSyntaxColoring& coloring);

} // namespace kx
