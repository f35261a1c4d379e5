#include "odbc/odbc_sql_types.h"

#include "foundation/exceptions.h"

#include <QCoreApplication>
#include <QDate>
#include <QTime>
#include <cmath>

namespace kx {
namespace {

const QDate kEpoch(1899, 12, 30);
constexpr double kMillisecondsPerDay = 86400000.0;

bool IsKnownSqlType(SQLLEN type) {
    switch (type) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR:
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_TINYINT:
    case SQL_BIGINT:
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DOUBLE:
    case SQL_BIT:
    case SQL_DATETIME:
    case SQL_TIME:
    case SQL_TIMESTAMP:
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TYPE_TIMESTAMP:
    case SQL_GUID:
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        return true;
    default:
        return false;
    }
}

// The date part and the time of day (milliseconds) of a date-time; before the epoch the
// fraction still counts forward from midnight.
void Split(TKxDateTime value, QDate& date, qint64& msecs) {
    const double days = std::trunc(value);
    msecs = std::llround(std::fabs(value - days) * kMillisecondsPerDay);
    date = kEpoch.addDays(static_cast<qint64>(days));
    if (msecs >= static_cast<qint64>(kMillisecondsPerDay)) {
        msecs -= static_cast<qint64>(kMillisecondsPerDay);
        date = date.addDays(1);
    }
}

TKxDateTime Combine(const QDate& date, qint64 msecs) {
    const double days = date.isValid() ? static_cast<double>(kEpoch.daysTo(date)) : 0.0;
    const double fraction = static_cast<double>(msecs) / kMillisecondsPerDay;
    return days >= 0 ? days + fraction : days - fraction;
}

qint64 Milliseconds(int hour, int minute, int second, int millisecond) {
    return ((static_cast<qint64>(hour) * 60 + minute) * 60 + second) * 1000 + millisecond;
}

} // namespace

SQLSMALLINT KxColumnSqlType(SQLLEN conciseType, SQLLEN verboseType) {
    const bool subCoded = verboseType == SQL_DATETIME || verboseType == SQL_INTERVAL;
    if (!subCoded && IsKnownSqlType(verboseType) && conciseType != verboseType)
        return static_cast<SQLSMALLINT>(verboseType);
    // SQL_DATETIME and SQL_INTERVAL are only categories; SQL_INTERVAL (10) has the number of
    // the old SQL_TIME, so taking it would read an interval as a time of day. An unknown
    // concise type of those categories stays unknown.
    if (!subCoded && !IsKnownSqlType(conciseType) && IsKnownSqlType(verboseType))
        return static_cast<SQLSMALLINT>(verboseType);
    return static_cast<SQLSMALLINT>(conciseType);
}

TKxFieldDataType KxFieldDataTypeOfSqlType(SQLSMALLINT sqlType, bool isSigned) {
    switch (sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
        return fdtString;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
        return fdtNumeric;
    case SQL_INTEGER:
        return isSigned ? fdtInt32 : fdtUInt32;
    case SQL_SMALLINT:
        return isSigned ? fdtInt16 : fdtUInt16;
    case SQL_TINYINT:
        return isSigned ? fdtInt8 : fdtUInt8;
    case SQL_BIGINT:
        return isSigned ? fdtInt64 : fdtUInt64;
    // SQL_FLOAT is a double-precision number (PostgreSQL's double precision); reading it
    // as a float would cut 3.141592653589793 to 3.1415927.
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DOUBLE:
        return fdtDouble;
    case SQL_DATETIME:
    case SQL_TYPE_DATE:
        return fdtDate;
    case SQL_TIME:
    case SQL_TYPE_TIME:
        return fdtTime;
    case SQL_TIMESTAMP:
    case SQL_TYPE_TIMESTAMP:
        return fdtDateTime;
    case SQL_GUID:
        return fdtGUID;
    case SQL_WLONGVARCHAR:
        return fdtWideMemo;
    case SQL_WVARCHAR:
    case SQL_WCHAR:
        return fdtWideString;
    case SQL_BIT:
        return fdtBool;
    case SQL_LONGVARBINARY:
    case SQL_VARBINARY:
    case SQL_BINARY:
        return fdtBinary;
    case SQL_LONGVARCHAR:
        return fdtMemo;
    default:
        KxRaise(
            QCoreApplication::translate("KxOdbc", "Unknown ODBC Field Data Type: %1").arg(sqlType),
            QStringLiteral("CreateFields"));
    }
}

