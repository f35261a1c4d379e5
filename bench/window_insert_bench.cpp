// A script of 20 000 INSERTs executed in the main window (Execute Remaining, offscreen, every
// statement logged to the report window), once with each statement's execution call made on
// the window's statement worker (the window stays responsive during a statement) and once in
// place on the window's thread (as before the worker), alternating, in one run. SQLite3 on a
// memory file system with SyncPragma=OFF keeps the disk out of it.
//
// Usage: window_insert_bench [inserts] [rounds]

#include "app/application_settings.h"
#include "app/main_window.h"
#include "app/script_executor.h"
#include "app/script_statements.h"
#include "app/statement_worker.h"
#include "editor/syntax_editor.h"
#include "foundation/persistent_data.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_environment.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace kx;

namespace {

double ProcessCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct TRun {
    double wallMs = 0;
    double cpuMs = 0;
};

TRun RunScript(TMainWindow& window, const QString& script, int inserts,
               IKxBlockingCallRunner* runner) {
    window.CurrentConnection()->ExecuteDirect(QStringLiteral("DELETE FROM t"));
    window.Executor().SetBlockingCallRunner(runner);
    window.Editor().SetAllText(script);
    window.Statements().ResetCurrentStatement();
    window.Statements().FindCurrentStatement();
    window.Statements().StartCount();
    window.Statements().WaitForCount();
    QCoreApplication::processEvents();
    window.RefreshActions();
    QElapsedTimer clock;
    const double cpu = ProcessCpuMs();
    clock.start();
    window.Executor().ExecuteRemainingStatements();
    const TRun run{double(clock.nsecsElapsed()) / 1e6, ProcessCpuMs() - cpu};
    if (window.Executor().FailedStatements() != 0 || window.Executor().StatementsRun() != inserts)
        std::fprintf(stderr, "the run went wrong: %d run, %d failed\n",
                     window.Executor().StatementsRun(), window.Executor().FailedStatements());
    return run;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int inserts = argc > 1 ? std::atoi(argv[1]) : 20000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;

    const QString base =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    QTemporaryDir dir(base + QStringLiteral("/kxbench-XXXXXX"));
    TKxPersistentData store;
    KxConfigureApplicationStore(store, dir.filePath(QStringLiteral("bench.PRS")));
    TKxOdbcEnvironment environment;
    TMainWindow window(store, environment);
    window.FirstActivation(false);
    if (!window.UseConnectionString(QStringLiteral("Driver=SQLite3;Database=%1;SyncPragma=OFF;")
                                        .arg(dir.filePath(QStringLiteral("bench.db"))))) {
        std::fprintf(stderr, "cannot connect\n");
        return 2;
    }
    window.CurrentConnection()->ExecuteDirect(
        QStringLiteral("CREATE TABLE t (id INTEGER, name VARCHAR(40), price NUMERIC(8,2))"));
    QString script;
    for (int i = 0; i < inserts; ++i)
        script +=
            QStringLiteral("INSERT INTO t VALUES (%1, 'name %1', %2.50);\n").arg(i).arg(i % 100);

    TKxStatementWorker worker;
    std::vector<double> wallWorker, wallInPlace, cpuWorker, cpuInPlace;
    for (int round = 0; round < rounds; ++round) {
        const TRun inPlace = RunScript(window, script, inserts, nullptr);
        const TRun onWorker = RunScript(window, script, inserts, &worker);
        wallInPlace.push_back(inPlace.wallMs);
        cpuInPlace.push_back(inPlace.cpuMs);
        wallWorker.push_back(onWorker.wallMs);
        cpuWorker.push_back(onWorker.cpuMs);
        std::printf("round %d: in place %.0f ms (cpu %.0f), worker %.0f ms (cpu %.0f)\n", round + 1,
                    inPlace.wallMs, inPlace.cpuMs, onWorker.wallMs, onWorker.cpuMs);
    }
    const double ratio = Median(wallWorker) / Median(wallInPlace);
    std::printf("%d INSERTs in the window, median of %d: in place %.0f ms, on the worker %.0f ms "
                "-> %.3fx wall (target <= 1.05x: %s); process CPU %.0f vs %.0f ms (%.2fx)\n",
                inserts, rounds, Median(wallInPlace), Median(wallWorker), ratio,
                ratio <= 1.05 ? "ok" : "MISSED", Median(cpuInPlace), Median(cpuWorker),
                Median(cpuWorker) / Median(cpuInPlace));
    return 0;
}
