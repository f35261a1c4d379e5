#include "app/application_settings.h"
#include "app/execution_log.h"
#include "app/script_comments.h"
#include "app/script_executor.h"
#include "app/script_statements.h"
#include "dbcore/sql_property.h"
#include "editor/sql_syntax_setup.h"
#include "editor/syntax_coloring.h"
#include "foundation/storage_helpers.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_statement.h"
#include "quoted_text_scripts.h"
#include "support/driver_test.h"
#include "support/scripted_message_box.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>

namespace {

using namespace kx;
using test::TTestResultSet;

// A data source that quotes identifiers with something other than double quotes.
class TBracketQuotingExecutor : public TKxScriptExecutor {
public:
    using TKxScriptExecutor::TKxScriptExecutor;

protected:
    bool DoubleQuotesDelimitStrings() override { return true; }
};

class ScriptExecutorTest : public test::DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        if (IsSkipped())
            return;
        // The script is split as the window splits it: by the SQL colouring.
        KxLoadSqlSyntaxSetup(editor.SyntaxColoring());
        KxAttachSyntaxSpans(statements, editor.SyntaxColoring());
        KxConfigureApplicationStore(store, QDir(dir.path()).filePath(QStringLiteral("t.PRS")));
        connection.SetName(QStringLiteral("Connection1"));
        connection.SetODBCEnvironment(&environment);
        connection.SetConnectionString(connectString);
        connection.ExecuteDirect(QStringLiteral("CREATE TABLE t (id INTEGER, name VARCHAR(20))"));
        connection.SetActive(false);
        log.OnAddText = [this](const QString& text, TColor color) {
            entries.append({text, color});
        };
        executor.SetConnection(&connection);
        executor.ProcessEvents = [this] {
            if (onPump)
                onPump();
        };
    }

    void Load(const QString& script) {
        editor.SetAllText(script);
        statements.ResetCurrentStatement();
    }

    long long Count(const char* where = "1 = 1") {
        TKxOdbcConnection reader;
        reader.SetODBCEnvironment(&environment);
        reader.SetConnectionString(connectString);
        TTestResultSet query;
        query.SetODBCConnection(&reader);
        query.SQL().SetAsString(
            QStringLiteral("SELECT count(*) FROM t WHERE %1").arg(QString::fromLatin1(where)));
        query.SetActive(true);
        return query.FirstValue().toLongLong();
    }

    QStringList EntriesOf(TColor color) const {
        QStringList texts;
        for (const auto& [text, c] : entries)
            if (c == color)
                texts.append(KxTrimLogText(text));
        return texts;
    }

    TKxPersistentData store;
    TKxExecutionLog log{store};
    QList<std::pair<QString, TColor>> entries;
    TKxOdbcEnvironment environment;
    TKxOdbcConnection connection;
    TSyntaxTextModel editor;
    TKxScriptStatements statements{editor};
    TKxScriptExecutor executor{statements, store, log};
    std::function<void()> onPump;
};

TEST_P(ScriptExecutorTest, AFailingStatementAsksAndNoEndsTheRun) {
    Load(QStringLiteral("insert into t values (1, 'a');\r\ninsert into missing values (2);\r\n"
                        "insert into t values (3, 'c');"));
    {
        test::ScriptedMessageBox box({id::Yes});
        executor.ExecuteRemainingStatements();
        ASSERT_EQ(box.Seen().size(), 1u);
        EXPECT_TRUE(box.Seen()[0].text.endsWith(
            QStringLiteral("\r\rContinue executing the remaining SQL statements ?")));
    }
    EXPECT_EQ(Count(), 2);
    EXPECT_EQ(EntriesOf(kxLogErrorColor).size(), 1) << "the error is logged in red";
    EXPECT_FALSE(connection.Active()) << "auto-commit: closed after the run";

    Load(QStringLiteral("insert into t values (4, 'd');\r\ninsert into missing values (5);\r\n"
                        "insert into t values (6, 'f');"));
    test::ScriptedMessageBox box({id::No});
    EXPECT_THROW(executor.ExecuteRemainingStatements(), EKxException);
    EXPECT_EQ(Count(), 3);
    EXPECT_EQ(statements.GetCurrentStatementText(),
              QStringLiteral("insert into missing values (5);"))
        << "the failed statement stays current";
    EXPECT_FALSE(executor.Executing());
}

