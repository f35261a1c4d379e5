#pragma once

#include "odbc/odbc_environment.h"

#include <QElapsedTimer>
#include <QString>
#include <cstdint>

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
void DropPostgresDatabase(TKxOdbcEnvironment& environment, const QString& server,
                          const QString& name);

} // namespace kx::bench
