#include "app/batch_runner.h"

#include "app/application_settings.h"
#include "app/execution_log.h"
#include "app/script_comments.h"
#include "app/script_executor.h"
#include "app/script_statements.h"
#include "dbcore/sql_property.h"
#include "editor/script_file.h"
#include "editor/sql_syntax_setup.h"
#include "editor/syntax_coloring.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_result_text.h"
#include "odbc/odbc_statement.h"

#include <QCoreApplication>
#include <algorithm>

namespace kx {
namespace {

// The result set of a batch run: a statement that accepts a SELECT and prints the rows
// of its result when it opens.
class TKxBatchResultSet : public TKxOdbcStatementBase {
public:
    TKxBatchResultSet(QTextStream& out, int maxRows) : m_out(out), m_maxRows(maxRows) {}
    ~TKxBatchResultSet() override { CloseBeforeDestroy(); }

protected:
    void CheckPreparedSQLStatement(const QString& text) override {
        KxCheckSQLNotEmpty(text, this, QStringLiteral("CheckPreparedSQLStatement"));
    }

    void APIExecuteSQL(const QString& text) override {
        TKxOdbcStatementBase::APIExecuteSQL(text);
        PrintRows();
    }

private:
    static constexpr int kMaxCellWidth = 40;

    // Long values are read only as far as a cell shows them.
    static QString Cell(TKxOdbcResultText& result, int column) {
        const std::optional<QString> value = result.Text(column, 4 * kMaxCellWidth);
        if (!value)
            return QStringLiteral("NULL");
        QString text = *value;
        text.replace(QLatin1Char('\r'), QLatin1Char(' '));
        text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        if (text.size() > kMaxCellWidth)
            text = text.left(kMaxCellWidth - 1) + QStringLiteral("…");
        return text;
    }

    void PrintRows() {
        TKxOdbcResultText result(OdbcHandle(), this, ODBCConnection()->DriverTraits());
        const int columns = result.ColumnCount();
        if (columns <= 0)
            return;
        QStringList header;
        for (int c = 1; c <= columns; ++c)
            header.append(result.ColumnName(c));
        std::vector<QStringList> rows;
        int total = 0;
        while (result.Fetch()) {
            if (total++ >= m_maxRows)
                continue;
            QStringList row;
            for (int c = 1; c <= columns; ++c)
                row.append(Cell(result, c));
            rows.push_back(row);
        }
        std::vector<qsizetype> widths(header.size());
        for (qsizetype c = 0; c < header.size(); ++c) {
            widths[c] = header[c].size();
            for (const QStringList& row : rows)
                widths[c] = std::max(widths[c], row[c].size());
        }
        const auto print = [&](const QStringList& cells) {
            QStringList padded;
            for (qsizetype c = 0; c < cells.size(); ++c)
                padded.append(cells[c].leftJustified(widths[c]));
            m_out << padded.join(QStringLiteral(" | ")).trimmed() << '\n';
        };
        print(header);
        QStringList rule;
        for (qsizetype width : widths)
            rule.append(QString(width, QLatin1Char('-')));
        m_out << rule.join(QStringLiteral("-+-")) << '\n';
        for (const QStringList& row : rows)
            print(row);
        m_out << QCoreApplication::translate("KxQuerolt", "(%n row(s))", nullptr, total) << "\n\n";
        m_out.flush();
    }

    QTextStream& m_out;
    int m_maxRows;
};

} // namespace

int KxRunScriptBatch(const TKxBatchOptions& options, TKxPersistentData& store, QTextStream& out) {
    TSyntaxTextModel editor;
    KxLoadSqlSyntaxSetup(editor.SyntaxColoring());
    KxSetDirectiveCommentStyle(editor.SyntaxColoring(), KxReadDirectiveComment(store));
    TKxScriptStatements statements(editor);
    KxAttachSyntaxSpans(statements, editor.SyntaxColoring());

    TKxExecutionLog log(store);
    log.OnAddText = [&out](const QString& text, TColor) {
        out << KxTrimLogText(text) << '\n';
        out.flush();
    };

    TKxOdbcEnvironment environment;
    TKxOdbcConnection connection;
    connection.SetName(QStringLiteral("Connection"));
    connection.SetODBCEnvironment(&environment);
    connection.SetConnectionString(options.connectionString);
    TKxBatchResultSet resultSet(out, options.maxRows);
    resultSet.SetName(QStringLiteral("RSSqlStatement"));
    resultSet.SetODBCConnection(&connection);

    TKxScriptExecutor executor(statements, store, log);
    executor.SetConnection(&connection);
    executor.SetResultSet(&resultSet);
    try {
        editor.SetAllText(KxReadScriptFile(options.scriptFile).Text);
        connection.SetActive(true);
    } catch (const std::exception& e) {
        out << KxExceptionMessage(e) << '\n';
        return 2;
    }
    try {
        executor.ExecuteRemainingStatements();
    } catch (const std::exception& e) {
        out << QCoreApplication::translate("KxQuerolt", "The run ended at: %1")
                   .arg(statements.GetCurrentStatementText())
            << '\n';
        return 1;
    }
    resultSet.SetActive(false);
    connection.SetActive(false);
    return 0;
}

} // namespace kx
