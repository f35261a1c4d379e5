#include "dbcore/sql_property.h"
#include "odbc/odbc_recordset.h"
#include "support/connected_driver_test.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

using namespace kx;

// Orders of three customers: a master over the customers, a detail over their orders.
class OdbcMasterDetailTest : public test::ConnectedDriverTest {
protected:
    void SetUp() override {
        ConnectedDriverTest::SetUp();
        if (IsSkipped())
            return;
        connection.ExecuteDirect(
            QStringLiteral("CREATE TABLE kx_c (id INTEGER PRIMARY KEY, name VARCHAR(10))"));
        connection.ExecuteDirect(QStringLiteral(
            "CREATE TABLE kx_o (id INTEGER PRIMARY KEY, c_id INTEGER, what VARCHAR(10))"));
        for (int c = 1; c <= 3; ++c) {
            connection.ExecuteDirect(QStringLiteral("INSERT INTO kx_c VALUES (%1, 'c%1')").arg(c));
            for (int o = 1; o <= c; ++o)
                connection.ExecuteDirect(QStringLiteral("INSERT INTO kx_o VALUES (%1, %2, 'o%1')")
                                             .arg(c * 10 + o)
                                             .arg(c));
        }
        master.SetODBCConnection(&connection);
        master.SQL().SetAsString(QStringLiteral("SELECT id, name FROM kx_c ORDER BY id"));
        detail.SetODBCConnection(&connection);
        detail.SQL().SetAsString(
            QStringLiteral("SELECT id, c_id, what FROM kx_o WHERE c_id = :id ORDER BY id"));
        detail.OnAfterOperation = [this](TKxOdbcRecordsetBase*, int operation) {
            if (operation == roReExecuteStatement)
                ++executions;
        };
    }
    void Settle(int milliseconds) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < milliseconds)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    QString DetailIds() {
        QStringList ids;
        if (!detail.Active() || detail.RecordCount() == 0)
            return {};
        detail.SetPosition(1);
        while (true) {
            ids.append(detail.FieldValue(KxVariant(QStringLiteral("id"))).ToString());
            if (detail.IsEOF())
                break;
            detail.MoveToNext();
        }
        return ids.join(QLatin1Char(','));
    }

    TKxOdbcRecordset master;
    TKxOdbcRecordset detail;
    int executions = 0;
};

TEST_P(OdbcMasterDetailTest, TheDetailFollowsItsMasterOnceForAQuickSeriesOfMoves) {
    master.SetActive(true);
    detail.SetMaster(static_cast<IKxGetItemByName*>(&master));
    detail.SetActive(true);
    EXPECT_EQ(DetailIds(), QStringLiteral("11")) << "the parameter comes from the master";

    // Three moves within the delay: one execution, for the last one.
    executions = 0;
    master.MoveToNext();
    master.MoveToNext();
    master.MoveToPrevious();
    master.MoveToNext();
    Settle(600);
    EXPECT_EQ(executions, 1);
    EXPECT_EQ(DetailIds(), QStringLiteral("31,32,33"));

    // A record inserted into the detail takes the master's key.
    detail.ExecuteOperation(roInsert, nullptr);
    EXPECT_EQ(detail.FieldValue(KxVariant(QStringLiteral("c_id"))).ToInt(), 3);
    detail.ExecuteOperation(roCancelChanges, nullptr);

    // Closing the master closes the detail.
    master.SetActive(false);
    EXPECT_FALSE(detail.Active());
}

KX_INSTANTIATE_DRIVER_TESTS(OdbcMasterDetailTest);

} // namespace
