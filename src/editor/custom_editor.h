#pragma once

#include "editor/editor_strings.h"
#include "editor/editor_types.h"
#include "editor/ranges.h"
#include "editor/undo_stack.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace kx {

// The text model of the script editor: one text with CR LF breaks, its line-start table,
// the live ranges that follow every edit, and undo and redo. It needs no window; the view
// derives from it and fills in the virtual hooks (painting, scroll bars, caret).
class TCustomEditor {
public:
    TCustomEditor();
    TCustomEditor(const TCustomEditor&) = delete;
    TCustomEditor& operator=(const TCustomEditor&) = delete;
    virtual ~TCustomEditor();

    // --- text
    const QString& Text() const { return m_text; }
    int TextLength() const { return static_cast<int>(m_text.size()); }
    // The one edit primitive: every change of the text passes through here.
    void ReplaceRangeText(TCustomRange& range, const QString& text);
    void SetAllText(const QString& text);
    void Clear() { SetAllText(QString()); }
    TCustomEditorStrings& Lines() { return *m_lines; }

    // --- rows and columns
    int LineCount() const { return static_cast<int>(m_lineStarts.size()); }
    // Position of the first character of a row (row clamped to 1..LineCount).
    int LineStart(int row) const;
    int LineLength(int row) const;
    int LineWidth(int row) const;
    int WidestRow() const { return m_widestRow; }
    TRowCol PosToRowCol(int position) const;
    int RowColToPos(TRowCol rowCol) const;
    int CharToVisualCol(TRowCol rowCol) const;
    int VisualToCharCol(TRowCol rowCol) const;
    int TabFill(int position) const;

    // --- ranges
    TMCRanges& Ranges() { return *m_ranges; }
    TWholeTextRange& WholeText() { return *m_wholeText; }
    TVisibleRange& VisibleRange() { return *m_visible; }
    TSelectionRange& Selection() { return *m_selection; }
    const TSelectionRange& Selection() const { return *m_selection; }
    const TVisibleRange& VisibleRange() const { return *m_visible; }
    int SelStart() const { return m_selection->RStart() - 1; }
    void SetSelStart(int value) { m_selection->Select(value + 1, 0); }
    int SelLength() const { return m_selection->RLength(); }
    void SetSelLength(int value) { m_selection->SetRLength(value); }

    // --- undo
    bool CanUndo() const { return !m_undo.IsEmpty(); }
    bool CanRedo() const { return !m_redo.IsEmpty(); }
    void Undo();
    void Redo();
    void ClearUndo();
    void ClearRedo() { m_redo.Clear(); }
    // Edits between the two calls are undone and redone as one step; calls nest.
    void BeginUndoGroup();
    void EndUndoGroup();
    bool UndoRunning() const { return m_undoRunning; }
    const TUndoStack& UndoStack() const { return m_undo; }
    const TUndoStack& RedoStack() const { return m_redo; }
    // Records operations made while recording was off (a drag-move) as one undo step; each
    // operation is what undoing does, the last one first.
    void RecordUndoGroup(const std::vector<TUndoOperation>& operations);

    // --- editing helpers
    // n > 0 inserts n tabs, n < 0 removes up to -n leading tabs, on every selected row.
    void IndentSelection(int n);

    // --- row backgrounds; the owner repaints after changing them
    std::vector<TRowRangeObj>& RowRanges() { return m_rowRanges; }
    TColor RowBackground(int row) const;

    // --- properties
    int TabSize() const { return m_tabSize; }
    void SetTabSize(int value);
    bool ReadOnly() const { return m_readOnly; }
    // Whether the caret is shown depends on this, so the view is asked again.
    void SetReadOnly(bool value) {
        m_readOnly = value;
        ShowCaret();
    }
    bool AllowUndo() const { return m_allowUndo; }
    void SetAllowUndo(bool value);
    bool AutoIndent() const { return m_autoIndent; }
    void SetAutoIndent(bool value) { m_autoIndent = value; }
    bool DragDropEditing() const { return m_dragDropEditing; }
    void SetDragDropEditing(bool value) { m_dragDropEditing = value; }
    bool RemoveTrailingSpaces() const { return m_removeTrailingSpaces; }
    void SetRemoveTrailingSpaces(bool value);
    bool AlwaysShowCaret() const { return m_alwaysShowCaret; }
    // Whether the caret is shown depends on this, so the view is asked again.
    void SetAlwaysShowCaret(bool value) {
        m_alwaysShowCaret = value;
        ShowCaret();
    }
    TColor Color() const { return m_color; }
    void SetColor(TColor value) { m_color = value; }
    int LeftMargin() const { return m_leftMargin; }
    void SetLeftMargin(int value) { m_leftMargin = value; }
    int TopMargin() const { return m_topMargin; }
    void SetTopMargin(int value) { m_topMargin = value; }

