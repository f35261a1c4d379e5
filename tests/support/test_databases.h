#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace kx::test {

// A connection string for a fresh SQLite database file inside `dir`, opened through the
// SQLite3 ODBC driver. The file is created by the driver on first connect.
QString SqliteConnectionString(const QTemporaryDir& dir,
                               const QString& fileName = QStringLiteral("test.db"));

// Name of the environment variable that carries the connection string of the PostgreSQL
// test server started by scripts/with-test-databases.sh (without a Database key).
inline constexpr const char* kPostgresConnectVariable = "KX_TEST_PG_CONNECT";

// A database of its own on the PostgreSQL test server, created for one test and dropped
// again when the object goes away, so tests never see each other's tables.
class PostgresTestDatabase {
public:
    // Answers null when no test server runs (the caller skips); a server that is there but
    // refuses the CREATE DATABASE also answers null, with its diagnostics in `error`.
    static std::unique_ptr<PostgresTestDatabase> Create(QString* error);

    PostgresTestDatabase(QString serverConnect, QString name);
    PostgresTestDatabase(const PostgresTestDatabase&) = delete;
    PostgresTestDatabase& operator=(const PostgresTestDatabase&) = delete;
    ~PostgresTestDatabase();

    const QString& ConnectionString() const { return m_connectionString; }
    const QString& Name() const { return m_name; }

private:
    QString m_serverConnect;
    QString m_name;
    QString m_connectionString;
};

// The diagnostic records of a handle as "STATE: message" lines, for failure messages.
QString RawDiagnostics(short handleType, void* handle);

// Runs one statement on a connection string through the raw call interface; answers the
// driver's diagnostics on failure, an empty text on success. For test set-up only.
QString ExecuteRaw(const QString& connectionString, const QString& sql);

} // namespace kx::test
