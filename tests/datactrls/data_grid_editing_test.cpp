#include "data_grid_fixture.h"
#include "foundation/basic_interfaces.h"

#include <QLineEdit>
#include <gtest/gtest.h>

namespace {

using namespace kx;
using test::DataGridTest;

TEST_P(DataGridTest, TypingStartsEditingALineCellButNeverALongText) {
    connection.ExecuteDirect(
        QStringLiteral("CREATE TABLE kx_e (id INTEGER PRIMARY KEY, name VARCHAR(20), notes TEXT)"));
    connection.ExecuteDirect(QStringLiteral("INSERT INTO kx_e VALUES (1, 'one', 'a\nb')"));
    Open(QStringLiteral("SELECT id, name, notes FROM kx_e"));
    Paint();
    grid.setFocus();
    grid.SetFocusedColumn(1);
    {
        QKeyEvent typed(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QApplication::sendEvent(&grid, &typed);
    }
    ASSERT_TRUE(grid.EditorVisible());
    EXPECT_EQ(grid.Editor()->text(), QStringLiteral("x"))
        << "the typed character replaces the text";
    grid.Editor()->setText(QStringLiteral("uno"));
    grid.CommitEditor();
    recordset.ExecuteOperation(roApplyChanges, nullptr);
    Paint();
    EXPECT_EQ(grid.CellText(1, 1), QStringLiteral("uno"));

    // A long text is edited in the memo, never flattened into one line here.
    grid.SetFocusedColumn(2);
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_Y, Qt::NoModifier, QStringLiteral("y"));
    QApplication::sendEvent(&grid, &typed);
    EXPECT_FALSE(grid.EditorVisible());
    grid.OpenEditor();
    EXPECT_FALSE(grid.EditorVisible());
}

TEST_P(DataGridTest, BooleanColumnsAreCheckBoxesThatAClickFlips) {
    if (Server()) {
        // psqlODBC reports booleans as text unless told otherwise.
        connection.SetActive(false);
        connection.SetConnectionString(connectString + QStringLiteral("BoolsAsChar=0;"));
    }
    connection.ExecuteDirect(
        QStringLiteral("CREATE TABLE kx_b (id INTEGER PRIMARY KEY, done BOOLEAN)"));
    connection.ExecuteDirect(QStringLiteral("INSERT INTO kx_b VALUES (1, FALSE)"));
    connection.ExecuteDirect(QStringLiteral("INSERT INTO kx_b VALUES (2, TRUE)"));
    connection.ExecuteDirect(QStringLiteral("INSERT INTO kx_b VALUES (3, NULL)"));
    Open(QStringLiteral("SELECT id, done FROM kx_b ORDER BY id"));
    const QImage image = Paint();
    const auto box = [&](const QImage& painted, std::int64_t row) {
        const QRect cell(grid.viewport()->x() + grid.ColumnWidth(0),
                         grid.viewport()->y() + static_cast<int>(grid.Rows().YOfRow(row)),
                         grid.ColumnWidth(1), grid.Rows().RowHeight());
        const int x = cell.left() + (cell.width() - 15) / 2;
        const int y = cell.top() + (cell.height() - 15) / 2;
        return painted.copy(x + 2, y + 2, 11, 11);
    };
    EXPECT_NE(box(image, 1), box(image, 2)) << "checked and unchecked look different";
    EXPECT_EQ(box(image, 1), box(image, 3)) << "NULL draws unchecked";
    EXPECT_EQ(box(image, 1).pixelColor(5, 5), box(image, 3).pixelColor(5, 5));

    // A click in the current row's box flips the value.
    const QPoint center(grid.ColumnWidth(0) + grid.ColumnWidth(1) / 2,
                        static_cast<int>(grid.Rows().YOfRow(1)) + grid.Rows().RowHeight() / 2);
    QMouseEvent press(QEvent::MouseButtonPress, center, grid.viewport()->mapToGlobal(center),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid.viewport(), &press);
    EXPECT_EQ(recordset.GetRecordsetState(), rsEdit);
    recordset.ExecuteOperation(roApplyChanges, nullptr);
    Paint();
    EXPECT_TRUE(TKxIDataGrid::TextIsTrue(grid.CellText(1, 1))) << grid.CellText(1, 1).toStdString();
}

TEST_P(DataGridTest, TextAnIntegerCellCannotTakeIsNotLeftOnScreenAsIfStored) {
    connection.ExecuteDirect(
        QStringLiteral("CREATE TABLE kx_q (id INTEGER PRIMARY KEY, qty INTEGER)"));
    connection.ExecuteDirect(QStringLiteral("INSERT INTO kx_q VALUES (1, 5)"));
    Open(QStringLiteral("SELECT id, qty FROM kx_q"));
    Paint();
    grid.SetFocusedColumn(1);
    grid.OpenEditor();
    ASSERT_TRUE(grid.EditorVisible());
    grid.Editor()->setText(QStringLiteral("abc"));
    bool raised = false;
    try {
        grid.CommitEditor();
        recordset.ExecuteOperation(roApplyChanges, nullptr);
    } catch (const EKxException&) {
        raised = true;
    }
    if (recordset.GetRecordsetState() != rsBrowse)
        recordset.ExecuteOperation(roCancelChanges, nullptr);
    Paint();
    // Whatever the driver did with it, the cell shows what is stored.
    TKxOdbcRecordset reader;
    reader.SetODBCConnection(&connection);
    reader.SQL().SetAsString(QStringLiteral("SELECT qty FROM kx_q"));
    reader.SetActive(true);
    const QString stored = KxCheckGetItemByName<IKxGetDisplayText>(
                               static_cast<IKxGetItemByName*>(&reader), QStringLiteral("qty"))
                               ->GetDisplayText();
    EXPECT_EQ(grid.CellText(1, 1), stored) << "raised: " << raised;
    EXPECT_EQ(stored, QStringLiteral("5")) << "nothing was stored";

    // Alt+End and Alt+Home go to the last and the first column.
    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::AltModifier);
    QApplication::sendEvent(&grid, &end);
    EXPECT_EQ(grid.FocusedColumn(), 1);
    QKeyEvent home(QEvent::KeyPress, Qt::Key_Home, Qt::AltModifier);
    QApplication::sendEvent(&grid, &home);
    EXPECT_EQ(grid.FocusedColumn(), 0);
}