SQLSMALLINT KxOdbcCType(int dataType) {
    switch (dataType) {
    case fdtBool:
        return SQL_C_BIT;
    case fdtInt8:
        return SQL_C_STINYINT;
    case fdtUInt8:
        return SQL_C_UTINYINT;
    case fdtInt16:
        return SQL_C_SSHORT;
    case fdtUInt16:
        return SQL_C_USHORT;
    case fdtInt32:
        return SQL_C_SLONG;
    case fdtUInt32:
        return SQL_C_ULONG;
    case fdtInt64:
        return SQL_C_SBIGINT;
    case fdtUInt64:
        return SQL_C_UBIGINT;
    case fdtSingle:
        return SQL_C_FLOAT;
    case fdtDouble:
    case fdtNumeric:
        return SQL_C_DOUBLE;
    case fdtDate:
        return SQL_C_TYPE_DATE;
    case fdtTime:
        return SQL_C_TYPE_TIME;
    case fdtDateTime:
        return SQL_C_TYPE_TIMESTAMP;
    case fdtString:
    case fdtMemo:
        return SQL_C_CHAR;
    case fdtWideString:
    case fdtWideMemo:
        return SQL_C_WCHAR;
    case fdtBinary:
        return SQL_C_BINARY;
    case fdtGUID:
        return SQL_C_GUID;
    default:
        KxRaise(KxUnknownValueText(dataType, QString::fromLatin1(kxFieldDataTypeTypeName)),
                QStringLiteral("GetODBCCType"));
    }
}

SQLLEN KxOdbcBufferBytes(int dataType, SQLLEN columnSize) {
    switch (dataType) {
    case fdtDate:
        return sizeof(SQL_DATE_STRUCT);
    case fdtTime:
        return sizeof(SQL_TIME_STRUCT);
    case fdtDateTime:
        return sizeof(SQL_TIMESTAMP_STRUCT);
    case fdtString:
        return std::max<SQLLEN>(columnSize, 0) + 1;
    case fdtWideString:
        return std::max<SQLLEN>(columnSize, 0) + 2;
    case fdtMemo:
    case fdtWideMemo:
    case fdtBinary:
        return 0;
    default:
        KxOdbcCType(dataType); // raises for a kind outside the range
        return static_cast<SQLLEN>(KxFixedDataSize(dataType));
    }
}

int KxOdbcCharSize(int dataType) {
    switch (dataType) {
    case fdtString:
    case fdtMemo:
        return 1;
    case fdtWideString:
    case fdtWideMemo:
        return 2;
    default:
        return 0;
    }
}

TKxDateTime KxDateTimeFromOdbc(const SQL_DATE_STRUCT& date) {
    return Combine(QDate(date.year, date.month, date.day), 0);
}

TKxDateTime KxDateTimeFromOdbc(const SQL_TIME_STRUCT& time) {
    return Combine(kEpoch, Milliseconds(time.hour, time.minute, time.second, 0));
}

TKxDateTime KxDateTimeFromOdbc(const SQL_TIMESTAMP_STRUCT& timestamp) {
    // The fraction is in nanoseconds; the date-time keeps milliseconds.
    return Combine(QDate(timestamp.year, timestamp.month, timestamp.day),
                   Milliseconds(timestamp.hour, timestamp.minute, timestamp.second,
                                static_cast<int>(timestamp.fraction / 1000000)));
}

SQL_DATE_STRUCT KxOdbcDateOf(TKxDateTime value) {
    QDate date;
    qint64 msecs = 0;
    Split(value, date, msecs);
    return {static_cast<SQLSMALLINT>(date.year()), static_cast<SQLUSMALLINT>(date.month()),
            static_cast<SQLUSMALLINT>(date.day())};
}

SQL_TIME_STRUCT KxOdbcTimeOf(TKxDateTime value) {
    QDate date;
    qint64 msecs = 0;
    Split(value, date, msecs);
    const QTime time = QTime::fromMSecsSinceStartOfDay(static_cast<int>(msecs));
    return {static_cast<SQLUSMALLINT>(time.hour()), static_cast<SQLUSMALLINT>(time.minute()),
            static_cast<SQLUSMALLINT>(time.second())};
}

SQL_TIMESTAMP_STRUCT KxOdbcTimestampOf(TKxDateTime value) {
    const SQL_DATE_STRUCT date = KxOdbcDateOf(value);
    const SQL_TIME_STRUCT time = KxOdbcTimeOf(value);
    QDate day;
    qint64 msecs = 0;
    Split(value, day, msecs);
    SQL_TIMESTAMP_STRUCT result{};
    result.year = date.year;
    result.month = date.month;
    result.day = date.day;
    result.hour = time.hour;
    result.minute = time.minute;
    result.second = time.second;
    result.fraction = static_cast<SQLUINTEGER>(msecs % 1000) * 1000000u;
    return result;
}

} // namespace kx
