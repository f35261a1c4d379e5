#include "support/test_databases.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDir>
#include <sql.h>
#include <sqlext.h>

namespace kx::test {
QString RawDiagnostics(short type, void* handle) {
    QString text;
    SQLCHAR state[6] = {};
    SQLCHAR message[1024] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    for (SQLSMALLINT i = 1; SQLGetDiagRec(type, handle, i, state, &native, message, sizeof message,
                                          &length) == SQL_SUCCESS;
         ++i) {
        text += QStringLiteral("%1: %2\n")
                    .arg(QString::fromUtf8(reinterpret_cast<const char*>(state)),
                         QString::fromUtf8(reinterpret_cast<const char*>(message)));
    }
    return text.isEmpty() ? QStringLiteral("failed without diagnostics") : text;
}

QString SqliteConnectionString(const QTemporaryDir& dir, const QString& fileName) {
    return QStringLiteral("Driver=SQLite3;Database=%1;").arg(QDir(dir.path()).filePath(fileName));
}

QString ExecuteRaw(const QString& connectionString, const QString& sql) {
    SQLHENV env = nullptr;
    SQLHDBC dbc = nullptr;
    SQLHSTMT stmt = nullptr;
    QString error;
    QByteArray connect = connectionString.toUtf8();
    QByteArray text = sql.toUtf8();

    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    if (!SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(connect.data()),
                                        SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT))) {
        error = RawDiagnostics(SQL_HANDLE_DBC, dbc);
    } else {
        SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
        const SQLRETURN rc = SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS);
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA)
            error = RawDiagnostics(SQL_HANDLE_STMT, stmt);
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        SQLDisconnect(dbc);
    }
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return error;
}

std::unique_ptr<PostgresTestDatabase> PostgresTestDatabase::Create(QString* error) {
    const QString server = qEnvironmentVariable(kPostgresConnectVariable);
    if (server.isEmpty())
        return nullptr;
    static QAtomicInt counter;
    const QString name = QStringLiteral("kx_test_%1_%2")
                             .arg(QCoreApplication::applicationPid())
                             .arg(counter.fetchAndAddRelaxed(1));
    const QString failure = ExecuteRaw(
        server + QStringLiteral("Database=postgres;"),
        QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' TEMPLATE template0").arg(name));
    if (!failure.isEmpty()) {
        if (error != nullptr)
            *error = failure;
        return nullptr;
    }
    return std::make_unique<PostgresTestDatabase>(server, name);
}

PostgresTestDatabase::PostgresTestDatabase(QString serverConnect, QString name)
    : m_serverConnect(std::move(serverConnect)), m_name(std::move(name)),
      m_connectionString(m_serverConnect + QStringLiteral("Database=%1;").arg(m_name)) {}

PostgresTestDatabase::~PostgresTestDatabase() {
    if (m_name.isEmpty())
        return;
    // WITH (FORCE) ends any session a failed test left open, so the drop cannot hang.
    ExecuteRaw(m_serverConnect + QStringLiteral("Database=postgres;"),
               QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name));
}

} // namespace kx::test
