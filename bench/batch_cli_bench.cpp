// The command-line runner (`kxquerolt --run`) against unixODBC's isql, each side a whole
// process: start, connect, run, exit. For every child the wall time, the user and system CPU
// and the peak resident memory come from wait4(); each measurement runs the two sides in turn,
// `rounds` times, and the table shows the median of each figure.
//
//   1. A script of INSERT statements on SQLite3 ODBC (SyncPragma=OFF on both sides keeps the
//      disk out of it), each side on a fresh copy of the same empty database; afterwards both
//      databases must hold every row.
//   2. `SELECT *` of a table of 1 000 000 rows x 4 columns (an integer, a text, a numeric, a
//      date) written as tab-separated text into a file: `kxquerolt --format tsv --quiet` and
//      `isql -b -x0x09 -c`, on SQLite3, on PostgreSQL, and on PostgreSQL with
//      UseDeclareFetch=1;Fetch=10000 on both sides (psqlODBC otherwise reads the whole result
//      into memory before the first row comes back). Both files must have the same number of
//      lines; the table also says whether they are the same bytes.
//   3. A large script of the same INSERT statements (50 MB by default): kxquerolt's peak
//      resident memory against the script's size, isql's for reference.
//
// PostgreSQL runs when KX_TEST_PG_CONNECT is set (scripts/with-test-databases.sh).
//
// Usage: batch_cli_bench [--kxquerolt PATH] [--keep DIR] [inserts] [rows] [script MB] [rounds]
//   --keep DIR leaves the scripts, databases and outputs in DIR (for profiling a side alone).

#include "odbc/odbc_connection.h"
#include "odbc_bench_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sql.h>
#include <sqlext.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace kx;
using namespace kx::bench;

namespace {

// What one child process cost.
struct TChildCost {
    double wallMs = 0;
    double userMs = 0;
    double systemMs = 0;
    double peakMb = 0; // ru_maxrss
    int exitCode = -1;
};

double MsOf(const timeval& time) {
    return double(time.tv_sec) * 1e3 + double(time.tv_usec) / 1e3;
}

// Runs `arguments` with standard input from `input` (/dev/null when empty), standard output
// into `output` and standard error into `errors`, and waits for it.
TChildCost RunChild(const QStringList& arguments, const QString& input, const QString& output,
                    const QString& errors) {
    std::vector<QByteArray> storage;
    for (const QString& argument : arguments)
        storage.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& argument : storage)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const QByteArray in = input.isEmpty() ? QByteArray("/dev/null") : QFile::encodeName(input);
    const QByteArray out = QFile::encodeName(output);
    const QByteArray err = QFile::encodeName(errors);

    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("fork");
        std::exit(2);
    }
    if (pid == 0) {
        const int inFd = open(in.constData(), O_RDONLY);
        const int outFd = open(out.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int errFd = open(err.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (inFd < 0 || outFd < 0 || errFd < 0 || dup2(inFd, 0) < 0 || dup2(outFd, 1) < 0 ||
            dup2(errFd, 2) < 0)
            _exit(126);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            std::perror("wait4");
            std::exit(2);
        }
    }
    TChildCost cost;
    cost.wallMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    cost.userMs = MsOf(usage.ru_utime);
    cost.systemMs = MsOf(usage.ru_stime);
    cost.peakMb = double(usage.ru_maxrss) / 1024.0;
    cost.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return cost;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0 : n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The median of each figure over the rounds; the exit code is the first that is not 0.
TChildCost MedianCost(const std::vector<TChildCost>& costs) {
    std::vector<double> wall, user, system, peak;
    TChildCost median;
    median.exitCode = 0;
    for (const TChildCost& cost : costs) {
        wall.push_back(cost.wallMs);
        user.push_back(cost.userMs);
        system.push_back(cost.systemMs);
        peak.push_back(cost.peakMb);
        if (median.exitCode == 0)
            median.exitCode = cost.exitCode;
    }
    median.wallMs = Median(wall);
    median.userMs = Median(user);
    median.systemMs = Median(system);
    median.peakMb = Median(peak);
    return median;
}

// One value from a query, through the driver manager directly (the checks after a run).
QString QueryValue(const QString& connect, const QString& query) {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    QString value = QStringLiteral("?");
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    QByteArray connectText = connect.toUtf8();
    QByteArray queryText = query.toUtf8();
    if (SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(connectText.data()),
                                       SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT))) {
        SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
        char buffer[256] = {};
        SQLLEN indicator = 0;
        if (SQL_SUCCEEDED(
                SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(queryText.data()), SQL_NTS)) &&
            SQL_SUCCEEDED(SQLFetch(stmt)) &&
            SQL_SUCCEEDED(SQLGetData(stmt, 1, SQL_C_CHAR, buffer, sizeof(buffer), &indicator)))
            value = QString::fromUtf8(buffer);
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        SQLDisconnect(dbc);
    }
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return value;
}

