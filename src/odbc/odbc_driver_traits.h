#pragma once

#include "foundation/basic_interfaces.h"

#include <QString>
#include <QStringList>
#include <sql.h>
#include <sqlext.h>

namespace kx {

// What the program knows about the driver behind one connection, read once when the
// connection opens. Every decision that depends on the driver is taken here, from these
// answers, and nowhere else: the rest of the data layer asks the record, never the name.
struct TKxOdbcDriverTraits {
    QString driverName;                       // SQL_DRIVER_NAME, for example "psqlodbca.so"
    QString dbmsName;                         // SQL_DBMS_NAME
    SQLUINTEGER getDataExtensions = 0;        // SQL_GETDATA_EXTENSIONS bits
    SQLUINTEGER staticCursorAttributes1 = 0;  // SQL_STATIC_CURSOR_ATTRIBUTES1
    SQLUINTEGER keysetCursorAttributes1 = 0;  // SQL_KEYSET_CURSOR_ATTRIBUTES1
    SQLUINTEGER dynamicCursorAttributes1 = 0; // SQL_DYNAMIC_CURSOR_ATTRIBUTES1
    SQLUINTEGER staticCursorAttributes2 = 0;  // SQL_STATIC_CURSOR_ATTRIBUTES2
    SQLUINTEGER keysetCursorAttributes2 = 0;  // SQL_KEYSET_CURSOR_ATTRIBUTES2
    SQLUSMALLINT nullCollation = SQL_NC_HIGH; // SQL_NULL_COLLATION
    QString identifierQuote;                  // blank when the source has none
    // The schemas the database keeps its own catalog and built-in routines in (PostgreSQL's
    // pg_catalog holds thousands of functions); empty where there are none.
    QStringList systemSchemas;
    QString searchPatternEscape; // SQL_SEARCH_PATTERN_ESCAPE; empty for none

    // A driver that keeps each column's read offset when another column is read in between
    // (SQLite3's): a long value begun with SQLGetData continues where it stopped. Other
    // drivers start a column over once another one was read.
    bool keepsGetDataOffsetPerColumn = false;
    // A driver whose integer columns hold 64 bits whatever their declared type (SQLite3's:
    // an INTEGER holding 5000000000 is reported as SQL_INTEGER).
    bool integerColumnsHold64Bits = false;
    // A driver that writes every bound column on SQLSetPos, modified or not.
    bool setPosWritesEveryBoundColumn = false;
    // A driver whose ORDER BY sorts text by its bytes unless told otherwise (SQLite3's
    // default BINARY collation); elsewhere the order is the database's collation.
    bool binaryTextOrder = false;

    // SQLGetData may read a column that is also bound (a value longer than its buffer is
    // then read again in full).
    bool CanGetDataOfBoundColumns() const { return (getDataExtensions & SQL_GD_BOUND) != 0; }
    // Columns may be read in any order, so long values can be read on demand.
    bool CanGetDataInAnyOrder() const { return (getDataExtensions & SQL_GD_ANY_ORDER) != 0; }
    // Whether a cursor of the granted type shows the rows this program changed and deleted
    // through it (SQLite3's static cursor does not: it keeps the rows it read at execution).
    bool CursorSeesOwnChanges(SQLULEN grantedCursorType) const;
};

// Reads the traits of the driver behind the open connection `connection`; `object` is the
// connection component named when a call fails.
TKxOdbcDriverTraits KxReadDriverTraits(SQLHDBC connection, IKxUnknown* object);

// Whether the cursor the driver granted (SQL_ATTR_CURSOR_TYPE read back after execution)
// can move in every direction.
inline bool KxIsScrollableCursor(SQLULEN grantedCursorType) {
    return grantedCursorType != SQL_CURSOR_FORWARD_ONLY;
}

} // namespace kx
