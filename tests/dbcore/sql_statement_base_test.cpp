#include "dbcore/sql_property.h"
#include "dbcore/sql_statement_base.h"
#include "foundation/trace.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QThread>
#include <gtest/gtest.h>

namespace {

using namespace kx;

// A statement that executes into a log instead of a driver; its position store remembers
// whether a position was restored.
class TTestStatement : public TKxSqlStatementBase, public virtual IKxOperationSink {
public:
    explicit TTestStatement(QStringList* log) : m_log(log) {}
    ~TTestStatement() override { CloseBeforeDestroy(); }

    void BeforeOperation(int operation, IKxUnknown* parameter) override {
        m_log->append(QStringLiteral("before %1").arg(operation));
        TKxSqlStatementBase::BeforeOperation(operation, parameter);
    }
    void AfterOperation(int operation, IKxUnknown* parameter) override {
        m_log->append(QStringLiteral("after %1").arg(operation));
        TKxSqlStatementBase::AfterOperation(operation, parameter);
    }
    KxIntf<IKxUnknown> CreateStateHolder() override {
        m_log->append(QStringLiteral("save position"));
        return nullptr;
    }
    void RestoreState(IKxUnknown*) override { m_log->append(QStringLiteral("restore position")); }

    using TKxSqlStatementBase::DoOperation;
    using TKxSqlStatementBase::SetRecordsetState;
    bool failNext = false;

protected:
    void AllocHandle() override {
        SetHandle(1); // stands for a driver handle
        TKxSqlStatementBase::AllocHandle();
    }
    void APIExecuteSQL(const QString& text) override {
        if (std::exchange(failNext, false))
            KxRaise(QStringLiteral("driver refused"), QStringLiteral("APIExecuteSQL"), this);
        m_log->append(QStringLiteral("execute ") + text);
    }

private:
    QStringList* m_log;
};

class SqlStatementBaseTest : public testing::Test {
protected:
    void SetUp() override {
        statement.SQL().SetAsString(QStringLiteral("  DELETE FROM t WHERE a = 1 ;\r\n "));
    }
    QStringList log;
    TTestStatement statement{&log};
};

TEST_F(SqlStatementBaseTest, OpeningExecutesTheStrippedText) {
    statement.SetActive(true);
    EXPECT_TRUE(statement.Active());
    EXPECT_TRUE(statement.Executed());
    EXPECT_EQ(log, QStringList({QStringLiteral("execute DELETE FROM t WHERE a = 1")}));
    statement.SetActive(false);
    EXPECT_FALSE(statement.Executed());
    EXPECT_EQ(statement.GetRecordsetState(), rsInactive);
}

TEST_F(SqlStatementBaseTest, EmptyAndSelectTextsAreRefusedBeforeExecution) {
    statement.SQL().SetAsString(QStringLiteral(" \r\n\t "));
    try {
        statement.SetActive(true);
        ADD_FAILURE();
    } catch (const EKxException& e) {
        EXPECT_EQ(e.GetMessage(), QStringLiteral("The SQL text of the statement is empty"));
    }
    statement.SQL().SetAsString(QStringLiteral("select * from t"));
    try {
        statement.SetActive(true);
        ADD_FAILURE();
    } catch (const EKxException& e) {
        EXPECT_EQ(
            e.GetMessage(),
            QStringLiteral("Only Modifying SQL Statements can be executed with this Component."));
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("CheckPreparedSQLStatement"));
    }
    EXPECT_FALSE(statement.Active());
    EXPECT_TRUE(log.isEmpty());
}

TEST_F(SqlStatementBaseTest, OperationsThatChangeNothingAreSkipped) {
    statement.SetActive(true);
    statement.SetRecordsetState(rsEdit);
    log.clear();
    int work = 0;
    statement.DoOperation(roEdit, nullptr, [&] { ++work; });
    EXPECT_EQ(work, 0);
    EXPECT_TRUE(log.isEmpty());

    statement.SetRecordsetState(rsBrowse);
    statement.DoOperation(roRefreshCurrent, nullptr, [&] { ++work; });
    statement.DoOperation(roDelete, nullptr, [&] { ++work; });
    EXPECT_EQ(work, 2);
    EXPECT_EQ(log, QStringList({QStringLiteral("before 5"), QStringLiteral("after 5"),
                                QStringLiteral("before 2"), QStringLiteral("after 2")}));

    log.clear();
    EXPECT_THROW(statement.DoOperation(roEdit, nullptr, [] { throw std::runtime_error("x"); }),
                 std::runtime_error);
    EXPECT_EQ(statement.GetRecordsetState(), rsBrowse) << "a failed operation keeps the state";
    EXPECT_EQ(log, QStringList({QStringLiteral("before 0")}));
}