QString SqliteConnect(const QString& file) {
    return QStringLiteral("Driver=SQLite3;Database=%1;SyncPragma=OFF;").arg(file);
}

// The INSERT statements of the script measurements: `count` of them, or as many as fill
// `bytes` when count is 0. kxquerolt reads them separated by semicolons, isql one per line.
qint64 WriteInsertScripts(const QString& ours, const QString& theirs, int count, qint64 bytes) {
    QFile script(ours);
    QFile lines(theirs);
    if (!script.open(QIODevice::WriteOnly) || !lines.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot write the scripts\n");
        std::exit(2);
    }
    QByteArray chunk;
    QByteArray lineChunk;
    qint64 written = 0;
    int statements = 0;
    for (int i = 0; count > 0 ? i < count : written < bytes; ++i) {
        const QByteArray statement = "insert into orders values (" + QByteArray::number(i) +
                                     ", 'customer " + QByteArray::number(i) + "', " +
                                     QByteArray::number(i % 1000) + ".5)";
        chunk += statement + ";\n";
        lineChunk += statement + '\n';
        written += statement.size() + 2;
        ++statements;
        if (chunk.size() > (1 << 20)) {
            script.write(chunk);
            lines.write(lineChunk);
            chunk.clear();
            lineChunk.clear();
        }
    }
    script.write(chunk);
    lines.write(lineChunk);
    return statements;
}

void CreateOrdersDatabase(TKxOdbcEnvironment& environment, const QString& file) {
    TKxOdbcConnection connection;
    connection.SetODBCEnvironment(&environment);
    connection.SetConnectionString(SqliteConnect(file));
    connection.ExecuteDirect(QStringLiteral(
        "CREATE TABLE orders (id INTEGER, customer VARCHAR(40), amount NUMERIC(10,2))"));
}

qint64 CountLines(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    qint64 lines = 0;
    QByteArray block;
    while (!(block = file.read(1 << 20)).isEmpty())
        lines += block.count('\n');
    return lines;
}

// "same bytes", or the first line where the two files differ, both versions of it.
QString CompareFiles(const QString& left, const QString& right) {
    QFile a(left);
    QFile b(right);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read");
    for (qint64 line = 1;; ++line) {
        const QByteArray x = a.readLine();
        const QByteArray y = b.readLine();
        if (x.isEmpty() && y.isEmpty())
            return QStringLiteral("same bytes");
        if (x != y)
            return QStringLiteral("line %1 differs: ours \"%2\", isql \"%3\"")
                .arg(line)
                .arg(QString::fromUtf8(x.trimmed().left(60)).replace(u'\t', QStringLiteral("\\t")),
                     QString::fromUtf8(y.trimmed().left(60)).replace(u'\t', QStringLiteral("\\t")));
    }
}

struct TRow {
    QString measurement;
    TChildCost ours;
    TChildCost isql;
    double wallTarget;   // ours / isql wall time at most this (0: none)
    double userTarget;   // ours / isql user CPU at most this (0: none)
    double memoryTarget; // ours / isql peak memory at most this (0: none)
    QString note;
};

std::vector<TRow> rows;

const char* Verdict(double ratio, double target) {
    return target <= 0 ? "" : ratio <= target ? " ok" : " MISSED";
}

