// Counting and positioned updates of the ODBC recordset on the SQLite3 driver and on
// psqlODBC with and without UseDeclareFetch=1:
//   - the count of an N-row result by each counting strategy alone, asked right after the
//     open of the default (scrollable) cursor: the time of RecordCount(), the count it gave
//     (-1 where the strategy cannot know) and, for logarithmic probing, the absolute fetches
//     it makes, twice: worked out by replaying the same probing (doubling from 256 until a
//     fetch fails, then halving the gap from 1) over "row <= N", plus the fetch that brings
//     the current row back, and counted in an ODBC trace of a second, untimed count;
//   - K single-row updates through the recordset (move to the row, set one field, apply:
//     SQLSetPos) against the same K UPDATE statements piped into one run of
//     `isql -b -k "<same connection string>"`; after each side a SELECT checks that every
//     update was stored and no other row changed.
//
// The PostgreSQL configurations need a server: KX_TEST_PG_CONNECT (a DSN-less connection
// string without a Database key), as scripts/with-test-databases.sh sets it. Without it
// only SQLite3 runs.
//
// Usage: record_update_bench [rows] [updates] [update table rows]
//   rows: rows of the counted result (1 000 000); updates: 1 000; update table rows: the
//   table the K updates run on, min(rows, 10 000) unless given. The SQLite3 driver gives a
//   static cursor that does not see its own changes, so the recordset reads the whole result
//   again after every apply: on N rows that alone decides the time. The updates therefore run
//   on the smaller table, and once more on the N-row table until kLargeTableBudgetMs is spent.

#include "dbcore/sql_property.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_recordset.h"
#include "odbc_bench_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <optional>
#include <sql.h>
#include <sqlext.h>
#include <vector>

using namespace kx;
using namespace kx::bench;

namespace {

// Rows of the table the K updates run on unless the third argument says otherwise.
constexpr std::int64_t kDefaultUpdateRows = 10000;
// Time the updates on the N-row table may take: where every apply reads the whole result
// again, they stop when it is spent and the line shows how many were done.
constexpr double kLargeTableBudgetMs = 15000;

struct TConfiguration {
    QString name;
    QString connect;
    bool server = false;
};

// ---- a plain text table

class TTable {
public:
    explicit TTable(QStringList header) : m_header(std::move(header)) {}
    void Add(QStringList row) {
        row.resize(m_header.size());
        std::fprintf(stderr, "  %s\n", qPrintable(row.join(QStringLiteral(" | "))));
        m_rows.push_back(std::move(row));
    }
    void Print() const {
        std::vector<int> widths;
        for (const QString& title : m_header)
            widths.push_back(int(title.size()));
        for (const QStringList& row : m_rows)
            for (int i = 0; i < row.size(); ++i)
                widths[i] = std::max(widths[i], int(row[i].size()));
        const auto print = [&widths](const QStringList& row) {
            QString line;
            for (int i = 0; i < row.size(); ++i) {
                if (i > 0)
                    line += QStringLiteral(" | ");
                // Names left, numbers right.
                line += i < 2 || i + 1 == row.size() ? row[i].leftJustified(widths[i])
                                                     : row[i].rightJustified(widths[i]);
            }
            std::printf("%s\n", qPrintable(line));
        };
        print(m_header);
        int total = 0;
        for (const int width : widths)
            total += width + 3;
        std::printf("%s\n", QByteArray(total - 3, '-').constData());
        for (const QStringList& row : m_rows)
            print(row);
    }

private:
    QStringList m_header;
    std::vector<QStringList> m_rows;
};

// ---- counting

struct TProbeWalk {
    int fetches = 0; // absolute fetches of the probing, the restoring fetch not included
    std::int64_t count = 0;
};

// The recordset's logarithmic probing replayed over a result of `rows` rows: doubling from
// 256 while the fetch succeeds, then halving the gap between 1 and the first failing
// position.
TProbeWalk WalkProbes(std::int64_t rows) {
    TProbeWalk walk;
    const auto fetches = [&walk, rows](std::int64_t row) {
        ++walk.fetches;
        return row <= rows;
    };
    walk.count = KxFirstPositionNotFetched(fetches) - 1;
    return walk;
}

struct TStrategy {
    TRecordCountStrategies value;
    QString name;
};

// The absolute fetches one RecordCount() makes, counted in an ODBC trace of that call alone
// (a second open, untimed: the driver manager's trace is slow and process-wide).
std::optional<int> TracedAbsoluteFetches(TKxOdbcConnection& connection, const QString& sql,
                                         const TStrategy& strategy) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("count.trace"));
    TKxOdbcRecordset recordset;
    recordset.SetODBCConnection(&connection);
    recordset.SetRecordCountStrategies(strategy.value);
    recordset.SQL().SetAsString(sql);
    recordset.SetActive(true);
    TOdbcTraceProperties& trace = connection.TraceProperties();
    const QString oldFile = trace.TraceFilename();
    trace.SetTraceFilename(path);
    trace.SetEnableTracing(true);
    recordset.RecordCount();
    trace.SetEnableTracing(false);
    trace.SetTraceFilename(oldFile);
    recordset.SetActive(false);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // unixODBC writes one "[...]SQLFetchScroll.c][...]" line on entry and one on exit, with
    // "Fetch Orentation = 5" (SQL_FETCH_ABSOLUTE) among the entry's arguments.
    int absolute = 0;
    bool inFetchScrollEntry = false;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        if (line.startsWith('['))
            inFetchScrollEntry = line.contains("SQLFetchScroll.c") && !line.contains("Exit:");
        else if (inFetchScrollEntry && line.contains("Entry:"))
            continue;
        else if (inFetchScrollEntry && line.contains("Orentation") &&
                 line.trimmed().endsWith("= 5"))
            ++absolute;
    }
    return absolute;
}

