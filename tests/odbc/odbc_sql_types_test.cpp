#include "odbc/odbc_blob_streams.h"
#include "odbc/odbc_sql_types.h"

#include <QDate>
#include <gtest/gtest.h>

namespace {

using namespace kx;

template <class E, class F> E Raised(F call) {
    try {
        call();
    } catch (const E& e) {
        return e;
    }
    ADD_FAILURE() << "nothing was raised";
    return E(QString());
}

// ---- column kinds

TEST(OdbcSqlTypesTest, ColumnTypeTakesTheVerboseTypeWhereTheConciseOneCannotBeRight) {
    // SQLite3's driver answers the concise type with C type codes: SQL_C_CHAR (1) for a BLOB
    // (LONGVARBINARY, -4) or BINARY (-2) column. The verbose type is right.
    EXPECT_EQ(KxColumnSqlType(SQL_C_CHAR, SQL_LONGVARBINARY), SQL_LONGVARBINARY);
    EXPECT_EQ(KxColumnSqlType(SQL_C_CHAR, SQL_BINARY), SQL_BINARY);
    EXPECT_EQ(KxColumnSqlType(SQL_C_CHAR, SQL_VARCHAR), SQL_VARCHAR);
    // A concise code the table does not know, with a known verbose one: the verbose one.
    EXPECT_EQ(KxColumnSqlType(-25, SQL_BIGINT), SQL_BIGINT);
    // Date-time types: the verbose type is only the category, the concise one is the type.
    EXPECT_EQ(KxColumnSqlType(SQL_TYPE_TIMESTAMP, SQL_DATETIME), SQL_TYPE_TIMESTAMP);
    EXPECT_EQ(KxColumnSqlType(SQL_TYPE_DATE, SQL_DATETIME), SQL_TYPE_DATE);
    EXPECT_EQ(KxColumnSqlType(SQL_TYPE_TIME, SQL_DATETIME), SQL_TYPE_TIME);
    EXPECT_EQ(KxColumnSqlType(SQL_INTEGER, SQL_INTEGER), SQL_INTEGER);
    // An interval's verbose type SQL_INTERVAL has the number of the old SQL_TIME: taking it
    // would read an interval column as a time of day.
    EXPECT_EQ(KxColumnSqlType(SQL_INTERVAL_DAY, SQL_INTERVAL), SQL_INTERVAL_DAY);
    EXPECT_EQ(KxColumnSqlType(SQL_INTERVAL_DAY_TO_SECOND, SQL_INTERVAL),
              SQL_INTERVAL_DAY_TO_SECOND);
}

TEST(OdbcSqlTypesTest, EveryKnownSqlTypeHasItsKindAndOthersRaise) {
    EXPECT_EQ(KxFieldDataTypeOfSqlType(SQL_FLOAT, true), fdtDouble)
        << "SQL_FLOAT is double precision";
    EXPECT_EQ(KxFieldDataTypeOfSqlType(SQL_REAL, true), fdtDouble);
    EXPECT_EQ(KxFieldDataTypeOfSqlType(SQL_TIMESTAMP, true), fdtDateTime);
    EXPECT_EQ(KxFieldDataTypeOfSqlType(SQL_TYPE_TIMESTAMP, true), fdtDateTime);
    EXPECT_EQ(KxFieldDataTypeOfSqlType(SQL_DATETIME, true), fdtDate);
    EXPECT_EQ(KxFieldDataTypeOfSqlType(SQL_TIME, true), fdtTime);
    EXPECT_EQ(KxFieldDataTypeOfSqlType(SQL_BIGINT, true), fdtInt64);
    EXPECT_EQ(KxFieldDataTypeOfSqlType(SQL_BIGINT, false), fdtUInt64);
    EXPECT_EQ(KxFieldDataTypeOfSqlType(SQL_TINYINT, false), fdtUInt8);
    EXPECT_EQ(KxFieldDataTypeOfSqlType(SQL_CHAR, true), fdtString);
    EXPECT_EQ(KxFieldDataTypeOfSqlType(SQL_WCHAR, true), fdtWideString);
    EXPECT_EQ(KxFieldDataTypeOfSqlType(SQL_WLONGVARCHAR, true), fdtWideMemo);
    EXPECT_EQ(KxFieldDataTypeOfSqlType(SQL_LONGVARCHAR, true), fdtMemo);
    EXPECT_EQ(KxFieldDataTypeOfSqlType(SQL_VARBINARY, true), fdtBinary);
    EXPECT_EQ(KxFieldDataTypeOfSqlType(SQL_GUID, true), fdtGUID);

    const auto interval = Raised<EKxException>(
        [] { KxFieldDataTypeOfSqlType(KxColumnSqlType(SQL_INTERVAL_DAY, SQL_INTERVAL), true); });
    EXPECT_EQ(interval.GetMessage(), QStringLiteral("Unknown ODBC Field Data Type: 103"));
    EXPECT_EQ(Raised<EKxException>([] { KxFieldDataTypeOfSqlType(-25, true); }).GetMessage(),
              QStringLiteral("Unknown ODBC Field Data Type: -25"));
}

TEST(OdbcSqlTypesTest, KindsBindWithTheirCTypeAndBufferSize) {
    EXPECT_EQ(KxOdbcCType(fdtDouble), SQL_C_DOUBLE);
    EXPECT_EQ(KxOdbcCType(fdtInt64), SQL_C_SBIGINT);
    EXPECT_EQ(KxOdbcCType(fdtDateTime), SQL_C_TYPE_TIMESTAMP);
    EXPECT_EQ(KxOdbcBufferBytes(fdtDateTime, 0), 16);
    EXPECT_EQ(KxOdbcBufferBytes(fdtDate, 0), 6);
    EXPECT_EQ(KxOdbcBufferBytes(fdtString, 12), 13) << "room for the terminating zero";
    EXPECT_EQ(KxOdbcBufferBytes(fdtWideString, 12), 14);
    EXPECT_EQ(KxOdbcBufferBytes(fdtBinary, 1000), 0) << "long kinds are not bound";
    EXPECT_THROW(KxOdbcCType(21), EKxException);
    EXPECT_THROW(KxOdbcBufferBytes(-1, 0), EKxException);
}

// ---- dates and times

TEST(OdbcSqlTypesTest, DateAndTimeStructuresRoundTrip) {
    // Day zero is 1899-12-30; a day is 1.0.
    EXPECT_EQ(KxDateTimeFromOdbc(SQL_DATE_STRUCT{1899, 12, 30}), 0.0);
    EXPECT_EQ(KxDateTimeFromOdbc(SQL_DATE_STRUCT{1900, 1, 1}), 2.0);
    EXPECT_EQ(KxDateTimeFromOdbc(SQL_TIME_STRUCT{18, 0, 0}), 0.75);
    // Before day zero the number is negative and its fraction still counts the time of day.
    SQL_TIMESTAMP_STRUCT early{};
    early.year = 1899;
    early.month = 12;
    early.day = 29;
    early.hour = 6;
    EXPECT_EQ(KxDateTimeFromOdbc(early), -1.25);

    for (const SQL_DATE_STRUCT date : {SQL_DATE_STRUCT{1850, 6, 15}, SQL_DATE_STRUCT{1899, 12, 30},
                                       SQL_DATE_STRUCT{2024, 2, 29}, SQL_DATE_STRUCT{1, 1, 1}}) {
        const SQL_DATE_STRUCT back = KxOdbcDateOf(KxDateTimeFromOdbc(date));
        EXPECT_EQ(back.year, date.year);
        EXPECT_EQ(back.month, date.month);
        EXPECT_EQ(back.day, date.day);
    }
    const SQL_TIME_STRUCT time{23, 59, 59};
    const SQL_TIME_STRUCT timeBack = KxOdbcTimeOf(KxDateTimeFromOdbc(time));
    EXPECT_EQ(timeBack.hour, 23);
    EXPECT_EQ(timeBack.minute, 59);
    EXPECT_EQ(timeBack.second, 59);

    for (const int year : {1850, 1899, 2024}) {
        SQL_TIMESTAMP_STRUCT moment{};
        moment.year = static_cast<SQLSMALLINT>(year);
        moment.month = 12;
        moment.day = 29;
        moment.hour = 13;
        moment.minute = 45;
        moment.second = 30;
        moment.fraction = 250123456; // nanoseconds: the date-time keeps the milliseconds
        const SQL_TIMESTAMP_STRUCT back = KxOdbcTimestampOf(KxDateTimeFromOdbc(moment));
        EXPECT_EQ(back.year, year);
        EXPECT_EQ(back.month, 12);
        EXPECT_EQ(back.day, 29);
        EXPECT_EQ(back.hour, 13);
        EXPECT_EQ(back.minute, 45);
        EXPECT_EQ(back.second, 30);
        EXPECT_EQ(back.fraction, 250000000u) << year;
    }
}

// ---- BLOB streams

TEST(OdbcSqlTypesTest, BlobStreamsOnlyTellTheirPosition) {
    TKxOdbcDriverTraits traits;
    TKxOdbcFieldReader reader(nullptr, traits);
    TOdbcBlobReadStream readStream(nullptr, reader, 1);
    TOdbcBlobWriteStream writeStream(nullptr, nullptr);
    EXPECT_EQ(readStream.Seek(0, TKxSeekOrigin::Current), 0);
    EXPECT_EQ(writeStream.Seek(0, TKxSeekOrigin::Current), 0);

    const auto fromBegin = Raised<EKxException>([&] { readStream.Seek(0, TKxSeekOrigin::Begin); });
    EXPECT_EQ(fromBegin.GetMessage(),
              QStringLiteral("Unsupported Seek operation Offset: 0, Origin: 0"));
    EXPECT_EQ(fromBegin.GetRoutineName(), QStringLiteral("TOdbcBlobReadStream.Seek"));
    const auto forward = Raised<EKxException>([&] { writeStream.Seek(5, TKxSeekOrigin::Current); });
    EXPECT_EQ(forward.GetMessage(),
              QStringLiteral("Unsupported Seek operation Offset: 5, Origin: 1"));
    EXPECT_EQ(forward.GetRoutineName(), QStringLiteral("TOdbcBlobWriteStream.Seek"));
    EXPECT_THROW(writeStream.Seek(0, TKxSeekOrigin::End), EKxException);

    char byte = 0;
    EXPECT_EQ(Raised<EKxException>([&] { readStream.Write(&byte, 1); }).GetMessage(),
              QStringLiteral("Unsupported Stream Operation: TOdbcBlobReadStream.Write"));
    EXPECT_EQ(Raised<EKxException>([&] { writeStream.Read(&byte, 1); }).GetMessage(),
              QStringLiteral("Unsupported Stream Operation: TOdbcBlobWriteStream.Read"));
}

} // namespace