void PrintTable() {
    std::printf("\n%-30s | %-9s | %9s | %9s | %9s | %9s | %4s\n", "measurement (median)", "side",
                "wall ms", "user ms", "sys ms", "peak MB", "exit");
    std::printf("%s\n", QByteArray(100, '-').constData());
    for (const TRow& row : rows) {
        for (const auto& [side, cost] :
             {std::pair{"kxquerolt", &row.ours}, std::pair{"isql", &row.isql}})
            std::printf("%-30s | %-9s | %9.0f | %9.0f | %9.0f | %9.1f | %4d\n",
                        qPrintable(row.measurement), side, cost->wallMs, cost->userMs,
                        cost->systemMs, cost->peakMb, cost->exitCode);
        const double wall = row.ours.wallMs / std::max(row.isql.wallMs, 1e-3);
        const double user = row.ours.userMs / std::max(row.isql.userMs, 1e-3);
        const double memory = row.ours.peakMb / std::max(row.isql.peakMb, 1e-3);
        std::printf("%-30s | %-9s | %8.2fx%s | %8.2fx%s | %9s | %8.2fx%s |\n", "", "ratio", wall,
                    Verdict(wall, row.wallTarget), user, Verdict(user, row.userTarget), "", memory,
                    Verdict(memory, row.memoryTarget));
        if (!row.note.isEmpty())
            std::printf("%-30s   %s\n", "", qPrintable(row.note));
        std::printf("%s\n", QByteArray(100, '-').constData());
    }
}

struct TContext {
    QString kxquerolt;
    QString work;
    QString settings;
    int rounds = 3;

    QString Path(const QString& name) const { return QDir(work).filePath(name); }

    QStringList Ours(const QString& script, const QString& connect,
                     const QStringList& extra = {}) const {
        return QStringList{
                   kxquerolt, QStringLiteral("--run"),      script,  QStringLiteral("--connect"),
                   connect,   QStringLiteral("--settings"), settings} +
               extra + QStringList{QStringLiteral("--quiet")};
    }
};

// 1 and 3: the INSERT script on a fresh copy of the empty database per side and round.
void MeasureInserts(const TContext& context, TKxOdbcEnvironment& environment, const QString& label,
                    int count, qint64 bytes, int rounds, double wallTarget, double userTarget) {
    const QString script = context.Path(QStringLiteral("inserts.sql"));
    const QString lines = context.Path(QStringLiteral("inserts.isql"));
    const qint64 statements = WriteInsertScripts(script, lines, count, bytes);
    const double scriptMb = double(QFileInfo(script).size()) / (1024.0 * 1024.0);
    const QString empty = context.Path(QStringLiteral("empty.db"));
    QFile::remove(empty);
    CreateOrdersDatabase(environment, empty);
    std::vector<TChildCost> ours, theirs;
    QString counts;
    for (int round = 0; round < rounds; ++round) {
        for (const bool isOurs : {true, false}) {
            const QString database =
                context.Path(isOurs ? QStringLiteral("ours.db") : QStringLiteral("isql.db"));
            QFile::remove(database);
            QFile::copy(empty, database);
            const QString connect = SqliteConnect(database);
            std::fprintf(stderr, "%s: %s, round %d\n", qPrintable(label),
                         isOurs ? "kxquerolt" : "isql", round + 1);
            const TChildCost cost = isOurs
                                        ? RunChild(context.Ours(script, connect), {},
                                                   context.Path(QStringLiteral("ours.out")),
                                                   context.Path(QStringLiteral("ours.err")))
                                        : RunChild({QStringLiteral("isql"), QStringLiteral("-b"),
                                                    QStringLiteral("-k"), connect},
                                                   lines, context.Path(QStringLiteral("isql.out")),
                                                   context.Path(QStringLiteral("isql.err")));
            (isOurs ? ours : theirs).push_back(cost);
            if (round == 0)
                counts += QStringLiteral("%1 %2 rows; ")
                              .arg(isOurs ? QStringLiteral("kxquerolt") : QStringLiteral("isql"),
                                   QueryValue(connect, QStringLiteral("SELECT count(*) FROM "
                                                                      "orders")));
        }
    }
    TRow row{
        label,
        MedianCost(ours),
        MedianCost(theirs),
        wallTarget,
        userTarget,
        0,
        counts +
            QStringLiteral("expected %1 (%2 MB script)").arg(statements).arg(scriptMb, 0, 'f', 1)};
    if (count == 0) {
        // What the process takes with a script of one statement: Qt, ICU, the driver manager
        // and the driver, before any script size counts.
        const QString small = context.Path(QStringLiteral("one.sql"));
        WriteInsertScripts(small, context.Path(QStringLiteral("one.isql")), 1, 0);
        const QString database = context.Path(QStringLiteral("one.db"));
        QFile::remove(database);
        QFile::copy(empty, database);
        const TChildCost base = RunChild(context.Ours(small, SqliteConnect(database)), {},
                                         context.Path(QStringLiteral("ours.out")),
                                         context.Path(QStringLiteral("ours.err")));
        const double ratio = row.ours.peakMb / scriptMb;
        row.note += QStringLiteral("; kxquerolt with one statement %1 MB, growth %2 MB = %3x "
                                   "the script")
                        .arg(base.peakMb, 0, 'f', 1)
                        .arg(row.ours.peakMb - base.peakMb, 0, 'f', 1)
                        .arg((row.ours.peakMb - base.peakMb) / scriptMb, 0, 'f', 2);
        row.note += QStringLiteral("; kxquerolt peak / script size %1 (target <= 3%2); isql %3")
                        .arg(ratio, 0, 'f', 2)
                        .arg(ratio <= 3 ? QStringLiteral(" ok") : QStringLiteral(" MISSED"))
                        .arg(row.isql.peakMb / scriptMb, 0, 'f', 2);
    } else {
        row.note += QStringLiteral("; %1 us per statement, isql %2 us")
                        .arg(1000 * row.ours.wallMs / double(statements), 0, 'f', 1)
                        .arg(1000 * row.isql.wallMs / double(statements), 0, 'f', 1);
    }
    rows.push_back(row);
}

