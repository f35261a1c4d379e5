#pragma once

#include "datactrls/data_grid.h"
#include "dbcore/sql_property.h"
#include "odbc/odbc_recordset.h"
#include "support/connected_driver_test.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>

namespace kx::test {

// The grid over a real recordset, painted offscreen.
class DataGridTest : public ConnectedDriverTest {
protected:
    void SetUp() override {
        ConnectedDriverTest::SetUp();
        if (IsSkipped())
            return;
        connection.ExecuteDirect(
            QStringLiteral("CREATE TABLE kx_g (id INTEGER PRIMARY KEY, name VARCHAR(20))"));
        connection.ExecuteDirect(
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE "
                           "i < 1000) INSERT INTO kx_g SELECT i, 'row ' || i FROM n"));
        recordset.SetName(QStringLiteral("Recordset1"));
        recordset.SetODBCConnection(&connection);
        grid.resize(400, 300);
    }
    void Open(const QString& sql) {
        recordset.SQL().SetAsString(sql);
        recordset.SetActive(true);
        grid.SetRecordset(static_cast<IKxGetItemByName*>(&recordset));
    }
    QImage Paint() { return grid.grab().toImage(); }
    void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(&grid, &event);
    }
    int VisibleRows() const { return grid.viewport()->height() / grid.Rows().RowHeight() + 1; }

    TKxOdbcRecordset recordset;
    TKxIDataGrid grid;

    // A left click in the data area at the middle of `row` (1-based, as shown now).
    void Click(std::int64_t row, Qt::KeyboardModifiers modifiers = Qt::NoModifier, int x = 30) {
        const QPoint point(x,
                           static_cast<int>(grid.Rows().YOfRow(row)) + grid.Rows().RowHeight() / 2);
        QMouseEvent press(QEvent::MouseButtonPress, point, grid.viewport()->mapToGlobal(point),
                          Qt::LeftButton, Qt::LeftButton, modifiers);
        QApplication::sendEvent(grid.viewport(), &press);
    }
};

} // namespace kx::test
