#include "editor/custom_editor.h"

#include "editor/editor_strings.h"
#include "editor/line_breaks.h"

#include <algorithm>

namespace kx {

TCustomEditor::TCustomEditor()
    : m_lines(std::make_unique<TCustomEditorStrings>(*this)),
      m_ranges(std::make_unique<TMCRanges>(this)),
      m_wholeText(std::make_unique<TWholeTextRange>(this)) {
    m_visible = m_ranges->Add<TVisibleRange>();
    m_selection = m_ranges->Add<TSelectionRange>();
}

TCustomEditor::~TCustomEditor() {
    // Ranges freed below must not call back into a half-destroyed editor's listeners.
    ++m_suppressNotifications;
    OnChange = nullptr;
    OnSelectionChange = nullptr;
    m_undo.Clear();
    m_redo.Clear();
    m_selection = nullptr;
    m_visible = nullptr;
    m_ranges.reset();
}

// ---------------------------------------------------------------- rows and columns

int TCustomEditor::LineStart(int row) const {
    row = std::clamp(row, 1, LineCount());
    return m_lineStarts[static_cast<size_t>(row - 1)];
}

int TCustomEditor::LineLength(int row) const {
    row = std::clamp(row, 1, LineCount());
    const int start = LineStart(row);
    const int next = row < LineCount() ? LineStart(row + 1) - 2 : TextLength() + 1;
    return std::max(0, next - start);
}

int TCustomEditor::RowWidth(int start, int length) const {
    if (m_tabSize == 1)
        return length;
    const QChar* data = m_text.constData() + (start - 1);
    int n = 0;
    for (int i = 0; i < length; ++i)
        n = data[i] == QChar(u'\t') ? (n / m_tabSize + 1) * m_tabSize : n + 1;
    return n;
}

int TCustomEditor::LineWidth(int row) const {
    row = std::clamp(row, 1, LineCount());
    return RowWidth(LineStart(row), LineLength(row));
}

int TCustomEditor::RowOf(int position) const {
    // The table is sorted, so a binary search finds the row in logarithmic time.
    const auto after =
        std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), std::max(position, 1));
    return static_cast<int>(after - m_lineStarts.begin());
}

TRowCol TCustomEditor::PosToRowCol(int position) const {
    const int row = RowOf(position);
    return {row, KxClampToInt(qint64(position) - LineStart(row) + 1)};
}

int TCustomEditor::RowColToPos(TRowCol rowCol) const {
    if (rowCol.Row <= 0)
        return rowCol.Col;
    if (rowCol.Row > LineCount())
        return KxClampToInt(qint64(TextLength()) + rowCol.Col + 2);
    return KxClampToInt(qint64(LineStart(rowCol.Row)) + rowCol.Col - 1);
}

int TCustomEditor::CharToVisualCol(TRowCol rowCol) const {
    if (m_tabSize == 1)
        return rowCol.Col;
    const int row = std::clamp(rowCol.Row, 1, LineCount());
    const int length = LineLength(row);
    const int chars = std::max(0, rowCol.Col - 1);
    // Columns beyond the end of the row count one each.
    const int inside = std::min(chars, length);
    return KxClampToInt(qint64(RowWidth(LineStart(row), inside)) + (chars - inside) + 1);
}

int TCustomEditor::VisualToCharCol(TRowCol rowCol) const {
    const int row = std::clamp(rowCol.Row, 1, LineCount());
    const int length = LineLength(row);
    int col = rowCol.Col;
    if (m_tabSize != 1) {
        const QChar* data = m_text.constData() + (LineStart(row) - 1);
        int n = 0;
        col = 1;
        while (n + 1 < rowCol.Col && col <= length) {
            n = data[col - 1] == QChar(u'\t') ? (n / m_tabSize + 1) * m_tabSize : n + 1;
            ++col;
        }
    }
    return std::clamp(col, 1, length + 1);
}

int TCustomEditor::TabFill(int position) const {
    const int visual = CharToVisualCol(PosToRowCol(position));
    return m_tabSize - (visual - 1) % m_tabSize;
}

void TCustomEditor::RecountWidestRow() {
    m_widthCounts.clear();
    const int rows = LineCount();
    for (int row = 1; row <= rows; ++row)
        ++m_widthCounts[LineWidth(row)];
    m_widestRow = m_widthCounts.rbegin()->first;
}

void TCustomEditor::CountRowWidths(int firstRow, int lastRow, int step) {
    for (int row = firstRow; row <= lastRow; ++row) {
        const auto found = m_widthCounts.try_emplace(LineWidth(row), 0).first;
        found->second += step;
        if (found->second <= 0)
            m_widthCounts.erase(found);
    }
}

