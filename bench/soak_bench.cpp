// Long runs whose memory must stay flat: what a session of hours does to the process.
//
//  1. The batch runner (the kxquerolt program, a process of its own) over a script of N
//     statements (default 100 000) on SQLite3: INSERTs, DELETEs, UPDATEs, small SELECTs
//     written as TSV and one failing statement in a hundred, with the error action "continue". The
//     process's resident memory is sampled every 20 ms; printed at each tenth of the run and
//     its peak, beside the peak of a run of a tenth of the statements — flat means the long
//     run ends where the short one does.
//  2. The data grid over a result of R rows (default 1 000 000) on SQLite3 and, with a
//     PostgreSQL test server, on psqlODBC reading through a server-side cursor: S random
//     scrolls (default 10 000, a tenth of them on psqlODBC, where every scroll-bar jump walks
//     the server's cursor: page and row keys, Ctrl+Home/End, scroll-bar jumps), each
//     painted; resident memory after every tenth of them (after malloc_trim). Every scroll
//     checks that the current row shows its own record (the id equals the position).
//
// Usage: soak_bench [statements] [scrolls] [rows]   (run with QT_QPA_PLATFORM=offscreen;
//        scripts/with-test-databases.sh adds the PostgreSQL part)

#include "datactrls/data_grid.h"
#include "dbcore/sql_property.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_recordset.h"
#include "odbc_bench_support.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <cstdio>
#include <malloc.h>
#include <random>
#include <vector>

using namespace kx;
using namespace kx::bench;

namespace {

double Mb(std::int64_t bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

// ---- the batch runner

QByteArray SoakScript(int statements) {
    QByteArray script = "CREATE TABLE soak (id INTEGER PRIMARY KEY, name TEXT, amount REAL);\n";
    for (int i = 1; i < statements; ++i) {
        const QByteArray n = QByteArray::number(i);
        switch (i % 10) {
        case 6:
            // The table stays at a few hundred rows: a growing database would show SQLite's
            // page cache filling up (up to 2 MB), not the runner's memory.
            script += "DELETE FROM soak WHERE id < " + QByteArray::number(i - 500);
            break;
        case 7:
            script += "UPDATE soak SET amount = amount + 1 WHERE id = " + QByteArray::number(i - 3);
            break;
        case 8:
            script += "SELECT id, name, amount FROM soak WHERE id > " + QByteArray::number(i - 5);
            break;
        case 9:
            script += i % 100 == 99 ? QByteArray("INSERT INTO missing_table VALUES (1)")
                                    : QByteArray("SELECT count(*) FROM soak");
            break;
        default:
            script += "INSERT INTO soak VALUES (" + n + ", 'name " + n + "', " + n + ".5)";
        }
        script += ";\n";
    }
    return script;
}

// A "Vm…:" line of a process's status in bytes, 0 once it is gone.
std::int64_t StatusBytesOf(qint64 pid, const QByteArray& key) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return 0;
}

struct TBatchRun {
    double ms = 0;
    int exitCode = -1;
    std::int64_t peak = 0;
    std::vector<std::int64_t> samples; // every 20 ms
    // The sample at `fraction` of the run.
    std::int64_t At(double fraction) const {
        if (samples.empty())
            return 0;
        const auto index = static_cast<std::size_t>(fraction * (samples.size() - 1));
        return samples[index];
    }
};

TBatchRun RunBatch(const QString& dir, int statements) {
    const QString script = QDir(dir).filePath(QStringLiteral("soak-%1.sql").arg(statements));
    QFile file(script);
    file.open(QIODevice::WriteOnly);
    file.write(SoakScript(statements));
    file.close();
    const QString database = QDir(dir).filePath(QStringLiteral("soak-%1.db").arg(statements));
    QFile::remove(database);

    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(KX_QUEROLT_PATH),
                  {QStringLiteral("--run"), script, QStringLiteral("--connect"),
                   QStringLiteral("Driver=SQLite3;Database=%1;SyncPragma=OFF;").arg(database),
                   QStringLiteral("--error-action"), QStringLiteral("continue"),
                   QStringLiteral("--format"), QStringLiteral("tsv"), QStringLiteral("--output"),
                   QStringLiteral("/dev/null")});
    TBatchRun run;
    process.waitForStarted();
    while (!process.waitForFinished(20)) {
        const std::int64_t rss = StatusBytesOf(process.processId(), "VmRSS:");
        if (rss > 0)
            run.samples.push_back(rss);
        // The high-water mark of the program itself: the rusage of a child would also count
        // the copy of this process it was forked from.
        run.peak = std::max(run.peak, StatusBytesOf(process.processId(), "VmHWM:"));
    }
    run.ms = Elapsed(clock);
    run.exitCode = process.exitCode();
    QFile::remove(database);
    return run;
}

