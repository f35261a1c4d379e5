#include "app/main_actions.h"
#include "app/main_window.h"
#include "app/script_executor.h"
#include "datactrls/data_grid.h"
#include "dialogs/report_window.h"
#include "editor/syntax_editor.h"
#include "main_window_fixture.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_recordset.h"
#include "support/event_loop_watch.h"
#include "support/scripted_message_box.h"

#include <QAction>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using namespace kx;

// A SELECT that runs for minutes unless it is cancelled.
QString LongSelect(bool server) {
    return server ? QStringLiteral("SELECT pg_sleep(60)")
                  : QStringLiteral("SELECT count(*) FROM (WITH RECURSIVE c(x) AS (SELECT 1 "
                                   "UNION ALL SELECT x + 1 FROM c LIMIT 2000000000) SELECT x "
                                   "FROM c)");
}

// What the window does while a long statement runs, watched from its own event loop; once
// the statement is under way `act` plays the user's part.
class StatementCancelTest : public test::MainWindowTest {
protected:
    void RunLongStatement(const std::function<void()>& act) {
        ASSERT_TRUE(window->UseConnectionString(connectString));
        SetScript(LongSelect(Server()) + QStringLiteral(";\nSELECT 1 AS one;\n"));
        test::EventLoopWatch watch([&](qint64 now) {
            if (now >= 700 && stoppedAt < 0) {
                // Under way: nothing else can be started, Stop can, the time runs.
                executeEnabledMeanwhile = window->Actions().ExecuteStatement->isEnabled() ||
                                          window->Actions().CloseConnection->isEnabled();
                stopEnabledMeanwhile = window->Actions().StopExec->isEnabled();
                statusMeanwhile = window->StatusText(2);
                stoppedAt = now;
                act();
            }
        });
        watch.Start();
        window->Actions().ExecuteStatement->trigger();
        returnedAt = watch.Stop();
        longestGap = watch.LongestGap();
    }
    QString ReportText() const { return window->Report().TextBox()->toPlainText(); }

    qint64 longestGap = 0;
    qint64 stoppedAt = -1;
    qint64 returnedAt = -1;
    bool executeEnabledMeanwhile = true;
    bool stopEnabledMeanwhile = false;
    QString statusMeanwhile;
};

TEST_P(StatementCancelTest, StopCancelsTheRunningStatementAndTheConnectionGoesOn) {
    test::ScriptedMessageBox messages;
    RunLongStatement([&] { window->Actions().StopExec->trigger(); });

    ASSERT_GE(stoppedAt, 0) << "the statement ended before the window could stop it";
    EXPECT_LT(longestGap, 100) << "the window kept handling events while the statement ran";
    EXPECT_LT(returnedAt - stoppedAt, 500) << "Stop returned control at once";
    EXPECT_FALSE(executeEnabledMeanwhile);
    EXPECT_TRUE(stopEnabledMeanwhile);
    EXPECT_TRUE(statusMeanwhile.startsWith(QStringLiteral("Executing: 00:00:00.")))
        << statusMeanwhile.toStdString();
    EXPECT_TRUE(messages.Seen().empty()) << "a stop the user asked for is not an error to show";
    // The report shows the driver's cancel like any failure.
    EXPECT_TRUE(
        ReportText().contains(Server() ? QStringLiteral("57014") : QStringLiteral("interrupted")))
        << ReportText().toStdString();
    EXPECT_FALSE(window->Executor().Executing());
    EXPECT_TRUE(window->Actions().ExecuteStatement->isEnabled());

    // The next statement runs on the same connection.
    window->Actions().NextStatement->trigger();
    window->Actions().ExecuteStatement->trigger();
    ASSERT_TRUE(window->ResultSet().Active());
    EXPECT_EQ(window->Grid().CellText(1, 0), QStringLiteral("1"));
    EXPECT_TRUE(window->StatusText(2).startsWith(QStringLiteral("SQL execution time: ")));
}

TEST_P(StatementCancelTest, ClosingTheWindowMeanwhileAsksCancelsAndClosesAfterwards) {
    test::ScriptedMessageBox messages({id::No, id::Yes});
    bool closedAtOnce = true;
    RunLongStatement([&] {
        // No: the statement goes on and the window stays. Yes: cancelled, then closed.
        closedAtOnce = Close();
        EXPECT_TRUE(window->Executor().Executing());
        closedAtOnce = closedAtOnce || Close();
    });
    EXPECT_FALSE(closedAtOnce) << "the window cannot go while the run's frames are on the stack";
    ASSERT_EQ(messages.Seen().size(), 2u);
    EXPECT_TRUE(messages.Seen()[0].text.contains(QStringLiteral("still executing")));
    EXPECT_LT(returnedAt - stoppedAt, 500);

    // The window closes as soon as the run has returned, the connection is closed cleanly.
    window->show();
    QElapsedTimer clock;
    clock.start();
    while (window->isVisible() && clock.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->ResultSet().Active());
}

KX_INSTANTIATE_DRIVER_TESTS(StatementCancelTest);

} // namespace