TEST_P(ScriptExecutorTest, ContinueOperationReachesTheLastStatement) {
    KxOpenKey(&store, QStringLiteral("\\GeneralSettings"), true);
    store.WriteString(QStringLiteral("ErrorAction"), QStringLiteral("0"));
    Load(QStringLiteral("insert into missing values (1);\r\ninsert into nothere values (2);\r\n"
                        "insert into t values (3, 'c');"));
    executor.ExecuteRemainingStatements();
    EXPECT_EQ(EntriesOf(kxLogErrorColor).size(), 2);
    EXPECT_EQ(Count(), 1);
}

TEST_P(ScriptExecutorTest, KindZeroAndEscapesAreNeverLogged) {
    Load(QStringLiteral("WITH x AS (SELECT 1 AS a) SELECT a FROM x;\r\n{call p};\r\n"));
    executor.ExecuteRemainingStatements();
    EXPECT_TRUE(EntriesOf(kxLogStatementColor).isEmpty());
    EXPECT_TRUE(EntriesOf(kxLogErrorColor).isEmpty()) << "«{call p}» is a comment: nothing ran";
}

TEST_P(ScriptExecutorTest, StopTakesEffectBetweenStatements) {
    Load(QStringLiteral("insert into t values (1, 'a');\r\ninsert into t values (2, 'b');\r\n"
                        "insert into t values (3, 'c');\r\ninsert into t values (4, 'd');\r\n"
                        "insert into t values (5, 'e');"));
    log.OnAddText = [this](const QString& text, TColor color) {
        entries.append({text, color});
        if (text.contains(QStringLiteral("(3, 'c')")))
            executor.Stop(); // pressed while the third statement runs
    };
    executor.ExecuteRemainingStatements();
    EXPECT_EQ(Count(), 3);
    EXPECT_EQ(statements.GetCurrentStatementText(),
              QStringLiteral("insert into t values (4, 'd');"));
    ASSERT_FALSE(EntriesOf(kxLogResultColor).isEmpty());
    EXPECT_TRUE(
        EntriesOf(kxLogResultColor).last().startsWith(QStringLiteral("Total execution time")));
}

TEST_P(ScriptExecutorTest, TextAfterTheLastSeparatorIsNoStatementOfARun) {
    Load(QStringLiteral("insert into t values (1, 'a');\r\ninsert into t values (2, 'b');\r\n"
                        "insert into t values (3, 'c')"));
    executor.ExecuteRemainingStatements();
    EXPECT_EQ(Count(), 2);
    EXPECT_EQ(statements.GetCurrentStatementText(),
              QStringLiteral("insert into t values (2, 'b');"));
    executor.ExecuteRemainingStatements();
    EXPECT_EQ(Count(), 3) << "on the last statement only that one runs";
    statements.MakeCurrentAt(editor.TextLength());
    executor.ExecuteCurrentStatement();
    EXPECT_EQ(Count(), 4);
}

TEST_P(ScriptExecutorTest, EmptyStatementsSkipNothing) {
    Load(QStringLiteral(
        "insert into t values (1, 'a');;\r\n/* only a note */;\r\n-- and one more\r\n;"
        "insert into t values (2, 'b');\r\n;\r\ninsert into t values (3, 'c');"));
    executor.ExecuteRemainingStatements();
    EXPECT_EQ(Count(), 3);
    EXPECT_EQ(Count("id = 2"), 1);
}

TEST_P(ScriptExecutorTest, SeparatorsInQuotedTextSplitNothing) {
    test::ScriptedMessageBox box; // any error would ask, and fail the test
    Load(test::MultiRowInsertScript());
    executor.ExecuteRemainingStatements();
    EXPECT_TRUE(EntriesOf(kxLogErrorColor).isEmpty())
        << EntriesOf(kxLogErrorColor).join(QLatin1Char('|')).toStdString();
    test::ExpectEveryArtistLoaded(connectString);

    Load(test::InjectionScript());
    executor.ExecuteRemainingStatements();
    EXPECT_TRUE(EntriesOf(kxLogErrorColor).isEmpty());
    test::ExpectValueStoredAndTableKept(connectString);
    EXPECT_TRUE(box.Seen().empty());
}

// Text after the last separator is no statement of a run, whatever empty statements stand
// before it; making it current and executing it runs it.
TEST_P(ScriptExecutorTest, TrailingTextRunsOnlyWhenMadeCurrent) {
    for (const char* script :
         {"insert into t values (1, 'a');;insert into t values (2, 'b')",
          "insert into t values (1, 'a');\r\n/* x */;\r\ninsert into t values (2, 'b')",
          "insert into t values (1, 'a');\r\ninsert into t values (2, 'b')"}) {
        SCOPED_TRACE(script);
        connection.ExecuteDirect(QStringLiteral("delete from t"));
        connection.SetActive(false);
        Load(QString::fromUtf8(script));
        executor.ExecuteRemainingStatements();
        EXPECT_EQ(Count(), 1);
        EXPECT_EQ(statements.GetCurrentStatementText(),
                  QStringLiteral("insert into t values (1, 'a');"));
        statements.MakeCurrentAt(editor.TextLength());
        executor.ExecuteCurrentStatement();
        EXPECT_EQ(Count("id = 2"), 1);
    }
}

