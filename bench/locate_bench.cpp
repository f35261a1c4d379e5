// Locating a record by value in 1 000 000 sorted rows, on SQLite3 and (when the test server
// runs, KX_TEST_PG_CONNECT) on PostgreSQL with a keyset cursor: the time of one locate after
// the record count is known, and the rows it fetched next to log2(n).
//
// Usage: scripts/with-test-databases.sh build/release/bench/locate_bench [rows]

#include "dbcore/name_value_match.h"
#include "dbcore/sql_property.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_recordset.h"
#include "odbc_bench_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>

using namespace kx;
using namespace kx::bench;

namespace {

void Measure(const char* configuration, TKxOdbcConnection& connection, std::int64_t rows) {
    TKxOdbcRecordset recordset;
    recordset.SetODBCConnection(&connection);
    recordset.SetCursorType(ctKeyset);
    recordset.SQL().SetAsString(QStringLiteral("SELECT id, name FROM bench_locate ORDER BY name"));
    recordset.SetActive(true);
    const int count = recordset.RecordCount(); // counted once, as the grid does on opening
    for (const auto& [label, value, kind] : {std::tuple{"exact, present", rows * 7 / 10, mtExact},
                                             std::tuple{"exact, absent", std::int64_t(-1), mtExact},
                                             std::tuple{"closest", rows / 3, mtClosest}}) {
        const QString name = value < 0
                                 ? QStringLiteral("name zzz")
                                 : QStringLiteral("name %1").arg(value, 8, 10, QLatin1Char('0'));
        const KxIntf<TKxNameAndValueMatchList> values(
            new TKxNameAndValueMatchList({{QStringLiteral("name"), KxVariant(name), kind, true}}));
        const std::int64_t fetches = recordset.RowFetches();
        QElapsedTimer clock;
        clock.start();
        const bool found = recordset.LocateValues(static_cast<IKxGetItemByIndex*>(values.get()));
        const double ms = Elapsed(clock);
        std::printf("%-28s | %-15s | %8s ms | %3lld fetches (log2 n = %.1f) | %s\n", configuration,
                    label, qPrintable(Ms(ms)),
                    static_cast<long long>(recordset.RowFetches() - fetches),
                    std::log2(double(count)), found ? "found" : "not found");
    }
}

const QString kCreate = QStringLiteral("CREATE TABLE bench_locate (id INTEGER PRIMARY KEY, "
                                       "name VARCHAR(20))");

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::int64_t rows = argc > 1 ? std::atoll(argv[1]) : 1000000;
    QTemporaryDir dir;
    TKxOdbcEnvironment environment;
    std::printf("locating in %lld rows sorted by name; target <= 25 fetches and <= 100 ms\n",
                static_cast<long long>(rows));
    {
        TKxOdbcConnection connection;
        connection.SetODBCEnvironment(&environment);
        connection.SetConnectionString(
            QStringLiteral("Driver=SQLite3;Database=%1;SyncPragma=OFF;")
                .arg(QDir(dir.path()).filePath(QStringLiteral("locate.db"))));
        connection.ExecuteDirect(kCreate);
        connection.ExecuteDirect(
            QStringLiteral("INSERT INTO bench_locate WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL "
                           "SELECT i + 1 FROM n WHERE i < %1) SELECT i, 'name ' || "
                           "substr('0000000' || i, -8) FROM n")
                .arg(rows));
        Measure("SQLite3", connection, rows);
    }
    const QString server = qEnvironmentVariable("KX_TEST_PG_CONNECT");
    if (server.isEmpty())
        return 0;
    const QString name =
        QStringLiteral("kx_locate_bench_%1").arg(QCoreApplication::applicationPid());
    CreatePostgresDatabase(environment, server, name);
    {
        TKxOdbcConnection connection;
        connection.SetODBCEnvironment(&environment);
        connection.SetConnectionString(server + QStringLiteral("Database=%1;").arg(name));
        connection.ExecuteDirect(kCreate);
        connection.ExecuteDirect(
            QStringLiteral("INSERT INTO bench_locate SELECT i, 'name ' || lpad(i::text, 8, '0') "
                           "FROM generate_series(1, %1) AS n(i)")
                .arg(rows));
        Measure("PostgreSQL (keyset asked)", connection, rows);
    }
    DropPostgresDatabase(environment, server, name);
    return 0;
}
