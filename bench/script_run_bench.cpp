// A script of 20 000 INSERT statements run against the SQLite3 ODBC driver the way the
// program runs it — statements found in the coloured script, prepared, classified, logged
// into the report window, executed directly, the event loop pumped between statements —
// compared, in the same run, with unixODBC's isql -b executing the same statements on a
// fresh copy of the database. SyncPragma=OFF on both sides keeps the disk out of it.
//
// Usage: script_run_bench [statements]   (QT_QPA_PLATFORM=offscreen when headless)

#include "app/application_settings.h"
#include "app/execution_log.h"
#include "app/script_comments.h"
#include "app/script_executor.h"
#include "app/script_statements.h"
#include "dialogs/report_window.h"
#include "editor/sql_syntax_setup.h"
#include "editor/syntax_coloring.h"
#include "odbc/odbc_connection.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

using namespace kx;

namespace {

QString ConnectString(const QTemporaryDir& dir, const char* file) {
    return QStringLiteral("Driver=SQLite3;Database=%1;SyncPragma=OFF;")
        .arg(QDir(dir.path()).filePath(QString::fromLatin1(file)));
}

void CreateTable(TKxOdbcEnvironment& environment, const QString& connect) {
    TKxOdbcConnection connection;
    connection.SetODBCEnvironment(&environment);
    connection.SetConnectionString(connect);
    connection.ExecuteDirect(QStringLiteral(
        "CREATE TABLE orders (id INTEGER, customer VARCHAR(40), amount NUMERIC(10,2))"));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 20000;
    QTemporaryDir dir;

    QString script;
    QByteArray isqlInput;
    for (int i = 0; i < count; ++i) {
        const QString statement =
            QStringLiteral("insert into orders values (%1, 'customer %1', %2)")
                .arg(i)
                .arg(i % 1000 + 0.5);
        script += statement + QStringLiteral(";\r\n");
        isqlInput += statement.toUtf8() + '\n';
    }

    TKxOdbcEnvironment environment;
    const QString ours = ConnectString(dir, "ours.db");
    const QString theirs = ConnectString(dir, "isql.db");
    CreateTable(environment, ours);
    CreateTable(environment, theirs);

    // --- the program's path
    TKxPersistentData store;
    KxConfigureApplicationStore(store, QDir(dir.path()).filePath(QStringLiteral("bench.PRS")));
    TKxReportDlg report(&store);
    TKxExecutionLog log(store);
    log.OnAddText = [&report](const QString& text, TColor color) { report.AddText(text, color); };
    TSyntaxTextModel editor;
    KxLoadSqlSyntaxSetup(editor.SyntaxColoring());
    TKxScriptStatements statements(editor);
    KxAttachSyntaxSpans(statements, editor.SyntaxColoring());
    TKxOdbcConnection connection;
    connection.SetODBCEnvironment(&environment);
    connection.SetConnectionString(ours);
    TKxScriptExecutor executor(statements, store, log);
    executor.SetConnection(&connection);

    QElapsedTimer clock;
    clock.start();
    editor.SetAllText(script);
    const qint64 loadMs = clock.restart();
    executor.ExecuteRemainingStatements();
    const qint64 runMs = clock.elapsed();

    // --- isql on the same statements
    QProcess isql;
    clock.restart();
    isql.start(QStringLiteral("isql"), {QStringLiteral("-b"), QStringLiteral("-k"), theirs});
    isql.waitForStarted();
    isql.write(isqlInput);
    isql.closeWriteChannel();
    isql.waitForFinished(-1);
    const qint64 isqlMs = clock.elapsed();

    std::printf("statements: %d\n", count);
    std::printf("load + colour script: %lld ms\n", static_cast<long long>(loadMs));
    std::printf("Kx - Querolt run:     %lld ms (%.1f us per statement)\n",
                static_cast<long long>(runMs), 1000.0 * runMs / count);
    std::printf("isql -b:              %lld ms (exit %d)\n", static_cast<long long>(isqlMs),
                isql.exitCode());
    std::printf("ratio run / isql:     %.2f\n", isqlMs > 0 ? double(runMs) / double(isqlMs) : 0.0);
    return 0;
}
