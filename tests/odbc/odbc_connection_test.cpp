#include "foundation/persistent_data.h"
#include "foundation/storage_helpers.h"
#include "odbc/odbc_connect_properties.h"
#include "odbc/odbc_connection.h"
#include "odbc/password_cipher.h"
#include "support/connected_driver_test.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>

namespace {

using namespace kx;

// Reads one integer with a raw statement on the connection's handle.
long long QueryNumber(TKxOdbcConnection& connection, const char* sql) {
    SQLHSTMT stmt = nullptr;
    EXPECT_TRUE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connection.OdbcHandle(), &stmt)));
    QByteArray text(sql);
    long long value = -1;
    if (SQL_SUCCEEDED(SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS)) &&
        SQL_SUCCEEDED(SQLFetch(stmt))) {
        SQLBIGINT number = 0;
        SQLLEN indicator = 0;
        SQLGetData(stmt, 1, SQL_C_SBIGINT, &number, 0, &indicator);
        value = number;
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return value;
}

void Exec(TKxOdbcConnection& connection, const char* sql) {
    SQLHSTMT stmt = nullptr;
    ASSERT_TRUE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connection.OdbcHandle(), &stmt)));
    QByteArray text(sql);
    const SQLRETURN rc = SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS);
    EXPECT_TRUE(SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA)
        << sql << "\n"
        << test::RawDiagnostics(SQL_HANDLE_STMT, stmt).toStdString();
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
}

class OdbcConnectionTest : public test::ConnectedDriverTest {};

TEST_P(OdbcConnectionTest, OpensAndClosesWithItsEnvironment) {
    EXPECT_FALSE(environment.Active());
    connection.SetActive(true);
    EXPECT_TRUE(connection.Active());
    EXPECT_TRUE(connection.Connected());
    EXPECT_TRUE(environment.Active()) << "opening a connection opens its environment";
    EXPECT_NE(connection.OdbcHandle(), nullptr);
    EXPECT_EQ(QueryNumber(connection, "SELECT 1 + 1"), 2);
    EXPECT_GE(connection.TransactionSupport(), 1);
    EXPECT_EQ(environment.TransactionSupport(), 4);

    try {
        connection.SetConnectionString(QStringLiteral("DSN=other"));
        ADD_FAILURE();
    } catch (const EKxException& e) {
        EXPECT_EQ(
            e.GetMessage(),
            QStringLiteral(
                "The ConnectionString Property cannot be changed while the Object is active"));
    }
    connection.SetActive(false);
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(connection.OdbcHandle(), nullptr);
    EXPECT_EQ(connection.ConnectionString(), connectString);
}

TEST_P(OdbcConnectionTest, ConnectAttributesReachTheDriver) {
    connection.SetTimeoutForLogin(7);
    connection.SetTransactionIsolation(KxSetOf(tiSerializable));
    connection.SetAttributes(KxSetOf(caCaseSensitiveCatalogNames));
    connection.SetAccessMode(amReadOnly);
    connection.SetTimeoutForStatements(20);
    const QString traceFile = QDir(dir.path()).filePath(QStringLiteral("odbc-trace.log"));
    connection.TraceProperties().SetTraceFilename(traceFile);
    connection.TraceProperties().SetEnableTracing(true);
    connection.SetActive(true);
    EXPECT_GT(QFileInfo(traceFile).size(), 0) << "the driver manager traces into the file given";
    connection.TraceProperties().SetEnableTracing(false);

    SQLUINTEGER value = 0;
    ASSERT_TRUE(SQL_SUCCEEDED(SQLGetConnectAttr(connection.OdbcHandle(), SQL_ATTR_AUTOCOMMIT,
                                                &value, SQL_IS_UINTEGER, nullptr)));
    EXPECT_EQ(value, SQLUINTEGER(SQL_AUTOCOMMIT_OFF));
    EXPECT_EQ(KxBooleanAnswer(false), connection.AskBoolean(qid::CanModify));

    // Switched while open: applied at once.
    connection.SetAttributes(KxSetOf(caAutoCommitTransactions));
    ASSERT_TRUE(SQL_SUCCEEDED(SQLGetConnectAttr(connection.OdbcHandle(), SQL_ATTR_AUTOCOMMIT,
                                                &value, SQL_IS_UINTEGER, nullptr)));
    EXPECT_EQ(value, SQLUINTEGER(SQL_AUTOCOMMIT_ON));
    EXPECT_THROW(connection.SetAttributes(KxSetOf(caAsynchronOperations)), EKxException);
    connection.SetActive(false);
}

