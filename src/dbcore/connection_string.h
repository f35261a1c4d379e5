#pragma once

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace kx {

// The value of `key` (case-insensitive) in an ODBC connection string of ";"-separated
// Name=Value pairs; values in braces may contain ";" and "=", and "}}" inside braces stands
// for one "}". Empty when the key is missing.
QString KxConnectionStringValue(const QString& connectionString, const QString& key);

// The Name=Value pairs of a connection string in order, as the driver manager splits them
// (names trimmed, braces and doubled "}" of values resolved; pieces without "=" skipped).
std::vector<std::pair<QString, QString>> KxConnectionStringPairs(const QString& connectionString);

// Whether `key` (case-insensitive) is in the connection string, even with an empty value.
bool KxConnectionStringHasKey(const QString& connectionString, const QString& key);

// A value in braces as a driver reads it back unchanged: "}" doubled, "{" … "}" around it.
QString KxQuoteConnectionStringValue(const QString& value);

// The connection string without the pairs named in `keys` (case-insensitive); the other
// pairs keep their text.
QString KxRemoveConnectionStringKeys(const QString& connectionString, const QStringList& keys);

// A value as written into a connection string: bare when it can stand bare, in braces
// (KxQuoteConnectionStringValue) when it holds ";" or starts with "{" or a blank.
QString KxConnectionStringValueText(const QString& value);

// What is handed to the driver for a connection: the stored string, plus UID and PWD when a
// user name or password is set and the string carries none of its own. The stored string
// itself never gets them, so the password is only ever kept enciphered.
// PWD is always in braces: psqlODBC decodes a bare password as URL text ("+" becomes a
// blank, "%41" an "A") and only takes a braced one literally. UID is braced only when it
// must be, since psqlODBC keeps the braces of a user name as part of the name.
QString KxDriverConnectionString(const QString& connectionString, const QString& username,
                                 const QString& password);

// The name a connection is listed, compared and shown by: the value of "DSN", else of
// "FILEDSN", else the file name of "DBQ"; for the DSN-less strings usual on this platform,
// else the file name of "Database". Empty when none is there.
QString ExtractDataSourceName(const QString& connectionString);

// What tells two connections apart. A data source name stands for its configuration, so
// for "DSN"/"FILEDSN" strings it is that name as written. Without one, a file name alone is
// not enough (/a/x.db and /b/x.db are two databases): the identity is the database's full
// path ("Database", else "DBQ"), behind "Server" and "Port" when the string has them, as in
// "db.example.com:5432/sales". Empty when the string names no database at all.
QString KxConnectionIdentity(const QString& connectionString);

// The data source name of an item of the data source lists ("System DSN: "Sales" [SQL
// Server]"): the text after the first ":" up to the first "[", trimmed of blanks, line
// breaks and double quotes. An item without ":" is taken as a whole.
QString KxDataSourceNameOfItem(const QString& item);

} // namespace kx
