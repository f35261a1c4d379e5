#include "dbcore/sql_property.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_statement.h"
#include "support/connected_driver_test.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <ostream>

namespace {

using namespace kx;

// What a Null parameter turns into must be SQL the data source accepts and that finds the
// rows its operator means: each text below runs on the real driver and is judged by the rows
// it touches.
class NullParameterDriverTest : public test::ConnectedDriverTest {
protected:
    void SetUp() override {
        ConnectedDriverTest::SetUp();
        if (IsSkipped())
            return;
        connection.ExecuteDirect(
            QStringLiteral("CREATE TABLE kx_nulls (id INTEGER, b VARCHAR(10), c INTEGER)"));
        connection.ExecuteDirect(QStringLiteral(
            "INSERT INTO kx_nulls VALUES (1, 'x', 10), (2, NULL, 20), (3, 'y', NULL)"));
        statement.SetName(QStringLiteral("Statement1"));
        statement.SetODBCConnection(&connection);
    }

    // Runs `sql` with the given values (parameters not named stay Null) and answers the
    // records it affected.
    SQLLEN Run(const QString& sql,
               std::initializer_list<std::pair<const char*, std::int32_t>> values = {}) {
        statement.SQL().SetAsString(sql);
        for (const auto& [name, value] : values)
            statement.SQL()
                .SQLParameter()
                .GetParameter(QString::fromLatin1(name))
                ->AssignValue(KxVariant(value));
        statement.SetActive(true);
        const SQLLEN affected = statement.RecordsAffected();
        statement.SetActive(false);
        return affected;
    }

    // The ids of the rows a condition finds, through a counting UPDATE.
    SQLLEN Rows(const char* where) {
        return Run(
            QStringLiteral("UPDATE kx_nulls SET id = id WHERE %1").arg(QLatin1String(where)));
    }

    TKxOdbcStatementBase statement;
};

TEST_P(NullParameterDriverTest, ComparisonsFindTheRowsTheirOperatorMeans) {
    EXPECT_EQ(Run(QStringLiteral("UPDATE kx_nulls SET id = id WHERE b = :y")), 1);
    EXPECT_EQ(Run(QStringLiteral("UPDATE kx_nulls SET id = id WHERE b <> :y")), 2);
    EXPECT_EQ(Run(QStringLiteral("UPDATE kx_nulls SET id = id WHERE b\r\n  !=\r\n  :y")), 2);
    EXPECT_EQ(
        Run(QStringLiteral("UPDATE kx_nulls SET id = id WHERE b <> :y AND c = :z"), {{"z", 10}}),
        1);
    EXPECT_EQ(Run(QStringLiteral("UPDATE kx_nulls SET id = id WHERE b = 'it''s = :q' OR c <> "
                                 ":y -- OR id = :q\r\n")),
              2)
        << "markers inside a literal or a comment stay text";
}

TEST_P(NullParameterDriverTest, AssignmentsAndValueListsStoreNull) {
    // Several assignments, then comparisons in WHERE: the SET list stores Null, the WHERE
    // part tests for it.
    EXPECT_EQ(Run(QStringLiteral("UPDATE kx_nulls SET b = :n,\r\n  c =\r\n  :n WHERE b = :n AND "
                                 "c = :k"),
                  {{"k", 20}}),
              1);
    EXPECT_EQ(Rows("b IS NULL AND c IS NULL"), 1);
    EXPECT_EQ(Run(QStringLiteral("UPDATE kx_nulls SET c = CASE WHEN b = :n THEN -1 ELSE c END")),
              3);
    EXPECT_EQ(Rows("c = -1"), 1) << "a comparison inside an assigned value still tests";

    EXPECT_EQ(Run(QStringLiteral("INSERT INTO kx_nulls (id, b, c) VALUES (:id, :b, "
                                 "coalesce(:c, 7))"),
                  {{"id", 4}}),
              1);
    EXPECT_EQ(Rows("id = 4 AND b IS NULL AND c = 7"), 1);
    EXPECT_EQ(Rows("c IS NULL"), 1);
}

KX_INSTANTIATE_DRIVER_TESTS(NullParameterDriverTest);

} // namespace
