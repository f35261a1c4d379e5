#include "odbc/odbc_driver_traits.h"

#include "odbc/odbc_error.h"

namespace kx {
namespace {

QString TextInfo(SQLHDBC connection, SQLUSMALLINT info, IKxUnknown* object) {
    SQLCHAR text[256] = {};
    SQLSMALLINT length = 0;
    CheckOdbcResult(SQLGetInfo(connection, info, text, sizeof text, &length), object,
                    QStringLiteral("ReadDriverTraits"));
    return QString::fromUtf8(reinterpret_cast<const char*>(text));
}

template <class T> T NumberInfo(SQLHDBC connection, SQLUSMALLINT info, IKxUnknown* object) {
    T value{};
    CheckOdbcResult(SQLGetInfo(connection, info, &value, sizeof value, nullptr), object,
                    QStringLiteral("ReadDriverTraits"));
    return value;
}

bool IsSQLite3Driver(const QString& driverName) {
    return driverName.contains(QStringLiteral("sqlite3odbc"), Qt::CaseInsensitive);
}

} // namespace

bool TKxOdbcDriverTraits::CursorSeesOwnChanges(SQLULEN grantedCursorType) const {
    constexpr SQLUINTEGER kOwnChanges = SQL_CA2_SENSITIVITY_UPDATES | SQL_CA2_SENSITIVITY_DELETIONS;
    switch (grantedCursorType) {
    case SQL_CURSOR_STATIC:
        return (staticCursorAttributes2 & kOwnChanges) == kOwnChanges;
    case SQL_CURSOR_KEYSET_DRIVEN:
        return (keysetCursorAttributes2 & kOwnChanges) == kOwnChanges;
    case SQL_CURSOR_DYNAMIC:
        return true;
    default:
        return false;
    }
}

TKxOdbcDriverTraits KxReadDriverTraits(SQLHDBC connection, IKxUnknown* object) {
    TKxOdbcDriverTraits traits;
    traits.driverName = TextInfo(connection, SQL_DRIVER_NAME, object);
    traits.dbmsName = TextInfo(connection, SQL_DBMS_NAME, object);
    traits.getDataExtensions = NumberInfo<SQLUINTEGER>(connection, SQL_GETDATA_EXTENSIONS, object);
    traits.staticCursorAttributes1 =
        NumberInfo<SQLUINTEGER>(connection, SQL_STATIC_CURSOR_ATTRIBUTES1, object);
    traits.keysetCursorAttributes1 =
        NumberInfo<SQLUINTEGER>(connection, SQL_KEYSET_CURSOR_ATTRIBUTES1, object);
    traits.dynamicCursorAttributes1 =
        NumberInfo<SQLUINTEGER>(connection, SQL_DYNAMIC_CURSOR_ATTRIBUTES1, object);
    traits.staticCursorAttributes2 =
        NumberInfo<SQLUINTEGER>(connection, SQL_STATIC_CURSOR_ATTRIBUTES2, object);
    traits.keysetCursorAttributes2 =
        NumberInfo<SQLUINTEGER>(connection, SQL_KEYSET_CURSOR_ATTRIBUTES2, object);
    traits.nullCollation = NumberInfo<SQLUSMALLINT>(connection, SQL_NULL_COLLATION, object);
    // A blank answer means the data source has no quote character.
    traits.identifierQuote = TextInfo(connection, SQL_IDENTIFIER_QUOTE_CHAR, object).trimmed();
    traits.searchPatternEscape = TextInfo(connection, SQL_SEARCH_PATTERN_ESCAPE, object);

    // Measured against the drivers: SQLite3's keeps a read offset per column, stores every
    // integer in 64 bits and writes all bound columns on SQLSetPos; psqlODBC starts a column
    // over after another was read.
    const bool sqlite = IsSQLite3Driver(traits.driverName);
    traits.keepsGetDataOffsetPerColumn = sqlite;
    traits.integerColumnsHold64Bits = sqlite;
    traits.setPosWritesEveryBoundColumn = sqlite;
    traits.binaryTextOrder = sqlite;
    if (traits.dbmsName.compare(QStringLiteral("PostgreSQL"), Qt::CaseInsensitive) == 0)
        traits.systemSchemas = {QStringLiteral("pg_catalog"), QStringLiteral("information_schema"),
                                QStringLiteral("pg_toast")};
    return traits;
}

} // namespace kx