// ---------------------------------------------------------------- the edit primitive

void TCustomEditor::SnapToLineBreaks(int& a, int& b) const {
    // A CR LF is one line break to everybody above the model; an edit that would split it
    // takes the whole break instead, so the line table always matches the text.
    const QChar* data = m_text.constData();
    const int length = TextLength();
    const auto splitsBreakBefore = [&](int position) {
        return position >= 2 && position <= length && data[position - 1] == kLF &&
               data[position - 2] == kCR;
    };
    if (b < a) {
        if (splitsBreakBefore(a)) {
            --a;
            --b;
        }
        return;
    }
    if (splitsBreakBefore(a))
        --a;
    if (splitsBreakBefore(b + 1))
        ++b;
}

void TCustomEditor::RecordUndo(int a, int b, int newLength, const QString& oldText) {
    if (!Recording())
        return;
    const int oldLength = b - a + 1;
    if (oldLength == 0 && newLength == 0)
        return; // nothing changed, nothing to undo
    m_redo.Clear();
    if (TUndoOperation* top = m_undo.Top(); top && !top->IsGroupMarker()) {
        const bool topEmpty = top->End == top->Start - 1;
        if (oldLength > 0 && newLength == 0 && !top->Text.isEmpty() && topEmpty) {
            if (top->Start == a) { // Delete pressed again at the same place
                top->Text += oldText;
                return;
            }
            if (b + 1 == top->Start) { // Backspace pressed again
                top->Start -= oldLength;
                top->End -= oldLength;
                top->Text.prepend(oldText);
                return;
            }
        }
        if (oldLength == 0 && newLength > 0 && top->Text.isEmpty() && !topEmpty &&
            top->End + 1 == a) { // typing continues
            top->End += newLength;
            return;
        }
    }
    m_undo.Push({a, a + newLength - 1, oldText});
}

void TCustomEditor::ReplaceRangeText(TCustomRange& range, const QString& text) {
    const int oldTextLength = TextLength();
    int a = std::clamp(range.RStart(), 1, oldTextLength + 1);
    int b = std::clamp(range.REnd(), a - 1, oldTextLength);
    SnapToLineBreaks(a, b);
    const int p = a;
    const int oldLength = b - a + 1;

    m_selection->BeginUpdate();
    m_selection->DiscardSnapshot();
    try {
        QString newText = KxNormalizeLineBreaks(text);
        if (m_removeTrailingSpaces && !KeepTrailingBlanks(newText))
            newText = KxRemoveTrailingBlanks(newText, false);
        const int n = static_cast<int>(newText.size());
        const int delta = n - oldLength;
        RecordUndo(a, b, n, m_text.mid(a - 1, oldLength));

        const int r1 = RowOf(a);
        const int r2 = RowOf(b + 1);
        const int oldRowCount = LineCount();
        const bool wholeText = a == 1 && b == oldTextLength;

        // Every row's width is kept in a histogram, so the widest row is known after each
        // edit without counting all rows again, even when the widest row shrinks.
        const int oldWidestRow = m_widestRow;
        if (wholeText) {
            m_lineStarts.assign(1, 1);
        } else {
            CountRowWidths(r1, r2, -1);
            // Rows r1 + 1 .. r2 start inside the replaced span.
            m_lineStarts.erase(m_lineStarts.begin() + r1, m_lineStarts.begin() + r2);
        }

        // Pure insertions and deletions use the calls QString can serve from free space at
        // either end of its buffer, instead of moving the whole text.
        if (oldLength == 0)
            m_text.insert(a - 1, newText);
        else if (n == 0)
            m_text.remove(a - 1, oldLength);
        else
            m_text.replace(a - 1, oldLength, newText);

        std::vector<std::int32_t> inserted;
        const QChar* data = newText.constData();
        for (int k = 0; k < n; ++k)
            if (data[k] == kCR)
                inserted.push_back(p + k + 2);
        m_lineStarts.insert(m_lineStarts.begin() + r1, inserted.begin(), inserted.end());
        if (delta != 0)
            for (auto it = m_lineStarts.begin() + r1 + static_cast<long>(inserted.size());
                 it != m_lineStarts.end(); ++it)
                *it += delta;

        if (wholeText) {
            RecountWidestRow();
        } else {
            CountRowWidths(r1, r1 + static_cast<int>(inserted.size()), +1);
            m_widestRow = m_widthCounts.rbegin()->first;
        }

        // Newest ranges first; a listener may free ranges, so the index is checked each time.
        for (int i = m_ranges->Count() - 1; i >= 0; --i) {
            if (i >= m_ranges->Count())
                continue;
            auto* item = dynamic_cast<TCustomRange*>(m_ranges->Items(i));
            if (item && item != &range && item != m_visible)
                item->AdjustToEdit(a, b, delta);
        }

        const int rowDelta = LineCount() - oldRowCount;
        bool topMoved = false;
        if (rowDelta != 0 && r1 < m_visible->m_topRow) {
            m_visible->m_topRow = std::max(1, m_visible->m_topRow + rowDelta);
            topMoved = true;
        }

        if (&range == m_selection) {
            m_selection->Select(p + n, 0);
        } else {
            range.BeginUpdate();
            range.SetRStart(p);
            range.SetRLength(n);
            range.EndUpdate();
        }

        TextReplaced(p, oldLength, n);
        if (m_widestRow != oldWidestRow || rowDelta != 0)
            UpdateScrollBars();

        TMCRange repaint(this);
        repaint.SetRStart(topMoved ? m_visible->RStart() : p);
        repaint.SetREnd(rowDelta != 0 ? m_visible->REnd() : LineStart(r2) + LineLength(r2) + 1);
        repaint.InvalidateRange();
        AfterRepaint();
    } catch (...) {
        m_selection->EndUpdateQuiet();
        throw;
    }
    m_selection->EndUpdate();
    NotifyChange();
}