TEST_P(ScriptExecutorTest, DoubleQuotesFollowTheDataSourcesIdentifierQuote) {
    connection.ExecuteDirect(QStringLiteral("INSERT INTO t VALUES (1, 'real')"));
    TTestResultSet resultSet;
    resultSet.SetODBCConnection(&connection);
    executor.SetResultSet(&resultSet);
    Load(QStringLiteral("select \"name\" from t;"));
    executor.ExecuteCurrentStatement();
    ASSERT_TRUE(resultSet.Active());
    EXPECT_TRUE(connection.Active()) << "an open result set keeps the connection";
    EXPECT_EQ(resultSet.FirstValue(), QStringLiteral("real")) << "the column, not a constant";
    EXPECT_TRUE(executor.ExecutionTimeText().startsWith(QStringLiteral("SQL execution time: ")));
    resultSet.SetActive(false);

    TBracketQuotingExecutor other(statements, store, log);
    other.SetConnection(&connection);
    Load(QStringLiteral("update t set id = 2 where name = \"real\";"));
    other.ExecuteCurrentStatement();
    EXPECT_TRUE(EntriesOf(kxLogStatementColor)
                    .contains(QStringLiteral("update t set id = 2 where name = 'real'")))
        << EntriesOf(kxLogStatementColor).join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Count("id = 2"), 1);
}

TEST_P(ScriptExecutorTest, ManualCommitKeepsTheWorkForTheUser) {
    connection.SetAttributes(0);
    Load(QStringLiteral("insert into t values (1, 'a');\r\ninsert into t values (2, 'b');"));
    executor.ExecuteRemainingStatements();
    EXPECT_TRUE(connection.Active()) << "not closed: that would roll the work back";
    EXPECT_EQ(connection.TransactionCount(), 1);
    if (Server()) {
        EXPECT_EQ(Count(), 0) << "not visible to others before Commit";
    }
    connection.CommitTransaction();
    EXPECT_EQ(Count(), 2);

    Load(QStringLiteral("delete from t;"));
    executor.ExecuteCurrentStatement();
    EXPECT_EQ(connection.TransactionCount(), 1);
    connection.RollbackTransaction();
    EXPECT_EQ(Count(), 2);
}

TEST_P(ScriptExecutorTest, EveryManualCommitRunAfterACloseIsCountedAgain) {
    connection.SetAttributes(0);
    Load(QStringLiteral("insert into t values (1, 'a');"));
    executor.ExecuteCurrentStatement();
    EXPECT_EQ(connection.TransactionCount(), 1);
    connection.CommitTransaction();
    connection.SetActive(false); // Close SQL Query after the Commit
    EXPECT_EQ(connection.TransactionCount(), 0);

    // Reopened on demand by the next run, which counts its own transaction again.
    Load(QStringLiteral("insert into t values (2, 'b');\r\ninsert into t values (3, 'c');"));
    executor.ExecuteRemainingStatements();
    EXPECT_TRUE(connection.Active());
    EXPECT_EQ(connection.TransactionCount(), 1) << "Commit and Rollback are offered again";
    if (Server()) {
        EXPECT_EQ(Count(), 1) << "the second run waits for its Commit";
    }
    connection.CommitTransaction();
    EXPECT_EQ(Count(), 3);
    connection.SetActive(false);
    EXPECT_EQ(Count(), 3) << "closing after Commit loses nothing";

    // Closed without Commit: rolled back, and the run after it begins afresh.
    Load(QStringLiteral("delete from t;"));
    executor.ExecuteCurrentStatement();
    connection.SetActive(false);
    EXPECT_EQ(Count(), 3);
    executor.ExecuteCurrentStatement();
    EXPECT_EQ(connection.TransactionCount(), 1);
    connection.CommitTransaction();
    EXPECT_EQ(Count(), 0);
}

KX_INSTANTIATE_DRIVER_TESTS(ScriptExecutorTest);

TEST(ScriptExecutorTextTest, SqlLineFoldsWhiteSpace) {
    EXPECT_EQ(TKxScriptExecutor::SqlLineText(QStringLiteral("select *\r\n\tfrom  t \r\n")),
              QStringLiteral("select * from t"));
}

} // namespace
