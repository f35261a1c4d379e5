#include "datactrls/data_grid.h"
#include "datactrls/grid_column.h"
#include "dbcore/display_value_buffer.h"
#include "dbcore/record_interfaces.h"
#include "dbcore/statement_interfaces.h"
#include "foundation/application_exception_handler.h"
#include "foundation/operations.h"
#include "foundation/questions.h"
#include "foundation/scope_objects.h"
#include "platform/event_guard.h"
#include "platform/system_colors.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <algorithm>
#include <climits>

namespace kx {

// ---- painting

QColor TKxIDataGrid::RowBackground(std::int64_t row) const {
    const std::int64_t position = m_rows.PositionOfRow(row);
    const QColor base = KxToQColor(m_dataAreaColor, palette());
    if (position % 2 != 0 || !m_dataArea.UseEvenRowcolor())
        return base;
    // The configured colour is for light themes; on a dark base it would glare and hide the
    // light text, so the palette's own alternate colour takes its place.
    return palette().color(QPalette::Base).lightness() >= 128
               ? KxToQColor(m_dataArea.EvenRowcolor(), palette())
               : palette().color(QPalette::AlternateBase);
}

bool TKxIDataGrid::TextIsTrue(const QString& text) {
    const QString value = text.trimmed();
    return value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
           value.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0 ||
           (!value.isEmpty() && value != QLatin1String("0") && value.toDouble() != 0.0);
}

QRect TKxIDataGrid::CheckBoxRect(const QRect& cell, Qt::Alignment alignment) {
    // 15 × 15 pixels, placed by the column's alignment, centred vertically.
    constexpr int kBox = 15;
    const int y = cell.top() + (cell.height() - kBox) / 2;
    int x = cell.left() + 2;
    if (alignment & Qt::AlignHCenter)
        x = cell.left() + (cell.width() - kBox) / 2;
    else if (alignment & Qt::AlignRight)
        x = cell.right() - 2 - kBox;
    return QRect(x, y, kBox, kBox);
}

void TKxIDataGrid::PaintCheckBox(QPainter& painter, const QRect& cell, Qt::Alignment alignment,
                                 const QString& text) {
    QStyleOptionButton option;
    option.initFrom(this);
    option.rect = CheckBoxRect(cell, alignment);
    // Empty or NULL draws unchecked.
    option.state |= TextIsTrue(text) ? QStyle::State_On : QStyle::State_Off;
    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter, this);
}

bool TKxIDataGrid::RowSelected(std::int64_t row) const {
    if (row == m_rows.CurrentRow() && m_dataArea.RowSelect())
        return true;
    if (!m_dataArea.MultiSelect() || row == m_rows.PendingInsertRow())
        return false;
    const std::int64_t position = m_rows.PositionOfRow(row);
    return position <= INT_MAX && m_selection->Contains(static_cast<int>(position));
}

bool TKxIDataGrid::NeedsFetch(std::int64_t firstRow, std::int64_t lastRow) const {
    const std::int64_t current = m_rows.CurrentRow();
    for (std::int64_t row = firstRow; row <= lastRow; ++row) {
        if (row == current || !m_cacheWindow.HasSlot(row))
            continue;
        const int slot = m_cacheWindow.SlotOfRow(row);
        for (const auto& column : m_columns) {
            if (column->Cell(slot).AskBoolean(qid::NeedsData) == baTrue)
                return true;
        }
    }
    return false;
}

QString TKxIDataGrid::CellText(std::int64_t row, int column) {
    TKxGridColumn& target = *m_columns.at(static_cast<std::size_t>(column));
    if (row == m_rows.CurrentRow()) {
        const auto fields = KxQuery<IKxGetItemByName>(Recordset());
        if (!fields)
            return {};
        return KxCheckGetItemByName<IKxGetDisplayText>(fields.get(), target.FieldName(),
                                                       QStringLiteral("CellText"))
            ->GetDisplayText();
    }
    if (!m_cacheWindow.HasSlot(row))
        return {};
    TKxDisplayValueBuffer& cell = target.Cell(m_cacheWindow.SlotOfRow(row));
    if (cell.AskBoolean(qid::NeedsData) == baTrue)
        return {};
    return cell.GetDisplayText();
}

