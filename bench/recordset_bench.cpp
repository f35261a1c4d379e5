// The ODBC recordset over a result of N rows x 4 columns (an integer, two texts, a real) on
// the SQLite3 driver and on psqlODBC with and without UseDeclareFetch=1, compared in the same
// run with unixODBC's isql -b printing the same query to /dev/null:
//   - open -> first row (execute, describe, bind, first fetch, the first row's display
//     texts), for the scrollable default cursor and for ctUnidirectional;
//   - the last row right after open (scrollable cursors; needs the driver's row count);
//   - a full scan reading every value's display text, open included, against isql, which
//     also connects and starts a process (a few milliseconds of its time);
//   - for the forward-only scan, where the time goes: the moves alone (fetch and position
//     notifications, no value read) and a plain SQLFetch + SQLGetData text loop in this
//     process (the driver's share);
//   - the resident memory the scan adds (sampled from /proc/self/statm while it runs, from
//     after the open on), for 1 000 rows and for N rows: what the driver buffers at execute
//     is taken before the scan starts, so the difference is what rows cost on our side.
//
// The PostgreSQL configurations need a server: KX_TEST_PG_CONNECT (a DSN-less connection
// string without a Database key), as scripts/with-test-databases.sh sets it. Without it
// only SQLite3 runs.
//
// Usage: recordset_bench [rows] [rounds]   (rounds: scans per side, the best one counts)

#include "dbcore/sql_property.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_recordset.h"
#include "odbc_bench_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <optional>
#include <sql.h>
#include <sqlext.h>
#include <unistd.h>
#include <vector>

using namespace kx;
using namespace kx::bench;