TEST_P(OdbcConnectionTest, ManualCommitKeepsAndRollbackDiscardsRows) {
    connection.SetAttributes(0);
    connection.SetActive(true);
    Exec(connection, "CREATE TABLE kx_tx (id INTEGER)");
    connection.CommitTransaction();
    EXPECT_EQ(connection.TransactionCount(), 0) << "ending an uncounted transaction counts nothing";
    connection.RollbackTransaction();
    EXPECT_EQ(connection.TransactionCount(), 0);

    connection.BeginTransaction();
    Exec(connection, "INSERT INTO kx_tx VALUES (1)");
    connection.CommitTransaction();
    connection.BeginTransaction();
    EXPECT_EQ(connection.TransactionCount(), 1);
    Exec(connection, "INSERT INTO kx_tx VALUES (2)");
    EXPECT_EQ(QueryNumber(connection, "SELECT count(*) FROM kx_tx"), 2);
    connection.RollbackTransaction();
    EXPECT_EQ(QueryNumber(connection, "SELECT count(*) FROM kx_tx"), 1);

    // Closing in manual-commit mode rolls the open work back.
    Exec(connection, "INSERT INTO kx_tx VALUES (3)");
    connection.SetActive(false);
    connection.SetActive(true);
    EXPECT_EQ(QueryNumber(connection, "SELECT count(*) FROM kx_tx"), 1);
}

TEST_P(OdbcConnectionTest, TransactionCountNeverDriftsOverCloseAndReopen) {
    TKxOdbcConnection other;
    other.SetODBCEnvironment(&environment);
    other.SetConnectionString(connectString);
    const auto othersSee = [&other] {
        other.SetActive(true);
        const long long rows = QueryNumber(other, "SELECT count(*) FROM kx_tx");
        other.SetActive(false); // holds no read lock while the first connection writes
        return rows;
    };
    connection.SetActive(true);
    Exec(connection, "CREATE TABLE kx_tx (id INTEGER)");
    connection.SetActive(false);

    connection.SetAttributes(0);
    // Run, Commit, close, reopen, run again: the second run is counted like the first.
    for (int round = 1; round <= 2; ++round) {
        connection.SetActive(true);
        connection.BeginTransaction();
        Exec(connection, "INSERT INTO kx_tx VALUES (1)");
        EXPECT_EQ(connection.TransactionCount(), 1) << "round " << round;
        if (Server()) {
            EXPECT_EQ(othersSee(), round - 1) << "uncommitted rows stay private";
        }
        connection.CommitTransaction();
        EXPECT_EQ(othersSee(), round) << "Commit makes the rows visible";
        connection.SetActive(false);
        EXPECT_EQ(connection.TransactionCount(), 0) << "round " << round;
    }

    // Closing with counted work rolls it back and leaves nothing counted.
    connection.SetActive(true);
    connection.BeginTransaction();
    connection.BeginTransaction();
    Exec(connection, "INSERT INTO kx_tx VALUES (1)");
    connection.SetActive(false);
    EXPECT_EQ(connection.TransactionCount(), 0);
    EXPECT_EQ(othersSee(), 2);

    // Switching auto-commit on commits the open work, so nothing is left to count.
    connection.SetActive(true);
    connection.BeginTransaction();
    Exec(connection, "INSERT INTO kx_tx VALUES (1)");
    connection.SetAttributes(KxSetOf(caAutoCommitTransactions));
    EXPECT_EQ(connection.TransactionCount(), 0);
    EXPECT_EQ(othersSee(), 3);
    connection.SetActive(false);
    EXPECT_EQ(othersSee(), 3);
}

