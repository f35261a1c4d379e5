#pragma once

#include <QPointer>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <sql.h>

namespace kx {

class IKxBlockingCallRunner;
class TKxExecutionLog;
class TKxOdbcConnection;
class TKxPersistentData;
class TKxStatementSource;
class TKxSqlStatementBase;

// Runs statements of the script against the current connection: the current statement, or
// every statement from the current one to the last. Each statement is prepared, classified
// by its first word, logged, timed and counted; a SELECT becomes the text of the result-set
// statement, which is reopened; anything else runs directly on the connection. In a script
// run the error action decides whether a failure ends the run. Between statements the event
// loop runs; during one, the window's blocking-call runner keeps it running, so painting and
// Stop work. Stop cancels the statement in flight: it ends with the driver's cancel
// diagnostics, logged like any failure, and the run ends without asking.
//
// After a run the connection is closed unless a result set is open — with auto-commit on.
// With auto-commit off the connection stays open and the first statement while no
// transaction is counted begins one, so the work waits for the user's Commit or Rollback
// instead of being rolled back silently by the close.
class TKxScriptExecutor {
public:
    TKxScriptExecutor(TKxStatementSource& statements, TKxPersistentData& store,
                      TKxExecutionLog& log);
    virtual ~TKxScriptExecutor();
    TKxScriptExecutor(const TKxScriptExecutor&) = delete;
    TKxScriptExecutor& operator=(const TKxScriptExecutor&) = delete;

    TKxOdbcConnection* Connection() const { return m_connection.data(); }
    void SetConnection(TKxOdbcConnection* connection) { m_connection = connection; }
    // The window's result-set statement; SELECTs are handed to it.
    TKxSqlStatementBase* ResultSet() const { return m_resultSet; }
    void SetResultSet(TKxSqlStatementBase* resultSet);

    // While a statement or a run executes; the user starts nothing else meanwhile.
    bool Executing() const { return m_executing; }
    // Makes the statements' execution calls so that the event loop goes on meanwhile (null:
    // in place).
    void SetBlockingCallRunner(IKxBlockingCallRunner* runner) { m_runner = runner; }
    // When the statement executing now began (ms since the epoch), 0 between statements.
    std::int64_t StatementStartTime() const { return m_statementRunning ? m_startTime : 0; }
    // Statements that failed since the last run or statement began (the error action may have
    // let the run go on past them).
    int FailedStatements() const { return m_failedStatements; }
    bool StopRequested() const { return m_stopRequested; }

    void ExecuteCurrentStatement();
    void ExecuteRemainingStatements();
    // Safe from a signal handler: the run stops before its next statement.
    void Stop() { m_stopRequested = true; }
    // Stops the run and cancels the statement in flight (not from a signal handler).
    void Cancel();
    // Statements run since the last run or statement began, failed or not.
    int StatementsRun() const { return m_statementsRun; }
    // Replaces the :name parameter markers of every prepared statement (the batch runner's
    // --param values); unset, statements run as they are written.
    std::function<QString(const QString& text)> ResolveParameters;
    // An error action that replaces the stored setting (-1: the stored one).
    void SetErrorActionOverride(int action) { m_errorActionOverride = action; }
    // "#" comments fixed for the run (-1: read the setting for every statement, as the
    // settings window may change it meanwhile).
    void SetDirectiveCommentOverride(int on) { m_directiveCommentOverride = on; }
    // One statement; `inScript` lets the error action decide instead of raising at once.
    void ExecuteSqlStatement(const QString& rawText, bool inScript);

    // "SQL execution time: hh:nn:ss.zzz", or "SQL execution time: ?".
    QString ExecutionTimeText() const { return m_executionTimeText; }
    // The result set's SQL on one line: runs of white space become one blank.
    static QString SqlLineText(const QString& sql);

    // The result set is about to be opened outside a statement run (restored at start-up):
    // its execution time counts from now.
    void StartTiming();

    // Handlers wired to the result-set statement.
    void ResultSetBeforeOperation(int operation);
    void ResultSetAfterOperation(int operation);
    void ResultSetAfterActiveChange(bool active);

    std::function<void()> OnActionsChanged;
    std::function<void(const QString& text)> OnExecutionTimeChanged;
    // Lets pending events run between the statements of a script run.
    std::function<void()> ProcessEvents;

protected:
    // Whether the data source writes strings in double quotes: only when it does not quote
    // identifiers with them.
    virtual bool DoubleQuotesDelimitStrings();

private:
    void CloseConnectionAfterRun();
    bool AutoCommit() const;
    void ShowExecutionTime(bool known);
    void RefreshActions();
    void Pump();
    void BeginExecution();
    void EndExecution();
    void Execute(int kind, const QString& text, SQLLEN* affected);

    TKxStatementSource& m_statements;
    TKxPersistentData& m_store;
    TKxExecutionLog& m_log;
    QPointer<TKxOdbcConnection> m_connection;
    TKxSqlStatementBase* m_resultSet = nullptr;
    IKxBlockingCallRunner* m_runner = nullptr;
    bool m_executing = false;
    bool m_statementRunning = false;
    int m_failedStatements = 0;
    std::atomic<bool> m_stopRequested{false};
    int m_statementsRun = 0;
    int m_errorActionOverride = -1;
    int m_directiveCommentOverride = -1;
    std::int64_t m_startTime = 0;
    std::int64_t m_lastPump = 0;
    QString m_executionTimeText;
};

} // namespace kx