namespace {

const QString kQuery = QStringLiteral("SELECT id, name, city, amount FROM bench_rows");
const QString kSmallQuery =
    QStringLiteral("SELECT id, name, city, amount FROM bench_rows WHERE id <= 1000");

struct TConfiguration {
    QString name;
    QString connect;
};

struct TReportLine {
    QString configuration;
    QString measure;
    QString ours;
    QString isql;
    QString ratio;
};

std::vector<TReportLine> g_lines;

void Report(const QString& configuration, const QString& measure, const QString& ours,
            const QString& isql = {}, const QString& ratio = {}) {
    g_lines.push_back({configuration, measure, ours, isql, ratio});
    // Progress while the long runs go on; the table comes at the end.
    std::fprintf(stderr, "  %s | %s | %s %s %s\n", qPrintable(configuration), qPrintable(measure),
                 qPrintable(ours), qPrintable(isql), qPrintable(ratio));
}

double MB(std::int64_t bytes) {
    return double(bytes) / (1024.0 * 1024.0);
}

const char* CursorName(TKxCursorType type) {
    switch (type) {
    case ctUnidirectional:
        return "unidirectional";
    case ctStatic:
        return "static";
    case ctKeyset:
        return "keyset";
    case ctDynamic:
        return "dynamic";
    }
    return "?";
}

// Every field's display text of the current row; the summed lengths keep the work from being
// optimised away and tell that both cursors saw the same data.
std::int64_t ReadRow(const TKxOdbcRecordset& recordset) {
    std::int64_t length = 0;
    for (TKxOdbcField* field : recordset.Fields())
        length += field->GetDisplayText().size();
    return length;
}

struct TScan {
    double ms = 0;
    std::int64_t rows = 0;
    std::int64_t textLength = 0;
    // Highest resident size during the scan above the one right after the open.
    std::int64_t growth = 0;
    // Resident size the open added: mostly what the driver holds of the result.
    std::int64_t openGrowth = 0;
    QString granted;
};

// Opens `sql` with `cursor`, reads every row's display texts and closes.
TScan Scan(TKxOdbcConnection& connection, const QString& sql, TKxCursorType cursor) {
    TScan scan;
    TKxOdbcRecordset recordset;
    recordset.SetODBCConnection(&connection);
    recordset.SetCursorType(cursor);
    recordset.SQL().SetAsString(sql);
    // Freed memory of the rounds before goes back to the system first, or the open and the
    // scan could grow into it unseen.
    malloc_trim(0);
    const std::int64_t beforeOpen = ResidentBytes();
    QElapsedTimer clock;
    clock.start();
    recordset.SetActive(true);
    const std::int64_t start = ResidentBytes();
    scan.openGrowth = start - beforeOpen;
    std::int64_t peak = start;
    while (recordset.LastFetchSucceeded()) {
        scan.textLength += ReadRow(recordset);
        ++scan.rows;
        if ((scan.rows & 4095) == 0)
            peak = std::max(peak, ResidentBytes());
        // MoveToNext does nothing where the recordset holds itself at its end (a scrollable
        // cursor on its last row); a forward-only one fetches and fails after the last row.
        const std::int64_t position = recordset.Position();
        recordset.MoveToNext();
        if (recordset.Position() == position)
            break;
    }
    scan.ms = double(clock.nsecsElapsed()) / 1e6;
    scan.growth = std::max(peak, ResidentBytes()) - start;
    scan.granted = QString::fromLatin1(GrantedCursorName(recordset.GrantedCursorType()));
    recordset.SetActive(false);
    return scan;
}

// The recordset's moves alone: every fetch with its notifications, no value read.
double MovesOnly(TKxOdbcConnection& connection, const QString& sql, std::int64_t& rows) {
    TKxOdbcRecordset recordset;
    recordset.SetODBCConnection(&connection);
    recordset.SetCursorType(ctUnidirectional);
    recordset.SQL().SetAsString(sql);
    QElapsedTimer clock;
    clock.start();
    recordset.SetActive(true);
    rows = 0;
    while (recordset.LastFetchSucceeded()) {
        ++rows;
        recordset.MoveToNext();
    }
    return double(clock.nsecsElapsed()) / 1e6;
}

// The floor inside this process: plain SQLFetch and SQLGetData as text on a connection of
// its own, what isql does without printing. Connecting is not timed.
std::optional<double> RawOdbcScan(const QString& connect, const QString& sql, std::int64_t& rows) {
    SQLHENV env = nullptr;
    SQLHDBC dbc = nullptr;
    SQLHSTMT stmt = nullptr;
    std::optional<double> ms;
    QByteArray connectText = connect.toUtf8();
    QByteArray sqlText = sql.toUtf8();
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    if (SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(connectText.data()),
                                       SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT))) {
        SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
        QElapsedTimer clock;
        clock.start();
        if (SQL_SUCCEEDED(
                SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(sqlText.data()), SQL_NTS))) {
            SQLSMALLINT columns = 0;
            SQLNumResultCols(stmt, &columns);
            char buffer[512];
            std::int64_t length = 0;
            rows = 0;
            SQLRETURN rc = SQL_SUCCESS;
            while (SQL_SUCCEEDED(rc = SQLFetch(stmt))) {
                for (SQLUSMALLINT column = 1; column <= columns; ++column) {
                    SQLLEN indicator = 0;
                    if (SQL_SUCCEEDED(SQLGetData(stmt, column, SQL_C_CHAR, buffer, sizeof buffer,
                                                 &indicator)) &&
                        indicator > 0)
                        length += indicator;
                }
                ++rows;
            }
            if (rc == SQL_NO_DATA && length > 0)
                ms = double(clock.nsecsElapsed()) / 1e6;
        }
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        SQLDisconnect(dbc);
    }
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return ms;
}

void OpenToFirstRow(TKxOdbcConnection& connection, const TConfiguration& configuration,
                    TKxCursorType cursor, int rounds) {
    double best = 1e18;
    for (int round = 0; round < rounds; ++round) {
        TKxOdbcRecordset recordset;
        recordset.SetODBCConnection(&connection);
        recordset.SetCursorType(cursor);
        recordset.SQL().SetAsString(kQuery);
        QElapsedTimer clock;
        clock.start();
        recordset.SetActive(true);
        ReadRow(recordset);
        best = std::min(best, double(clock.nsecsElapsed()) / 1e6);
        recordset.SetActive(false);
    }
    Report(configuration.name,
           QStringLiteral("open -> first row (%1)").arg(QString::fromLatin1(CursorName(cursor))),
           Ms(best));
}

