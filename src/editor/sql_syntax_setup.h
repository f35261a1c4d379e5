#pragma once

#include "editor/syntax_coloring.h"

namespace kx {

// Loads the program's SQL colouring into a colouring: the word lists "KeyWords", "Functions"
// and "Datatypes", the comment and string styles (marked as comments and as quoted text, so
// the statement finder can tell them apart whatever their colours), red numbers and olive
// symbols. The set-up is loaded under one lock, so the text is recoloured once.
void KxLoadSqlSyntaxSetup(TSyntaxColoringProperties& coloring);

// The "C_DirectiveComment" style ("#" to the line end) follows a user setting: switched on,
// it is added unless a style for "#" exists; switched off, the style for "#" is removed.
void KxSetDirectiveCommentStyle(TSyntaxColoringProperties& coloring, bool on);
bool KxDirectiveCommentStyleOn(const TSyntaxColoringProperties& coloring);

} // namespace kx