void TCustomEditor::SetAllText(const QString& text) {
    m_wholeText->SetText(text);
}

// ---------------------------------------------------------------- undo and redo

void TCustomEditor::ClearUndo() {
    m_undo.Clear();
    m_redo.Clear();
}

void TCustomEditor::SetAllowUndo(bool value) {
    m_allowUndo = value;
    if (!value)
        ClearUndo();
}

void TCustomEditor::BeginUndoGroup() {
    if (m_undoGroupDepth++ == 0 && Recording()) {
        m_redo.Clear();
        m_undo.Push(TUndoOperation::GroupMarker());
    }
}

void TCustomEditor::EndUndoGroup() {
    if (m_undoGroupDepth <= 0 || --m_undoGroupDepth > 0 || !Recording())
        return;
    // A group that recorded nothing would be an undo step that does nothing.
    if (const TUndoOperation* top = m_undo.Top(); top && top->IsGroupMarker()) {
        m_undo.Pop();
        return;
    }
    m_undo.Push(TUndoOperation::GroupMarker());
}

void TCustomEditor::RecordUndoGroup(const std::vector<TUndoOperation>& operations) {
    if (!Recording() || operations.empty())
        return;
    m_redo.Clear();
    m_undo.Push(TUndoOperation::GroupMarker());
    for (const TUndoOperation& operation : operations)
        m_undo.Push(operation);
    m_undo.Push(TUndoOperation::GroupMarker());
}

void TCustomEditor::Undo() {
    RunUndoStep(m_undo, m_redo);
}

void TCustomEditor::Redo() {
    RunUndoStep(m_redo, m_undo);
}

void TCustomEditor::RunUndoStep(TUndoStack& from, TUndoStack& to) {
    if (from.IsEmpty() || m_undoRunning)
        return;
    m_undoRunning = true;
    bool inGroup = false;
    // Inside a group the caret goes, at the end, just after the last text restored.
    TMCRange* afterGroup = nullptr;
    const auto leaveGroup = [&] {
        m_visible->EndUpdateQuiet();
        m_visible->InvalidateRange();
        if (afterGroup) {
            m_selection->Select(afterGroup->RStart(), 0);
            m_ranges->Destroy(afterGroup);
            afterGroup = nullptr;
        }
        ShowCaret();
        EndSuppressNotifications();
        NotifyChange();
        NotifySelectionChange();
        m_selection->MakeVisible(4);
    };
    try {
        do {
            if (from.IsEmpty()) {
                if (inGroup) { // an unclosed group ends with the stack
                    inGroup = false;
                    leaveGroup();
                    to.Push(TUndoOperation::GroupMarker());
                }
                break;
            }
            TUndoOperation operation = from.Pop();
            if (operation.IsGroupMarker()) {
                inGroup = !inGroup;
                if (inGroup) {
                    BeginSuppressNotifications();
                    m_visible->BeginUpdate();
                } else {
                    leaveGroup();
                }
                to.Push(TUndoOperation::GroupMarker());
                continue;
            }
            TMCRange work(this);
            work.SetRStart(operation.Start);
            work.SetREnd(operation.End);
            const QString removed = work.GetText();
            ReplaceRangeText(work, operation.Text);
            to.Push({work.RStart(), work.REnd(), removed});
            if (!inGroup) {
                m_selection->Select(work.RStart(), work.RLength());
                m_selection->MakeVisible(4);
            } else if (!afterGroup) {
                afterGroup = m_ranges->Add<TMCRange>();
                afterGroup->SetRStart(work.REnd() + 1);
            } else if (work.REnd() + 1 > afterGroup->RStart()) {
                afterGroup->SetRStart(work.REnd() + 1);
            }
        } while (inGroup);
    } catch (...) {
        if (inGroup) {
            m_visible->EndUpdateQuiet();
            EndSuppressNotifications();
        }
        if (afterGroup)
            m_ranges->Destroy(afterGroup);
        m_undoRunning = false;
        throw;
    }
    m_undoRunning = false;
    NotifyChange();
}

