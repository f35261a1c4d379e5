// Proves the wiring under everything else: unixODBC finds both drivers, they connect to their
// databases and a statement round-trips a value, non-ASCII text included. Written against the
// raw call interface on purpose, so it says nothing about the program's own ODBC classes.

#include "support/driver_test.h"

#include <gtest/gtest.h>
#include <ostream>
#include <sql.h>
#include <sqlext.h>
#include <string>

namespace {

std::string Diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
    return kx::test::RawDiagnostics(type, handle).toStdString();
}

#define EXPECT_ODBC_OK(call, type, handle)                                                         \
    do {                                                                                           \
        const SQLRETURN rc_ = (call);                                                              \
        ASSERT_TRUE(SQL_SUCCEEDED(rc_)) << #call << " returned " << rc_ << "\n"                    \
                                        << Diagnostics(type, handle);                              \
    } while (false)

// One connection with its handles, released in reverse order whatever the test does.
class RawConnection {
public:
    ~RawConnection() {
        if (stmt)
            SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        if (dbc) {
            SQLDisconnect(dbc);
            SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        }
        if (env)
            SQLFreeHandle(SQL_HANDLE_ENV, env);
    }
    SQLHENV env = nullptr;
    SQLHDBC dbc = nullptr;
    SQLHSTMT stmt = nullptr;
};

class OdbcSmokeTest : public kx::test::DriverTest {
protected:
    void Connect(RawConnection& c) {
        ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &c.env), SQL_SUCCESS);
        EXPECT_ODBC_OK(SQLSetEnvAttr(c.env, SQL_ATTR_ODBC_VERSION,
                                     reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
                       SQL_HANDLE_ENV, c.env);
        EXPECT_ODBC_OK(SQLAllocHandle(SQL_HANDLE_DBC, c.env, &c.dbc), SQL_HANDLE_ENV, c.env);
        SQLCHAR out[1024] = {};
        SQLSMALLINT outLength = 0;
        std::string in = connectString.toStdString();
        EXPECT_ODBC_OK(SQLDriverConnect(c.dbc, nullptr, reinterpret_cast<SQLCHAR*>(in.data()),
                                        SQL_NTS, out, sizeof out, &outLength, SQL_DRIVER_NOPROMPT),
                       SQL_HANDLE_DBC, c.dbc);
        EXPECT_ODBC_OK(SQLAllocHandle(SQL_HANDLE_STMT, c.dbc, &c.stmt), SQL_HANDLE_DBC, c.dbc);
    }

    void Execute(RawConnection& c, std::string sql) {
        const SQLRETURN rc = SQLExecDirect(c.stmt, reinterpret_cast<SQLCHAR*>(sql.data()), SQL_NTS);
        ASSERT_TRUE(SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA) << sql << "\n"
                                                            << Diagnostics(SQL_HANDLE_STMT, c.stmt);
        SQLCloseCursor(c.stmt);
    }
};

TEST_P(OdbcSmokeTest, ConnectsAndRoundTripsUtf8Text) {
    RawConnection c;
    ASSERT_NO_FATAL_FAILURE(Connect(c));
    ASSERT_NO_FATAL_FAILURE(Execute(c, "CREATE TABLE kx_smoke (id INTEGER, name VARCHAR(40))"));
    ASSERT_NO_FATAL_FAILURE(Execute(c, "INSERT INTO kx_smoke VALUES (1, 'Grüße, Ørsted')"));
    ASSERT_NO_FATAL_FAILURE(Execute(c, "INSERT INTO kx_smoke VALUES (2, NULL)"));

    std::string select = "SELECT id, name FROM kx_smoke ORDER BY id";
    EXPECT_ODBC_OK(SQLExecDirect(c.stmt, reinterpret_cast<SQLCHAR*>(select.data()), SQL_NTS),
                   SQL_HANDLE_STMT, c.stmt);

    SQLINTEGER id = 0;
    SQLLEN idIndicator = 0;
    SQLCHAR name[64] = {};
    SQLLEN nameIndicator = 0;

    EXPECT_ODBC_OK(SQLFetch(c.stmt), SQL_HANDLE_STMT, c.stmt);
    EXPECT_ODBC_OK(SQLGetData(c.stmt, 1, SQL_C_SLONG, &id, 0, &idIndicator), SQL_HANDLE_STMT,
                   c.stmt);
    EXPECT_ODBC_OK(SQLGetData(c.stmt, 2, SQL_C_CHAR, name, sizeof name, &nameIndicator),
                   SQL_HANDLE_STMT, c.stmt);
    EXPECT_EQ(id, 1);
    EXPECT_STREQ(reinterpret_cast<const char*>(name), "Grüße, Ørsted");

    EXPECT_ODBC_OK(SQLFetch(c.stmt), SQL_HANDLE_STMT, c.stmt);
    EXPECT_ODBC_OK(SQLGetData(c.stmt, 2, SQL_C_CHAR, name, sizeof name, &nameIndicator),
                   SQL_HANDLE_STMT, c.stmt);
    EXPECT_EQ(nameIndicator, SQL_NULL_DATA);

    EXPECT_EQ(SQLFetch(c.stmt), SQL_NO_DATA);
}

KX_INSTANTIATE_DRIVER_TESTS(OdbcSmokeTest);

} // namespace