void LastRowAfterOpen(TKxOdbcConnection& connection, const TConfiguration& configuration,
                      std::int64_t rows) {
    TKxOdbcRecordset recordset;
    recordset.SetODBCConnection(&connection);
    recordset.SQL().SetAsString(kQuery);
    recordset.SetActive(true);
    const QString measure = QStringLiteral("last row after open (%1)")
                                .arg(QString::fromLatin1(CursorName(recordset.CursorType())));
    if (!recordset.Scrollable()) {
        Report(configuration.name, measure,
               QStringLiteral("n/a (driver granted %1)")
                   .arg(QString::fromLatin1(GrantedCursorName(recordset.GrantedCursorType()))));
        return;
    }
    QElapsedTimer clock;
    clock.start();
    const int count = recordset.RecordCount();
    if (count == -1) {
        Report(configuration.name, measure, QStringLiteral("n/a (count unknown)"));
        return;
    }
    recordset.MoveToLast();
    ReadRow(recordset);
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    if (recordset.Position() != rows ||
        recordset.Fields()[0]->GetDisplayText().toLongLong() != rows)
        Report(configuration.name, measure,
               QStringLiteral("WRONG: position %1, id %2, count %3")
                   .arg(recordset.Position())
                   .arg(recordset.Fields()[0]->GetDisplayText())
                   .arg(count));
    else
        Report(configuration.name, measure, Ms(ms));
}

void FullScans(TKxOdbcConnection& connection, const TConfiguration& configuration,
               TKxCursorType defaultCursor, std::int64_t rows, int rounds) {
    std::optional<double> isqlBest;
    for (int round = 0; round < rounds; ++round) {
        const std::optional<double> ms = RunIsql(configuration.connect, kQuery.toUtf8() + '\n');
        if (ms)
            isqlBest = std::min(isqlBest.value_or(1e18), *ms);
    }
    for (const TKxCursorType cursor : {ctUnidirectional, defaultCursor}) {
        const QString cursorName = QString::fromLatin1(CursorName(cursor));
        TScan best;
        best.ms = 1e18;
        for (int round = 0; round < rounds; ++round) {
            const TScan scan = Scan(connection, kQuery, cursor);
            if (scan.ms < best.ms)
                best = scan;
        }
        QString measure =
            QStringLiteral("full scan (%1, granted %2)").arg(cursorName, best.granted);
        if (best.rows != rows)
            measure += QStringLiteral(" STOPPED AFTER %1 ROWS").arg(best.rows);
        Report(configuration.name, measure, Ms(best.ms),
               isqlBest ? Ms(*isqlBest) : QStringLiteral("failed"),
               isqlBest && best.rows == rows ? QString::number(best.ms / *isqlBest, 'f', 2)
                                             : QString());

        if (cursor == ctUnidirectional) {
            // Where the time goes: the moves without reading values, and the driver alone.
            std::int64_t movedRows = 0;
            const double moves = MovesOnly(connection, kQuery, movedRows);
            Report(configuration.name,
                   QStringLiteral("  part: moves only, no value read (%1 rows)").arg(movedRows),
                   Ms(moves), isqlBest ? Ms(*isqlBest) : QString(),
                   isqlBest ? QString::number(moves / *isqlBest, 'f', 2) : QString());
            std::int64_t rawRows = 0;
            const std::optional<double> raw = RawOdbcScan(configuration.connect, kQuery, rawRows);
            Report(
                configuration.name,
                QStringLiteral("  part: plain SQLFetch + SQLGetData text (%1 rows)").arg(rawRows),
                raw ? Ms(*raw) : QStringLiteral("failed"), isqlBest ? Ms(*isqlBest) : QString(),
                raw && isqlBest ? QString::number(*raw / *isqlBest, 'f', 2) : QString());
        }
        // Memory: the scan of 1 000 rows and of all rows, each right after the other.
        const TScan small = Scan(connection, kSmallQuery, cursor);
        const TScan large = Scan(connection, kQuery, cursor);
        Report(configuration.name,
               QStringLiteral("RSS growth (%1): open %2 rows; scan 1 000 / %2 rows / difference")
                   .arg(cursorName)
                   .arg(large.rows),
               QStringLiteral("%1; %2 / %3 / %4 MB")
                   .arg(MB(large.openGrowth), 0, 'f', 1)
                   .arg(MB(small.growth), 0, 'f', 2)
                   .arg(MB(large.growth), 0, 'f', 2)
                   .arg(std::max(MB(large.growth - small.growth), 0.0), 0, 'f', 2),
               QString(),
               large.growth - small.growth <= 5 * 1024 * 1024 ? QStringLiteral("<= 5 MB")
                                                              : QStringLiteral("> 5 MB"));
    }
}

