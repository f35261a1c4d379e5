#pragma once

#include "odbc/odbc_environment.h"

#include <QElapsedTimer>
#include <QString>
#include <cstdint>
#include <optional>

// What the ODBC benchmarks share: number formats, cursor names and the throwaway databases
// they create on the PostgreSQL test server.
namespace kx::bench {

// Resident set size of this process in bytes (0 when it cannot be read).
std::int64_t ResidentBytes();
// Milliseconds since the clock started, with the clock's resolution.
double Elapsed(const QElapsedTimer& clock);
// Milliseconds with two decimals below 10, whole ones above.
QString Ms(double ms);
// The name of a cursor type the driver granted.
const char* GrantedCursorName(SQLULEN granted);
// A new, empty database `name` on the server (dropped first when it is left over).
void CreatePostgresDatabase(TKxOdbcEnvironment& environment, const QString& server,
                            const QString& name);
// One `isql -b -d, -k` run (SQLDriverConnect with the same connection string as ours, so the
// driver runs with the same options) reading `input` and printing to /dev/null: the
// milliseconds it took, connecting included; nothing when it failed (its message on stderr).
std::optional<double> RunIsql(const QString& connect, const QByteArray& input);
void DropPostgresDatabase(TKxOdbcEnvironment& environment, const QString& server,
                          const QString& name);

} // namespace kx::bench