void CountByStrategy(TTable& table, TKxOdbcConnection& connection,
                     const TConfiguration& configuration, const QString& sql,
                     const TStrategy& strategy, std::int64_t rows) {
    QString open = QStringLiteral("-");
    QString countMs = QStringLiteral("-");
    QString count = QStringLiteral("-");
    QString fetches;
    QString note;
    try {
        TKxOdbcRecordset recordset;
        recordset.SetODBCConnection(&connection);
        recordset.SetRecordCountStrategies(strategy.value);
        recordset.SQL().SetAsString(sql);
        QElapsedTimer clock;
        clock.start();
        recordset.SetActive(true);
        open = Ms(Elapsed(clock));
        const QString firstId = recordset.Fields()[0]->GetDisplayText();
        note = QStringLiteral("granted %1")
                   .arg(QString::fromLatin1(GrantedCursorName(recordset.GrantedCursorType())));
        clock.restart();
        const int counted = recordset.RecordCount();
        countMs = Ms(Elapsed(clock));
        count = QString::number(counted);
        if (counted != -1 && counted != rows)
            note += QStringLiteral("; WRONG COUNT, expected %1").arg(rows);
        // Counting must leave the cursor where it was, on the first row.
        if (recordset.Position() != 1 || !recordset.LastFetchSucceeded() ||
            recordset.Fields()[0]->GetDisplayText() != firstId)
            note += QStringLiteral("; CURSOR MOVED: position %1, id %2 (was %3)")
                        .arg(recordset.Position())
                        .arg(recordset.Fields()[0]->GetDisplayText(), firstId);
        recordset.SetActive(false);
        if (strategy.value == csCountByLogarithmicPositioning) {
            const TProbeWalk walk = WalkProbes(rows);
            const std::optional<int> traced = TracedAbsoluteFetches(connection, sql, strategy);
            fetches = QStringLiteral("%1 + 1 / %2")
                          .arg(walk.fetches)
                          .arg(traced ? QString::number(*traced) : QStringLiteral("?"));
            if (walk.count != rows)
                note += QStringLiteral("; replayed walk counts %1").arg(walk.count);
            if (traced && *traced != walk.fetches + 1)
                note += QStringLiteral("; TRACE DIFFERS FROM THE REPLAYED WALK");
        }
    } catch (const std::exception& error) {
        note += QStringLiteral("; FAILED: %1").arg(QString::fromUtf8(error.what()));
    }
    table.Add({configuration.name, strategy.name, open, countMs, count, fetches, note});
}

