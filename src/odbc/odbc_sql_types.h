#pragma once

#include "dbcore/field_data_type.h"
#include "foundation/date_time.h"

#include <sql.h>
#include <sqlext.h>

namespace kx {

// The SQL type a column is read as, from its two SQLColAttribute answers. ODBC defines the
// concise type to equal SQL_DESC_TYPE for every type that is not a date-time or interval
// (where the concise type adds the sub-code). A driver that answers otherwise (SQLite3's
// reports C type codes as concise types, calling a BLOB SQL_C_CHAR) is taken at its
// SQL_DESC_TYPE, as is a concise type the table does not know.
SQLSMALLINT KxColumnSqlType(SQLLEN conciseType, SQLLEN verboseType);

// The value kind of an SQL type; raises "Unknown ODBC Field Data Type: %d" for a type it has
// no kind for (intervals, for example). `isSigned` chooses between the integer kinds.
TKxFieldDataType KxFieldDataTypeOfSqlType(SQLSMALLINT sqlType, bool isSigned);

// The C type a kind is bound and read with; raises the unknown-value error for a kind
// outside the range.
SQLSMALLINT KxOdbcCType(int dataType);
// Bytes of the bound buffer: fixed kinds their size, strings Size plus one character for
// the terminating zero, long kinds 0 (not bound).
SQLLEN KxOdbcBufferBytes(int dataType, SQLLEN columnSize);
// Bytes per character of the text kinds (1 for 8-bit text, 2 for UTF-16), 0 for the rest.
int KxOdbcCharSize(int dataType);

// The ODBC date and time structures and the program's date-time double.
TKxDateTime KxDateTimeFromOdbc(const SQL_DATE_STRUCT& date);
TKxDateTime KxDateTimeFromOdbc(const SQL_TIME_STRUCT& time);
TKxDateTime KxDateTimeFromOdbc(const SQL_TIMESTAMP_STRUCT& timestamp);
SQL_DATE_STRUCT KxOdbcDateOf(TKxDateTime value);
SQL_TIME_STRUCT KxOdbcTimeOf(TKxDateTime value);
SQL_TIMESTAMP_STRUCT KxOdbcTimestampOf(TKxDateTime value);

} // namespace kx