TEST_P(OdbcConnectionTest, CompletedConnectionStringReplacesTheGivenOne) {
    connection.SetAttributes(KxSetOf(caAutoCommitTransactions) |
                             KxSetOf(caCompleteConnectionString));
    connection.SetActive(true);
    EXPECT_NE(connection.ConnectionString(), connectString);
    EXPECT_FALSE(connection.ConnectionString().isEmpty());
    EXPECT_TRUE(
        connection.ConnectionString().contains(QStringLiteral("Driver"), Qt::CaseInsensitive) ||
        connection.ConnectionString().contains(QStringLiteral("DSN"), Qt::CaseInsensitive))
        << connection.ConnectionString().toStdString();
}

TEST_P(OdbcConnectionTest, AThousandConnectionsLeaveMemoryFlat) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "freed memory stays in AddressSanitizer's quarantine; its leak checker "
                    "covers this build instead";
#endif
    const auto residentKb = [] {
        QFile status(QStringLiteral("/proc/self/statm"));
        EXPECT_TRUE(status.open(QIODevice::ReadOnly));
        return QString::fromLatin1(status.readAll()).section(QLatin1Char(' '), 1, 1).toLongLong() *
               4;
    };
    const int cycles = Server() ? 200 : 1000; // a server round trip costs more
    for (int i = 0; i < 50; ++i) {
        connection.SetActive(true);
        connection.SetActive(false);
    }
    const long long before = residentKb();
    for (int i = 0; i < cycles; ++i) {
        connection.SetActive(true);
        connection.SetActive(false);
    }
    EXPECT_LT(residentKb() - before, 2048) << "kB grown over " << cycles << " cycles";
}

KX_INSTANTIATE_DRIVER_TESTS(OdbcConnectionTest);

TEST(OdbcConnectionErrorsTest, WrongServerAndMissingDriverGiveClearErrors) {
    TKxOdbcEnvironment environment;
    TKxOdbcConnection connection;
    try {
        connection.SetActive(true);
        ADD_FAILURE();
    } catch (const EKxException& e) {
        EXPECT_EQ(
            e.GetMessage(),
            QStringLiteral(
                "The ODBCEnvironment Property must be set before the Component can be activated"));
    }
    connection.SetODBCEnvironment(&environment);
    connection.SetConnectionString(QStringLiteral("Driver=No Such Driver;Database=x"));
    try {
        connection.SetActive(true);
        ADD_FAILURE();
    } catch (const EODBCError& e) {
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("SQLDriverConnect"));
        ASSERT_FALSE(e.Diagnostics().empty());
        EXPECT_TRUE(e.GetMessage().startsWith(QStringLiteral("Return Code: Error (-1)\r\n\r\n")));
        EXPECT_TRUE(e.GetMessage().contains(QStringLiteral("No Such Driver")))
            << e.GetMessage().toStdString();
    }
    EXPECT_FALSE(connection.Active());

    const auto pg = qEnvironmentVariable(test::kPostgresConnectVariable);
    if (!pg.isEmpty()) {
        connection.SetTimeoutForLogin(3);
        connection.SetConnectionString(QStringLiteral(
            "Driver={PostgreSQL ANSI};Server=127.0.0.1;Port=1;Database=x;Uid=postgres;"));
        try {
            connection.SetActive(true);
            ADD_FAILURE();
        } catch (const EODBCError& e) {
            EXPECT_TRUE(e.GetMessage().contains(QStringLiteral("127.0.0.1")))
                << e.GetMessage().toStdString();
        }
        EXPECT_FALSE(connection.Active());
    }
}