// ---- updates

// The rows the updates go to: distinct, scattered over the table, in no order.
std::vector<std::int64_t> UpdatedIds(std::int64_t rows, int updates) {
    std::vector<std::int64_t> ids;
    ids.reserve(updates);
    // 7919 is prime: for tables whose size it does not divide, the steps never meet.
    const std::int64_t step = rows % 7919 == 0 ? 7907 : 7919;
    for (int i = 0; i < updates; ++i)
        ids.push_back(1 + (std::int64_t(i) * step) % rows);
    return ids;
}

QString UpdatedName(const char* side, int i) {
    return QStringLiteral("%1 %2").arg(QString::fromLatin1(side)).arg(i);
}

struct TUpdateRun {
    double openMs = 0;
    double updatesMs = 0;
    double movesMs = 0; // of updatesMs: SetPosition alone
    int done = 0;
    QString granted;
    QString error;
};

// Opens the update query with the default cursor and writes `name` of each row in `ids`.
TUpdateRun RecordsetUpdates(TKxOdbcConnection& connection, const QString& tableName,
                            const std::vector<std::int64_t>& ids, const char* side,
                            double budgetMs) {
    TUpdateRun run;
    try {
        TKxOdbcRecordset recordset;
        recordset.SetODBCConnection(&connection);
        recordset.SQL().SetAsString(
            QStringLiteral("SELECT id, name, amount FROM %1 ORDER BY id").arg(tableName));
        QElapsedTimer clock;
        clock.start();
        recordset.SetActive(true);
        run.openMs = Elapsed(clock);
        run.granted = QString::fromLatin1(GrantedCursorName(recordset.GrantedCursorType()));
        clock.restart();
        for (std::size_t i = 0; i < ids.size(); ++i) {
            const qint64 beforeMove = clock.nsecsElapsed();
            recordset.SetPosition(ids[i]);
            run.movesMs += double(clock.nsecsElapsed() - beforeMove) / 1e6;
            // Looked up for every row: a recordset that reads its rows again after an apply
            // (a cursor blind to its own changes) creates its fields anew.
            TKxOdbcField* id = recordset.FieldByName(QStringLiteral("id"));
            if (id->GetValue().ToInt64() != ids[i]) {
                run.error =
                    QStringLiteral("position %1 shows id %2").arg(ids[i]).arg(id->GetDisplayText());
                break;
            }
            recordset.FieldByName(QStringLiteral("name"))
                ->SetValue(KxVariant(UpdatedName(side, int(i))));
            if (!recordset.ExecuteOperation(roApplyChanges, nullptr)) {
                run.error = QStringLiteral("apply refused at id %1 (state %2)")
                                .arg(ids[i])
                                .arg(int(recordset.GetRecordsetState()));
                break;
            }
            // What the user sees after the apply: the same row, with the new value.
            const QString shown = recordset.FieldByName(QStringLiteral("name"))->GetDisplayText();
            if (recordset.Position() != ids[i] || shown != UpdatedName(side, int(i))) {
                run.error = QStringLiteral("after the apply of id %1 position %2 shows '%3'")
                                .arg(ids[i])
                                .arg(recordset.Position())
                                .arg(shown);
                break;
            }
            ++run.done;
            if (Elapsed(clock) > budgetMs)
                break;
        }
        run.updatesMs = Elapsed(clock);
        recordset.SetActive(false);
    } catch (const std::exception& error) {
        run.error = QString::fromUtf8(error.what());
    }
    return run;
}

// isql -b -k with the same connection string, the statements on its standard input.
std::optional<double> IsqlUpdates(const QString& connect, const QString& tableName,
                                  const std::vector<std::int64_t>& ids, QString& error) {
    QByteArray script;
    for (std::size_t i = 0; i < ids.size(); ++i)
        script += QStringLiteral("UPDATE %1 SET name = '%2' WHERE id = %3\n")
                      .arg(tableName, UpdatedName("isql", int(i)))
                      .arg(ids[i])
                      .toUtf8();
    QProcess isql;
    isql.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    isql.start(QStringLiteral("isql"), {QStringLiteral("-b"), QStringLiteral("-k"), connect});
    if (!isql.waitForStarted()) {
        error = QStringLiteral("isql did not start");
        return std::nullopt;
    }
    isql.write(script);
    isql.closeWriteChannel();
    isql.waitForFinished(-1);
    const double ms = Elapsed(clock);
    if (isql.exitStatus() != QProcess::NormalExit || isql.exitCode() != 0) {
        error = QStringLiteral("isql exit %1: %2")
                    .arg(isql.exitCode())
                    .arg(QString::fromUtf8(isql.readAllStandardError()).trimmed());
        return std::nullopt;
    }
    return ms;
}