TEST_P(DataGridTest, TextInTheCellEditorIsWrittenBeforeTheRecordChanges) {
    Open(QStringLiteral("SELECT id, name FROM kx_g ORDER BY id"));
    Paint();
    grid.SetFocusedColumn(1);
    grid.OpenEditor();
    ASSERT_TRUE(grid.EditorVisible());
    const auto typeIntoEditor = [&](const QString& text) {
        grid.Editor()->selectAll();
        for (const QChar c : text) {
            QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(grid.Editor(), &key);
        }
    };
    typeIntoEditor(QStringLiteral("typed"));
    EXPECT_EQ(recordset.GetRecordsetState(), rsEdit) << "typing starts the edit";
    // A move by anyone else (the navigator takes no focus, so the editor keeps it) first
    // writes the text into the record it was typed for; leaving the record stores it.
    recordset.MoveToNext();
    EXPECT_FALSE(grid.EditorVisible());
    EXPECT_EQ(recordset.Position(), 2);
    TKxOdbcRecordset reader;
    reader.SetODBCConnection(&connection);
    reader.SQL().SetAsString(QStringLiteral("SELECT name FROM kx_g WHERE id = 1"));
    reader.SetActive(true);
    EXPECT_EQ(reader.FieldValue(KxVariant(QStringLiteral("name"))).ToString(),
              QStringLiteral("typed"));

    // Cancelling drops the text.
    grid.OpenEditor();
    typeIntoEditor(QStringLiteral("dropped"));
    recordset.ExecuteOperation(roCancelChanges, nullptr);
    EXPECT_FALSE(grid.EditorVisible());
    EXPECT_EQ(recordset.GetRecordsetState(), rsBrowse);

    // Tab moves to the next column instead of leaving the grid.
    grid.SetFocusedColumn(0);
    Press(Qt::Key_Tab);
    EXPECT_EQ(grid.FocusedColumn(), 1);
}

} // namespace
