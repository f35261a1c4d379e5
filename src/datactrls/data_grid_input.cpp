#include "datactrls/data_grid.h"
#include "datactrls/grid_parts.h"
#include "dbcore/record_interfaces.h"
#include "dbcore/record_routines.h"
#include "foundation/activation_interfaces.h"
#include "foundation/application_exception_handler.h"
#include "foundation/operations.h"
#include "platform/clipboard_text.h"
#include "platform/event_guard.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <climits>

namespace kx {

// ---- selection and copying

KxHResult TKxGridSelection::GetPropertyIntf(const QString& name, const KxInterfaceId& iid,
                                            KxIntf<IKxUnknown>& object) {
    object.reset();
    if (name.isEmpty())
        return hr::E_InvalidArg;
    if (name.compare(QLatin1String("SelectedPositions"), Qt::CaseInsensitive) != 0)
        return hr::DISP_E_UnknownName;
    if (!iid.IsSupportedBy(static_cast<IKxGetCount*>(this)))
        return hr::E_NoInterface;
    object = KxIntf<IKxUnknown>(static_cast<IKxGetCount*>(this));
    return hr::S_Ok;
}

TKxIntegerMap& TKxIDataGrid::SelectedPositions() {
    return *m_selection;
}

IKxUnknown* TKxIDataGrid::SelectionSource() {
    return static_cast<IKxGetPropertyIntf*>(m_selection.get());
}

void TKxIDataGrid::ClearSelection() {
    m_selection->Clear();
}

void TKxIDataGrid::RepaintPositions(int first, int last) {
    if (m_columns.empty())
        return;
    const std::int64_t top = m_rows.RowOfPosition(first);
    const std::int64_t bottom = m_rows.RowOfPosition(last) + 1; // a row being inserted above
    const std::int64_t firstVisible = m_rows.FirstVisibleRow();
    const std::int64_t lastVisible = m_rows.RowAtY(std::max(viewport()->height() - 1, 0));
    if (bottom < firstVisible || top > lastVisible)
        return;
    const int y1 = static_cast<int>(m_rows.YOfRow(std::max(top, firstVisible)));
    const int y2 = static_cast<int>(m_rows.YOfRow(std::min(bottom, lastVisible) + 1));
    viewport()->update(QRect(0, y1, viewport()->width(), y2 - y1));
}

void TKxIDataGrid::SelectRowsTo(std::int64_t fromRow) {
    if (!m_dataArea.MultiSelect() || m_rows.ForwardOnly() || m_rows.RowCount() == 0)
        return;
    const std::int64_t from = m_rows.PositionOfRow(fromRow);
    const std::int64_t to = CurrentPosition();
    if (from < 1 || to < 1 || from > INT_MAX || to > INT_MAX)
        return;
    m_selection->AddRange(static_cast<int>(from), static_cast<int>(to));
}

QString TKxIDataGrid::ContentsAsText() {
    QStringList names;
    for (const auto& column : m_columns)
        names.append(column->FieldName());
    QString text;
    if (!names.isEmpty() && KxGetIntfActive(Recordset(), false))
        BuildContentsString(Recordset(), names, SelectionSource(), text, QStringLiteral("\t"),
                            QStringLiteral("\r\n"), true);
    return text;
}

void TKxIDataGrid::CopyToClipboard() {
    KxSetClipboardText(ContentsAsText());
}

// ---- mouse

bool TKxIDataGrid::ToggleCheckBoxAt(const QPoint& point) {
    const int index = ColumnAt(point.x());
    if (index < 0 || m_dataArea.ReadOnly())
        return false;
    const TKxGridColumn& column = *m_columns[static_cast<std::size_t>(index)];
    const QRect cell(column.Left() - horizontalScrollBar()->value(),
                     static_cast<int>(m_rows.YOfRow(m_rows.CurrentRow())), column.Width(),
                     m_rows.RowHeight());
    if (!column.IsCheckBox() || !CheckBoxRect(cell, column.Alignment()).contains(point) ||
        !m_source->IsFieldUpdatable(column.FieldName()))
        return false;
    const auto fields = KxQuery<IKxGetItemByName>(Recordset());
    const bool checked = TextIsTrue(CellText(m_rows.CurrentRow(), index));
    KxCheckGetItemByName<IKxSetAsString>(fields.get(), column.FieldName(),
                                         QStringLiteral("ToggleCheckBox"))
        ->SetAsString(checked ? QStringLiteral("False") : QStringLiteral("True"));
    viewport()->update();
    return true;
}

void TKxIDataGrid::OnViewportMousePress(const QPoint& point, Qt::KeyboardModifiers modifiers) {
    CommitEditor();
    setFocus(Qt::MouseFocusReason);
    const int x = point.x() + horizontalScrollBar()->value();
    for (std::size_t index = 0; index < m_columns.size(); ++index) {
        if (x >= m_columns[index]->Left() &&
            x < m_columns[index]->Left() + m_columns[index]->Width())
            SetFocusedColumn(static_cast<int>(index));
    }
    const std::int64_t row = m_rows.RowAtY(point.y());
    if (m_rows.ForwardOnly() || row > m_rows.RowCount())
        return;
    const std::int64_t clicked = m_rows.PositionOfRow(row);
    if (m_dataArea.MultiSelect() && row != m_rows.PendingInsertRow() && clicked <= INT_MAX) {
        // Ctrl keeps the current row and toggles the clicked one; Shift adds the rows between.
        if ((modifiers & Qt::ControlModifier) != 0) {
            const std::int64_t current = CurrentPosition();
            if (current >= 1 && current <= INT_MAX && m_rows.PendingInsertRow() <= 0)
                m_selection->Add(static_cast<int>(current));
            m_selection->Toggle(static_cast<int>(clicked));
            return;
        }
        if ((modifiers & Qt::ShiftModifier) != 0) {
            SelectRowsTo(row);
            return;
        }
    }
    ClearSelection();
    if (row == m_rows.CurrentRow()) {
        ToggleCheckBoxAt(point);
        return;
    }
    const auto position = KxQuery<IKxGetSetPosition>(Recordset());
    if (position)
        position->SetPosition(m_rows.PositionOfRow(row));
}

void TKxIDataGrid::wheelEvent(QWheelEvent* event) {
    // The wheel moves by its delta in pixels (120 a notch); a forward turn scrolls up.
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    m_rows.SetScrollOffset(m_rows.ScrollOffset() - delta);
    SyncVerticalScrollBar();
    MoveCacheWindow();
    viewport()->update();
    m_indicator->update();
    event->accept();
}

void TKxIDataGrid::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update(); // the current cell shows the focus
}