// Reads the table back and says what is not as `side`'s updates left it: every updated row
// carries its new name, every other row the name it was created with.
QString CheckStored(TKxOdbcConnection& connection, const QString& tableName, std::int64_t rows,
                    const std::vector<std::int64_t>& ids, const char* side) {
    std::map<std::int64_t, QString> expected;
    for (std::size_t i = 0; i < ids.size(); ++i)
        expected[ids[i]] = UpdatedName(side, int(i));
    TKxOdbcRecordset check;
    check.SetODBCConnection(&connection);
    check.SetCursorType(ctUnidirectional);
    check.SetUpdateStrategy(usReadOnly);
    check.SQL().SetAsString(QStringLiteral("SELECT id, name FROM %1 ORDER BY id").arg(tableName));
    check.SetActive(true);
    TKxOdbcField* id = check.Fields()[0];
    TKxOdbcField* name = check.Fields()[1];
    std::int64_t seen = 0;
    int wrong = 0;
    QString first;
    while (check.LastFetchSucceeded()) {
        ++seen;
        const std::int64_t key = id->GetValue().ToInt64();
        const auto found = expected.find(key);
        const QString want =
            found != expected.end() ? found->second : QStringLiteral("customer %1").arg(key);
        const QString stored = name->GetValue().ToString();
        if (stored != want) {
            if (wrong++ == 0)
                first =
                    QStringLiteral("id %1 holds '%2', expected '%3'").arg(key).arg(stored, want);
        }
        check.MoveToNext();
    }
    check.SetActive(false);
    if (seen != rows)
        return QStringLiteral("%1 rows read back, expected %2").arg(seen).arg(rows);
    if (wrong > 0)
        return QStringLiteral("%1 rows wrong, first: %2").arg(wrong).arg(first);
    return QStringLiteral("ok");
}

// K updates through the recordset (stopped early when `budgetMs` is spent), then the same
// statements through isql; each side's result is read back, and the table is given its
// created names again for whoever comes next.
void Updates(TTable& table, TKxOdbcConnection& connection, const TConfiguration& configuration,
             const QString& tableName, std::int64_t rows, int updates, double budgetMs) {
    std::vector<std::int64_t> ids = UpdatedIds(rows, updates);
    const TUpdateRun ours = RecordsetUpdates(connection, tableName, ids, "recordset", budgetMs);
    ids.resize(ours.done);
    const QString oursStored =
        ours.error.isEmpty() ? CheckStored(connection, tableName, rows, ids, "recordset")
                             : QStringLiteral("FAILED after %1: %2").arg(ours.done).arg(ours.error);
    QString isqlError = QStringLiteral("not run");
    double isqlMs = -1;
    if (!ids.empty()) {
        if (const std::optional<double> isql =
                IsqlUpdates(configuration.connect, tableName, ids, isqlError))
            isqlMs = *isql;
    }
    const QString isqlStored =
        isqlMs >= 0 ? CheckStored(connection, tableName, rows, ids, "isql") : isqlError;
    connection.ExecuteDirect(
        QStringLiteral("UPDATE %1 SET name = 'customer ' || id WHERE name <> 'customer ' || id")
            .arg(tableName));
    QString updatesText = QString::number(ours.done);
    if (ours.done < updates && ours.error.isEmpty())
        updatesText += QStringLiteral(" (%1 s spent)").arg(budgetMs / 1000);
    table.Add({configuration.name,
               QStringLiteral("%1 rows, %2 (granted)").arg(rows).arg(ours.granted), updatesText,
               Ms(ours.openMs), Ms(ours.updatesMs),
               ours.done > 0 ? QStringLiteral("%1 (%2 + %3)")
                                   .arg(ours.updatesMs / ours.done, 0, 'f', 3)
                                   .arg(ours.movesMs / ours.done, 0, 'f', 3)
                                   .arg((ours.updatesMs - ours.movesMs) / ours.done, 0, 'f', 3)
                             : QString(),
               isqlMs >= 0 ? Ms(isqlMs) : QStringLiteral("failed"),
               isqlMs > 0 && ours.error.isEmpty() ? QString::number(ours.updatesMs / isqlMs, 'f', 2)
                                                  : QString(),
               QStringLiteral("ours %1; isql %2").arg(oursStored, isqlStored)});
}

