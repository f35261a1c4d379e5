// The database server going away in the middle of the work, as when an administrator stops
// it: a script run and a grid reading rows through a server-side cursor. Whatever the
// driver reports, the window must say so clearly, keep running, never report a statement
// as done that was not, and work again once the server is back.

#include "app/main_actions.h"
#include "app/main_window.h"
#include "app/script_executor.h"
#include "datactrls/data_grid.h"
#include "dialogs/report_window.h"
#include "foundation/message_box.h"
#include "main_window_fixture.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_recordset.h"
#include "support/scripted_message_box.h"
#include "support/test_server_outage.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using namespace kx;

class ServerOutageTest : public test::MainWindowTest {
protected:
    void SetUp() override {
        if (!test::TestServerOutage::Available())
            GTEST_SKIP() << "no PostgreSQL test server that the tests may stop";
        MainWindowTest::SetUp();
    }
    QString ReportText() const { return window->Report().TextBox()->toPlainText(); }
    void Press(int key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&window->Grid(), &event);
        window->grab(); // paints: the rows on screen are read as they would be
    }
    // Runs `sql` as the current statement; answers the first row's cells.
    QStringList QueryRow(const QString& sql) {
        SetScript(sql);
        window->Actions().ExecuteStatement->trigger();
        QStringList cells;
        if (!window->ResultSet().Active())
            return cells;
        for (int column = 0; column < window->Grid().ColumnCount(); ++column)
            cells << window->Grid().CellText(1, column);
        return cells;
    }
    // The connection string again after the server came back: the old connection is closed
    // (it is broken) and a new one made.
    void Reconnect(const QString& connection) {
        window->Actions().CloseRSStatement->trigger();
        if (window->Actions().CloseConnection->isEnabled())
            window->Actions().CloseConnection->trigger();
        ASSERT_TRUE(window->UseConnectionString(connection));
    }

    test::TestServerOutage outage;
};

bool ReportsLostConnection(const QString& report) {
    // The server's own word when it ends the session, or the driver's when the socket is gone.
    for (const char* sign : {"57P01", "08S01", "terminating connection", "closed the connection",
                             "connection lost", "connection has been lost"}) {
        if (report.contains(QLatin1String(sign), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

TEST_P(ServerOutageTest, ScriptRunReportsEveryStatementAfterTheServerWentAsFailed) {
    ASSERT_EQ(test::ExecuteRaw(connectString, QStringLiteral("CREATE TABLE t (id integer)")),
              QString());
    constexpr int kInserts = 4000;
    QString script;
    for (int i = 1; i <= kInserts; ++i)
        script += QStringLiteral("INSERT INTO t VALUES (%1);\n").arg(i);
    ASSERT_TRUE(window->UseConnectionString(connectString));
    SetScript(script);
    window->Executor().SetErrorActionOverride(eaContinue);

    // The server goes while the run is under way; a run that goes on past failures asks
    // nothing, so no message box may come.
    test::ScriptedMessageBox messages;
    int ranBeforeStop = -1;
    QString stopError = QStringLiteral("the run ended before the server was stopped");
    QTimer::singleShot(150, [&] {
        ranBeforeStop = window->Executor().StatementsRun();
        stopError = outage.StopServer();
    });
    window->Actions().ExecuteScript->trigger();
    ASSERT_EQ(stopError, QString());
    ASSERT_GT(ranBeforeStop, 0);
    ASSERT_LT(ranBeforeStop, kInserts) << "the stop came after the run";

    // Every statement was tried and each one after the loss failed; none before it did.
    EXPECT_EQ(window->Executor().StatementsRun(), kInserts);
    const int succeeded = kInserts - window->Executor().FailedStatements();
    EXPECT_GE(succeeded, ranBeforeStop);
    EXPECT_LT(succeeded, kInserts);
    EXPECT_TRUE(ReportsLostConnection(ReportText())) << ReportText().right(2000).toStdString();
    EXPECT_FALSE(window->Executor().Executing());
    EXPECT_TRUE(window->Actions().ExecuteScript->isEnabled());

    // Back: a new connection works, and what is stored is exactly what was reported as
    // stored — each row once — plus at most the statement whose answer the loss cut off.
    ASSERT_EQ(outage.StartServer(), QString());
    Reconnect(connectString);
    const QStringList row = QueryRow(QStringLiteral(
        "SELECT count(*) AS n, count(DISTINCT id) AS d, min(id) AS lo, max(id) AS hi FROM t"));
    ASSERT_EQ(row.size(), 4) << "the query after reconnecting showed no result";
    const int stored = row[0].toInt();
    EXPECT_EQ(row[1].toInt(), stored) << "a row was written twice";
    EXPECT_EQ(row[2].toInt(), 1);
    EXPECT_EQ(row[3].toInt(), stored) << "a row reported as stored is missing";
    EXPECT_TRUE(stored == succeeded || stored == succeeded + 1)
        << "stored " << stored << ", reported as stored " << succeeded;
}

TEST_P(ServerOutageTest, GridReadingThroughACursorShowsTheLossAndTheWindowGoesOn) {
    // With declared fetching the driver reads the rows through a server-side cursor, 100 at a
    // time, so scrolling on needs the server.
    const QString cursorConnect = connectString + QStringLiteral("UseDeclareFetch=1;Fetch=100;");
    ASSERT_TRUE(window->UseConnectionString(cursorConnect));
    window->resize(1000, 650);
    window->show();
    const QString query =
        QStringLiteral("SELECT g AS n, repeat('x', 40) AS pad FROM generate_series(1, 200000) g");
    ASSERT_EQ(QueryRow(query).value(0), QStringLiteral("1"));
    for (int i = 0; i < 5; ++i)
        Press(Qt::Key_PageDown);
    const std::int64_t rowBeforeStop = window->Grid().Rows().CurrentRow();
    ASSERT_GT(rowBeforeStop, 5);
    EXPECT_EQ(window->Grid().CellText(rowBeforeStop, 0), QString::number(rowBeforeStop));

    ASSERT_EQ(outage.StopServer(), QString());
    test::ScriptedMessageBox messages({id::Ok, id::Ok, id::Ok, id::Ok});
    for (int i = 0; i < 40; ++i)
        Press(Qt::Key_PageDown);
    const std::int64_t rowAfterStop = window->Grid().Rows().CurrentRow();
    // Each row that cannot be read says why, in the driver's words, and the scrolling goes on;
    // nothing raises out of the grid, and a box, if the failure shows one, comes only once.
    ASSERT_GT(rowAfterStop, rowBeforeStop);
    const QString shown = window->Grid().CellText(rowAfterStop, 0);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("<Error")) && ReportsLostConnection(shown))
        << shown.toStdString();
    EXPECT_LE(messages.Seen().size(), 1u) << "the same failure was reported at every scroll";

    ASSERT_EQ(outage.StartServer(), QString());
    Reconnect(cursorConnect);
    ASSERT_EQ(QueryRow(query).value(0), QStringLiteral("1"));
    for (int i = 0; i < 5; ++i)
        Press(Qt::Key_PageDown);
    const std::int64_t row = window->Grid().Rows().CurrentRow();
    EXPECT_GT(row, 5);
    EXPECT_EQ(window->Grid().CellText(row, 0), QString::number(row));
}

INSTANTIATE_TEST_SUITE_P(Server, ServerOutageTest,
                         testing::Values(test::TestDriver{"PostgreSQL", true}),
                         test::DriverTestName);

} // namespace
