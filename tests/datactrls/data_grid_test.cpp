#include "data_grid_fixture.h"
#include "dbcore/sql_property.h"
#include "foundation/persistent_data.h"
#include "foundation/storage_helpers.h"
#include "platform/system_colors.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

using namespace kx;
using test::DataGridTest;

TEST_P(DataGridTest, PaintsTheRowsOnScreenWithoutReadingTheRest) {
    Open(QStringLiteral("SELECT id, name FROM kx_g ORDER BY id"));
    ASSERT_EQ(grid.ColumnCount(), 2);
    EXPECT_EQ(grid.ColumnFieldName(1), QStringLiteral("name"));
    EXPECT_EQ(grid.CountText(), QStringLiteral("1000"));
    const QImage image = Paint();
    EXPECT_FALSE(image.isNull());
    EXPECT_EQ(grid.CellText(1, 0), QStringLiteral("1")) << "the current row, live";
    EXPECT_EQ(grid.CellText(2, 1), QStringLiteral("row 2")) << "read into the cache";
    EXPECT_EQ(grid.CellText(3, 0), QStringLiteral("3"));
    EXPECT_LE(grid.RowFetches(), VisibleRows() + 2) << "only the rows on screen are read";
    EXPECT_EQ(recordset.Position(), 1) << "painting puts the recordset back";
    // A second paint reads nothing again.
    const std::int64_t fetches = grid.RowFetches();
    Paint();
    EXPECT_EQ(grid.RowFetches(), fetches);
    // Row 2 is at an even position: painted in the even-row colour.
    const int y = grid.viewport()->y() + grid.Rows().RowHeight() + grid.Rows().RowHeight() / 2;
    const int x = grid.viewport()->x() + 48;
    EXPECT_EQ(image.pixelColor(x, y).rgb(),
              KxToQColor(TGridDataAreaProperties::DefaultEvenRowColor(), grid.palette()).rgb());
}

