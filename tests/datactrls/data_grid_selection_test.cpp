#include "data_grid_fixture.h"
#include "platform/clipboard_text.h"
#include "platform/system_colors.h"

#include <QScrollBar>
#include <gtest/gtest.h>

namespace {

using namespace kx;
using test::DataGridTest;

std::vector<int> Members(const TKxIntegerMap& map) {
    std::vector<int> members;
    for (int index = 0; index < map.Count(); ++index)
        members.push_back(map.Items(index));
    return members;
}

// The colour at the middle of a cell's left part (clear of the text) in `image`.
QColor CellColor(const QImage& image, const TKxIDataGrid& grid, std::int64_t row, int column) {
    int x = grid.viewport()->x() + 2;
    for (int c = 0; c < column; ++c)
        x += grid.ColumnWidth(c);
    const int y = grid.viewport()->y() + static_cast<int>(grid.Rows().YOfRow(row)) + 2;
    return image.pixelColor(x, y);
}

TEST_P(DataGridTest, ControlAndShiftSelectRowsAndAPlainClickOrMoveClearsThem) {
    Open(QStringLiteral("SELECT id, name FROM kx_g ORDER BY id"));
    Paint();
    Click(3);
    ASSERT_EQ(recordset.Position(), 3);
    // Ctrl-clicks keep the current row and toggle the clicked ones, without moving.
    Click(5, Qt::ControlModifier);
    Click(8, Qt::ControlModifier);
    EXPECT_EQ(Members(grid.SelectedPositions()), (std::vector<int>{3, 5, 8}));
    EXPECT_EQ(recordset.Position(), 3);
    Click(5, Qt::ControlModifier);
    EXPECT_EQ(Members(grid.SelectedPositions()), (std::vector<int>{3, 8}));

    // Selected rows are painted highlighted; the handler's colour does not reach them.
    grid.OnSelectDataCellBkgndColor = [](TKxIDataGrid*, const QString&, std::int64_t,
                                         QColor& color) { color = Qt::red; };
    const QImage image = Paint();
    const QColor highlight = grid.hasFocus()
                                 ? grid.palette().color(QPalette::Highlight)
                                 : grid.palette().color(QPalette::Disabled, QPalette::Highlight);
    EXPECT_EQ(CellColor(image, grid, 8, 1), highlight);
    EXPECT_EQ(CellColor(image, grid, 7, 1), QColor(Qt::red));
    grid.OnSelectDataCellBkgndColor = nullptr;

    // A click without modifiers clears the selection.
    Click(6);
    EXPECT_EQ(grid.SelectedPositions().Count(), 0);
    EXPECT_EQ(recordset.Position(), 6);
    // Shift-click adds the rows from the current one to the clicked one.
    Click(9, Qt::ShiftModifier);
    EXPECT_EQ(Members(grid.SelectedPositions()), (std::vector<int>{6, 7, 8, 9}));

    // Shift+Down twice from row 5: each move clears what the one before selected.
    Click(5);
    Press(Qt::Key_Down, Qt::ShiftModifier);
    Press(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(recordset.Position(), 7);
    EXPECT_EQ(Members(grid.SelectedPositions()), (std::vector<int>{6, 7}));
    // A key without Shift clears; so does re-executing.
    Press(Qt::Key_Right);
    EXPECT_EQ(grid.SelectedPositions().Count(), 0);
    Click(2, Qt::ControlModifier);
    recordset.ExecuteOperation(roReExecuteStatement, nullptr);
    EXPECT_EQ(grid.SelectedPositions().Count(), 0);

    // Without MultiSelect the modifiers only move.
    grid.DataAreaProperties().SetMultiSelect(false);
    Click(4, Qt::ControlModifier);
    EXPECT_EQ(grid.SelectedPositions().Count(), 0);
}

TEST_P(DataGridTest, CopyingWritesAHeaderAndTheSelectedOrAllRecords) {
    Open(QStringLiteral("SELECT id, name FROM kx_g WHERE id <= 3 ORDER BY id"));
    Paint();
    // Nothing selected: every record, field names first, CR LF between the lines.
    Press(Qt::Key_C, Qt::AltModifier);
    EXPECT_EQ(KxClipboardText(), QStringLiteral("id\tname\r\n1\trow 1\r\n2\trow 2\r\n3\trow 3"));
    EXPECT_EQ(recordset.Position(), 1) << "copying puts the recordset back";

    // Two selected rows: only those. Ctrl+C copies too while no cell editor is open.
    Click(3, Qt::ControlModifier);
    Press(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(KxClipboardText(), QStringLiteral("id\tname\r\n1\trow 1\r\n3\trow 3"));
    EXPECT_EQ(Members(grid.SelectedPositions()), (std::vector<int>{1, 3}))
        << "copying keeps the selection";

    // An empty value keeps its column.
    connection.ExecuteDirect(QStringLiteral("UPDATE kx_g SET name = NULL WHERE id = 2"));
    recordset.ExecuteOperation(roReExecuteStatement, nullptr);
    EXPECT_EQ(grid.ContentsAsText(), QStringLiteral("id\tname\r\n1\trow 1\r\n2\t\r\n3\trow 3"));
}

TEST_P(DataGridTest, TheDataAreaShowsTheStateOfItsRecordset) {
    const auto oddRowColor = [&] {
        const QImage image = Paint();
        return CellColor(image, grid, 3, 1);
    };
    Open(QStringLiteral("SELECT id, name FROM kx_g ORDER BY id"));
    // Browsing: light yellow odd rows, the even-row colour between them.
    EXPECT_EQ(oddRowColor(), QColor(0xFF, 0xFF, 0xE0));
    EXPECT_TRUE(grid.viewport()->isEnabled());
    // Editing: the window colour.
    recordset.ExecuteOperation(roEdit, nullptr);
    EXPECT_EQ(oddRowColor(), grid.palette().color(QPalette::Base));
    recordset.ExecuteOperation(roCancelChanges, nullptr);
    EXPECT_EQ(oddRowColor(), QColor(0xFF, 0xFF, 0xE0));
    // Closed: light cyan and disabled.
    recordset.SetActive(false);
    EXPECT_EQ(grid.DataAreaColor(), TKxIStateChangeProperties::kInactiveColor);
    EXPECT_FALSE(grid.viewport()->isEnabled());
    // Without state colours the data area keeps its own colour.
    grid.SourceObjStateChangeReflection().ChangeColor = false;
    grid.DataAreaProperties().SetColor(0x00F0F0F0);
    recordset.SetActive(true);
    EXPECT_EQ(oddRowColor(), QColor(0xF0, 0xF0, 0xF0));

    // On a dark palette the fixed light colours give way to the palette's.
    QPalette dark = grid.palette();
    dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::AlternateBase, QColor(0x30, 0x30, 0x30));
    dark.setColor(QPalette::Text, QColor(0xE0, 0xE0, 0xE0));
    grid.SourceObjStateChangeReflection().ChangeColor = true;
    grid.setPalette(dark);
    EXPECT_EQ(oddRowColor(), QColor(0x20, 0x20, 0x20));
    const QImage image = Paint();
    EXPECT_EQ(CellColor(image, grid, 2, 1), QColor(0x30, 0x30, 0x30));
}

TEST_P(DataGridTest, PropertiesShapeThePartsAndTheCells) {
    Open(QStringLiteral("SELECT id AS \"ORDERS.ID\", name FROM kx_g ORDER BY id"));
    const int oneLineTitle = QFontMetrics(grid.font()).height();
    // A dotted name gets a title of two lines (SQLite3's driver keeps only the part after
    // the dot of such a column name).
    if (GetParam().server) {
        EXPECT_EQ(grid.ColumnFieldName(0), QStringLiteral("ORDERS.ID"));
        EXPECT_GE(grid.viewport()->y(), 2 * oneLineTitle);
    }

    // Hiding the title bar and the indicator column gives their room to the cells.
    const int frame = grid.frameWidth();
    EXPECT_EQ(grid.viewport()->x(), frame + 15);
    grid.TitleBarProperties().SetVisible(false);
    grid.IndicatorcolumnProperties().SetVisible(false);
    EXPECT_EQ(grid.viewport()->y(), frame);
    EXPECT_EQ(grid.viewport()->x(), frame);
    grid.BottomPanelProperties().SetVisible(false);
    EXPECT_EQ(grid.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

    // The row height is clamped, and the caches follow it.
    grid.DataAreaProperties().SetRowHeight(5);
    EXPECT_EQ(grid.Rows().RowHeight(), 10);
    grid.DataAreaProperties().SetRowHeight(500);
    EXPECT_EQ(grid.Rows().RowHeight(), 150);
    grid.DataAreaProperties().SetRowHeight(20);

    // Lines can be switched off: the bottom pixel row of a cell is then its background.
    const auto bottomOfRow3 = [&] {
        const QImage image = Paint();
        const int y = static_cast<int>(grid.Rows().YOfRow(3)) + grid.Rows().RowHeight() - 1;
        return image.pixelColor(grid.viewport()->x() + 60 + 10, grid.viewport()->y() + y);
    };
    EXPECT_EQ(bottomOfRow3(), QColor(0xC0, 0xC0, 0xC0));
    grid.DataAreaProperties().SetHorizontalLines({false, clSilver});
    EXPECT_NE(bottomOfRow3(), QColor(0xC0, 0xC0, 0xC0));

    // No even-row colour: every row in the data area's colour.
    grid.DataAreaProperties().SetUseEvenRowcolor(false);
    const QImage image = Paint();
    EXPECT_EQ(CellColor(image, grid, 2, 1), CellColor(image, grid, 3, 1));

    // Without row fetching only the live current row is read.
    grid.DataAreaProperties().SetRowFetch(false);
    recordset.ExecuteOperation(roReExecuteStatement, nullptr);
    const std::int64_t before = grid.RowFetches();
    Paint();
    EXPECT_EQ(grid.RowFetches(), before);
    EXPECT_EQ(grid.CellText(2, 1), QString());
}

// Instantiated with the other grid tests of this program (data_grid_test.cpp).

} // namespace
