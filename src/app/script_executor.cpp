#include "app/script_executor.h"

#include "app/application_settings.h"
#include "app/execution_log.h"
#include "app/statement_preparation.h"
#include "app/statement_source.h"
#include "dbcore/sql_property.h"
#include "dbcore/sql_statement_base.h"
#include "dbcore/sql_statement_text.h"
#include "foundation/message_box.h"
#include "odbc/odbc_call_in_flight.h"
#include "odbc/odbc_connection.h"

#include <QCoreApplication>
#include <QDateTime>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxQuerolt", text);
}

std::int64_t Now() {
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

TKxScriptExecutor::TKxScriptExecutor(TKxStatementSource& statements, TKxPersistentData& store,
                                     TKxExecutionLog& log)
    : m_statements(statements), m_store(store), m_log(log),
      m_executionTimeText(Tr("%1: %2").arg(Tr("SQL execution time"), QStringLiteral("?"))) {
    ProcessEvents = [] { QCoreApplication::processEvents(); };
}

TKxScriptExecutor::~TKxScriptExecutor() = default;

void TKxScriptExecutor::SetResultSet(TKxSqlStatementBase* resultSet) {
    m_resultSet = resultSet;
}

bool TKxScriptExecutor::AutoCommit() const {
    return m_connection == nullptr || KxInSet(m_connection->Attributes(), caAutoCommitTransactions);
}

bool TKxScriptExecutor::DoubleQuotesDelimitStrings() {
    return m_connection->IdentifierQuoteChar() != QStringLiteral("\"");
}

void TKxScriptExecutor::RefreshActions() {
    if (OnActionsChanged)
        OnActionsChanged();
}

void TKxScriptExecutor::Pump() {
    // Often enough for painting and Stop to feel immediate; a fast script of small statements
    // would otherwise spend more time polling for events than executing.
    constexpr std::int64_t kPumpIntervalMs = 15;
    const std::int64_t now = Now();
    if (now - m_lastPump < kPumpIntervalMs)
        return;
    m_lastPump = now;
    if (ProcessEvents)
        ProcessEvents();
}

void TKxScriptExecutor::CloseConnectionAfterRun() {
    if (m_connection == nullptr || (m_resultSet != nullptr && m_resultSet->Active()))
        return;
    if (!AutoCommit() && m_connection->Active())
        return; // open work waits for the user's Commit or Rollback
    m_connection->SetActive(false);
}

void TKxScriptExecutor::Cancel() {
    Stop();
    KxCancelStatementInFlight();
}

void TKxScriptExecutor::BeginExecution() {
    m_stopRequested = false;
    m_failedStatements = 0;
    m_statementsRun = 0;
    if (!m_statements.HasCurrentStatement())
        m_statements.NextStatement();
    m_executing = true;
    RefreshActions();
}

void TKxScriptExecutor::EndExecution() {
    m_executing = false;
    CloseConnectionAfterRun();
    RefreshActions();
}

void TKxScriptExecutor::ExecuteCurrentStatement() {
    if (m_connection == nullptr || m_executing)
        return;
    BeginExecution();
    try {
        ExecuteSqlStatement(m_statements.GetCurrentStatementText(), false);
    } catch (...) {
        EndExecution();
        throw;
    }
    EndExecution();
}

void TKxScriptExecutor::ExecuteRemainingStatements() {
    if (m_connection == nullptr || m_executing)
        return;
    BeginExecution();
    const std::int64_t runStart = Now();
    m_lastPump = 0; // the first pump always runs
    Pump();

    const auto finish = [this] { EndExecution(); };
    try {
        while (!m_statements.IsLastStatement() && !m_stopRequested) {
            ExecuteSqlStatement(m_statements.GetCurrentStatementText(), true);
            m_statements.NextStatement();
            Pump();
        }
        if (!m_stopRequested)
            ExecuteSqlStatement(m_statements.GetCurrentStatementText(), true);
        m_log.LogTotalTime(Now() - runStart);
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TKxScriptExecutor::ExecuteSqlStatement(const QString& rawText, bool inScript) {
    m_startTime = Now();
    ++m_statementsRun;
    bool logged = false;
    try {
        const bool directive = m_directiveCommentOverride >= 0 ? m_directiveCommentOverride != 0
                                                               : KxReadDirectiveComment(m_store);
        QString text = PrepareStatementText(rawText, directive);
        if (m_connection == nullptr || text.isEmpty())
            return;
        if (!DoubleQuotesDelimitStrings())
            text = PrepareStatementText(rawText, directive, false);
        if (ResolveParameters)
            text = ResolveParameters(text);

        const int kind = GetSQLStatementKind(text);
        logged = m_log.LogStatement(kind, text);
        if (!AutoCommit() && m_connection->TransactionCount() == 0) {
            m_connection->SetActive(true);
            m_connection->BeginTransaction();
        }
        SQLLEN affected = -1;
        Execute(kind, text, &affected);
        m_log.LogResult(logged, Now() - m_startTime, affected);
    } catch (const std::exception& e) {
        ++m_failedStatements;
        m_log.LogError(e);
        // A cancelled statement ends the run the user stopped: nothing to ask or show.
        if (m_stopRequested)
            return;
        if (!inScript)
            throw;
        const int action =
            m_errorActionOverride >= 0 ? m_errorActionOverride : KxReadErrorAction(m_store);
        if (!KxAskContinue(&e, action, Tr("Continue executing the remaining SQL statements")))
            throw;
    }
}

void TKxScriptExecutor::Execute(int kind, const QString& text, SQLLEN* affected) {
    // The runner serves this statement's execution only: code the event loop runs meanwhile
    // (a data window opening a table) makes its calls in place, as it always did.
    IKxBlockingCallRunner* const previous = KxBlockingCallRunner();
    KxSetBlockingCallRunner(m_runner);
    m_statementRunning = true;
    const auto restore = [&] {
        m_statementRunning = false;
        KxSetBlockingCallRunner(previous);
    };
    try {
        if (kind == skSelect && m_resultSet != nullptr) {
            m_resultSet->SQL().SetAsString(text);
            m_resultSet->ReOpen();
        } else {
            m_connection->ExecuteDirect(text, affected);
        }
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

void TKxScriptExecutor::ShowExecutionTime(bool known) {
    m_executionTimeText =
        Tr("%1: %2").arg(Tr("SQL execution time"),
                         known ? KxFormatElapsedTime(Now() - m_startTime) : QStringLiteral("?"));
    if (OnExecutionTimeChanged)
        OnExecutionTimeChanged(m_executionTimeText);
}

void TKxScriptExecutor::StartTiming() {
    m_startTime = Now();
}

void TKxScriptExecutor::ResultSetAfterActiveChange(bool active) {
    RefreshActions();
    ShowExecutionTime(active);
}

void TKxScriptExecutor::ResultSetBeforeOperation(int operation) {
    if (operation == roReExecuteStatement)
        m_startTime = Now();
}

void TKxScriptExecutor::ResultSetAfterOperation(int operation) {
    if (operation == roReExecuteStatement)
        ResultSetAfterActiveChange(m_resultSet != nullptr && m_resultSet->Active());
}

QString TKxScriptExecutor::SqlLineText(const QString& sql) {
    QString line;
    line.reserve(sql.size());
    bool inBlank = false;
    for (const QChar c : sql) {
        const bool blank = c == QLatin1Char(' ') || c == QLatin1Char('\t') ||
                           c == QLatin1Char('\r') || c == QLatin1Char('\n');
        if (blank) {
            if (!inBlank)
                line += QLatin1Char(' ');
            inBlank = true;
        } else {
            line += c;
            inBlank = false;
        }
    }
    while (line.endsWith(QLatin1Char(' ')))
        line.chop(1);
    return line;
}

} // namespace kx
