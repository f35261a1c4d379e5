#include "editor/editor_commands.h"

#include "editor/custom_editor.h"

#include <algorithm>

namespace kx {

namespace {

constexpr QChar kCRChar(u'\r');
constexpr QChar kLFChar(u'\n');

bool IsWordChar(QChar c) {
    return c.isLetterOrNumber() || c == QChar(u'_');
}

TEditorKeyBinding ReadOnlyKey(int key, bool ctrl, bool shift, bool alt) {
    using C = TEditorCommand;
    if (alt)
        return {};
    switch (key) {
    case Qt::Key_Left:
        return {C::ScrollColLeft};
    case Qt::Key_Right:
        return {C::ScrollColRight};
    case Qt::Key_Up:
        return {C::ScrollRowUp};
    case Qt::Key_Down:
        return {C::ScrollRowDown};
    case Qt::Key_PageUp:
        return {C::ScrollPageUp};
    case Qt::Key_PageDown:
        return {C::ScrollPageDown};
    case Qt::Key_Home:
        return {ctrl ? C::ScrollTop : C::ScrollFirstCol};
    case Qt::Key_End:
        return {ctrl ? C::ScrollLastPage : C::ScrollLastCol};
    case Qt::Key_Insert:
        return {ctrl && !shift ? C::Copy : C::None};
    case Qt::Key_C:
        return {ctrl && !shift ? C::Copy : C::None};
    default:
        return {};
    }
}

} // namespace

TEditorKeyBinding KxEditorKeyCommand(int key, Qt::KeyboardModifiers modifiers, bool readOnly) {
    using C = TEditorCommand;
    const bool ctrl = modifiers.testFlag(Qt::ControlModifier);
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    const bool alt = modifiers.testFlag(Qt::AltModifier);
    if (readOnly)
        return ReadOnlyKey(key, ctrl, shift, alt);
    if (alt) {
        if (key == Qt::Key_Backspace && !ctrl)
            return {shift ? C::Redo : C::Undo};
        return {};
    }
    switch (key) {
    case Qt::Key_Left:
        return {ctrl ? C::WordLeft : C::CharLeft, shift};
    case Qt::Key_Right:
        return {ctrl ? C::WordRight : C::CharRight, shift};
    case Qt::Key_Up:
        return {ctrl ? C::None : C::LineUp, shift};
    case Qt::Key_Down:
        return {ctrl ? C::None : C::LineDown, shift};
    case Qt::Key_PageUp:
        return {C::PageUp, shift};
    case Qt::Key_PageDown:
        return {C::PageDown, shift};
    case Qt::Key_Home:
        return {ctrl ? C::TextStart : C::RowStart, shift};
    case Qt::Key_End:
        return {ctrl ? C::TextEnd : C::RowEnd, shift};
    case Qt::Key_Backspace:
        return {ctrl ? C::None : C::DeleteBack};
    case Qt::Key_Delete:
        if (ctrl)
            return {};
        return {shift ? C::Cut : C::DeleteForward};
    case Qt::Key_Insert:
        if (shift && !ctrl)
            return {C::Paste};
        if (ctrl && !shift)
            return {C::Copy};
        return {};
    case Qt::Key_Tab:
        return {ctrl ? C::None : (shift ? C::BackTab : C::Tab)};
    case Qt::Key_Backtab:
        return {ctrl ? C::None : C::BackTab};
    case Qt::Key_Clear:
        return {C::ClearSelection};
    case Qt::Key_Escape:
        return {C::CancelDrag};
    case Qt::Key_Z:
        if (ctrl)
            return {shift ? C::Redo : C::Undo};
        return {};
    case Qt::Key_C:
        return {ctrl && !shift ? C::Copy : C::None};
    case Qt::Key_V:
        return {ctrl && !shift ? C::Paste : C::None};
    case Qt::Key_X:
        return {ctrl && !shift ? C::Cut : C::None};
    default:
        return {};
    }
}

int KxCaretPosition(const TCustomEditor& editor) {
    const TSelectionRange& selection = editor.Selection();
    return selection.Backwards() ? selection.RStart() : selection.REnd() + 1;
}

void KxMoveCaret(TCustomEditor& editor, int position, bool extend) {
    TSelectionRange& selection = editor.Selection();
    position = std::clamp(position, 1, editor.TextLength() + 1);
    if (!extend) {
        selection.SetBackwards(false);
        selection.Select(position, 0);
        return;
    }
    const int start = selection.RStart();
    const int end = selection.REnd();
    if (selection.Backwards()) {
        if (position <= end) {
            selection.Select(position, end - position + 1);
        } else {
            selection.SetBackwards(false);
            selection.Select(end + 1, position - end - 1);
        }
    } else if (position >= start) {
        selection.Select(start, position - start);
    } else {
        selection.SetBackwards(true);
        selection.Select(position, start - position);
    }
}

int KxCharStep(const TCustomEditor& editor, int position, int direction) {
    const QString& text = editor.Text();
    const int length = editor.TextLength();
    if (direction < 0) {
        if (position <= 1)
            return 1;
        if (position >= 3 && text[position - 2] == kLFChar && text[position - 3] == kCRChar)
            return position - 2;
        return position - 1;
    }
    if (position > length)
        return length + 1;
    if (position < length && text[position - 1] == kCRChar && text[position] == kLFChar)
        return position + 2;
    return position + 1;
}

int KxWordStep(const TCustomEditor& editor, int position, int direction) {
    const QString& text = editor.Text();
    const int length = editor.TextLength();
    position = std::clamp(position, 1, length + 1);
    if (direction < 0) {
        if (position <= 1)
            return 1;
        const QChar before = text[position - 2];
        if (before == kLFChar || before == kCRChar)
            return KxCharStep(editor, position, -1);
        const bool word = IsWordChar(before);
        while (position > 1) {
            const QChar c = text[position - 2];
            if (c == kLFChar || c == kCRChar || IsWordChar(c) != word)
                break;
            --position;
        }
        return position;
    }
    if (position > length)
        return length + 1;
    const QChar first = text[position - 1];
    if (first == kCRChar || first == kLFChar)
        return KxCharStep(editor, position, 1);
    const bool word = IsWordChar(first);
    while (position <= length) {
        const QChar c = text[position - 1];
        if (c == kLFChar || c == kCRChar || IsWordChar(c) != word)
            break;
        ++position;
    }
    return position;
}

int KxVerticalTarget(TCustomEditor& editor, int rows) {
    TSelectionRange& selection = editor.Selection();
    const TRowCol caret = editor.PosToRowCol(KxCaretPosition(editor));
    if (selection.DesiredVisualCol() <= 0)
        selection.SetDesiredVisualCol(editor.CharToVisualCol(caret));
    const int row = std::clamp(KxClampToInt(qint64(caret.Row) + rows), 1, editor.LineCount());
    const int col = editor.VisualToCharCol({row, selection.DesiredVisualCol()});
    return editor.RowColToPos({row, col});
}

QString KxLineBreakText(const TCustomEditor& editor, bool autoIndent) {
    QString result = QStringLiteral("\r\n");
    if (!autoIndent)
        return result;
    const int caret = KxCaretPosition(editor);
    const TRowCol rowCol = editor.PosToRowCol(caret);
    const int start = editor.LineStart(rowCol.Row);
    const int prefix = std::min(caret - start, editor.LineLength(rowCol.Row));
    const QChar* data = editor.Text().constData() + (start - 1);
    int blanks = 0;
    while (blanks < prefix && (data[blanks] == QChar(u' ') || data[blanks] == QChar(u'\t')))
        ++blanks;
    result.append(data, blanks);
    return result;
}

bool KxIsSelectWordChar(QChar c) {
    return c.isLetterOrNumber() || c == QChar(u'#') || c == QChar(u'$') || c == QChar(u'_');
}

void KxSelectWord(TCustomEditor& editor) {
    TSelectionRange& selection = editor.Selection();
    const QString& text = editor.Text();
    const int length = editor.TextLength();
    int start = selection.RStart();
    int end = selection.REnd();
    while (start > 1 && KxIsSelectWordChar(text[start - 2]))
        --start;
    while (end < length && KxIsSelectWordChar(text[end]))
        ++end;
    selection.SetBackwards(false);
    selection.Select(start, end - start + 1);
}

} // namespace kx
