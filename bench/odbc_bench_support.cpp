#include "odbc_bench_support.h"

#include "odbc/odbc_connection.h"

#include <QProcess>
#include <cstdio>
#include <unistd.h>

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

std::int64_t ResidentBytes() {
    std::FILE* file = std::fopen("/proc/self/statm", "r");
    if (file == nullptr)
        return 0;
    long long size = 0;
    long long resident = 0;
    const int read = std::fscanf(file, "%lld %lld", &size, &resident);
    std::fclose(file);
    return read == 2 ? resident * sysconf(_SC_PAGESIZE) : 0;
}

double Elapsed(const QElapsedTimer& clock) {
    return double(clock.nsecsElapsed()) / 1e6;
}

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

std::optional<double> RunIsql(const QString& connect, const QByteArray& input) {
    QProcess isql;
    isql.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    isql.start(QStringLiteral("isql"),
               {QStringLiteral("-b"), QStringLiteral("-d,"), QStringLiteral("-k"), connect});
    if (!isql.waitForStarted())
        return std::nullopt;
    isql.write(input);
    isql.closeWriteChannel();
    isql.waitForFinished(-1);
    const double ms = Elapsed(clock);
    if (isql.exitStatus() != QProcess::NormalExit || isql.exitCode() != 0) {
        std::fprintf(stderr, "isql failed (exit %d): %s\n", isql.exitCode(),
                     isql.readAllStandardError().constData());
        return std::nullopt;
    }
    return ms;
}

} // namespace kx::bench
