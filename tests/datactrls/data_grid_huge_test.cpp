#include "datactrls/data_grid.h"
#include "foundation/application_exception_handler.h"
#include "foundation/operations.h"
#include "platform/system_colors.h"
#include "support/synthetic_recordset.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <climits>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

using namespace kx;

constexpr std::int64_t kRecords = 500'000'000;

// The grid over a recordset of 500 000 000 records whose values are computed from the
// position: its rows' pixels overflow an int forty times over, and reading more than the rows
// on screen would take hours, so every check here is also a check that it did not.
class DataGridHugeTest : public ::testing::Test {
protected:
    void SetUp() override {
        grid.resize(400, 300);
        recordset.SetActive(true);
        grid.SetRecordset(static_cast<IKxGetItemByName*>(&recordset));
        recordset.ResetCounters();
    }
    QImage Paint() { return grid.grab().toImage(); }
    void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(&grid, &event);
    }
    int RowHeight() const { return grid.Rows().RowHeight(); }
    // Rows that can be seen at once, the partly visible one included.
    std::int64_t VisibleRows() const { return grid.viewport()->height() / RowHeight() + 1; }
    std::int64_t LastVisibleRow() const {
        return std::min(grid.Rows().RowCount(), grid.Rows().RowAtY(grid.viewport()->height() - 1));
    }
    // The cell's rectangle in the grabbed image.
    QRect CellRect(std::int64_t row, int column) {
        const int top = grid.viewport()->y() + static_cast<int>(grid.Rows().YOfRow(row));
        int left = grid.viewport()->x();
        for (int c = 0; c < column; ++c)
            left += CellWidth(c);
        return {left, top, CellWidth(column), RowHeight()};
    }
    // A column is as wide as its field's default display width.
    int CellWidth(int column) {
        KxIntf<IKxUnknown> field;
        recordset.GetItemByName(grid.ColumnFieldName(column), field);
        const int width = KxAskInteger(field.get(), vid::DefaultColumnWidth, 50);
        return width > 0 ? width : 50;
    }
    // Pixels inside the cell (without its grid lines) that stand out from its background:
    // the ink of its text.
    static int InkPixels(const QImage& image, const QRect& cell) {
        const QRect inside = cell.adjusted(1, 1, -2, -2);
        const QColor background = image.pixelColor(inside.topLeft());
        int ink = 0;
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            for (int x = inside.left(); x <= inside.right(); ++x) {
                if (std::abs(qGray(image.pixel(x, y)) - qGray(background.rgb())) > 60)
                    ++ink;
            }
        }
        return ink;
    }
    // The recordset was only moved while the grid painted with its notifications off, and
    // was put back where it was.
    void ExpectPaintLeftTheRecordsetAlone(std::int64_t position) const {
        EXPECT_EQ(recordset.GetPosition(), position);
        EXPECT_EQ(recordset.GetNotifyDisableCount(), 0) << "notifications are on again";
        EXPECT_EQ(recordset.Count().quietMoves, recordset.Count().moves);
        EXPECT_EQ(recordset.Count().positionNotifications, 0);
        EXPECT_EQ(recordset.Count().savedStates, recordset.Count().restoredStates);
    }

    test::TSyntheticRecordset recordset{kRecords, test::TSyntheticRecordset::IdAndName()};
    TKxIDataGrid grid;
};

TEST_F(DataGridHugeTest, ShowsTheCountAndPaintsTheFirstRowsOnly) {
    ASSERT_EQ(grid.ColumnCount(), 2);
    EXPECT_EQ(grid.ColumnFieldName(0), QStringLiteral("id"));
    EXPECT_EQ(grid.CountText(), QStringLiteral("500000000"));
    EXPECT_EQ(grid.Rows().RowCount(), kRecords);
    // Rows × height is far beyond an int: the scroll bar works in scaled units.
    const QScrollBar& bar = *grid.verticalScrollBar();
    EXPECT_EQ(bar.minimum(), 0);
    EXPECT_GT(bar.maximum(), INT_MAX / 2);
    EXPECT_LT(static_cast<std::int64_t>(bar.maximum()), kRecords * RowHeight());
    EXPECT_EQ(bar.value(), 0);

    const QImage image = Paint();
    EXPECT_EQ(grid.CellText(1, 0), QStringLiteral("1"));
    EXPECT_EQ(grid.CellText(2, 1), QStringLiteral("row 2"));
    EXPECT_EQ(grid.CellText(LastVisibleRow(), 0), QString::number(LastVisibleRow()));
    EXPECT_LE(grid.RowFetches(), VisibleRows() + 2);
    // One move per row read and one back; none beyond the rows on screen.
    EXPECT_LE(recordset.Count().moves, grid.RowFetches() + 1);
    EXPECT_LE(recordset.Count().highestPosition, LastVisibleRow());
    EXPECT_LE(recordset.Count().valueReads, (VisibleRows() + 2) * 2);
    ExpectPaintLeftTheRecordsetAlone(1);
    EXPECT_GT(InkPixels(image, CellRect(2, 0)), 10) << "row 2's id is painted";
}