void SoakBatch(const QString& dir, int statements) {
    std::fprintf(stderr, "batch runner: %d and %d statements...\n", statements / 10, statements);
    const TBatchRun shortRun = RunBatch(dir, statements / 10);
    const TBatchRun longRun = RunBatch(dir, statements);
    std::printf("\n== the batch runner, %d statements on SQLite3 (exit code %d: 1 = some failed, "
                "as one in a hundred must)\n",
                statements, longRun.exitCode);
    std::printf("%.0f ms, %.1f statements/ms; resident memory (MB) at each tenth of the run:\n",
                longRun.ms, statements / longRun.ms);
    for (int tenth = 1; tenth <= 10; ++tenth)
        std::printf(" %5.1f", Mb(longRun.At(tenth / 10.0)));
    std::printf("\npeak %.1f MB; the run of %d statements: peak %.1f MB (%.0f ms) -> growth over "
                "%d more statements: %+.1f MB\n",
                Mb(longRun.peak), statements / 10, Mb(shortRun.peak), shortRun.ms,
                statements - statements / 10, Mb(longRun.peak - shortRun.peak));
}

// ---- the data grid

void Press(TKxIDataGrid& grid, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(&grid, &event);
}

void SoakGrid(TKxOdbcEnvironment& environment, const QString& label, const QString& connect,
              int scrolls) {
    std::fprintf(stderr, "grid on %s: %d scrolls...\n", qPrintable(label), scrolls);
    TKxOdbcConnection connection;
    connection.SetODBCEnvironment(&environment);
    connection.SetConnectionString(connect);
    TKxOdbcRecordset recordset;
    recordset.SetODBCConnection(&connection);
    recordset.SQL().SetAsString(
        QStringLiteral("SELECT id, name, amount FROM soak_grid ORDER BY id"));
    TKxIDataGrid grid;
    grid.resize(1200, 800);
    malloc_trim(0);
    const std::int64_t before = ResidentBytes();
    QElapsedTimer clock;
    clock.start();
    recordset.SetActive(true);
    grid.SetRecordset(static_cast<IKxGetItemByName*>(&recordset));
    grid.grab();
    malloc_trim(0);
    const std::int64_t opened = ResidentBytes();

    std::mt19937 random(20261210);
    QScrollBar* bar = grid.verticalScrollBar();
    std::vector<std::int64_t> tenths;
    int wrong = 0;
    for (int i = 1; i <= scrolls; ++i) {
        switch (random() % 8) {
        case 0:
        case 1:
            Press(grid, Qt::Key_PageDown);
            break;
        case 2:
            Press(grid, Qt::Key_PageUp);
            break;
        case 3:
            Press(grid, Qt::Key_Down);
            break;
        case 4:
            Press(grid, Qt::Key_Up);
            break;
        case 5:
            Press(grid, random() % 2 == 0 ? Qt::Key_End : Qt::Key_Home, Qt::ControlModifier);
            break;
        default:
            bar->setValue(bar->minimum() +
                          static_cast<int>(random() % static_cast<unsigned>(bar->maximum() -
                                                                            bar->minimum() + 1)));
        }
        grid.grab();
        const std::int64_t row = grid.Rows().CurrentRow();
        if (grid.CellText(row, 0) != QString::number(row))
            ++wrong;
        if (i % (scrolls / 10) == 0) {
            malloc_trim(0);
            tenths.push_back(ResidentBytes());
        }
    }
    const double ms = Elapsed(clock);
    const std::int64_t count = recordset.RecordCount();
    grid.SetRecordset(nullptr);
    recordset.SetActive(false);

    std::printf("\n== the grid over %lld rows, %s: %d scrolls in %.0f ms (%.2f ms each), %d "
                "wrong rows shown\n",
                static_cast<long long>(count), qPrintable(label), scrolls, ms, ms / scrolls, wrong);
    std::printf("resident memory (MB): before open %.1f, opened and first paint %.1f; after each "
                "tenth of the scrolls:\n",
                Mb(before), Mb(opened));
    for (const std::int64_t rss : tenths)
        std::printf(" %5.1f", Mb(rss));
    if (!tenths.empty())
        std::printf("\ngrowth from the first tenth to the last: %+.2f MB\n",
                    Mb(tenths.back() - tenths.front()));
}