// ---- the databases

// Both tables of both databases get the same rows: id 1..N (the primary key), a name from
// the id and a real with a fraction.
QString FillSelect(const QString& source) {
    return QStringLiteral("SELECT i, 'customer ' || i, i * 0.25 + 0.125 FROM %1").arg(source);
}

void CreateTables(TKxOdbcConnection& connection, bool server, std::int64_t rows,
                  std::int64_t updateRows) {
    const QString type = server ? QStringLiteral("DOUBLE PRECISION") : QStringLiteral("REAL");
    for (const auto& [name, count] : {std::pair{QStringLiteral("bench_count"), rows},
                                      std::pair{QStringLiteral("bench_update"), updateRows}}) {
        connection.ExecuteDirect(QStringLiteral("CREATE TABLE %1 (id INTEGER PRIMARY KEY, name "
                                                "VARCHAR(40) NOT NULL, amount %2)")
                                     .arg(name, type));
        // One statement each, so one transaction.
        if (server)
            connection.ExecuteDirect(
                QStringLiteral("INSERT INTO %1 ").arg(name) +
                FillSelect(QStringLiteral("generate_series(1, %1) AS n(i)").arg(count)));
        else
            connection.ExecuteDirect(
                QStringLiteral("INSERT INTO %1 WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL "
                               "SELECT i + 1 FROM n WHERE i < %2) ")
                    .arg(name)
                    .arg(count) +
                FillSelect(QStringLiteral("n")));
    }
    if (server)
        connection.ExecuteDirect(QStringLiteral("VACUUM ANALYZE"));
}