TEST_F(DataGridHugeTest, ControlEndPaintsTheLastRecordReadingOnlyTheRowsOnScreen) {
    Paint();
    const std::int64_t fetchesBefore = grid.RowFetches();
    recordset.ResetCounters();

    Press(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(recordset.GetPosition(), kRecords);
    EXPECT_EQ(grid.Rows().CurrentRow(), kRecords);
    EXPECT_EQ(recordset.Count().moves, 1) << "the key moves the recordset once";
    EXPECT_EQ(recordset.Count().positionNotifications, 1);

    // The last row is scrolled into view, whole, at the bottom of the data area.
    const std::int64_t lastTop = grid.Rows().YOfRow(kRecords);
    EXPECT_GE(lastTop, 0);
    EXPECT_LE(lastTop + RowHeight(), grid.viewport()->height());
    EXPECT_GT(lastTop + 2 * RowHeight(), grid.viewport()->height()) << "and not above it";
    // The scroll bar stands at its end, within an int: what is left to its maximum is less
    // than a viewport (the range lets the last row scroll up to the top).
    const QScrollBar& bar = *grid.verticalScrollBar();
    EXPECT_LE(bar.value(), bar.maximum());
    EXPECT_GT(bar.value(), 0);
    EXPECT_LE(bar.maximum() - bar.value(), grid.viewport()->height());
    EXPECT_GT(bar.maximum(), INT_MAX / 2);

    recordset.ResetCounters();
    const QImage image = Paint();
    EXPECT_EQ(grid.CellText(kRecords, 0), QStringLiteral("500000000"));
    EXPECT_EQ(grid.CellText(kRecords, 1), QStringLiteral("row 500000000"));
    EXPECT_EQ(grid.CellText(kRecords - 1, 0), QStringLiteral("499999999")) << "cached";
    EXPECT_EQ(grid.CellText(kRecords - 1, 1), QStringLiteral("row 499999999"));
    const std::int64_t first = grid.Rows().FirstVisibleRow();
    EXPECT_EQ(grid.CellText(first + 1, 0), QString::number(first + 1));
    EXPECT_LE(grid.RowFetches() - fetchesBefore, VisibleRows() + 2);
    EXPECT_LE(recordset.Count().moves, VisibleRows() + 3);
    EXPECT_GE(recordset.Count().lowestPosition, first);
    ExpectPaintLeftTheRecordsetAlone(kRecords);
    // What is painted: the last record's texts and the one above.
    EXPECT_GT(InkPixels(image, CellRect(kRecords, 0)), 10) << "the last id is painted";
    EXPECT_GT(InkPixels(image, CellRect(kRecords, 1)), 10);
    EXPECT_GT(InkPixels(image, CellRect(kRecords - 1, 0)), 10);
    // The even last record has the even-row colour in its second cell (the first is the
    // current cell).
    const QRect name = CellRect(kRecords, 1);
    EXPECT_EQ(image.pixelColor(name.left() + 1, name.top() + 1).rgb(),
              KxToQColor(TGridDataAreaProperties::DefaultEvenRowColor(), grid.palette()).rgb());

    // Painting again reads nothing.
    const std::int64_t fetches = grid.RowFetches();
    recordset.ResetCounters();
    Paint();
    EXPECT_EQ(grid.RowFetches(), fetches);
    EXPECT_EQ(recordset.Count().moves, 0);

    // And back to the first record.
    Press(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(recordset.GetPosition(), 1);
    EXPECT_EQ(grid.Rows().CurrentRow(), 1);
    EXPECT_EQ(grid.Rows().FirstVisibleRow(), 1);
    EXPECT_EQ(grid.verticalScrollBar()->value(), 0);
    recordset.ResetCounters();
    const std::int64_t beforeHome = grid.RowFetches();
    Paint();
    EXPECT_EQ(grid.CellText(1, 1), QStringLiteral("row 1"));
    EXPECT_EQ(grid.CellText(2, 0), QStringLiteral("2"));
    EXPECT_LE(grid.RowFetches() - beforeHome, VisibleRows() + 2);
    EXPECT_LE(recordset.Count().highestPosition, LastVisibleRow());
    ExpectPaintLeftTheRecordsetAlone(1);
}

TEST_F(DataGridHugeTest, DraggingTheScrollBarToTheMiddleShowsTheMiddleRows) {
    Paint();
    QScrollBar& bar = *grid.verticalScrollBar();
    bar.setValue(bar.maximum() / 2);
    const std::int64_t first = grid.Rows().FirstVisibleRow();
    EXPECT_LT(std::abs(first - kRecords / 2), 300) << first;

    recordset.ResetCounters();
    const std::int64_t before = grid.RowFetches();
    const QImage image = Paint();
    EXPECT_EQ(grid.CellText(first, 0), QString::number(first));
    EXPECT_EQ(grid.CellText(first + 1, 1), QStringLiteral("row %1").arg(first + 1));
    EXPECT_EQ(grid.CellText(LastVisibleRow(), 0), QString::number(LastVisibleRow()));
    EXPECT_LE(grid.RowFetches() - before, VisibleRows() + 2);
    // The rows on screen were read, and only they; the current record stayed the first.
    EXPECT_LE(recordset.Count().moves, VisibleRows() + 3);
    EXPECT_LE(recordset.Count().highestPosition, LastVisibleRow());
    EXPECT_EQ(grid.Rows().CurrentRow(), 1);
    ExpectPaintLeftTheRecordsetAlone(1);
    // The top row may be partly visible; the second is whole.
    EXPECT_GT(InkPixels(image, CellRect(first + 1, 0)), 10);

    // The current row is not scrolled back into view by painting or by the scroll bar.
    EXPECT_EQ(grid.Rows().FirstVisibleRow(), first);
}

TEST_F(DataGridHugeTest, AScrollBarStepMovesOneRowAndAPageStepOneScreen) {
    QScrollBar& bar = *grid.verticalScrollBar();
    bar.setValue(bar.maximum() / 2);
    const std::int64_t first = grid.Rows().FirstVisibleRow();
    const std::int64_t offset = grid.Rows().ScrollOffset();
    bar.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_LE(std::abs(grid.Rows().ScrollOffset() - offset - RowHeight()), RowHeight() / 2);
    EXPECT_LE(grid.Rows().FirstVisibleRow() - first, 2);
    EXPECT_GE(grid.Rows().FirstVisibleRow() - first, 0);
    const std::int64_t stepped = grid.Rows().ScrollOffset();
    bar.triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_LE(std::abs(grid.Rows().ScrollOffset() - stepped - grid.viewport()->height()),
              RowHeight());
}

TEST_F(DataGridHugeTest, AWheelNotchScrolls120Pixels) {
    QScrollBar& bar = *grid.verticalScrollBar();
    bar.setValue(bar.maximum() / 2);
    const std::int64_t offset = grid.Rows().ScrollOffset();
    const QPointF at(50, 50);
    // A backward turn scrolls down, a forward turn up.
    QWheelEvent back(at, grid.viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid.viewport(), &back);
    EXPECT_EQ(grid.Rows().ScrollOffset() - offset, 120);
    QWheelEvent forward(at, grid.viewport()->mapToGlobal(at), QPoint(), QPoint(0, 240),
                        Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid.viewport(), &forward);
    EXPECT_EQ(grid.Rows().ScrollOffset() - offset, -120);
}

TEST_F(DataGridHugeTest, ReExecutingWithFewerRecordsShowsThem) {
    Press(Qt::Key_End, Qt::ControlModifier);
    Paint();
    recordset.SetRecordCount(1000);
    ASSERT_TRUE(recordset.ExecuteOperation(roReExecuteStatement, nullptr));
    EXPECT_EQ(grid.CountText(), QStringLiteral("1000"));
    EXPECT_EQ(recordset.GetPosition(), 1);
    EXPECT_LE(grid.Rows().FirstVisibleRow(), 1000);
    EXPECT_LE(grid.Rows().ScrollOffset(), grid.Rows().ScrollRange());
    EXPECT_EQ(grid.verticalScrollBar()->value(), grid.Rows().ScrollBarValue());
    Paint();
    const std::int64_t first = grid.Rows().FirstVisibleRow();
    EXPECT_EQ(grid.CellText(first + 1, 1), QStringLiteral("row %1").arg(first + 1));
    EXPECT_EQ(grid.CellText(LastVisibleRow(), 0), QString::number(LastVisibleRow()));
}

TEST_F(DataGridHugeTest, AFetchThatFailsWhilePaintingIsReportedOnceAndTheGridStaysUsable) {
    std::vector<QString> reported;
    const KxApplicationExceptionHandler previous = KxSetApplicationExceptionHandler(
        [&reported](const std::exception& e) { reported.push_back(QString::fromUtf8(e.what())); });
    recordset.beforeMove = [](std::int64_t position) {
        if (position == 5)
            KxRaise(QStringLiteral("server closed the connection"), QStringLiteral("Fetch"));
    };
    Paint();
    Paint();
    Paint();
    KxSetApplicationExceptionHandler(previous);
    ASSERT_EQ(reported.size(), 1u) << "reported once, not on every repaint";
    EXPECT_TRUE(reported.front().contains(QStringLiteral("server closed the connection")));
    ExpectPaintLeftTheRecordsetAlone(1);
    // The rows read before the failure still show; once the source is fine again and the
    // statement runs anew, the grid reads again.
    EXPECT_EQ(grid.CellText(2, 0), QStringLiteral("2"));
    recordset.beforeMove = nullptr;
    ASSERT_TRUE(recordset.ExecuteOperation(roReExecuteStatement, nullptr));
    Paint();
    EXPECT_EQ(grid.CellText(5, 1), QStringLiteral("row 5"));
}

} // namespace
