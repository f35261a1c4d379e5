#pragma once

// Scripts whose quoted text holds ";" and comment markers. The script executor and the batch
// runner run the same ones against both drivers: every row must arrive, and nothing inside a
// value may run as SQL.

#include "odbc/odbc_connection.h"
#include "test_result_set.h"

#include <QString>
#include <gtest/gtest.h>

namespace kx::test {

// Multi-row INSERTs whose values hold ";", "--" and "/*", as public sample-database scripts
// have them, and a table whose quoted name holds a ";".
inline QString MultiRowInsertScript() {
    return QStringLiteral(
        "create table artists (id integer, name varchar(80), note varchar(80));\r\n"
        "insert into artists values\r\n"
        "  (1, 'Sully Erna; Tony Rombola', 'Godsmack'),\r\n"
        "  (2, 'Lemmy; Phil Campbell; Mikkey Dee', 'it''s loud; -- really'),\r\n"
        "  (3, 'Robbie Merrill', 'bass; /* not a comment */');\r\n"
        "insert into artists values\r\n"
        "  (4, 'a;b;c', ';'),\r\n"
        "  (5, ';', 'only a separator'),\r\n"
        "  (6, 'Shannon Larkin', 'drums');\r\n"
        "create table \"semi;colon\" (x integer);\r\n"
        "insert into \"semi;colon\" values (1), (2);\r\n");
}
inline constexpr int kMultiRowInsertArtists = 6;

// A value that reads like SQL; the table t exists before the script runs.
inline QString InjectionScript() {
    return QStringLiteral("create table notes (body varchar(40));\r\n"
                          "insert into notes values ('x; drop table t; --');\r\n");
}

// The first column of the first row of a query on its own connection, or "<no row>"; a
// query that fails raises.
inline QString FirstValue(const QString& connectString, const QString& sql) {
    TKxOdbcEnvironment environment;
    TKxOdbcConnection connection;
    connection.SetODBCEnvironment(&environment);
    connection.SetConnectionString(connectString);
    TTestResultSet reader;
    reader.SetODBCConnection(&connection);
    reader.SQL().SetAsString(sql);
    reader.SetActive(true);
    return reader.FirstValue();
}

// What both runners must have loaded from MultiRowInsertScript.
inline void ExpectEveryArtistLoaded(const QString& connectString) {
    EXPECT_EQ(FirstValue(connectString, QStringLiteral("select count(*) from artists")),
              QString::number(kMultiRowInsertArtists));
    EXPECT_EQ(FirstValue(connectString, QStringLiteral("select name from artists where id = 1")),
              QStringLiteral("Sully Erna; Tony Rombola"));
    EXPECT_EQ(FirstValue(connectString, QStringLiteral("select note from artists where id = 2")),
              QStringLiteral("it's loud; -- really"));
    EXPECT_EQ(FirstValue(connectString, QStringLiteral("select note from artists where id = 3")),
              QStringLiteral("bass; /* not a comment */"));
    EXPECT_EQ(FirstValue(connectString, QStringLiteral("select count(*) from \"semi;colon\"")),
              QStringLiteral("2"));
}

// What both runners must have done with InjectionScript: the value stored, t untouched.
inline void ExpectValueStoredAndTableKept(const QString& connectString) {
    EXPECT_EQ(FirstValue(connectString, QStringLiteral("select body from notes")),
              QStringLiteral("x; drop table t; --"));
    EXPECT_NO_THROW(FirstValue(connectString, QStringLiteral("select count(*) from t")))
        << "t still exists";
}

} // namespace kx::test