void TKxIDataGrid::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

// ---- the cell editor

void TKxIDataGrid::SetFocusedColumn(int column) {
    if (m_columns.empty())
        return;
    column = std::clamp(column, 0, static_cast<int>(m_columns.size()) - 1);
    if (column == m_focusedColumn)
        return;
    CommitEditor();
    m_focusedColumn = column;
    // Scroll the column into view like a row.
    const TKxGridColumn& target = *m_columns[static_cast<std::size_t>(column)];
    QScrollBar* bar = horizontalScrollBar();
    if (target.Left() < bar->value())
        bar->setValue(target.Left());
    else if (target.Left() + target.Width() > bar->value() + viewport()->width())
        bar->setValue(target.Left() + target.Width() - viewport()->width());
    viewport()->update();
    if (OnAfterFocusedColumnChange)
        OnAfterFocusedColumnChange(this, column);
}

QRect TKxIDataGrid::CurrentCellRect() const {
    if (m_columns.empty())
        return {};
    const TKxGridColumn& column = *m_columns[static_cast<std::size_t>(m_focusedColumn)];
    const std::int64_t top = m_rows.YOfRow(m_rows.CurrentRow());
    return QRect(column.Left() - horizontalScrollBar()->value(),
                 static_cast<int>(std::clamp<std::int64_t>(top, -m_rows.RowHeight(), INT_MAX / 2)),
                 column.Width() - 1, m_rows.RowHeight() - 1);
}

void TKxIDataGrid::PlaceEditor() {
    if (m_editor->isVisible())
        m_editor->setGeometry(CurrentCellRect());
}

bool TKxIDataGrid::EditorVisible() const {
    return !m_editor->isHidden();
}

void TKxIDataGrid::OpenEditor() {
    if (m_columns.empty() || m_rows.RowCount() == 0 || EditorVisible())
        return;
    const TKxGridColumn& column = *m_columns[static_cast<std::size_t>(m_focusedColumn)];
    const auto fields = KxQuery<IKxGetItemByName>(Recordset());
    if (!fields || m_dataArea.ReadOnly() || !column.LineEditable() ||
        !m_source->IsFieldUpdatable(column.FieldName()))
        return;
    m_editor->setText(CellText(m_rows.CurrentRow(), m_focusedColumn));
    m_editor->setGeometry(CurrentCellRect());
    m_editor->show();
    m_editor->setFocus();
    m_editor->selectAll();
}

void TKxIDataGrid::WriteEditorText(const QString& text) {
    if (!EditorVisible() || m_columns.empty())
        return;
    const QString fieldName = m_columns[static_cast<std::size_t>(m_focusedColumn)]->FieldName();
    const auto fields = KxQuery<IKxGetItemByName>(Recordset());
    KxCheckGetItemByName<IKxSetAsString>(fields.get(), fieldName, QStringLiteral("CellEditor"))
        ->SetAsString(text);
}

void TKxIDataGrid::CommitEditorForApply() {
    if (!EditorVisible())
        return;
    // Raising here (a value the field refuses) stops the apply and keeps the editor.
    const QString text = m_editor->text();
    if (text != CellText(m_rows.CurrentRow(), m_focusedColumn))
        WriteEditorText(text);
}