    // --- what the view measured
    int VisibleRowCount() const { return m_visibleRows; }
    int VisibleColCount() const { return m_visibleCols; }
    void SetVisibleSize(int rows, int cols);
    TFontStyles StyleMask() const { return m_styleMask; }
    void SetStyleMask(TFontStyles value) { m_styleMask = value; }
    // A drag-move records its own undo group, so the edits it makes record nothing.
    bool DragMoving() const { return m_dragMoving; }
    void SetDragMoving(bool value) { m_dragMoving = value; }

    // --- notifications
    std::function<void(TCustomEditor* sender)> OnChange;
    std::function<void(TCustomEditor* sender)> OnSelectionChange;
    void BeginSuppressNotifications() { ++m_suppressNotifications; }
    void EndSuppressNotifications();
    bool NotificationsSuppressed() const { return m_suppressNotifications > 0; }
    void NotifyChange();
    void NotifySelectionChange();

    // --- hooks for the view and for syntax colouring; the model itself does nothing here
    // After the text of oldLength characters at position was replaced by newLength ones.
    virtual void TextReplaced(int position, int oldLength, int newLength);
    // After an edit repainted what it changed.
    virtual void AfterRepaint() {}
    // Paints the rows the range covers.
    virtual void PaintRange(const TCustomRange& range);
    // The row count or the widest row changed.
    virtual void UpdateScrollBars() {}
    // The visible window moved from one rectangle to another.
    virtual void ScrollView(const TVisibleRect& from, const TVisibleRect& to);
    virtual void MakeRangeVisible(TCustomRange& range, int margin);
    virtual void HideCaret() {}
    virtual void ShowCaret() {}
    // Whether an inserted text keeps its trailing blanks although RemoveTrailingSpaces is on
    // (syntax colouring's indent blocks end rows in a tab on purpose).
    virtual bool KeepTrailingBlanks(const QString&) const { return false; }

private:
    friend class TSelectionRange;

    bool Recording() const { return m_allowUndo && !m_undoRunning && !m_dragMoving; }
    void RecordUndo(int a, int b, int newLength, const QString& oldText);
    void RunUndoStep(TUndoStack& from, TUndoStack& to);
    int RowWidth(int start, int length) const;
    int RowOf(int position) const;
    void RecountWidestRow();
    // Adds step to the histogram entries of the rows' widths.
    void CountRowWidths(int firstRow, int lastRow, int step);
    void SnapToLineBreaks(int& a, int& b) const;
    // Deletes the blanks that end a row, as an undoable edit.
    void CleanRow(int row);

    QString m_text;
    // Entry k is the position of the first character of row k + 1; never empty.
    std::vector<std::int32_t> m_lineStarts{1};
    int m_widestRow = 0;
    // Number of rows of each visual width.
    std::map<int, int> m_widthCounts{{0, 1}};
    std::vector<TRowRangeObj> m_rowRanges;
    std::unique_ptr<TCustomEditorStrings> m_lines;
    std::unique_ptr<TMCRanges> m_ranges;
    std::unique_ptr<TWholeTextRange> m_wholeText;
    TVisibleRange* m_visible = nullptr;
    TSelectionRange* m_selection = nullptr;
    TUndoStack m_undo;
    TUndoStack m_redo;
    int m_undoGroupDepth = 0;
    bool m_undoRunning = false;
    bool m_dragMoving = false;
    int m_suppressNotifications = 0;

    int m_tabSize = 2;
    bool m_readOnly = false;
    bool m_allowUndo = true;
    bool m_autoIndent = false;
    bool m_dragDropEditing = false;
    bool m_removeTrailingSpaces = false;
    bool m_alwaysShowCaret = false;
    TColor m_color = clWindow;
    int m_leftMargin = 2;
    int m_topMargin = 0;
    int m_visibleRows = 1;
    int m_visibleCols = 1;
    TFontStyles m_styleMask = 0;
};

} // namespace kx
