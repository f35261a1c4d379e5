// The main window as a user meets it, measured in one run on the offscreen platform:
//
// - start-up: from creating the window to the first complete paint with the event loop idle,
//   once bare (no settings) and once restoring a connection, a 1 MB script and an open result
//   set (the demo database's order_items), as the window does after a normal close;
// - the demo script (examples/demo.sql) executed in the window (Execute Remaining from the
//   first statement: statements found in the coloured script, logged to the report window,
//   every SELECT opened in the grid and painted) compared with unixODBC's isql -b executing
//   the same prepared statements, each side on a fresh copy of the demo database.
//
// Usage: main_window_bench [examples-dir]   (default: the source tree's examples)

#include "app/application_settings.h"
#include "app/main_window.h"
#include "app/script_document.h"
#include "app/script_executor.h"
#include "app/script_statements.h"
#include "app/statement_preparation.h"
#include "datactrls/data_grid.h"
#include "dbcore/sql_property.h"
#include "foundation/persistent_data.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_environment.h"
#include "odbc/odbc_recordset.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

using namespace kx;

namespace {

QString DemoConnection(const QString& file) {
    return QStringLiteral("Driver=SQLite3;Database=%1;").arg(file);
}

bool BuildDemoDatabase(const QString& examples, const QString& file) {
    QProcess build;
    build.start(QDir(examples).filePath(QStringLiteral("build-demo-db.sh")), {file});
    return build.waitForFinished(-1) && build.exitCode() == 0;
}

// Lets the window finish what it queued (the first activation) and paints it completely.
void SettleAndPaint(TMainWindow& window) {
    for (int round = 0; round < 3; ++round)
        QCoreApplication::processEvents();
    window.grab();
}

double StartMs(TKxPersistentData& store, TKxOdbcEnvironment& environment, bool* resultOpen) {
    QElapsedTimer clock;
    clock.start();
    TMainWindow window(store, environment);
    window.show();
    SettleAndPaint(window);
    const double ms = clock.nsecsElapsed() / 1e6;
    if (resultOpen != nullptr)
        *resultOpen = window.ResultSet().Active() && window.Grid().ColumnCount() > 0;
    window.hide();
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString examples =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(KX_SOURCE_DIR "/examples");
    QTemporaryDir dir;
    const QString demo = QDir(dir.path()).filePath(QStringLiteral("demo.db"));
    if (!BuildDemoDatabase(examples, demo)) {
        std::fprintf(stderr, "cannot build the demo database from %s\n", qPrintable(examples));
        return 1;
    }
    TKxOdbcEnvironment environment;

    // ---- start-up
    const QString bigScript = QDir(dir.path()).filePath(QStringLiteral("big.sql"));
    {
        QFile file(bigScript);
        file.open(QIODevice::WriteOnly);
        QByteArray text;
        for (int i = 0; text.size() < 1024 * 1024; ++i)
            text += "SELECT name, city FROM customers WHERE customer_id = " +
                    QByteArray::number(i % 500 + 1) + ";\n";
        file.write(text);
    }
    double bareMs = 0;
    {
        TKxPersistentData store;
        KxConfigureApplicationStore(store, QDir(dir.path()).filePath(QStringLiteral("bare.PRS")));
        StartMs(store, environment, nullptr); // the first window pays for fonts and plugins
        bareMs = StartMs(store, environment, nullptr);
    }
    TKxPersistentData store;
    KxConfigureApplicationStore(store, QDir(dir.path()).filePath(QStringLiteral("full.PRS")));
    {
        TMainWindow window(store, environment);
        window.FirstActivation(false);
        window.UseConnectionString(DemoConnection(demo));
        window.LoadScript(bigScript);
        window.ResultSet().SQL().SetAsString(QStringLiteral("SELECT * FROM order_items"));
        window.ResultSet().SetActive(true);
        window.StoreSettings();
    }
    bool restored = false;
    const double restoredMs = StartMs(store, environment, &restored);

    // ---- the demo script in the window and through isql
    const QString ours = QDir(dir.path()).filePath(QStringLiteral("ours.db"));
    const QString theirs = QDir(dir.path()).filePath(QStringLiteral("theirs.db"));
    QFile::copy(demo, ours);
    QFile::copy(demo, theirs);
    double windowMs = 0;
    QByteArray isqlInput;
    int statements = 0;
    {
        TKxPersistentData runStore;
        KxConfigureApplicationStore(runStore, QDir(dir.path()).filePath(QStringLiteral("run.PRS")));
        TMainWindow window(runStore, environment);
        window.FirstActivation(false);
        window.show();
        window.UseConnectionString(DemoConnection(ours));
        window.LoadScript(QDir(examples).filePath(QStringLiteral("demo.sql")));
        // The same statements for isql, prepared as the window sends them, one per line.
        TKxScriptStatements& found = window.Statements();
        found.ResetCurrentStatement();
        found.FindCurrentStatement();
        do {
            // isql reads one statement per line and wants no ";".
            QString prepared = PrepareStatementText(found.GetCurrentStatementText(), false, false);
            prepared.replace(QLatin1Char('\n'), QLatin1Char(' '))
                .replace(QLatin1Char('\r'), QLatin1Char(' '));
            isqlInput += prepared.toUtf8() + '\n';
            ++statements;
            if (found.IsLastStatement())
                break;
            found.NextStatement();
        } while (true);
        found.ResetCurrentStatement();
        found.FindCurrentStatement();
        QElapsedTimer clock;
        clock.start();
        window.Executor().ExecuteRemainingStatements();
        window.grab();
        windowMs = clock.nsecsElapsed() / 1e6;
    }
    QElapsedTimer clock;
    clock.start();
    QProcess isql;
    isql.start(QStringLiteral("isql"),
               {QStringLiteral("-b"), QStringLiteral("-k"), DemoConnection(theirs)});
    isql.waitForStarted();
    isql.write(isqlInput);
    isql.closeWriteChannel();
    isql.waitForFinished(-1);
    const double isqlMs = clock.nsecsElapsed() / 1e6;

    std::printf("main window, offscreen, one run\n");
    std::printf("start-up, bare window to idle and painted:             %8.1f ms\n", bareMs);
    std::printf("start-up restoring 1 MB script + open result (%s): %8.1f ms (target <= 1000)\n",
                restored ? "open" : "NOT OPEN", restoredMs);
    std::printf("  restored / bare:                                     %8.2f\n",
                bareMs > 0 ? restoredMs / bareMs : 0.0);
    std::printf("demo script, %d statements, in the window:             %8.1f ms\n", statements,
                windowMs);
    std::printf("same statements through isql -b -k:                    %8.1f ms (exit %d)\n",
                isqlMs, isql.exitCode());
    std::printf("  window / isql:                                       %8.2f\n",
                isqlMs > 0 ? windowMs / isqlMs : 0.0);
    return 0;
}
