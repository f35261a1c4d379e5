#pragma once

// The title bar and the indicator column of the data grid; only the grid's sources see them.

#include "datactrls/grid_column.h"
#include "platform/event_guard.h"
#include "platform/system_colors.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWidget>
#include <algorithm>

namespace kx {
// The column titles above the data area, scrolled with it horizontally.
class TKxIDataGrid::TitleBar : public QWidget {
public:
    explicit TitleBar(TKxIDataGrid& grid) : QWidget(&grid), m_grid(grid) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), KxToQColor(m_grid.m_titleBarProperties.Color(), palette()));
        painter.setFont(m_grid.TitleFont());
        const int offset = m_grid.horizontalScrollBar()->value();
        for (const auto& column : m_grid.m_columns) {
            const QRect cell(m_grid.IndicatorWidth() + column->Left() - offset, 0, column->Width(),
                             height());
            painter.setPen(palette().color(QPalette::Mid));
            painter.drawLine(cell.topRight(), cell.bottomRight());
            painter.setPen(palette().color(QPalette::ButtonText));
            const TKxSortOrder order = m_grid.SortOrderOf(*column);
            const int markWidth = order == soNone ? 0 : 12;
            painter.drawText(cell.adjusted(3, 1, -3 - markWidth, -1),
                             Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, column->Title());
            if (order != soNone) {
                // The sort mark: a small triangle pointing up (ascending) or down.
                const int x = cell.right() - 10;
                const int y = cell.center().y();
                const QPoint up[3] = {{x, y + 3}, {x + 7, y + 3}, {x + 3, y - 3}};
                const QPoint down[3] = {{x, y - 3}, {x + 7, y - 3}, {x + 3, y + 3}};
                painter.setPen(Qt::NoPen);
                painter.setBrush(palette().color(QPalette::ButtonText));
                painter.drawPolygon(order == soAscending ? up : down, 3);
            }
        }
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawLine(rect().bottomLeft(), rect().bottomRight());
    }

private:
    TKxIDataGrid& m_grid;
};

// The column left of the rows: a separator per row and the mark of the current row.
class TKxIDataGrid::IndicatorColumn : public QWidget {
public:
    explicit IndicatorColumn(TKxIDataGrid& grid) : QWidget(&grid), m_grid(grid) {
        setCursor(Qt::SplitVCursor);
    }

protected:
    // Dragging changes the row height by one pixel per 5 pixels of movement.
    void mousePressEvent(QMouseEvent* event) override {
        m_pressY = event->position().toPoint().y();
        m_pressHeight = m_grid.m_rows.RowHeight();
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if ((event->buttons() & Qt::LeftButton) == 0)
            return;
        const int moved = event->position().toPoint().y() - m_pressY;
        KxGuardCall([&] { m_grid.SetRowHeight(m_pressHeight + moved / 5); });
    }

    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), KxToQColor(m_grid.m_indicatorProperties.Color(), palette()));
        const TKxGridRows& rows = m_grid.m_rows;
        const int rowHeight = rows.RowHeight();
        const std::int64_t last = std::min(rows.RowCount(), rows.RowAtY(std::max(height() - 1, 0)));
        for (std::int64_t row = rows.FirstVisibleRow(); row <= last; ++row) {
            const int top = static_cast<int>(rows.YOfRow(row));
            const int bottom = top + rowHeight - 1;
            painter.setPen(KxToQColor(clBtnShadow, palette()));
            painter.drawLine(0, bottom - 1, width(), bottom - 1);
            painter.setPen(KxToQColor(clBtnHighlight, palette()));
            painter.drawLine(0, bottom, width(), bottom);
            if (row == rows.CurrentRow() && rows.RowCount() > 0) {
                // The current-row mark: a small triangle pointing at the row.
                const int middle = top + rowHeight / 2;
                const QPoint mark[3] = {{4, middle - 4}, {4, middle + 4}, {9, middle}};
                painter.setPen(Qt::NoPen);
                painter.setBrush(palette().color(QPalette::ButtonText));
                painter.drawPolygon(mark, 3);
            }
        }
    }

private:
    TKxIDataGrid& m_grid;
    int m_pressY = 0;
    int m_pressHeight = 0;
};

} // namespace kx