TEST(OdbcConnectionErrorsTest, IsolationSetsBecomeTheDriverMask) {
    EXPECT_EQ(TKxOdbcConnection::IsolationMask(KxSetOf(tiReadCommitted) | KxSetOf(tiSerializable)),
              10u);
    EXPECT_EQ(TKxOdbcConnection::IsolationMask(kxDefaultTransactionIsolation), 2u);

    // The driver manager takes one level only: a mixed set is refused with its diagnostics.
    QTemporaryDir dir;
    TKxOdbcEnvironment environment;
    TKxOdbcConnection connection;
    connection.SetODBCEnvironment(&environment);
    connection.SetConnectionString(test::SqliteConnectionString(dir));
    connection.SetTransactionIsolation(KxSetOf(tiReadCommitted) | KxSetOf(tiSerializable));
    try {
        connection.SetActive(true);
        ADD_FAILURE();
    } catch (const EODBCError& e) {
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("SetODBCTransactionIsolation"));
        EXPECT_TRUE(e.GetMessage().contains(QStringLiteral("HY024")));
    }
    EXPECT_FALSE(connection.Active());
}

class OdbcEnumDsnTest : public testing::Test {
protected:
    void SetUp() override {
        const QString ini = QDir(dir.path()).filePath(QStringLiteral("odbc.ini"));
        QFile file(ini);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Sales]\nDriver=SQLite3\nDescription=Sales figures\nDatabase=/tmp/sales.db\n\n"
                   "[Stock]\nDriver=SQLite3\nDescription=Warehouse\nDatabase=/tmp/stock.db\n");
        file.close();
        savedIni = qgetenv("ODBCINI");
        qputenv("ODBCINI", ini.toUtf8());
    }
    void TearDown() override { qputenv("ODBCINI", savedIni); }

    QTemporaryDir dir;
    QByteArray savedIni;
    TKxOdbcEnvironment environment;
};

TEST_F(OdbcEnumDsnTest, ListsUserDataSourcesInBothFormats) {
    QStringList names;
    ODBCEnumDSN(&environment, dkUser, QStringLiteral("%s"),
                [&](const QString& t) { names.append(t); });
    EXPECT_TRUE(names.contains(QStringLiteral("Sales")))
        << names.join(QLatin1Char(',')).toStdString();
    EXPECT_TRUE(names.contains(QStringLiteral("Stock")));
    EXPECT_FALSE(environment.Active()) << "closed again after the listing";

    QStringList described;
    ODBCEnumDSN(&environment, dkUser, QStringLiteral("%s (%s)"),
                [&](const QString& t) { described.append(t); });
    // The second text is the description of the data source's driver.
    EXPECT_TRUE(described.contains(QStringLiteral("Sales (SQLite3)")))
        << described.join(QLatin1Char(',')).toStdString();

    try {
        ODBCEnumDSN(&environment, dkUser, QStringLiteral("%s %s %s"), [](const QString&) {});
        ADD_FAILURE();
    } catch (const EKxException& e) {
        EXPECT_EQ(e.GetMessage(), QStringLiteral("Invalid number of format parameters"));
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("ODBCEnumDSN"));
    }
    try {
        ODBCEnumDSN(&environment, 5, QStringLiteral("%s"), [](const QString&) {});
        ADD_FAILURE();
    } catch (const EKxException& e) {
        EXPECT_EQ(e.GetMessage(),
                  QStringLiteral("Unknown Value of Property \"TDSNKind\", value: 5"));
    }
}

