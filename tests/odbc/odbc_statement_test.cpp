#include "dbcore/sql_property.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_statement.h"
#include "support/connected_driver_test.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>

namespace {

using namespace kx;

class OdbcStatementTest : public test::ConnectedDriverTest {
protected:
    void SetUp() override {
        ConnectedDriverTest::SetUp();
        if (IsSkipped())
            return;
        connection.ExecuteDirect(
            QStringLiteral("CREATE TABLE kx_items (id INTEGER, name VARCHAR(20))"));
    }

    SQLLEN Run(const QString& sql) {
        SQLLEN affected = -2;
        connection.ExecuteDirect(sql, &affected);
        return affected;
    }
};

TEST_P(OdbcStatementTest, ExecuteDirectReportsAffectedRows) {
    EXPECT_EQ(Run(QStringLiteral("INSERT INTO kx_items VALUES (1, 'eins')")), 1);
    EXPECT_EQ(Run(QStringLiteral("INSERT INTO kx_items SELECT id + 1, name FROM kx_items")), 1);
    EXPECT_EQ(Run(QStringLiteral("UPDATE kx_items SET name = 'zwei' WHERE id >= 1 ;  \r\n")), 2)
        << "the trailing separator and blanks are not sent";
    EXPECT_EQ(Run(QStringLiteral("UPDATE kx_items SET name = 'x' WHERE id = 99")), 0)
        << "touching no row is not an error";
    EXPECT_EQ(Run(QStringLiteral("DELETE FROM kx_items")), 2);
    EXPECT_TRUE(connection.Active()) << "the connection was opened on demand";
}

TEST_P(OdbcStatementTest, RefusedTextsNeverReachTheDriver) {
    try {
        Run(QStringLiteral("  select * from kx_items"));
        ADD_FAILURE();
    } catch (const EKxException& e) {
        EXPECT_EQ(
            e.GetMessage(),
            QStringLiteral("Only Modifying SQL Statements can be executed with this Component."));
        EXPECT_EQ(dynamic_cast<const EODBCError*>(&e), nullptr);
    }
    try {
        Run(QStringLiteral(" ; \r\n"));
        ADD_FAILURE();
    } catch (const EKxException& e) {
        EXPECT_EQ(e.GetMessage(), QStringLiteral("The SQL text of the statement is empty"));
    }
    EXPECT_EQ(Run(QString()), -2) << "an empty text does nothing at all";
}

TEST_P(OdbcStatementTest, DriverErrorsCarryTheirDiagnostics) {
    try {
        Run(QStringLiteral("INSERT INTO kx_missing VALUES (1)"));
        ADD_FAILURE();
    } catch (const EODBCError& e) {
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("APIExecuteSQL"));
        EXPECT_EQ(e.GetObjectName(), QStringLiteral("ExecuteDirect"));
        EXPECT_EQ(e.GetObjectClassName(), QStringLiteral("TKxOdbcStatementBase"));
        ASSERT_FALSE(e.Diagnostics().empty());
        EXPECT_TRUE(e.GetMessage().contains(QStringLiteral("kx_missing"), Qt::CaseInsensitive));
    }
}

TEST_P(OdbcStatementTest, OwnTimeoutReachesTheDriverAndSharedOneTheConnection) {
    TKxOdbcStatementBase statement;
    statement.SetODBCConnection(&connection);
    statement.SQL().SetAsString(QStringLiteral("UPDATE kx_items SET name = 'y'"));
    statement.TimeoutProperties().SetUseValueFromConnection(false);
    statement.TimeoutProperties().SetTimeoutForStatements(7);
    statement.SetActive(true);
    SQLULEN timeout = 0;
    ASSERT_TRUE(SQL_SUCCEEDED(SQLGetStmtAttr(statement.OdbcHandle(), SQL_ATTR_QUERY_TIMEOUT,
                                             &timeout, SQL_IS_UINTEGER, nullptr)));
    // The SQLite3 driver takes the timeout but always reports 0 when asked.
    if (Server()) {
        EXPECT_EQ(timeout, 7u);
    }
    EXPECT_EQ(connection.TimeoutForStatements(), 0u);
    statement.SetActive(false);

    statement.TimeoutProperties().SetUseValueFromConnection(true);
    connection.SetActive(false);
    statement.TimeoutProperties().SetTimeoutForStatements(11);
    EXPECT_EQ(connection.TimeoutForStatements(), 11u) << "the shared value is the connection's";
    connection.SetActive(true);
    EXPECT_THROW(statement.TimeoutProperties().SetTimeoutForStatements(12), EKxException);
}

