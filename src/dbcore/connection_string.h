#pragma once

#include <QString>

namespace kx {

// The value of `key` (case-insensitive) in an ODBC connection string of ";"-separated
// Name=Value pairs; values in braces may contain ";". Empty when the key is missing.
QString KxConnectionStringValue(const QString& connectionString, const QString& key);

// The name a connection is listed, compared and shown by: the value of "DSN", else of
// "FILEDSN", else the file name of "DBQ"; for the DSN-less strings usual on this platform,
// else the file name of "Database". Empty when none is there.
QString ExtractDataSourceName(const QString& connectionString);

} // namespace kx
