#include "odbc/odbc_call_in_flight.h"
#include "support/connected_driver_test.h"
#include "support/raised.h"

#include <QElapsedTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace kx;

// A statement that runs for minutes unless it is cancelled.
QString LongStatement(bool server) {
    return server ? QStringLiteral("CREATE TABLE kx_slow AS SELECT 1 AS x FROM pg_sleep(60)")
                  : QStringLiteral("CREATE TABLE kx_slow AS SELECT count(*) AS x FROM (WITH "
                                   "RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c "
                                   "LIMIT 2000000000) SELECT x FROM c)");
}

class OdbcCancelTest : public test::ConnectedDriverTest {};

TEST_P(OdbcCancelTest, AnotherThreadCancelsTheStatementInFlight) {
    connection.SetActive(true);
    EXPECT_FALSE(KxCancelStatementInFlight()) << "nothing is in flight yet";

    std::atomic<bool> cancelled{false};
    std::thread canceller([&] {
        // Until the statement is in flight: the first attempts may come before it.
        for (int i = 0; i < 500 && !cancelled; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            cancelled = KxCancelStatementInFlight();
        }
    });
    QElapsedTimer clock;
    clock.start();
    const EKxException e = test::Raised([&] { connection.ExecuteDirect(LongStatement(Server())); });
    const qint64 elapsed = clock.elapsed();
    canceller.join();

    EXPECT_TRUE(cancelled);
    // The driver's own cancel diagnostics: PostgreSQL's query_canceled, SQLite's interrupt.
    EXPECT_TRUE(
        e.GetMessage().contains(Server() ? QStringLiteral("57014") : QStringLiteral("interrupted")))
        << e.GetMessage().toStdString();
    EXPECT_LT(elapsed, 5000) << "the statement ended on the cancel, not by itself";
    EXPECT_EQ(e.GetRoutineName(), QStringLiteral("APIExecuteSQL")) << e.GetMessage().toStdString();
    EXPECT_FALSE(KxCancelStatementInFlight()) << "the ended statement left the register";

    // The connection goes on working after the cancel.
    SQLLEN affected = -2;
    connection.ExecuteDirect(QStringLiteral("CREATE TABLE kx_after_cancel (id INTEGER)"));
    connection.ExecuteDirect(QStringLiteral("INSERT INTO kx_after_cancel VALUES (1)"), &affected);
    EXPECT_EQ(affected, 1);
}

KX_INSTANTIATE_DRIVER_TESTS(OdbcCancelTest);

} // namespace
