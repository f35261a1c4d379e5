#include "data_grid_fixture.h"

#include <QElapsedTimer>
#include <QScrollBar>
#include <gtest/gtest.h>

namespace {

using namespace kx;
using test::DataGridTest;

// Mouse work on the title bar, in grid coordinates.
class TitleMouse {
public:
    explicit TitleMouse(TKxIDataGrid& grid) : m_grid(grid) {}
    // The x of a column's left edge plus `dx`, in grid coordinates; y in the title bar.
    QPoint At(int column, int dx) const {
        int x = m_grid.viewport()->x() - m_grid.horizontalScrollBar()->value();
        for (int c = 0; c < column; ++c)
            x += m_grid.ColumnWidth(c);
        return {x + dx, m_grid.viewport()->y() / 2};
    }
    QPoint RightEdge(int column, int dx = -2) const {
        return At(column, m_grid.ColumnWidth(column) + dx);
    }
    void Send(QEvent::Type type, QPoint point, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
              Qt::MouseButtons buttons = Qt::LeftButton) {
        if (m_target == nullptr)
            m_target = m_grid.childAt(point);
        ASSERT_NE(m_target, nullptr);
        const QPoint local = m_target->mapFrom(&m_grid, point);
        QMouseEvent event(type, local, m_target->mapToGlobal(local), Qt::LeftButton, buttons,
                          modifiers);
        QApplication::sendEvent(m_target, &event);
        if (type == QEvent::MouseButtonRelease)
            m_target = nullptr;
    }
    void Click(int column, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        Send(QEvent::MouseButtonPress, At(column, 10), modifiers);
        Send(QEvent::MouseButtonRelease, At(column, 10), modifiers, Qt::NoButton);
    }
    void Drag(QPoint from, QPoint to) {
        Send(QEvent::MouseButtonPress, from);
        const int steps = 8;
        for (int step = 1; step <= steps; ++step)
            Send(QEvent::MouseMove, from + (to - from) * step / steps);
        Send(QEvent::MouseButtonRelease, to, Qt::NoModifier, Qt::NoButton);
    }

private:
    TKxIDataGrid& m_grid;
    QWidget* m_target = nullptr;
};

TEST_P(DataGridTest, TitleClicksCycleTheSortOrderAndLongTextsNeverSort) {
    connection.ExecuteDirect(QStringLiteral(
        "CREATE TABLE kx_t (id INTEGER PRIMARY KEY, \"Unit Price\" INTEGER, notes TEXT)"));
    for (int id = 1; id <= 3; ++id)
        connection.ExecuteDirect(
            QStringLiteral("INSERT INTO kx_t VALUES (%1, %2, 'note %1')").arg(id).arg(10 - id));
    Open(QStringLiteral("SELECT id, \"Unit Price\", notes FROM kx_t"));
    Paint();
    TitleMouse mouse(grid);
    const auto orderBy = [&] {
        return recordset.SQL().GetAsString().section(QStringLiteral("ORDER BY"), 1).trimmed();
    };

    // A name that is not a plain identifier is written quoted, and sorting runs the query.
    mouse.Click(1);
    EXPECT_EQ(orderBy(), QStringLiteral("\"Unit Price\" ASC"));
    EXPECT_EQ(grid.CellText(1, 0), QStringLiteral("3")) << "the cheapest first";
    mouse.Click(1);
    EXPECT_EQ(orderBy(), QStringLiteral("\"Unit Price\" DESC"));
    EXPECT_EQ(grid.CellText(1, 0), QStringLiteral("1"));
    mouse.Click(1);
    EXPECT_EQ(orderBy(), QString()) << "the third click removes the order";
    // Shift runs the other way round.
    mouse.Click(0, Qt::ShiftModifier);
    EXPECT_EQ(orderBy(), QStringLiteral("id DESC"));
    mouse.Click(0, Qt::ShiftModifier);
    EXPECT_EQ(orderBy(), QStringLiteral("id ASC"));
    mouse.Click(0, Qt::ShiftModifier);
    EXPECT_EQ(orderBy(), QString());
    // A long text column never sorts.
    mouse.Click(2);
    EXPECT_EQ(orderBy(), QString());
}

TEST_P(DataGridTest, SeparatorsResizeAndFitColumnsAndTitlesMoveThem) {
    Open(QStringLiteral("SELECT id, name FROM kx_g ORDER BY id"));
    Paint();
    TitleMouse mouse(grid);
    const int width = grid.ColumnWidth(0);
    mouse.Drag(mouse.RightEdge(0), mouse.RightEdge(0, 28));
    EXPECT_EQ(grid.ColumnWidth(0), width + 30);
    // Never narrower than the separator.
    mouse.Drag(mouse.RightEdge(0), mouse.At(0, -200));
    EXPECT_EQ(grid.ColumnWidth(0), grid.TitleBarProperties().SeparatorWidth());

    // A double click on the separator fits the widest text on screen, the line and 6 pixels.
    grid.SetColumnWidth(1, 300);
    Paint();
    int widest = 0;
    const QFontMetrics metrics(grid.viewport()->font());
    const std::int64_t last = grid.Rows().RowAtY(grid.viewport()->height() - 1);
    for (std::int64_t row = grid.Rows().FirstVisibleRow(); row <= last; ++row)
        widest = std::max(widest, metrics.horizontalAdvance(grid.CellText(row, 1)));
    mouse.Send(QEvent::MouseButtonDblClick, mouse.RightEdge(1));
    mouse.Send(QEvent::MouseButtonRelease, mouse.RightEdge(1), Qt::NoModifier, Qt::NoButton);
    EXPECT_EQ(grid.ColumnWidth(1), widest + 1 + 6);

    // Dragging a title past the middle of its neighbour exchanges the two; the focus follows.
    grid.SetColumnWidth(0, 60);
    grid.SetFocusedColumn(0);
    mouse.Drag(mouse.At(0, 10), mouse.At(1, grid.ColumnWidth(1) / 2 + 5));
    ASSERT_EQ(grid.ColumnFieldName(0), QStringLiteral("name"));
    EXPECT_EQ(grid.ColumnFieldName(1), QStringLiteral("id"));
    EXPECT_EQ(grid.FocusedColumn(), 1);
    EXPECT_EQ(recordset.SQL().GetAsString().section(QStringLiteral("ORDER BY"), 1).trimmed(),
              QStringLiteral("id"))
        << "a drag is not a click";
    Paint();
    EXPECT_EQ(grid.CellText(2, 1), QStringLiteral("2"));
}

TEST_P(DataGridTest, DraggingATitlePastTheEdgeScrollsTheTitles) {
    Open(QStringLiteral("SELECT id, name, id AS again FROM kx_g ORDER BY id"));
    grid.resize(220, 200);
    grid.SetColumnWidth(0, 150);
    grid.SetColumnWidth(1, 150);
    grid.SetColumnWidth(2, 150);
    Paint();
    TitleMouse mouse(grid);
    ASSERT_EQ(grid.horizontalScrollBar()->value(), 0);
    mouse.Send(QEvent::MouseButtonPress, mouse.At(0, 20));
    mouse.Send(QEvent::MouseMove, mouse.At(0, 40));
    // Held beyond the right edge: the titles scroll by themselves.
    mouse.Send(QEvent::MouseMove, QPoint(grid.viewport()->x() + grid.viewport()->width() + 5,
                                         grid.viewport()->y() / 2));
    QElapsedTimer held;
    held.start();
    while (held.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 15);
    EXPECT_GT(grid.horizontalScrollBar()->value(), 0);
    mouse.Send(QEvent::MouseButtonRelease, QPoint(grid.width() - 2, grid.viewport()->y() / 2),
               Qt::NoModifier, Qt::NoButton);
    EXPECT_NE(grid.ColumnFieldName(0), QStringLiteral("id")) << "the dragged column moved on";
    const int scrolled = grid.horizontalScrollBar()->value();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(grid.horizontalScrollBar()->value(), scrolled) << "the release stops the scrolling";
}

} // namespace