void TKxIDataGrid::PaintRow(QPainter& painter, std::int64_t row, bool live) {
    const int rowHeight = m_rows.RowHeight();
    const int top = static_cast<int>(m_rows.YOfRow(row));
    const int offset = horizontalScrollBar()->value();
    const bool current = row == m_rows.CurrentRow();
    const bool focused = hasFocus() || m_editor->hasFocus();
    const bool selected = RowSelected(row);
    const TGridLineProperties& horizontal = m_dataArea.HorizontalLines();
    const TGridLineProperties& vertical = m_dataArea.VerticalLines();
    const int slot = !live && m_cacheWindow.HasSlot(row) ? m_cacheWindow.SlotOfRow(row) : -1;
    bool fetched = false;
    for (std::size_t index = 0; index < m_columns.size(); ++index) {
        TKxGridColumn& column = *m_columns[index];
        const QRect cell(column.Left() - offset, top, column.Width(), rowHeight);
        QString text;
        if (live) {
            text = CellText(row, static_cast<int>(index));
        } else if (slot >= 0) {
            TKxDisplayValueBuffer& cached = column.Cell(slot);
            if (cached.AskBoolean(qid::NeedsData) == baTrue && !m_fetchFailed &&
                m_dataArea.RowFetch()) {
                cached.ExecuteOperation(opFetchData, nullptr);
                fetched = true;
            }
            if (cached.AskBoolean(qid::NeedsData) != baTrue)
                text = cached.GetDisplayText();
        }
        const bool highlighted =
            selected || (current && static_cast<int>(index) == m_focusedColumn);
        QColor background = RowBackground(row);
        if (OnSelectDataCellBkgndColor && !highlighted)
            OnSelectDataCellBkgndColor(this, column.FieldName(), m_rows.PositionOfRow(row),
                                       background);
        QColor foreground = palette().color(QPalette::Text);
        if (highlighted) {
            background = focused ? palette().color(QPalette::Highlight)
                                 : palette().color(QPalette::Disabled, QPalette::Highlight);
            foreground = palette().color(QPalette::HighlightedText);
        } else if (background.lightness() >= 128 &&
                   palette().color(QPalette::Base).lightness() < 128) {
            // A light background (the fixed even-row colour, a handler's colour) on a dark
            // theme: its text is dark, so it stays readable.
            foreground = Qt::black;
        }
        painter.fillRect(cell, background);
        if (horizontal.DrawLines) {
            painter.setPen(KxToQColor(horizontal.LinePen, palette()));
            painter.drawLine(cell.left(), cell.bottom(), cell.right(), cell.bottom());
        }
        if (vertical.DrawLines) {
            painter.setPen(KxToQColor(vertical.LinePen, palette()));
            painter.drawLine(cell.right(), cell.top(), cell.right(), cell.bottom());
        }
        painter.setPen(foreground);
        if (column.IsCheckBox()) {
            PaintCheckBox(painter, cell, column.Alignment(), text);
            continue;
        }
        const QString shown =
            text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))
                ? QString(text).replace(QLatin1String("\r\n"), QStringLiteral(" "))
                : text;
        painter.drawText(
            cell.adjusted(2, 1, -3, -2), int(column.Alignment() | Qt::AlignVCenter),
            painter.fontMetrics().elidedText(shown, Qt::ElideRight, std::max(cell.width() - 5, 0)));
    }
    if (fetched)
        ++m_rowFetches;
}

void TKxIDataGrid::PaintDataArea(QPainter& painter, const QRect& clip) {
    const QColor base = KxToQColor(m_dataAreaColor, palette());
    const std::int64_t rowCount = m_rows.RowCount();
    if (m_columns.empty() || rowCount == 0) {
        painter.fillRect(clip, base);
        return;
    }
    const std::int64_t firstRow = m_rows.RowAtY(clip.top());
    const std::int64_t lastRow = std::min(rowCount, m_rows.RowAtY(clip.bottom()));
    const std::int64_t current = m_rows.CurrentRow();
    IKxUnknown* recordset = Recordset();
    const bool fetch = !m_fetchFailed && m_dataArea.RowFetch() && NeedsFetch(firstRow, lastRow);

    if (current >= firstRow && current <= lastRow)
        PaintRow(painter, current, true);
    if (fetch) {
        // One bracket per paint: notifications off, the position saved and put back.
        const KxIntf<TKxNotificationDisabler> quiet(new TKxNotificationDisabler(recordset, 0, 0));
        const auto store = KxQuery<IKxRecordsetStateStore>(recordset);
        const KxIntf<IKxUnknown> holder = store ? store->CreateStateHolder() : nullptr;
        // A row being typed is kept in the holder, not applied by the moves that follow.
        if (const auto operations = KxQuery<IKxExecuteOperation>(recordset))
            operations->ExecuteOperation(roCancelChanges, nullptr);
        try {
            for (std::int64_t row = firstRow; row <= lastRow; ++row) {
                if (row != current)
                    PaintRow(painter, row, false);
            }
        } catch (...) {
            if (store && holder)
                store->RestoreState(holder.get());
            throw;
        }
        if (store && holder)
            store->RestoreState(holder.get());
    } else {
        for (std::int64_t row = firstRow; row <= lastRow; ++row) {
            if (row != current)
                PaintRow(painter, row, false);
        }
    }
    // Below the last row and right of the last column: background.
    const int bottom =
        static_cast<int>(std::min<std::int64_t>(m_rows.YOfRow(lastRow + 1), INT_MAX));
    if (bottom <= clip.bottom())
        painter.fillRect(QRect(clip.left(), bottom, clip.width(), clip.bottom() - bottom + 1),
                         base);
    const int right = ContentWidth() - horizontalScrollBar()->value();
    if (right <= clip.right())
        painter.fillRect(QRect(right, clip.top(), clip.right() - right + 1, clip.height()), base);
}

bool TKxIDataGrid::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton)
            KxGuardCall(
                [&] { OnViewportMousePress(mouse->position().toPoint(), mouse->modifiers()); });
        return true;
    }
    if (event->type() != QEvent::Paint)
        return QAbstractScrollArea::viewportEvent(event);
    QPainter painter(viewport());
    const QRect clip = static_cast<QPaintEvent*>(event)->rect();
    try {
        PaintDataArea(painter, clip);
    } catch (...) {
        // A fetch that fails while painting (the server went away) is reported once; the
        // grid then paints what it has and stays usable.
        painter.fillRect(clip, KxToQColor(m_dataAreaColor, palette()));
        if (!m_fetchFailed) {
            m_fetchFailed = true;
            KxHandleCurrentException();
        }
    }
    return true;
}

} // namespace kx
