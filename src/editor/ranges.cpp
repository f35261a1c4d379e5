#include "editor/ranges.h"

#include "editor/custom_editor.h"
#include "editor/line_breaks.h"

#include <algorithm>

namespace kx {

// ---------------------------------------------------------------- TCustomRange

void TCustomRange::Joined(TFastObjectContainer& container) {
    if (container.Editor())
        m_editor = container.Editor();
}

int TCustomRange::TextLength() const {
    return m_editor ? m_editor->TextLength() : 0;
}

void TCustomRange::SetRStart(int) {}
void TCustomRange::SetREnd(int) {}

void TCustomRange::SetRLength(int value) {
    SetREnd(KxClampToInt(qint64(RStart()) + value - 1));
}

int TCustomRange::GetRLength() const {
    return GetREnd() - GetRStart() + 1;
}

TRowCol TCustomRange::GetEndRowCol() const {
    return m_editor ? m_editor->PosToRowCol(REnd()) : TRowCol{1, 0};
}

TRowCol TCustomRange::GetStartRowCol() const {
    return m_editor ? m_editor->PosToRowCol(RStart()) : TRowCol{1, 1};
}

void TCustomRange::SetEndRowCol(TRowCol value) {
    if (m_editor)
        SetREnd(m_editor->RowColToPos(value));
}

void TCustomRange::SetStartRowCol(TRowCol value) {
    if (m_editor)
        SetRStart(m_editor->RowColToPos(value));
}

void TCustomRange::SetText(const QString& text) {
    if (m_editor)
        m_editor->ReplaceRangeText(*this, text);
}

QString TCustomRange::GetText() const {
    if (!m_editor)
        return {};
    const int start = std::clamp(RStart(), 1, m_editor->TextLength() + 1);
    const int length = std::clamp(RLength(), 0, m_editor->TextLength() + 1 - start);
    return m_editor->Text().mid(start - 1, length);
}

void TCustomRange::AdjustToEdit(int, int, int) {}

void TCustomRange::DeleteText() {
    if (RLength() > 0)
        SetText(QString());
}

void TCustomRange::InvalidateRange() {
    if (m_editor)
        m_editor->PaintRange(*this);
}

void TCustomRange::MakeVisible(int margin) {
    if (m_editor)
        m_editor->MakeRangeVisible(*this, margin);
}

void TCustomRange::BeginUpdate() {
    if (++m_updateCount == 1)
        UpdateBegun();
}

void TCustomRange::EndUpdate() {
    if (m_updateCount <= 0)
        return;
    if (--m_updateCount == 0)
        Changed();
}

void TCustomRange::EndUpdateQuiet() {
    if (m_updateCount <= 0)
        return;
    if (--m_updateCount == 0)
        UpdateEndedQuietly();
}

void TCustomRange::Changed() {
    if (OnChange)
        OnChange(this);
}

// ---------------------------------------------------------------- TMCRange

void TMCRange::SetRStart(int value) {
    BeginUpdate();
    m_start = std::clamp(value, 1, TextLength() + 1);
    m_end = std::clamp(m_end, m_start - 1, std::max(m_start - 1, TextLength()));
    EndUpdate();
}

void TMCRange::SetREnd(int value) {
    BeginUpdate();
    m_end = std::clamp(value, m_start - 1, std::max(m_start - 1, TextLength()));
    EndUpdate();
}

TKxAdjustedSpan KxAdjustSpanToEdit(int s, int e, int a, int b, int delta,
                                   bool caretFollowsDeletion) {
    TKxAdjustedSpan span{s, e, false};
    const auto endInEdit = [&] {
        span.Start = std::min(span.Start, a);
        span.End = a - 1;
        span.Touched = true;
    };
    const auto startInEdit = [&] {
        span.Start = a;
        span.Touched = true;
    };
    if (delta <= 0) {
        if (s >= a && s <= b)
            startInEdit();
        else if (s > b)
            span.Start = s + delta;
        if (e >= a && e <= b) {
            if (caretFollowsDeletion && e == s - 1 && s > b && e == b)
                span.End = e + delta; // a caret right behind a deleted span moves with it
            else
                endInEdit();
        } else if (e > b) {
            span.End = e + delta;
        }
    } else {
        if (e >= a && e <= b)
            endInEdit();
        else if (e > b)
            span.End = e + delta;
        if (s >= a && s <= b)
            startInEdit();
        else if (s > b && span.End >= s)
            span.Start = s + delta;
    }
    return span;
}

void TMCRange::AdjustToEdit(int a, int b, int delta) {
    // Ranges wholly before the edit are by far the most common; they neither change nor
    // hear about it.
    if (m_start < a && m_end < a)
        return;
    BeginUpdate();
    const TKxAdjustedSpan span = KxAdjustSpanToEdit(m_start, m_end, a, b, delta, true);
    m_start = span.Start;
    m_end = span.End;
    EndUpdate();
    if (span.Touched && m_end == m_start - 1 && OnOverwrite)
        OnOverwrite(this);
}

// ---------------------------------------------------------------- TVisibleRange

int TVisibleRange::BottomRow() const {
    return m_topRow + (Editor() ? Editor()->VisibleRowCount() : 1) + 1;
}

int TVisibleRange::RightCol() const {
    return m_leftCol + (Editor() ? Editor()->VisibleColCount() : 1) + 1;
}

void TVisibleRange::SetTopRow(int value) {
    if (value == m_topRow)
        return;
    BeginUpdate();
    m_topRow = value;
    Clamp();
    EndUpdate();
}

void TVisibleRange::SetLeftCol(int value) {
    if (value == m_leftCol)
        return;
    BeginUpdate();
    m_leftCol = value;
    Clamp();
    EndUpdate();
}

void TVisibleRange::SetBottomRow(int value) {
    SetTopRow(value - (Editor() ? Editor()->VisibleRowCount() : 1));
}

void TVisibleRange::SetRightCol(int value) {
    SetLeftCol(value - (Editor() ? Editor()->VisibleColCount() : 1));
}

void TVisibleRange::Clamp() {
    if (const TCustomEditor* editor = Editor()) {
        m_topRow = std::min(m_topRow, editor->LineCount() - editor->VisibleRowCount() + 1);
        m_leftCol = std::min(m_leftCol, editor->WidestRow() - editor->VisibleColCount() + 1);
    }
    m_topRow = std::max(m_topRow, 1);
    m_leftCol = std::max(m_leftCol, 1);
}

TVisibleRect TVisibleRange::Rect() const {
    return {m_leftCol, m_topRow, RightCol(), BottomRow()};
}

void TVisibleRange::SetRStart(int value) {
    if (Editor())
        SetTopRow(Editor()->PosToRowCol(value).Row);
}

int TVisibleRange::GetRStart() const {
    const TCustomEditor* editor = Editor();
    return editor ? editor->LineStart(std::min(m_topRow, editor->LineCount())) : 1;
}

int TVisibleRange::GetREnd() const {
    const TCustomEditor* editor = Editor();
    if (!editor)
        return 0;
    const int bottom = BottomRow();
    if (bottom > editor->LineCount())
        return editor->TextLength();
    return std::min(editor->LineStart(bottom) - 1, editor->TextLength());
}

void TVisibleRange::UpdateBegun() {
    m_snapshot = Rect();
}

void TVisibleRange::Changed() {
    const TVisibleRect now = Rect();
    if (Editor() && !(now == m_snapshot))
        Editor()->ScrollView(m_snapshot, now);
    TCustomRange::Changed();
}

// ---------------------------------------------------------------- TSelectionRange

void TSelectionRange::SetHidden(bool value) {
    if (value == m_hidden)
        return;
    m_hidden = value;
    InvalidateRange();
}

void TSelectionRange::Select(int start, int length) {
    BeginUpdate();
    SetRStart(start);
    SetRLength(length);
    EndUpdate();
}

void TSelectionRange::UpdateBegun() {
    m_snapshot = TSnapshot{m_start, m_end};
    m_caretVisible = false;
    if (Editor())
        Editor()->HideCaret();
}

void TSelectionRange::Changed() {
    TCustomEditor* editor = Editor();
    const std::optional<TSnapshot> before = m_snapshot;
    m_snapshot.reset();
    if (editor && before) {
        const int oldRow = editor->PosToRowCol(before->Start).Row;
        if (editor->RemoveTrailingSpaces() && !editor->UndoRunning() &&
            oldRow != editor->PosToRowCol(m_start).Row)
            editor->CleanRow(oldRow);
        // Only what changed its highlight is repainted: extending a selection by one
        // character repaints that character, not the whole selection.
        const auto paint = [editor](int start, int end) {
            TMCRange stretch(editor);
            stretch.SetRStart(start);
            stretch.SetREnd(end);
            stretch.InvalidateRange();
        };
        if (before->Start == m_start && before->End != m_end) {
            paint(std::min(before->End, m_end) + 1, std::max(before->End, m_end));
        } else if (before->End == m_end && before->Start != m_start) {
            paint(std::min(before->Start, m_start), std::max(before->Start, m_start) - 1);
        } else if (before->Start != m_start || before->End != m_end) {
            if (before->End >= before->Start)
                paint(before->Start, before->End);
            if (m_end >= m_start)
                InvalidateRange();
        }
    }
    m_caretVisible = true;
    if (editor) {
        editor->ShowCaret();
        editor->NotifySelectionChange();
    }
    TMCRange::Changed();
}

void TSelectionRange::UpdateEndedQuietly() {
    m_snapshot.reset();
    m_caretVisible = true;
    if (Editor())
        Editor()->ShowCaret();
}

// ---------------------------------------------------------------- formatted ranges

void TCustomFormattedRange::SetColor(TColor value) {
    if (value == m_color)
        return;
    BeginUpdate();
    m_color = value;
    EndUpdate();
}

void TCustomFormattedRange::ApplyStyleMask(TEditorFont& font) const {
    if (Editor())
        font.Style &= ~Editor()->StyleMask();
}

void TFormattedRange::SetFont(const TEditorFont& value) {
    BeginUpdate();
    m_font = value;
    EndUpdate();
}

} // namespace kx