TEST_P(OdbcStatementTest, DirectStatementsFollowOneAnotherOnOneKeptHandle) {
    // A statement that leaves rows behind: the next one must not find its cursor open.
    Run(Server() ? QStringLiteral("SHOW search_path")
                 : QStringLiteral("PRAGMA table_info(kx_items)"));
    EXPECT_EQ(Run(QStringLiteral("INSERT INTO kx_items VALUES (1, 'eins')")), 1);
    // Nor does a failure.
    EXPECT_THROW(Run(QStringLiteral("INSERT INTO kx_missing VALUES (1)")), EKxException);
    EXPECT_EQ(Run(QStringLiteral("INSERT INTO kx_items VALUES (2, 'zwei')")), 1);
    // The handle goes with the connection; the next statement takes a new one.
    connection.SetActive(false);
    EXPECT_EQ(Run(QStringLiteral("DELETE FROM kx_items")), 2);
    // A statement default set on the connection frees the kept handle: the next statement
    // runs on a new one.
    connection.SetActive(false);
    connection.SetTimeoutForStatements(1);
    EXPECT_EQ(Run(QStringLiteral("INSERT INTO kx_items VALUES (3, 'drei')")), 1);
}

TEST_P(OdbcStatementTest, ClosingTheConnectionClosesItsStatements) {
    TKxOdbcStatementBase statement;
    statement.SetODBCConnection(&connection);
    statement.SQL().SetAsString(QStringLiteral("UPDATE kx_items SET name = 'y'"));
    statement.SetActive(true);
    ASSERT_TRUE(statement.Active());
    connection.SetActive(false);
    EXPECT_FALSE(statement.Active());
    EXPECT_EQ(statement.OdbcHandle(), nullptr);
    try {
        statement.SetActive(true);
        statement.SetODBCConnection(nullptr);
        ADD_FAILURE();
    } catch (const EKxException& e) {
        EXPECT_EQ(e.GetMessage(),
                  QStringLiteral(
                      "The ODBCConnection Property cannot be changed while the Object is active"));
    }
}

TEST_P(OdbcStatementTest, RestrictedCopiesNarrowTheWherePart) {
    TKxOdbcStatementBase statement;
    statement.SetODBCConnection(&connection);
    statement.TimeoutProperties().SetUseValueFromConnection(false);
    statement.TimeoutProperties().SetTimeoutForStatements(5);
    statement.SQL().SetAsString(QStringLiteral("UPDATE kx_items SET name = 'y' WHERE id > 0"));
    KxIntf<IKxUnknown> copy;
    ASSERT_EQ(statement.CreateRestrictedCopy(QStringLiteral("id"), KxVariant(7), copy), hr::S_Ok);
    auto* restricted = dynamic_cast<TKxOdbcStatementBase*>(copy.get());
    ASSERT_NE(restricted, nullptr);
    EXPECT_NE(restricted, &statement);
    EXPECT_EQ(restricted->ODBCConnection(), &connection);
    EXPECT_EQ(restricted->TimeoutProperties().TimeoutForStatements(), 5u);
    EXPECT_TRUE(restricted->SQL().GetSQLWhere().contains(QStringLiteral("id = 7")))
        << restricted->SQL().GetSQLWhere().toStdString();
    EXPECT_EQ(statement.SQL().GetSQLWhere(), QStringLiteral("id > 0"))
        << "the original is unchanged";
    EXPECT_EQ(statement.CreateRestrictedCopy(QString(), KxVariant(7), copy), hr::E_InvalidArg);
    EXPECT_FALSE(copy);
}

KX_INSTANTIATE_DRIVER_TESTS(OdbcStatementTest);

TEST(OdbcStatementPropertiesTest, StoredSettingsRoundTripWithoutDefaults) {
    TKxOdbcStatementProperties properties(true, TKxLifetime::OwnerOwned);
    properties.SQL = QStringLiteral("SELECT *\r\n\tFROM t");
    properties.TimedReExecutionDelay = 500;
    properties.TimeoutProperties().SetUseValueFromConnection(false);
    properties.TimeoutProperties().SetTimeoutForStatements(9);

    TKxOdbcStatementBase statement;
    properties.AssignToObj(&statement);
    EXPECT_EQ(statement.SQL().GetAsString(), QStringLiteral("SELECT *\r\n\tFROM t"));
    EXPECT_EQ(statement.TimedReExecutionDelay(), 500);
    EXPECT_EQ(statement.TimeoutProperties().TimeoutForStatements(), 9u);

    TKxOdbcStatementProperties back(false, TKxLifetime::OwnerOwned);
    back.AssignFromObj(&statement);
    EXPECT_TRUE(back.SQL.isEmpty()) << "SQL only travels when it is included";
    EXPECT_EQ(back.TimedReExecutionDelay, 500);
    EXPECT_FALSE(back.TimeoutProperties().UseValueFromConnection());
}

} // namespace