void CreatePostgres(TKxOdbcEnvironment& environment, const QString& server, const QString& name,
                    std::int64_t rows, std::int64_t updateRows) {
    CreatePostgresDatabase(environment, server, name);
    TKxOdbcConnection connection;
    connection.SetODBCEnvironment(&environment);
    connection.SetConnectionString(server + QStringLiteral("Database=%1;").arg(name));
    CreateTables(connection, true, rows, updateRows);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::int64_t rows = argc > 1 ? std::atoll(argv[1]) : 1000000;
    const int updates = argc > 2 ? std::atoi(argv[2]) : 1000;
    const std::int64_t updateRows =
        argc > 3 ? std::atoll(argv[3]) : std::min(rows, kDefaultUpdateRows);
    if (rows < 1000 || rows > INT_MAX || updates < 1 || updateRows < updates ||
        updateRows > INT_MAX || rows < updates) {
        std::fprintf(stderr, "usage: record_update_bench [rows >= 1000] [updates >= 1] [update "
                             "table rows >= updates]\n");
        return 2;
    }
    QTemporaryDir dir;
    TKxOdbcEnvironment environment;
    const QString server = qEnvironmentVariable("KX_TEST_PG_CONNECT");
    const QString pgName =
        QStringLiteral("kx_record_update_bench_%1").arg(QCoreApplication::applicationPid());
    bool pgCreated = false;
    int result = 0;
    TTable counts({QStringLiteral("configuration"), QStringLiteral("strategy alone"),
                   QStringLiteral("open ms"), QStringLiteral("RecordCount() ms"),
                   QStringLiteral("count"), QStringLiteral("abs. fetches"),
                   QStringLiteral("notes")});
    TTable writes({QStringLiteral("configuration"), QStringLiteral("table, cursor"),
                   QStringLiteral("updates"), QStringLiteral("open ms"), QStringLiteral("ours ms"),
                   QStringLiteral("ms/update (move + set and apply)"), QStringLiteral("isql ms"),
                   QStringLiteral("ratio"), QStringLiteral("stored (checked by SELECT)")});
    try {
        std::vector<TConfiguration> configurations;
        const QString sqlite = QStringLiteral("Driver=SQLite3;Database=%1;")
                                   .arg(QDir(dir.path()).filePath(QStringLiteral("bench.db")));
        QElapsedTimer clock;
        clock.start();
        {
            TKxOdbcConnection connection;
            connection.SetODBCEnvironment(&environment);
            connection.SetConnectionString(sqlite);
            CreateTables(connection, false, rows, updateRows);
        }
        std::fprintf(stderr, "SQLite3 database filled in %lld ms\n",
                     static_cast<long long>(clock.restart()));
        configurations.push_back({QStringLiteral("SQLite3"), sqlite, false});
        if (server.isEmpty()) {
            std::fprintf(stderr, "KX_TEST_PG_CONNECT is not set: PostgreSQL is left out\n");
        } else {
            CreatePostgres(environment, server, pgName, rows, updateRows);
            pgCreated = true;
            std::fprintf(stderr, "PostgreSQL database filled in %lld ms\n",
                         static_cast<long long>(clock.restart()));
            const QString pg = server + QStringLiteral("Database=%1;").arg(pgName);
            configurations.push_back({QStringLiteral("PostgreSQL"), pg, true});
            configurations.push_back({QStringLiteral("PostgreSQL UseDeclareFetch"),
                                      pg + QStringLiteral("UseDeclareFetch=1;"), true});
        }
        const QString countSql = QStringLiteral("SELECT id, name, amount FROM bench_count");
        const std::vector<TStrategy> strategies{
            {csUseCountFromODBCDriver, QStringLiteral("driver count")},
            {csUseSelectCountStatement, QStringLiteral("SELECT Count(*)")},
            {csCountByLogarithmicPositioning, QStringLiteral("logarithmic probing")}};
        // Every count first: the updates on the counted table move rows in PostgreSQL's heap,
        // and the configurations share the database.
        for (const auto& configuration : configurations) {
            std::fprintf(stderr, "%s: counting\n", qPrintable(configuration.name));
            TKxOdbcConnection connection;
            connection.SetODBCEnvironment(&environment);
            connection.SetConnectionString(configuration.connect);
            // Connected before anything is timed.
            connection.DriverTraits();
            for (const TStrategy& strategy : strategies)
                CountByStrategy(counts, connection, configuration, countSql, strategy, rows);
        }
        for (const auto& configuration : configurations) {
            std::fprintf(stderr, "%s: updates\n", qPrintable(configuration.name));
            TKxOdbcConnection connection;
            connection.SetODBCEnvironment(&environment);
            connection.SetConnectionString(configuration.connect);
            connection.DriverTraits();
            Updates(writes, connection, configuration, QStringLiteral("bench_update"), updateRows,
                    updates, std::numeric_limits<double>::infinity());
            if (updateRows != rows)
                Updates(writes, connection, configuration, QStringLiteral("bench_count"), rows,
                        updates, kLargeTableBudgetMs);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "record_update_bench: %s\n", error.what());
        result = 1;
    }
    std::printf("Counting a %lld-row result (SELECT id, name, amount FROM bench_count), each "
                "strategy alone, RecordCount() right after opening the default cursor\n\n",
                static_cast<long long>(rows));
    counts.Print();
    std::printf(
        "\nabs. fetches: the probing's absolute fetches + the one that brings the first "
        "row back, worked out by replaying the recordset's probing (doubling from 256, "
        "then halving) over \"row <= %lld\" / counted in an ODBC trace of a second count.\n",
        static_cast<long long>(rows));
    std::printf("\nSingle-row updates through the recordset (SELECT id, name, amount ... ORDER BY "
                "id; SetPosition, set name, apply) vs the same UPDATE statements in one run of "
                "isql -b -k; ratio = ours (open not included) / isql (process, connect and "
                "statements)\n\n");
    writes.Print();
    if (pgCreated) {
        try {
            DropPostgresDatabase(environment, server, pgName);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "record_update_bench: %s\n", error.what());
        }
    }
    return result;
}