// ---------------------------------------------------------------- editing helpers

void TCustomEditor::CleanRow(int row) {
    if (row < 1 || row > LineCount())
        return;
    const int start = LineStart(row);
    const int length = LineLength(row);
    const int blanks = KxTrailingBlankCount(m_text.constData() + (start - 1), length);
    if (blanks == 0)
        return;
    TMCRange work(this);
    work.SetRStart(start + length - blanks);
    work.SetRLength(blanks);
    work.DeleteText();
}

void TCustomEditor::SetRemoveTrailingSpaces(bool value) {
    if (value == m_removeTrailingSpaces)
        return;
    m_removeTrailingSpaces = value;
    if (!value)
        return;
    // From the last row up, so the rows still to clean keep their numbers and positions.
    for (int row = LineCount(); row >= 1; --row)
        CleanRow(row);
}

void TCustomEditor::IndentSelection(int n) {
    if (n == 0)
        return;
    const int firstRow = PosToRowCol(m_selection->RStart()).Row;
    const int lastRow = std::max(firstRow, PosToRowCol(m_selection->REnd()).Row);
    BeginUndoGroup();
    BeginSuppressNotifications();
    try {
        for (int row = firstRow; row <= lastRow; ++row) {
            const int start = LineStart(row);
            const int length = LineLength(row);
            const QChar* data = m_text.constData() + (start - 1);
            int tabs = 0;
            while (tabs < length && data[tabs] == QChar(u'\t'))
                ++tabs;
            TMCRange work(this);
            if (n > 0) {
                work.SetRStart(start + tabs);
                work.SetText(QString(n, QChar(u'\t')));
                // A selection that began at the first non-tab keeps the new tabs in it.
                if (m_selection->RLength() > 0 && m_selection->RStart() == start + tabs + n)
                    m_selection->SetRStart(start + tabs);
            } else {
                const int removed = std::min(-n, tabs);
                work.SetRStart(start + tabs - removed);
                work.SetRLength(removed);
                work.DeleteText();
            }
        }
    } catch (...) {
        EndSuppressNotifications();
        EndUndoGroup();
        throw;
    }
    EndSuppressNotifications();
    EndUndoGroup();
    m_visible->InvalidateRange();
    NotifyChange();
    NotifySelectionChange();
}

TColor TCustomEditor::RowBackground(int row) const {
    for (const TRowRangeObj& item : m_rowRanges)
        if (row >= item.FirstRow && row <= item.LastRow)
            return item.Color;
    return m_color;
}

// ---------------------------------------------------------------- properties

void TCustomEditor::SetTabSize(int value) {
    value = std::max(value, 1);
    if (value == m_tabSize)
        return;
    m_tabSize = value;
    RecountWidestRow();
    UpdateScrollBars();
    m_visible->InvalidateRange();
}

void TCustomEditor::SetVisibleSize(int rows, int cols) {
    m_visibleRows = std::max(rows, 1);
    m_visibleCols = std::max(cols, 1);
    m_visible->Clamp();
}

// ---------------------------------------------------------------- notifications and hooks

void TCustomEditor::EndSuppressNotifications() {
    if (m_suppressNotifications > 0)
        --m_suppressNotifications;
}

void TCustomEditor::NotifyChange() {
    if (m_suppressNotifications == 0 && OnChange)
        OnChange(this);
}

void TCustomEditor::NotifySelectionChange() {
    if (m_suppressNotifications == 0 && OnSelectionChange)
        OnSelectionChange(this);
}

void TCustomEditor::TextReplaced(int, int, int) {}
void TCustomEditor::PaintRange(const TCustomRange&) {}
void TCustomEditor::ScrollView(const TVisibleRect&, const TVisibleRect&) {}
void TCustomEditor::MakeRangeVisible(TCustomRange&, int) {}

} // namespace kx
