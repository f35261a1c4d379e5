#include "app/batch_runner.h"

#include "app/application_settings.h"
#include "app/execution_log.h"
#include "app/interrupt_canceller.h"
#include "app/script_executor.h"
#include "app/statement_stream.h"
#include "dbcore/sql_parameters.h"
#include "dbcore/sql_property.h"
#include "editor/script_file.h"
#include "editor/sql_syntax_setup.h"
#include "editor/syntax_coloring.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_result_text.h"
#include "odbc/odbc_statement.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <atomic>
#include <cstdio>
#include <memory>
#include <sql.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxQuerolt", text);
}

std::atomic<bool> interrupted{false};
std::atomic<TKxScriptExecutor*> runningExecutor{nullptr};

TKxValueKind KindOfSqlType(int type) {
    switch (type) {
    case SQL_BIT:
        return TKxValueKind::Boolean;
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        return TKxValueKind::Number;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        return TKxValueKind::Binary;
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TYPE_TIMESTAMP:
    case SQL_DATE:
    case SQL_TIME:
    case SQL_TIMESTAMP:
        return TKxValueKind::DateTime;
    default:
        return TKxValueKind::Text;
    }
}

// The result set of a batch run: a statement that accepts a SELECT and streams the rows of its
// result into the writer when it opens; nothing is kept.
class TKxBatchResultSet : public TKxOdbcStatementBase {
public:
    explicit TKxBatchResultSet(TKxResultWriter& writer) : m_writer(writer) {}
    ~TKxBatchResultSet() override { CloseBeforeDestroy(); }

protected:
    void CheckPreparedSQLStatement(const QString& text) override {
        KxCheckSQLNotEmpty(text, this, QStringLiteral("CheckPreparedSQLStatement"));
    }

    void APIExecuteSQL(const QString& text) override {
        TKxOdbcStatementBase::APIExecuteSQL(text);
        WriteRows();
    }

private:
    void WriteRows() {
        TKxOdbcResultText result(OdbcHandle(), this, ODBCConnection()->DriverTraits());
        const int columns = result.ColumnCount();
        if (columns <= 0)
            return;
        std::vector<TKxResultColumn> header;
        for (int c = 1; c <= columns; ++c)
            header.push_back({result.ColumnName(c), KindOfSqlType(result.ColumnType(c))});
        const auto value = [&](int c) {
            return header[static_cast<std::size_t>(c - 1)].kind == TKxValueKind::Binary
                       ? result.Hex(c)
                       : result.Text(c, 0);
        };
        m_writer.Begin(header);
        std::vector<std::optional<QString>> row(static_cast<std::size_t>(columns));
        qint64 total = 0;
        // A failing fetch raises: the run reports it instead of ending the result as if it
        // were complete.
        while (!interrupted && result.Fetch()) {
            for (int c = 1; c <= columns; ++c)
                row[static_cast<std::size_t>(c - 1)] = value(c);
            m_writer.Row(row);
            ++total;
        }
        m_writer.End(total);
    }

    TKxResultWriter& m_writer;
};

// The script: a file in any of the encodings the editor reads, or standard input as UTF-8.
std::unique_ptr<TKxScriptReader> OpenScript(const QString& fileName, QFile& standardInput) {
    if (fileName != QLatin1String("-"))
        return std::make_unique<TKxScriptReader>(fileName);
    if (!standardInput.open(stdin, QIODevice::ReadOnly))
        KxRaise(Tr("Could not read the script from standard input"), QStringLiteral("ReadScript"),
                nullptr);
    return std::make_unique<TKxScriptReader>(standardInput);
}

// The statements a run of the file goes through, counted by reading it once beforehand.
qint64 CountStatements(const QString& fileName, const TCustomStyles& styles) {
    TKxScriptReader reader(fileName);
    return TKxStatementStream(reader, styles).CountStatements();
}

// The rows a table shows by default: a screenful on a terminal (less the lines around the
// rows), else 20.
qint64 ScreenRows() {
    winsize size{};
    if (isatty(STDOUT_FILENO) == 1 && ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 &&
        size.ws_row > 10)
        return size.ws_row - 6;
    return 20;
}

} // namespace

void KxInterruptScriptBatch() {
    interrupted = true;
    if (TKxScriptExecutor* executor = runningExecutor.load())
        executor->Stop();
    TKxInterruptCanceller::Interrupt();
}

int KxRunScriptBatch(const TKxBatchOptions& options, TKxPersistentData& store, QTextStream& out) {
    return KxRunScriptBatch(options, store, out, out);
}