TEST_P(DataGridTest, ControlEndShowsTheLastRecordAndScrollingReadsOnlyNewRows) {
    Open(QStringLiteral("SELECT id, name FROM kx_g ORDER BY id"));
    Paint();
    Press(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(recordset.Position(), 1000);
    EXPECT_EQ(grid.Rows().CurrentRow(), 1000);
    const std::int64_t before = grid.RowFetches();
    Paint();
    EXPECT_EQ(grid.CellText(1000, 1), QStringLiteral("row 1000"));
    EXPECT_EQ(grid.CellText(999, 0), QStringLiteral("999"));
    EXPECT_LE(grid.RowFetches() - before, VisibleRows() + 2);
    // One row up by the scroll bar: only the row that comes into view is read.
    const std::int64_t settled = grid.RowFetches();
    grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->value() - grid.Rows().RowHeight());
    Paint();
    EXPECT_LE(grid.RowFetches() - settled, 2);
    Press(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(recordset.Position(), 1);
    Paint();
    EXPECT_EQ(grid.CellText(2, 0), QStringLiteral("2"));
}

TEST_P(DataGridTest, AForwardOnlyResultShowsItsCurrentRecordOnly) {
    recordset.SetCursorType(ctUnidirectional);
    Open(QStringLiteral("SELECT id, name FROM kx_g ORDER BY id"));
    EXPECT_EQ(grid.Rows().RowCount(), 1);
    Paint();
    EXPECT_EQ(grid.CellText(1, 0), QStringLiteral("1"));
    Press(Qt::Key_PageDown);
    Paint();
    EXPECT_GT(recordset.Position(), 1);
    EXPECT_EQ(grid.CellText(1, 0), QString::number(recordset.Position()));
}

TEST_P(DataGridTest, AnUnknownCountShowsNoRowsAndAQuestionMark) {
    recordset.SetRecordCountStrategies(0);
    Open(QStringLiteral("SELECT id, name FROM kx_g ORDER BY id"));
    EXPECT_EQ(grid.CountText(), QStringLiteral("?"));
    EXPECT_EQ(grid.Rows().RowCount(), 0);
    Paint();
    EXPECT_EQ(grid.RowFetches(), 0);
    recordset.SetActive(false);
    EXPECT_EQ(grid.ColumnCount(), 0) << "closing removes the columns";
    EXPECT_EQ(grid.CountText(), QString());
}

TEST_P(DataGridTest, AClickMakesARowCurrentAndTheSortedColumnShowsItsMark) {
    Open(QStringLiteral("SELECT id, name FROM kx_g ORDER BY id DESC"));
    Paint();
    const QPoint row5(30, 4 * grid.Rows().RowHeight() + 5);
    QMouseEvent press(QEvent::MouseButtonPress, row5, grid.viewport()->mapToGlobal(row5),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid.viewport(), &press);
    EXPECT_EQ(recordset.Position(), 5);
    EXPECT_EQ(grid.CellText(5, 0), QStringLiteral("996"));

    // The title of the sorted column carries a mark at its right end; the other none.
    const QImage image = Paint();
    const auto markPixels = [&](int column) {
        int left = grid.viewport()->x();
        for (int c = 0; c < column; ++c)
            left += grid.ColumnWidth(c);
        const int right = left + grid.ColumnWidth(column);
        const QColor text = grid.palette().color(QPalette::ButtonText);
        int count = 0;
        for (int x = right - 11; x < right - 2; ++x) {
            for (int y = 2; y < grid.viewport()->y() - 2; ++y)
                count += image.pixelColor(x, y) == text ? 1 : 0;
        }
        return count;
    };
    EXPECT_GT(markPixels(0), 5) << "id is sorted";
    EXPECT_EQ(markPixels(1), 0) << "name is not";
}

TEST_P(DataGridTest, ARecordBeingInsertedHasARowOfItsOwnAndPaintingNeverAppliesIt) {
    Open(QStringLiteral("SELECT id, name FROM kx_g ORDER BY id"));
    recordset.SetPosition(3);
    Paint();
    ASSERT_TRUE(recordset.ExecuteOperation(roInsert, nullptr));
    EXPECT_EQ(grid.Rows().RowCount(), 1001);
    EXPECT_EQ(grid.Rows().CurrentRow(), 3);
    recordset.FieldByName(QStringLiteral("id"))->SetValue(KxVariant(5000));
    // Painting reads the rows around the new one: it keeps the typed row, unapplied.
    Paint();
    EXPECT_EQ(grid.CellText(3, 0), QStringLiteral("5000")) << "the new record, live";
    EXPECT_EQ(grid.CellText(4, 0), QStringLiteral("3")) << "the rows below moved down";
    EXPECT_EQ(grid.CellText(2, 1), QStringLiteral("row 2"));
    EXPECT_EQ(recordset.GetRecordsetState(), rsInsert);
    EXPECT_EQ(recordset.FieldByName(QStringLiteral("id"))->GetValue().ToInt64(), 5000);
    ASSERT_TRUE(recordset.ExecuteOperation(roCancelChanges, nullptr));
    EXPECT_EQ(grid.Rows().RowCount(), 1000);
    Paint();
    EXPECT_EQ(grid.CellText(4, 0), QStringLiteral("4")) << "and back up after a cancel";
    TKxOdbcRecordset check;
    check.SetODBCConnection(&connection);
    check.SQL().SetAsString(QStringLiteral("SELECT count(*) FROM kx_g"));
    check.SetActive(true);
    EXPECT_EQ(check.Fields().front()->GetValue().ToInt64(), 1000) << "nothing was stored";
}

TEST_P(DataGridTest, TheWheelScrollsPixelsAndTheIndicatorColumnSetsTheRowHeight) {
    Open(QStringLiteral("SELECT id, name FROM kx_g ORDER BY id"));
    Paint();
    const QPointF inside(30, 30);
    QWheelEvent down(inside, grid.viewport()->mapToGlobal(inside), QPoint(), QPoint(0, -120),
                     Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid.viewport(), &down);
    EXPECT_EQ(grid.Rows().ScrollOffset(), 120) << "one notch, 120 pixels";
    EXPECT_EQ(grid.Rows().FirstVisibleRow(), 7);
    Paint();
    EXPECT_EQ(grid.CellText(7, 0), QStringLiteral("7"));

    QWidget* indicator = grid.childAt(QPoint(5, grid.viewport()->y() + 10));
    ASSERT_NE(indicator, nullptr);
    const auto drag = [&](int from, int to) {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, from), QPointF(5, from),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(indicator, &press);
        QMouseEvent move(QEvent::MouseMove, QPointF(5, to), QPointF(5, to), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(indicator, &move);
    };
    drag(10, 60);
    EXPECT_EQ(grid.Rows().RowHeight(), 30) << "50 pixels of drag, 10 pixels of row";
    drag(10, -1000);
    EXPECT_EQ(grid.Rows().RowHeight(), 10);
    drag(10, 2000);
    EXPECT_EQ(grid.Rows().RowHeight(), 150);
}

TEST_P(DataGridTest, AColumnHandlerDropsOrWidensColumns) {
    grid.OnCreateColumn = [](TKxIDataGrid*, TKxIDataGrid::TColumnCreateData& data) {
        if (data.fieldName == QStringLiteral("id"))
            data.createColumn = false;
        else
            data.width = 222;
    };
    Open(QStringLiteral("SELECT id, name FROM kx_g ORDER BY id"));
    ASSERT_EQ(grid.ColumnCount(), 1);
    EXPECT_EQ(grid.ColumnFieldName(0), QStringLiteral("name"));
    EXPECT_EQ(grid.ColumnWidth(0), 222);
}

TEST_P(DataGridTest, TheCellEditorWritesTheFieldAndLeavingTheRowStoresIt) {
    Open(QStringLiteral("SELECT id, name FROM kx_g ORDER BY id"));
    Paint();
    Press(Qt::Key_Right);
    EXPECT_EQ(grid.FocusedColumn(), 1);
    Press(Qt::Key_F2);
    ASSERT_TRUE(grid.EditorVisible());
    EXPECT_EQ(grid.Editor()->text(), QStringLiteral("row 1"));
    grid.Editor()->setText(QStringLiteral("first row"));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(grid.Editor(), &enter);
    EXPECT_FALSE(grid.EditorVisible());
    EXPECT_EQ(recordset.GetRecordsetState(), rsEdit);
    EXPECT_EQ(grid.CellText(1, 1), QStringLiteral("first row"));
    // Moving on stores the row (auto-save).
    Press(Qt::Key_Down);
    EXPECT_EQ(recordset.GetRecordsetState(), rsBrowse);
    EXPECT_EQ(recordset.Position(), 2);
    TKxOdbcRecordset check;
    check.SetODBCConnection(&connection);
    check.SQL().SetAsString(QStringLiteral("SELECT name FROM kx_g WHERE id = 1"));
    check.SetActive(true);
    EXPECT_EQ(check.Fields().front()->GetDisplayText(), QStringLiteral("first row"));

    // Escape drops what was typed and the record's changes.
    Press(Qt::Key_F2);
    grid.Editor()->setText(QStringLiteral("dropped"));
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(grid.Editor(), &escape);
    EXPECT_FALSE(grid.EditorVisible());
    EXPECT_EQ(recordset.GetRecordsetState(), rsBrowse);
    Paint();
    EXPECT_EQ(grid.CellText(2, 1), QStringLiteral("row 2"));
}

TEST_P(DataGridTest, ColumnsTakeTheStoredLayout) {
    QWidget owner;
    owner.setObjectName(QStringLiteral("MainForm"));
    grid.setParent(&owner);
    // The grid belongs to the fixture: it leaves the owner before the owner goes, whatever
    // the test does.
    struct Unparent {
        QWidget& widget;
        ~Unparent() { widget.setParent(nullptr); }
    } unparent{grid};
    grid.setObjectName(QStringLiteral("Grid"));
    TKxPersistentData store;
    store.SetFileName(QDir(dir.path()).filePath(QStringLiteral("layout.PRS")));
    Open(QStringLiteral("SELECT id, name FROM kx_g ORDER BY id"));
    ASSERT_EQ(grid.ColumnFieldName(0), QStringLiteral("id"));
    grid.StoreLayout(&store);
    // Change the stored layout: name first and 150 pixels wide.
    KxOpenKey(&store, QStringLiteral("\\MainForm\\Grid\\name"), true);
    store.WriteInteger(QStringLiteral("DisplayWidth"), 150);
    store.WriteInteger(QStringLiteral("DisplayPosition"), -1);
    grid.LoadLayout(&store);
    recordset.SetActive(false);
    recordset.SetActive(true);
    ASSERT_EQ(grid.ColumnCount(), 2);
    EXPECT_EQ(grid.ColumnFieldName(0), QStringLiteral("name"));
    EXPECT_EQ(grid.ColumnWidth(0), 150);
    EXPECT_EQ(grid.ColumnFieldName(1), QStringLiteral("id"));
}

KX_INSTANTIATE_DRIVER_TESTS(DataGridTest);

} // namespace