void TKxIDataGrid::CommitEditor() {
    if (!EditorVisible())
        return;
    const QString fieldName = m_columns[static_cast<std::size_t>(m_focusedColumn)]->FieldName();
    const QString text = m_editor->text();
    m_editor->hide();
    setFocus();
    if (text == CellText(m_rows.CurrentRow(), m_focusedColumn))
        return; // nothing changed: the record is not put into edit state
    const auto fields = KxQuery<IKxGetItemByName>(Recordset());
    KxCheckGetItemByName<IKxSetAsString>(fields.get(), fieldName, QStringLiteral("CommitEditor"))
        ->SetAsString(text);
    viewport()->update();
}

void TKxIDataGrid::CancelEditor() {
    m_editor->hide();
    setFocus();
    if (const auto operations = KxQuery<IKxExecuteOperation>(Recordset()))
        operations->ExecuteOperation(roCancelChanges, nullptr);
    viewport()->update();
}

bool TKxIDataGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_editor && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        bool handled = false;
        KxGuardCall([&] {
            switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                CommitEditor();
                handled = true;
                break;
            case Qt::Key_Escape:
                CancelEditor();
                handled = true;
                break;
            case Qt::Key_Up:
            case Qt::Key_Down:
            case Qt::Key_Tab:
                // Leaving the cell writes it; the grid then moves.
                CommitEditor();
                keyPressEvent(const_cast<QKeyEvent*>(key));
                handled = true;
                break;
            default:
                break;
            }
        });
        return handled;
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

// ---- keys

bool TKxIDataGrid::focusNextPrevChild(bool next) {
    if (!m_columns.empty())
        return false;
    return QAbstractScrollArea::focusNextPrevChild(next);
}

void TKxIDataGrid::keyPressEvent(QKeyEvent* event) {
    KxGuardCall([&] {
        IKxUnknown* recordset = Recordset();
        const auto position = KxQuery<IKxGetSetPosition>(recordset);
        const auto cursor = KxQuery<IKxScrollableCursor>(recordset);
        if (!position || !KxGetIntfActive(recordset, false))
            return;
        // A page is as many rows as the data area shows.
        const std::int64_t page =
            std::max<std::int64_t>(1, viewport()->height() / m_rows.RowHeight());
        const bool control = (event->modifiers() & Qt::ControlModifier) != 0;
        const bool alt = (event->modifiers() & Qt::AltModifier) != 0;
        const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
        const std::int64_t before = m_rows.CurrentRow();
        bool moves = true;
        if (!shift && event->key() != Qt::Key_Control && event->key() != Qt::Key_Alt &&
            event->key() != Qt::Key_Shift && !(event->key() == Qt::Key_C && (alt || control)))
            ClearSelection();
        switch (event->key()) {
        case Qt::Key_C:
            if (!alt && !control) {
                QAbstractScrollArea::keyPressEvent(event);
                return;
            }
            CopyToClipboard();
            moves = false;
            break;
        case Qt::Key_Left:
            SetFocusedColumn(m_focusedColumn - 1);
            break;
        case Qt::Key_Right:
        case Qt::Key_Tab:
            SetFocusedColumn(m_focusedColumn + 1);
            break;
        case Qt::Key_F2:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            OpenEditor();
            moves = false;
            break;
        case Qt::Key_Escape:
            if (const auto operations = KxQuery<IKxExecuteOperation>(recordset))
                operations->ExecuteOperation(roCancelChanges, nullptr);
            moves = false;
            break;
        case Qt::Key_Down:
            if (cursor)
                cursor->MoveToNext();
            break;
        case Qt::Key_Up:
            if (cursor && !m_rows.ForwardOnly())
                cursor->MoveToPrevious();
            break;
        case Qt::Key_PageDown:
            if (m_rows.ForwardOnly()) {
                // A forward-only cursor only goes on, one record at a time.
                for (std::int64_t step = 0; step < page && cursor && !cursor->IsEOF(); ++step)
                    cursor->MoveToNext();
            } else {
                position->SetPosition(position->GetPosition() + page);
            }
            break;
        case Qt::Key_PageUp:
            if (!m_rows.ForwardOnly())
                position->SetPosition(std::max<std::int64_t>(1, position->GetPosition() - page));
            break;
        case Qt::Key_Home:
            if (alt)
                SetFocusedColumn(0); // the first column
            else if (control && cursor && !m_rows.ForwardOnly())
                cursor->MoveToFirst();
            break;
        case Qt::Key_End:
            if (alt)
                SetFocusedColumn(ColumnCount() - 1); // the last column
            else if (control && cursor && !m_rows.ForwardOnly())
                cursor->MoveToLast();
            break;
        default:
            // Typing into a cell starts editing it with what was typed.
            if (!control && !alt && !event->text().isEmpty() && event->text().at(0).isPrint()) {
                OpenEditor();
                if (EditorVisible()) {
                    m_editor->setText(event->text());
                    moves = false;
                    break;
                }
            }
            QAbstractScrollArea::keyPressEvent(event);
            return;
        }
        // Shift with a movement selects the rows passed over (the move cleared the rest).
        if (moves && shift)
            SelectRowsTo(before);
        event->accept();
    });
}

} // namespace kx
