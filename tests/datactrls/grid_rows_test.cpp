#include "datactrls/grid_cache_window.h"
#include "datactrls/grid_rows.h"
#include "foundation/exceptions.h"

#include <gtest/gtest.h>

namespace {

using namespace kx;

TEST(GridRowsTest, RowsFollowTheRecordsAndMakeRoomForAnInsert) {
    TKxGridRows rows;
    rows.SetRecordCount(10);
    rows.SetCurrentPosition(4);
    EXPECT_EQ(rows.RowCount(), 10);
    EXPECT_EQ(rows.CurrentRow(), 4);
    EXPECT_EQ(rows.PositionOfRow(7), 7);

    rows.SetPendingInsertRow(4);
    EXPECT_EQ(rows.RowCount(), 11) << "the new record has a row of its own";
    EXPECT_EQ(rows.CurrentRow(), 4);
    EXPECT_EQ(rows.PositionOfRow(3), 3);
    EXPECT_EQ(rows.PositionOfRow(4), 0) << "the record being inserted";
    EXPECT_EQ(rows.PositionOfRow(5), 4) << "rows below move down one";
    EXPECT_EQ(rows.RowOfPosition(4), 5);
    EXPECT_EQ(rows.RowOfPosition(3), 3);
    rows.SetPendingInsertRow(0);
    EXPECT_EQ(rows.RowCount(), 10);

    // An unknown count shows no rows; a forward-only cursor only its current record.
    rows.SetRecordCount(-1);
    EXPECT_EQ(rows.RowCount(), 0);
    EXPECT_EQ(rows.ScrollRange(), 0);
    rows.SetRecordCount(1);
    rows.SetForwardOnly(true);
    rows.SetCurrentPosition(57);
    EXPECT_EQ(rows.RowCount(), 1);
    EXPECT_EQ(rows.CurrentRow(), 1);
    EXPECT_EQ(rows.PositionOfRow(1), 57);
}

TEST(GridRowsTest, ScrollingIsInPixelsAndShowsWholeRows) {
    TKxGridRows rows;
    rows.SetRecordCount(100);
    EXPECT_EQ(rows.ScrollRange(), 100 * 20 - 1);
    EXPECT_EQ(rows.SetScrollOffset(5000), 1999) << "clamped to the range";
    EXPECT_EQ(rows.SetScrollOffset(-3), 0);
    rows.SetScrollOffset(45);
    EXPECT_EQ(rows.FirstVisibleRow(), 3);
    EXPECT_EQ(rows.RowAtY(0), 3);
    EXPECT_EQ(rows.RowAtY(14), 3);
    EXPECT_EQ(rows.RowAtY(15), 4);
    EXPECT_EQ(rows.YOfRow(4), 15);
    // A 100-pixel viewport at offset 45 shows pixels 45 … 144.
    EXPECT_EQ(rows.OffsetShowingRow(2, 100), 20) << "above: to its top";
    EXPECT_EQ(rows.OffsetShowingRow(8, 100), 60) << "below: to its bottom";
    EXPECT_EQ(rows.OffsetShowingRow(5, 100), 45) << "already whole: no move";
    // A new row height keeps the first visible row at the top and is clamped.
    rows.SetRowHeight(30);
    EXPECT_EQ(rows.FirstVisibleRow(), 3);
    EXPECT_EQ(rows.ScrollOffset(), 60);
    rows.SetRowHeight(5);
    EXPECT_EQ(rows.RowHeight(), 10);
    rows.SetRowHeight(500);
    EXPECT_EQ(rows.RowHeight(), 150);
}

TEST(GridRowsTest, AResultThatShrinksKeepsTheViewOnItsRows) {
    TKxGridRows rows;
    rows.SetRecordCount(1000000);
    rows.SetScrollOffset(rows.ScrollRange());
    rows.SetRecordCount(100);
    EXPECT_EQ(rows.ScrollOffset(), rows.ScrollRange());
    EXPECT_LE(rows.FirstVisibleRow(), 100);
    rows.SetRecordCount(-1);
    EXPECT_EQ(rows.ScrollOffset(), 0);
}

TEST(GridRowsTest, FiveHundredMillionRowsScrollToTheLastRow) {
    TKxGridRows rows;
    rows.SetRecordCount(500000000);
    EXPECT_GT(rows.ScrollRange(), std::int64_t{INT_MAX}) << "pixels beyond what an int holds";
    const int maximum = rows.ScrollBarMaximum();
    EXPECT_GT(maximum, 0);
    EXPECT_LE(maximum, INT_MAX);
    rows.SetScrollBarValue(maximum);
    EXPECT_EQ(rows.ScrollOffset(), rows.ScrollRange());
    EXPECT_EQ(rows.RowAtY(0), 500000000) << "the last unit reaches the last row";
    rows.SetScrollBarValue(maximum / 2);
    EXPECT_NEAR(static_cast<double>(rows.FirstVisibleRow()), 250000000.0, 100.0);
    EXPECT_EQ(rows.ScrollBarValue(), maximum / 2);
    rows.SetScrollOffset(rows.OffsetShowingRow(500000000, 400));
    EXPECT_EQ(rows.YOfRow(500000000), 380) << "the last row at the bottom of the viewport";
}

TEST(GridCacheWindowTest, ValuesMoveWithTheirRows) {
    TKxGridCacheWindow window;
    EXPECT_EQ(TKxGridCacheWindow::SlotCountFor(100, 20), 7);
    window.Reset(7, 10);
    EXPECT_EQ(window.SlotOfRow(10), 0);
    EXPECT_EQ(window.SlotOfRow(16), 6);
    EXPECT_FALSE(window.HasSlot(17));
    try {
        window.SlotOfRow(17);
        ADD_FAILURE();
    } catch (const EKxException& e) {
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("CachePosFromAbsPos"));
        EXPECT_TRUE(e.GetMessage().contains(QStringLiteral("Cache Position")));
    }

    // Scrolling down two rows: the first five slots take the values of old slots 2 … 6.
    EXPECT_EQ(window.MoveTo(12), (std::vector<int>{2, 3, 4, 5, 6, -1, -1}));
    EXPECT_EQ(window.MoveTo(11), (std::vector<int>{-1, 0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(window.MoveTo(40), std::vector<int>(7, -1)) << "a long jump keeps nothing";

    window.Reset(5, 1);
    EXPECT_EQ(window.RowInserted(3), (std::vector<int>{0, 1, -1, 2, 3}));
    EXPECT_EQ(window.RowRemoved(3), (std::vector<int>{0, 1, 3, 4, -1}));
    EXPECT_EQ(window.RowInserted(9), (std::vector<int>{0, 1, 2, 3, 4})) << "below the window";
    EXPECT_EQ(window.Resize(3), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(window.Resize(5), (std::vector<int>{0, 1, 2, -1, -1}));
}

} // namespace
