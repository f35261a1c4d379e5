#pragma once

// The title bar and the indicator column of the data grid; only the grid's sources see them.

#include "datactrls/grid_column.h"
#include "platform/event_guard.h"
#include "platform/system_colors.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QWidget>
#include <algorithm>

namespace kx {
// The column titles above the data area, scrolled with it horizontally.
// A click sorts; dragging a title moves its column; the separator at a title's right edge
// resizes the column, and a double click on it fits the column to its texts.
class TKxIDataGrid::TitleBar : public QWidget {
public:
    explicit TitleBar(TKxIDataGrid& grid) : QWidget(&grid), m_grid(grid), m_autoScroll(this) {
        setMouseTracking(true); // the resize cursor over separators
        // Dragged past the visible titles, the grid scrolls 10 pixels every 15 ms.
        m_autoScroll.setInterval(15);
        QObject::connect(&m_autoScroll, &QTimer::timeout, this, [this] {
            QScrollBar* bar = m_grid.horizontalScrollBar();
            bar->setValue(bar->value() + (m_lastX < m_grid.IndicatorWidth() ? -10 : 10));
            KxGuardCall([&] { DragTo(m_lastX); });
        });
    }

protected:
    // The column whose separator is under x, or -1.
    int SeparatorAt(int x) const {
        // Over the indicator column there are no titles, only the corner.
        if (x < m_grid.IndicatorWidth())
            return -1;
        const int offset = m_grid.horizontalScrollBar()->value() - m_grid.IndicatorWidth();
        const int width = m_grid.m_titleBarProperties.SeparatorWidth();
        for (std::size_t index = 0; index < m_grid.m_columns.size(); ++index) {
            const TKxGridColumn& column = *m_grid.m_columns[index];
            const int right = column.Left() + column.Width() - offset;
            if (x >= right - width && x < right)
                return static_cast<int>(index);
        }
        return -1;
    }
    int ColumnAt(int x) const {
        return x < m_grid.IndicatorWidth() ? -1 : m_grid.ColumnAt(x - m_grid.IndicatorWidth());
    }

    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton)
            return;
        const int x = event->position().toPoint().x();
        m_pressX = x;
        m_dragging = false;
        m_resizing = SeparatorAt(x);
        m_pressed = m_resizing >= 0 ? -1 : ColumnAt(x);
        if (m_resizing >= 0)
            m_pressWidth = m_grid.ColumnWidth(m_resizing);
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        const int x = event->position().toPoint().x();
        if ((event->buttons() & Qt::LeftButton) == 0) {
            setCursor(SeparatorAt(x) >= 0 ? Qt::SplitHCursor : Qt::ArrowCursor);
            return;
        }
        KxGuardCall([&] {
            if (m_resizing >= 0) {
                m_grid.SetColumnWidth(m_resizing, m_pressWidth + x - m_pressX);
                return;
            }
            if (m_pressed < 0)
                return;
            if (!m_dragging && std::abs(x - m_pressX) > 5) {
                m_dragging = true;
                update();
            }
            if (!m_dragging)
                return;
            m_lastX = x;
            const bool outside = x < m_grid.IndicatorWidth() || x >= width();
            if (outside && !m_autoScroll.isActive())
                m_autoScroll.start();
            else if (!outside)
                m_autoScroll.stop();
            DragTo(x);
        });
    }
    // Past the middle of a neighbour, the dragged column and that one change places.
    void DragTo(int x) {
        if (m_pressed < 0)
            return;
        const int offset = m_grid.horizontalScrollBar()->value() - m_grid.IndicatorWidth();
        for (const int neighbour : {m_pressed - 1, m_pressed + 1}) {
            if (neighbour < 0 || neighbour >= m_grid.ColumnCount())
                continue;
            const TKxGridColumn& other = *m_grid.m_columns[static_cast<std::size_t>(neighbour)];
            const int middle = other.Left() + other.Width() / 2 - offset;
            if ((neighbour < m_pressed && x < middle) || (neighbour > m_pressed && x > middle)) {
                m_grid.ExchangeColumns(m_pressed, neighbour);
                m_pressed = neighbour;
                return;
            }
        }
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        m_autoScroll.stop();
        const bool click = m_pressed >= 0 && !m_dragging && event->button() == Qt::LeftButton;
        const int column = m_pressed;
        m_pressed = -1;
        m_resizing = -1;
        m_dragging = false;
        update();
        if (click)
            KxGuardCall(
                [&] { m_grid.SortByTitle(column, (event->modifiers() & Qt::ShiftModifier) != 0); });
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        const int column = SeparatorAt(event->position().toPoint().x());
        if (column >= 0)
            KxGuardCall([&] { m_grid.FitColumnWidth(column); });
        else
            mousePressEvent(event);
    }

    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), KxToQColor(m_grid.m_titleBarProperties.Color(), palette()));
        painter.setFont(m_grid.TitleFont());
        // Titles scrolled to the left disappear under the corner above the indicator column.
        painter.setClipRect(m_grid.IndicatorWidth(), 0, width() - m_grid.IndicatorWidth(),
                            height());
        const int offset = m_grid.horizontalScrollBar()->value();
        for (std::size_t index = 0; index < m_grid.m_columns.size(); ++index) {
            const auto& column = m_grid.m_columns[index];
            const QRect cell(m_grid.IndicatorWidth() + column->Left() - offset, 0, column->Width(),
                             height());
            // The column being dragged stands out (its title follows the pointer).
            if (m_dragging && static_cast<int>(index) == m_pressed)
                painter.fillRect(cell, palette().color(QPalette::Highlight));
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
        painter.setClipping(false);
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawLine(rect().bottomLeft(), rect().bottomRight());
    }

private:
    TKxIDataGrid& m_grid;
    int m_pressX = 0;
    int m_pressWidth = 0;
    int m_pressed = -1;
    int m_resizing = -1;
    int m_lastX = 0;
    bool m_dragging = false;
    QTimer m_autoScroll;
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
