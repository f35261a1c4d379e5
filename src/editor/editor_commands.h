#pragma once

#include <QString>
#include <Qt>

namespace kx {

class TCustomEditor;

// What a key does in the editor. The view executes the command; the table of keys is in
// KxEditorKeyCommand.
enum class TEditorCommand {
    None,
    CharLeft,
    CharRight,
    WordLeft,
    WordRight,
    LineUp,
    LineDown,
    PageUp,
    PageDown,
    RowStart,
    RowEnd,
    TextStart,
    TextEnd,
    DeleteBack,
    DeleteForward,
    Undo,
    Redo,
    Cut,
    Copy,
    Paste,
    Tab,
    BackTab,
    ClearSelection,
    CancelDrag,
    ScrollColLeft,
    ScrollColRight,
    ScrollRowUp,
    ScrollRowDown,
    ScrollPageUp,
    ScrollPageDown,
    ScrollFirstCol,
    ScrollTop,
    ScrollLastCol,
    ScrollLastPage,
};

struct TEditorKeyBinding {
    TEditorCommand Command = TEditorCommand::None;
    // Shift held on a caret movement: extend the selection instead of moving the caret.
    bool Extend = false;
};

// The key table: an editable editor moves and edits, a read-only one only scrolls and copies.
TEditorKeyBinding KxEditorKeyCommand(int key, Qt::KeyboardModifiers modifiers, bool readOnly);

// --- caret rules shared by keys and mouse

// RStart for a backwards selection, else the position after REnd.
int KxCaretPosition(const TCustomEditor& editor);
// Moves the caret to position (an empty selection there), or extends the selection to it.
void KxMoveCaret(TCustomEditor& editor, int position, bool extend);
// One character left (direction < 0) or right; a CR LF is one step.
int KxCharStep(const TCustomEditor& editor, int position, int direction);
// Over a run of word characters (letters, digits, "_") or a run of other characters; a CR LF
// is one step.
int KxWordStep(const TCustomEditor& editor, int position, int direction);
// The position rows below (rows < 0: above) the caret, in the desired visual column, which
// is taken from the caret on the first of a series of vertical moves.
int KxVerticalTarget(TCustomEditor& editor, int rows);
// The line break Enter inserts: CR LF, followed with autoIndent by the blanks that start
// the caret row before the caret.
QString KxLineBreakText(const TCustomEditor& editor, bool autoIndent);
// Characters a double click takes into a word.
bool KxIsSelectWordChar(QChar c);
// Widens the selection to the word around it.
void KxSelectWord(TCustomEditor& editor);

} // namespace kx