int KxRunScriptBatch(const TKxBatchOptions& options, TKxPersistentData& store, QTextStream& results,
                     QTextStream& log) {
    interrupted = false;
    // The statements are read from the script as the run goes, so a script of any size runs
    // in little memory; they are found as the editor finds them with the SQL colouring.
    TSyntaxColoringCopy syntax;
    KxLoadSqlSyntaxSetup(syntax);
    KxSetDirectiveCommentStyle(syntax, KxReadDirectiveComment(store));
    // Progress for runs longer than a second, on a terminal only.
    const bool progress = !options.quiet && isatty(STDERR_FILENO) == 1;
    QFile standardInput;
    std::unique_ptr<TKxScriptReader> reader;
    std::unique_ptr<TKxStatementStream> statements;
    // Only a file can be read twice: standard input runs without a total.
    qint64 total = -1;
    try {
        reader = OpenScript(options.scriptFile, standardInput);
        statements = std::make_unique<TKxStatementStream>(*reader, syntax.CustomStyles());
        if (progress && options.scriptFile != QLatin1String("-"))
            total = CountStatements(options.scriptFile, syntax.CustomStyles());
        statements->NextStatement();
    } catch (const std::exception& e) {
        log << KxExceptionMessage(e) << '\n';
        log.flush();
        return 2;
    }

    TKxExecutionLog executionLog(store);
    // Nothing changes the settings during a run: read once. Quiet means no entry is even
    // built.
    executionLog.SetFixedAttributes(options.quiet ? 0 : KxReadLogAttributes(store));
    executionLog.OnAddText = [&](const QString& text, TColor) {
        if (options.quiet)
            return;
        log << KxTrimLogText(text) << '\n';
        log.flush();
    };

    const qint64 maxRows = options.maxRows >= 0
                               ? options.maxRows
                               : (options.format == TKxResultFormat::Table ? ScreenRows() : -1);
    const std::unique_ptr<TKxResultWriter> writer =
        KxCreateResultWriter(options.format, results, maxRows);

    TKxOdbcEnvironment environment;
    TKxOdbcConnection connection;
    connection.SetName(QStringLiteral("Connection"));
    connection.SetODBCEnvironment(&environment);
    connection.SetConnectionString(options.connectionString);
    TKxBatchResultSet resultSet(*writer);
    resultSet.SetName(QStringLiteral("RSSqlStatement"));
    resultSet.SetODBCConnection(&connection);

    TKxScriptExecutor executor(*statements, store, executionLog);
    executor.SetConnection(&connection);
    executor.SetResultSet(&resultSet);
    executor.SetErrorActionOverride(options.errorAction);
    executor.SetDirectiveCommentOverride(KxReadDirectiveComment(store) ? 1 : 0);
    TKxSqlParameterList parameters;
    if (!options.parameters.empty()) {
        for (const auto& [name, value] : options.parameters)
            parameters.AddParameter(name)->SetValue(KxVariant(value));
        executor.ResolveParameters = [&parameters](const QString& text) {
            return parameters.ResolveParameters(text);
        };
    }
    QElapsedTimer clock;
    clock.start();
    executor.ProcessEvents = [&] {
        // Between statements: a Ctrl+C that came before the run began stops it here too.
        if (interrupted)
            executor.Stop();
        if (!progress || clock.elapsed() < 1000)
            return;
        const qint64 seconds = clock.elapsed() / 1000;
        const QString text =
            total >= 0 ? Tr("%1 / %2 statements, %3 s")
                             .arg(executor.StatementsRun())
                             .arg(total)
                             .arg(seconds)
                       : Tr("%1 statements, %2 s").arg(executor.StatementsRun()).arg(seconds);
        std::fprintf(stderr, "\r%s", qUtf8Printable(text));
        std::fflush(stderr);
    };
    const auto endProgress = [&] {
        if (progress && clock.elapsed() >= 1000)
            std::fprintf(stderr, "\n");
    };

    try {
        connection.SetActive(true);
    } catch (const std::exception& e) {
        log << KxExceptionMessage(e) << '\n';
        log.flush();
        return 2;
    }
    if (interrupted)
        return 130;
    int code = 0;
    {
        const TKxInterruptCanceller canceller;
        runningExecutor = &executor;
        try {
            executor.ExecuteRemainingStatements();
            if (executor.FailedStatements() > 0)
                code = 1;
        } catch (const std::exception& e) {
            if (statements->ReadFailed()) {
                // The statement's failures are in the log already; this one is not.
                log << KxExceptionMessage(e) << '\n';
                code = 2;
            } else {
                log << Tr("The run ended at: %1").arg(statements->GetCurrentStatementText())
                    << '\n';
                code = 1;
            }
        }
        runningExecutor = nullptr;
    }
    endProgress();
    writer->Finish();
    results.flush();
    log.flush();
    try {
        resultSet.SetActive(false);
        connection.SetActive(false);
    } catch (const std::exception& e) {
        log << KxExceptionMessage(e) << '\n';
    }
    if (interrupted)
        return 130;
    return code;
}

} // namespace kx