// 2: the whole table as tab-separated text into a file.
void MeasureExport(const TContext& context, const QString& label, const QString& connect,
                   qint64 expectedRows) {
    const QString query = QStringLiteral("SELECT * FROM bench_export");
    const QString script = context.Path(QStringLiteral("export.sql"));
    QFile file(script);
    if (file.open(QIODevice::WriteOnly))
        file.write(query.toUtf8() + ";\n");
    file.close();
    const QString lines = context.Path(QStringLiteral("export.isql"));
    QFile lineFile(lines);
    if (lineFile.open(QIODevice::WriteOnly))
        lineFile.write(query.toUtf8() + '\n');
    lineFile.close();
    const QString oursOut = context.Path(QStringLiteral("ours.tsv"));
    const QString isqlOut = context.Path(QStringLiteral("isql.tsv"));
    std::vector<TChildCost> ours, theirs;
    for (int round = 0; round < context.rounds; ++round) {
        std::fprintf(stderr, "%s: round %d\n", qPrintable(label), round + 1);
        ours.push_back(RunChild(
            context.Ours(script, connect, {QStringLiteral("--format"), QStringLiteral("tsv")}), {},
            oursOut, context.Path(QStringLiteral("ours.err"))));
        theirs.push_back(
            RunChild({QStringLiteral("isql"), QStringLiteral("-b"), QStringLiteral("-x0x09"),
                      QStringLiteral("-c"), QStringLiteral("-k"), connect},
                     lines, isqlOut, context.Path(QStringLiteral("isql.err"))));
    }
    const qint64 oursLines = CountLines(oursOut);
    const qint64 isqlLines = CountLines(isqlOut);
    rows.push_back({label, MedianCost(ours), MedianCost(theirs), 1.0, 0, 1.0,
                    QStringLiteral("lines: kxquerolt %1, isql %2 (%3 rows + header expected)%4; %5")
                        .arg(oursLines)
                        .arg(isqlLines)
                        .arg(expectedRows)
                        .arg(oursLines == isqlLines ? QString() : QStringLiteral(" DIFFERENT"))
                        .arg(CompareFiles(oursOut, isqlOut))});
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    TContext context;
#ifdef KX_QUEROLT_PATH
    context.kxquerolt = QStringLiteral(KX_QUEROLT_PATH);
#endif
    QString keep;
    std::vector<long long> numbers;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--kxquerolt") == 0 && i + 1 < argc)
            context.kxquerolt = QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(argv[i], "--keep") == 0 && i + 1 < argc)
            keep = QString::fromLocal8Bit(argv[++i]);
        else
            numbers.push_back(std::atoll(argv[i]));
    }
    const auto number = [&](size_t index, long long fallback) {
        return index < numbers.size() && numbers[index] > 0 ? numbers[index] : fallback;
    };
    const int inserts = int(number(0, 20000));
    const qint64 exportRows = number(1, 1000000);
    const qint64 scriptMb = number(2, 50);
    context.rounds = int(number(3, 3));

    // The databases live in memory when /dev/shm is there: with SyncPragma=OFF SQLite still
    // creates and deletes its journal for every statement, and on a disk file system that
    // metadata work is most of each side's time and varies from run to run with the machine.
    const QString shm = QStringLiteral("/dev/shm");
    QTemporaryDir temporary(QFileInfo(shm).isWritable()
                                ? shm + QStringLiteral("/batch_cli_bench-XXXXXX")
                                : QDir::tempPath() + QStringLiteral("/batch_cli_bench-XXXXXX"));
    if (!keep.isEmpty())
        QDir().mkpath(keep);
    context.work = keep.isEmpty() ? temporary.path() : QDir(keep).absolutePath();
    context.settings = context.Path(QStringLiteral("bench.PRS"));
    std::printf("kxquerolt: %s\n", qPrintable(context.kxquerolt));
    std::printf("each side a whole process (wait4 rusage), median of %d rounds; files in %s\n",
                context.rounds, qPrintable(context.work));

    TKxOdbcEnvironment environment;
    MeasureInserts(context, environment, QStringLiteral("SQLite3 INSERTs"), inserts, 0,
                   context.rounds, 1.1, 1.5);

    // The exported table: id 1..N, a text, a numeric with cents and a date.
    const QString sqliteExport = SqliteConnect(context.Path(QStringLiteral("export.db")));
    {
        QFile::remove(context.Path(QStringLiteral("export.db")));
        TKxOdbcConnection connection;
        connection.SetODBCEnvironment(&environment);
        connection.SetConnectionString(sqliteExport);
        connection.ExecuteDirect(QStringLiteral("CREATE TABLE bench_export (id INTEGER, name "
                                                "VARCHAR(40), amount NUMERIC(12,2), day DATE)"));
        connection.ExecuteDirect(
            QStringLiteral(
                "INSERT INTO bench_export WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + "
                "1 FROM n WHERE i < %1) SELECT i, 'customer ' || i, (i % 100000) / 100.0, "
                "date('2000-01-01', '+' || (i % 10000) || ' days') FROM n")
                .arg(exportRows));
    }
    MeasureExport(context, QStringLiteral("SQLite3 SELECT * to TSV"), sqliteExport, exportRows);

    const QString server = qEnvironmentVariable("KX_TEST_PG_CONNECT");
    const QString name =
        QStringLiteral("kx_batch_cli_bench_%1").arg(QCoreApplication::applicationPid());
    if (!server.isEmpty()) {
        CreatePostgresDatabase(environment, server, name);
        const QString connect = server + QStringLiteral("Database=%1;").arg(name);
        {
            TKxOdbcConnection connection;
            connection.SetODBCEnvironment(&environment);
            connection.SetConnectionString(connect);
            connection.ExecuteDirect(QStringLiteral("CREATE TABLE bench_export (id INTEGER, name "
                                                    "VARCHAR(40), amount NUMERIC(12,2), day "
                                                    "DATE)"));
            connection.ExecuteDirect(
                QStringLiteral("INSERT INTO bench_export SELECT i, 'customer ' || i, (i % "
                               "100000) / 100.0, date '2000-01-01' + (i % 10000) FROM "
                               "generate_series(1, %1) AS n(i)")
                    .arg(exportRows));
        }
        MeasureExport(context, QStringLiteral("PostgreSQL to TSV"), connect, exportRows);
        MeasureExport(context, QStringLiteral("PostgreSQL UseDeclareFetch TSV"),
                      connect + QStringLiteral("UseDeclareFetch=1;Fetch=10000;"), exportRows);
    } else {
        std::fprintf(stderr, "KX_TEST_PG_CONNECT not set: PostgreSQL skipped\n");
    }

    MeasureInserts(context, environment, QStringLiteral("SQLite3 large script"), 0,
                   scriptMb * 1024 * 1024, 1, 0, 0);

    if (!server.isEmpty())
        DropPostgresDatabase(environment, server, name);

    PrintTable();
    std::printf("targets: INSERT script wall <= 1.1x and user CPU <= 1.5x isql; export wall "
                "<= 1.0x and peak memory <= 1.0x isql; large script peak <= 3x its size\n");
    return 0;
}