TEST_F(SqlStatementBaseTest, OnlyReExecutionIsExecutableOnAPlainStatement) {
    EXPECT_TRUE(statement.CanExecuteOperation(roReExecuteStatement, nullptr));
    EXPECT_TRUE(statement.CanExecuteOperation(roScheduleReExecution, nullptr));
    EXPECT_FALSE(statement.CanExecuteOperation(roEdit, nullptr));
    statement.SetActive(true);
    statement.SetRecordsetState(rsEdit);
    EXPECT_FALSE(statement.CanExecuteOperation(roReExecuteStatement, nullptr));
    EXPECT_FALSE(statement.IsUpdatable()) << "no connection, so nothing can be modified";
}

TEST_F(SqlStatementBaseTest, ReExecutionBracketsAndKeepsThePosition) {
    statement.ReExecute(true, true);
    EXPECT_EQ(log, QStringList({QStringLiteral("before 6"),
                                QStringLiteral("execute DELETE FROM t WHERE a = 1"),
                                QStringLiteral("after 6")}))
        << "an inactive statement opens without a position to restore";
    log.clear();
    statement.ReExecute(true, true);
    EXPECT_EQ(log, QStringList({QStringLiteral("before 6"), QStringLiteral("save position"),
                                QStringLiteral("execute DELETE FROM t WHERE a = 1"),
                                QStringLiteral("restore position"), QStringLiteral("after 6")}));
    log.clear();
    statement.ReExecute(false, true);
    EXPECT_EQ(log, QStringList({QStringLiteral("execute DELETE FROM t WHERE a = 1")}));

    log.clear();
    statement.failNext = true;
    EXPECT_THROW(statement.ReExecute(true, true), EKxException);
    EXPECT_FALSE(statement.Active());
    EXPECT_EQ(log, QStringList({QStringLiteral("before 6"), QStringLiteral("save position"),
                                QStringLiteral("after 6")}))
        << "the bracket closes, no restore on a closed statement";
}

TEST_F(SqlStatementBaseTest, FiveSchedulesWithinTheDelayReExecuteOnce) {
    EXPECT_EQ(statement.TimedReExecutionDelay(), 300);
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 5; ++i) {
        statement.ScheduleReExecution(true);
        QThread::msleep(40);
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(log.count(QStringLiteral("execute DELETE FROM t WHERE a = 1")), 0);
    while (clock.elapsed() < 1200 && log.isEmpty())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    const qint64 elapsed = clock.elapsed();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 400);
    EXPECT_EQ(log.count(QStringLiteral("execute DELETE FROM t WHERE a = 1")), 1);
    EXPECT_GE(elapsed, 4 * 40 + 300 - 20) << "the wait restarts with every schedule";

    log.clear();
    statement.SetTimedReExecutionDelay(0);
    statement.ScheduleReExecution(false);
    EXPECT_EQ(log.count(QStringLiteral("execute DELETE FROM t WHERE a = 1")), 1)
        << "no delay: at once";
}

TEST_F(SqlStatementBaseTest, SortOrderRewritesTheOrderByPart) {
    statement.SQL().SetAsString(QStringLiteral("SELECT a, Name FROM t ORDER BY a ASC, Name ASC"));
    EXPECT_EQ(statement.GetFieldSortOrder(QStringLiteral("Name")), soAscending);
    statement.SetFieldSortOrder(QStringLiteral("Name"), soDescending, true, false);
    EXPECT_EQ(statement.SQL().GetSQLOrderBy(), QStringLiteral("a ASC, Name DESC"));
    EXPECT_EQ(statement.GetFieldSortOrder(QStringLiteral("name")), soDescending);
    QString first;
    EXPECT_TRUE(statement.GetFirstSortField(first));
    EXPECT_EQ(first, QStringLiteral("a"));
    statement.SetFieldSortOrder(QStringLiteral("a"), soNone, true, false);
    EXPECT_EQ(statement.SQL().GetSQLOrderBy(), QStringLiteral("Name DESC"));
}

TEST_F(SqlStatementBaseTest, ExecutedTextIsTracedWhenTracingIsOn) {
    QStringList traced;
    KxSetTraceRoutine([&](const QString& text, TKxTraceCategory category) {
        if (category == TKxTraceCategory::ExecutedSql)
            traced.append(text);
    });
    KxSetTraceActiveQuery([] { return true; });
    statement.SetActive(true);
    KxSetTraceRoutine({});
    KxSetTraceActiveQuery({});
    ASSERT_EQ(traced.size(), 1);
    EXPECT_EQ(traced.front(),
              QString(51, QLatin1Char('=')) + QStringLiteral("\r\nDELETE FROM t WHERE a = 1"));
}

} // namespace