class ConnectPropertiesTest : public testing::Test {
protected:
    void SetUp() override {
        store.SetFileName(QDir(dir.path()).filePath(QStringLiteral("t.PRS")));
        KxOpenKey(&store, QStringLiteral("\\ConnectionList\\0"), true);
    }
    QByteArray FileBytes() {
        store.Flush();
        QFile file(store.FileName());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QTemporaryDir dir;
    TKxPersistentData store;
};

TEST_F(ConnectPropertiesTest, DefaultsAreNotWrittenAndValuesRoundTrip) {
    TKxOdbcConnectProperties properties(TKxLifetime::OwnerOwned);
    properties.ConnectionString = QStringLiteral("DSN=Sales;UID=me");
    properties.StoreData(&store);
    EXPECT_TRUE(
        FileBytes().endsWith("\\ConnectionList\\0]\r\nConnectionString=DSN=Sales;UID=me\r\n"));
    EXPECT_EQ(properties.GetName(), QStringLiteral("Sales"));

    properties.Password = QStringLiteral("Pässwort");
    properties.CursorOrigin = coUseDriverCursors;
    properties.TransactionIsolation = KxSetOf(tiSerializable);
    properties.Attributes = 0;
    properties.TimeoutForLogin = 5;
    properties.StoreData(&store);
    const QByteArray bytes = FileBytes();
    EXPECT_FALSE(bytes.contains("Pässwort")) << "the password is enciphered";
    EXPECT_TRUE(bytes.contains("Password=" +
                               KxEncipherPassword(QStringLiteral("Pässwort")).toHex().toUpper()));
    EXPECT_TRUE(bytes.contains("Transaction Isolation=08"));
    EXPECT_TRUE(bytes.contains("Attributes=00"));

    TKxOdbcConnectProperties loaded(TKxLifetime::OwnerOwned);
    loaded.LoadData(&store);
    EXPECT_EQ(loaded.Password, QStringLiteral("Pässwort"));
    EXPECT_EQ(loaded.CursorOrigin, coUseDriverCursors);
    EXPECT_EQ(loaded.TransactionIsolation, KxSetOf(tiSerializable));
    EXPECT_EQ(loaded.Attributes, 0);
    EXPECT_EQ(loaded.TimeoutForLogin, 5u);

    properties.Password.clear();
    properties.StoreData(&store);
    EXPECT_FALSE(FileBytes().contains("Password=")) << "an empty password removes the value";
}

TEST_F(ConnectPropertiesTest, OutOfRangeAndForeignValuesLoadSafely) {
    store.WriteString(QStringLiteral("Cursor Origin"), QStringLiteral("7"));
    store.WriteString(QStringLiteral("Access Mode"), QStringLiteral("9"));
    KxGuid otherMachine = kxBuiltInMachineGuid;
    otherMachine.Data2 ^= 0x1234;
    store.WriteBinary(QStringLiteral("Password"),
                      KxEncipherPassword(QStringLiteral("foreign secret"), otherMachine));
    TKxOdbcConnectProperties loaded(TKxLifetime::OwnerOwned);
    loaded.LoadData(&store);
    EXPECT_EQ(loaded.CursorOrigin, coUseDriverCursors);
    EXPECT_EQ(loaded.AccessMode, amReadOnly);
    if (KxMachineGuid() != otherMachine) {
        EXPECT_TRUE(loaded.Password.isEmpty()) << loaded.Password.toStdString();
    }
}

TEST_F(ConnectPropertiesTest, CopiesToAndFromConnections) {
    TKxOdbcConnectProperties properties(TKxLifetime::OwnerOwned);
    properties.ConnectionString = QStringLiteral("DSN=Sales");
    properties.TimeoutForStatements = 12;
    properties.Attributes = KxSetOf(caCompleteConnectionString);
    TKxOdbcConnection connection;
    properties.AssignToObj(&connection);
    EXPECT_EQ(connection.ConnectionString(), QStringLiteral("DSN=Sales"));
    EXPECT_EQ(connection.TimeoutForStatements(), 12u);
    EXPECT_EQ(connection.Attributes(), KxSetOf(caCompleteConnectionString));

    TKxOdbcConnectProperties back(TKxLifetime::OwnerOwned);
    back.AssignFromObj(&connection);
    EXPECT_EQ(back.ConnectionString, QStringLiteral("DSN=Sales"));
    EXPECT_EQ(back.TimeoutForStatements, 12u);
}

} // namespace