void CreateGridTable(TKxOdbcEnvironment& environment, const QString& connect, int rows,
                     bool server) {
    TKxOdbcConnection connection;
    connection.SetODBCEnvironment(&environment);
    connection.SetConnectionString(connect);
    connection.ExecuteDirect(
        QStringLiteral("CREATE TABLE soak_grid (id INTEGER PRIMARY KEY, name TEXT, amount %1)")
            .arg(server ? QStringLiteral("DOUBLE PRECISION") : QStringLiteral("REAL")));
    connection.ExecuteDirect(
        server ? QStringLiteral("INSERT INTO soak_grid SELECT g, 'name ' || g, g * 0.25 FROM "
                                "generate_series(1, %1) g")
                     .arg(rows)
               : QStringLiteral("INSERT INTO soak_grid WITH RECURSIVE n(i) AS (SELECT 1 UNION "
                                "ALL SELECT i + 1 FROM n WHERE i < %1) SELECT i, 'name ' || i, "
                                "i * 0.25 FROM n")
                     .arg(rows));
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // the report as it comes, for long runs
    const int statements = argc > 1 ? std::atoi(argv[1]) : 100'000;
    const int scrolls = argc > 2 ? std::atoi(argv[2]) : 10'000;
    const int rows = argc > 3 ? std::atoi(argv[3]) : 1'000'000;
    QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/kx-soak")
                                                                : QString());
    TKxOdbcEnvironment environment;

    SoakBatch(dir.path(), statements);

    const QString sqlite = QStringLiteral("Driver=SQLite3;Database=%1;")
                               .arg(QDir(dir.path()).filePath(QStringLiteral("grid.db")));
    CreateGridTable(environment, sqlite, rows, false);
    SoakGrid(environment, QStringLiteral("SQLite3"), sqlite, scrolls);

    const QString server = qEnvironmentVariable("KX_TEST_PG_CONNECT");
    if (!server.isEmpty()) {
        const QString name = QStringLiteral("kx_soak_bench");
        CreatePostgresDatabase(environment, server, name);
        const QString pg = server + QStringLiteral("Database=%1;").arg(name);
        CreateGridTable(environment, pg, rows, true);
        // Every jump of the scroll bar moves the server's cursor there, which walks the rows
        // in between: a tenth of the scrolls keeps this part within minutes.
        SoakGrid(environment, QStringLiteral("psqlODBC, UseDeclareFetch=1"),
                 pg + QStringLiteral("UseDeclareFetch=1;Fetch=100;"), scrolls / 10);
        DropPostgresDatabase(environment, server, name);
    }
    return 0;
}
