#include "odbc_bench_support.h"

#include "odbc/odbc_connection.h"

namespace kx::bench {
namespace {

void OnAdminDatabase(TKxOdbcEnvironment& environment, const QString& server,
                     const QStringList& statements) {
    TKxOdbcConnection admin;
    admin.SetODBCEnvironment(&environment);
    admin.SetConnectionString(server + QStringLiteral("Database=postgres;"));
    for (const QString& statement : statements)
        admin.ExecuteDirect(statement);
}

} // namespace

QString Ms(double ms) {
    return QString::number(ms, 'f', ms < 10 ? 2 : 0);
}

const char* GrantedCursorName(SQLULEN granted) {
    switch (granted) {
    case SQL_CURSOR_FORWARD_ONLY:
        return "forward-only";
    case SQL_CURSOR_STATIC:
        return "static";
    case SQL_CURSOR_KEYSET_DRIVEN:
        return "keyset";
    case SQL_CURSOR_DYNAMIC:
        return "dynamic";
    default:
        return "?";
    }
}

void CreatePostgresDatabase(TKxOdbcEnvironment& environment, const QString& server,
                            const QString& name) {
    OnAdminDatabase(
        environment, server,
        {QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name),
         QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' TEMPLATE template0").arg(name)});
}

void DropPostgresDatabase(TKxOdbcEnvironment& environment, const QString& server,
                          const QString& name) {
    OnAdminDatabase(environment, server,
                    {QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name)});
}

} // namespace kx::bench