void Run(TKxOdbcEnvironment& environment, const TConfiguration& configuration, std::int64_t rows,
         int rounds) {
    std::fprintf(stderr, "%s\n", qPrintable(configuration.name));
    TKxOdbcConnection connection;
    connection.SetODBCEnvironment(&environment);
    connection.SetConnectionString(configuration.connect);
    // The cursor a recordset opens with unless told otherwise.
    const TKxCursorType defaultCursor = TKxOdbcRecordset().CursorType();
    OpenToFirstRow(connection, configuration, defaultCursor, rounds);
    OpenToFirstRow(connection, configuration, ctUnidirectional, rounds);
    LastRowAfterOpen(connection, configuration, rows);
    FullScans(connection, configuration, defaultCursor, rows, rounds);
}

// Both databases get the same rows: id 1..N, a name that grows with the id, one of five
// cities and a real with a fraction.
QString FillSelect(const QString& source, const QString& i) {
    return QStringLiteral("SELECT %2, 'customer ' || %2, CASE %2 % 5 WHEN 0 THEN 'Berlin' WHEN 1 "
                          "THEN 'Hamburg' WHEN 2 THEN 'London' WHEN 3 THEN 'Lyon' ELSE 'Porto' "
                          "END, %2 * 0.25 + 0.125 FROM %1")
        .arg(source, i);
}

void CreateSqlite(TKxOdbcEnvironment& environment, const QString& connect, std::int64_t rows) {
    TKxOdbcConnection connection;
    connection.SetODBCEnvironment(&environment);
    connection.SetConnectionString(connect);
    connection.ExecuteDirect(QStringLiteral(
        "CREATE TABLE bench_rows (id INTEGER, name VARCHAR(40), city VARCHAR(40), amount REAL)"));
    // One statement, so one transaction.
    connection.ExecuteDirect(
        QStringLiteral("INSERT INTO bench_rows WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT "
                       "i + 1 FROM n WHERE i < %1) ")
            .arg(rows) +
        FillSelect(QStringLiteral("n"), QStringLiteral("i")));
}

void CreatePostgres(TKxOdbcEnvironment& environment, const QString& server, const QString& name,
                    std::int64_t rows) {
    CreatePostgresDatabase(environment, server, name);
    TKxOdbcConnection connection;
    connection.SetODBCEnvironment(&environment);
    connection.SetConnectionString(server + QStringLiteral("Database=%1;").arg(name));
    connection.ExecuteDirect(QStringLiteral("CREATE TABLE bench_rows (id INTEGER, name "
                                            "VARCHAR(40), city VARCHAR(40), amount DOUBLE "
                                            "PRECISION)"));
    connection.ExecuteDirect(QStringLiteral("INSERT INTO bench_rows ") +
                             FillSelect(QStringLiteral("generate_series(1, %1) AS n(i)").arg(rows),
                                        QStringLiteral("i")));
    connection.ExecuteDirect(QStringLiteral("VACUUM ANALYZE bench_rows"));
}

void PrintTable() {
    int widths[5] = {13, 7, 7, 7, 5};
    const auto widen = [&widths](const TReportLine& line) {
        widths[0] = std::max<int>(widths[0], int(line.configuration.size()));
        widths[1] = std::max<int>(widths[1], int(line.measure.size()));
        widths[2] = std::max<int>(widths[2], int(line.ours.size()));
        widths[3] = std::max<int>(widths[3], int(line.isql.size()));
        widths[4] = std::max<int>(widths[4], int(line.ratio.size()));
    };
    for (const auto& line : g_lines)
        widen(line);
    const auto print = [&widths](const QString& a, const QString& b, const QString& c,
                                 const QString& d, const QString& e) {
        std::printf("%-*s | %-*s | %*s | %*s | %*s\n", widths[0], qPrintable(a), widths[1],
                    qPrintable(b), widths[2], qPrintable(c), widths[3], qPrintable(d), widths[4],
                    qPrintable(e));
    };
    print(QStringLiteral("configuration"), QStringLiteral("measure"), QStringLiteral("ours ms"),
          QStringLiteral("isql ms"), QStringLiteral("ratio"));
    std::printf("%s\n",
                QByteArray(widths[0] + widths[1] + widths[2] + widths[3] + widths[4] + 12, '-')
                    .constData());
    for (const auto& line : g_lines)
        print(line.configuration, line.measure, line.ours, line.isql, line.ratio);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::int64_t rows = argc > 1 ? std::atoll(argv[1]) : 1000000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 1;
    if (rows < 1000 || rows > INT_MAX || rounds < 1) {
        std::fprintf(stderr, "usage: recordset_bench [rows >= 1000] [rounds >= 1]\n");
        return 2;
    }
    QTemporaryDir dir;
    TKxOdbcEnvironment environment;
    const QString server = qEnvironmentVariable("KX_TEST_PG_CONNECT");
    const QString pgName =
        QStringLiteral("kx_recordset_bench_%1").arg(QCoreApplication::applicationPid());
    bool pgCreated = false;
    int result = 0;
    try {
        std::vector<TConfiguration> configurations;
        const QString sqlite = QStringLiteral("Driver=SQLite3;Database=%1;")
                                   .arg(QDir(dir.path()).filePath(QStringLiteral("bench.db")));
        QElapsedTimer clock;
        clock.start();
        CreateSqlite(environment, sqlite, rows);
        std::fprintf(stderr, "SQLite3 database filled in %lld ms\n",
                     static_cast<long long>(clock.restart()));
        configurations.push_back({QStringLiteral("SQLite3"), sqlite});
        if (server.isEmpty()) {
            std::fprintf(stderr, "KX_TEST_PG_CONNECT is not set: PostgreSQL is left out\n");
        } else {
            CreatePostgres(environment, server, pgName, rows);
            pgCreated = true;
            std::fprintf(stderr, "PostgreSQL database filled in %lld ms\n",
                         static_cast<long long>(clock.restart()));
            const QString pg = server + QStringLiteral("Database=%1;").arg(pgName);
            configurations.push_back({QStringLiteral("PostgreSQL"), pg});
            configurations.push_back({QStringLiteral("PostgreSQL UseDeclareFetch"),
                                      pg + QStringLiteral("UseDeclareFetch=1;")});
        }
        for (const auto& configuration : configurations)
            Run(environment, configuration, rows, rounds);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "recordset_bench: %s\n", error.what());
        result = 1;
    }
    std::printf("%lld rows x 4 columns (integer, two texts, a real); %d round(s), best counts\n",
                static_cast<long long>(rows), rounds);
    std::printf("query: %s\n\n", qPrintable(kQuery));
    PrintTable();
    std::printf("\nTargets: full scan at most 1.50 x isql; RSS growth of the unidirectional scan "
                "from 1 000 rows to all rows at most 5 MB.\n");
    if (pgCreated) {
        try {
            DropPostgresDatabase(environment, server, pgName);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "recordset_bench: %s\n", error.what());
        }
    }
    return result;
}
