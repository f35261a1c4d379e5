#include "foundation/activation_interfaces.h"
#include "foundation/interfaced_object.h"
#include "odbc/odbc_error.h"
#include "odbc/odbc_handle.h"
#include "support/driver_test.h"

#include <gtest/gtest.h>
#include <ostream>

namespace {

using namespace kx;

// A stand-in for the ODBC components: it names itself and hands out its statement handle.
class TStatementOwner : public TKxInterfacedObject,
                        public virtual IKxGetName,
                        public virtual IKxGetHandle,
                        public virtual IKxGetHandleType {
public:
    explicit TStatementOwner(SQLHANDLE handle)
        : TKxInterfacedObject(TKxLifetime::OwnerOwned), m_handle(handle) {}
    QString GetName() const override { return QStringLiteral("RSSqlStatement"); }
    std::uintptr_t GetHandle() const override { return reinterpret_cast<std::uintptr_t>(m_handle); }
    SQLSMALLINT GetHandleType() const override { return SQL_HANDLE_STMT; }

private:
    SQLHANDLE m_handle;
};

class OdbcErrorTest : public test::DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        if (IsSkipped())
            return;
        env.Allocate(SQL_HANDLE_ENV, nullptr, nullptr);
        CheckOdbcResult(SQLSetEnvAttr(env.Get(), SQL_ATTR_ODBC_VERSION,
                                      reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
                        nullptr, QStringLiteral("SQLSetEnvAttr"), env.Get(), SQL_HANDLE_ENV);
        dbc.Allocate(SQL_HANDLE_DBC, &env, nullptr);
        QByteArray text = connectString.toUtf8();
        CheckOdbcResult(SQLDriverConnect(dbc.Get(), nullptr,
                                         reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS, nullptr,
                                         0, nullptr, SQL_DRIVER_NOPROMPT),
                        nullptr, QStringLiteral("SQLDriverConnect"), dbc.Get(), SQL_HANDLE_DBC);
        stmt.Allocate(SQL_HANDLE_STMT, &dbc, nullptr);
    }

    SQLRETURN Execute(const char* sql) {
        QByteArray text(sql);
        return SQLExecDirect(stmt.Get(), reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS);
    }

    TKxOdbcHandle env;
    TKxOdbcHandle dbc;
    TKxOdbcHandle stmt;
};

TEST_P(OdbcErrorTest, AFailedStatementCarriesTheDriversDiagnostics) {
    TStatementOwner owner(stmt.Get());
    const SQLRETURN rc = Execute("SELECT * FROM kx_no_such_table");
    ASSERT_EQ(rc, SQL_ERROR);
    try {
        CheckOdbcResult(rc, &owner, QStringLiteral("APIExecuteSQL"));
        FAIL() << "no exception";
    } catch (const EODBCError& e) {
        EXPECT_EQ(e.ReturnCode(), SQL_ERROR);
        EXPECT_EQ(e.HandleType(), SQL_HANDLE_STMT);
        EXPECT_EQ(e.Handle(), stmt.Get());
        EXPECT_EQ(e.GetSeverityLevel(), svError);
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("APIExecuteSQL"));
        EXPECT_EQ(e.GetObjectName(), QStringLiteral("RSSqlStatement"));
        EXPECT_EQ(e.GetObjectClassName(), QStringLiteral("TStatementOwner"));
        ASSERT_GE(e.Diagnostics().size(), 1u);
        const TSQLErrorDesc& first = e.Diagnostics().front();
        EXPECT_EQ(first.SQLState.size(), 5);
        EXPECT_TRUE(
            first.MessageText.contains(QStringLiteral("kx_no_such_table"), Qt::CaseInsensitive))
            << first.MessageText.toStdString();

        const QStringList lines = e.GetMessage().split(QStringLiteral("\r\n"));
        ASSERT_GE(lines.size(), 3);
        EXPECT_EQ(lines[0], QStringLiteral("Return Code: Error (-1)"));
        EXPECT_EQ(lines[1], QString());
        EXPECT_EQ(lines[2], FormatDiagRecord(first));
        EXPECT_EQ(lines.size(), qsizetype(e.Diagnostics().size()) + 2);

        int rows = 0;
        QStringList firstRow;
        e.EnumRows([&](const QStringList& row) {
            if (rows++ == 0)
                firstRow = row;
            EXPECT_EQ(row.size(), 6);
        });
        EXPECT_EQ(rows, int(e.Diagnostics().size()) + 1);
        EXPECT_EQ(firstRow, QStringList({QStringLiteral("-1"), QStringLiteral("SQL Call"),
                                         QStringLiteral("0"), QStringLiteral("Error"), QString(),
                                         QString()}));
    }
}

TEST_P(OdbcErrorTest, ReadingDiagnosticsLeavesThemForTheNextReader) {
    ASSERT_EQ(Execute("SELEKT 1"), SQL_ERROR);
    const EODBCError first(SQL_ERROR, svError, stmt.Get(), SQL_HANDLE_STMT, QStringLiteral("X"),
                           nullptr);
    const EODBCError second(SQL_ERROR, svError, stmt.Get(), SQL_HANDLE_STMT, QStringLiteral("X"),
                            nullptr);
    ASSERT_FALSE(first.Diagnostics().empty());
    EXPECT_EQ(first.GetMessage(), second.GetMessage());
}

KX_INSTANTIATE_DRIVER_TESTS(OdbcErrorTest);

TEST(CheckOdbcResultTest, SuccessCodesPassAndOthersRaiseWithTheirText) {
    EXPECT_TRUE(CheckOdbcResult(SQL_SUCCESS, nullptr, QStringLiteral("X")));
    EXPECT_TRUE(CheckOdbcResult(SQL_SUCCESS_WITH_INFO, nullptr, QStringLiteral("X")));
    try {
        CheckOdbcResult(SQL_NO_DATA, nullptr, QStringLiteral("SQLFetch"));
        ADD_FAILURE();
    } catch (const EODBCError& e) {
        EXPECT_EQ(e.GetMessage(), QStringLiteral("Return Code: No Data (100)"));
        EXPECT_EQ(e.GetSeverityLevel(), svInformation);
        EXPECT_EQ(e.GetObjectName(), QStringLiteral("<nil>"));
        EXPECT_TRUE(e.Diagnostics().empty()) << "no handle, no records";
    }
    try {
        CheckOdbcResult(5, nullptr, QStringLiteral("X"));
        ADD_FAILURE();
    } catch (const EODBCError& e) {
        EXPECT_EQ(e.GetMessage(), QStringLiteral("Return Code: Unknown Return Code (5)"));
    }
    EXPECT_EQ(ReturnCodeText(SQL_INVALID_HANDLE), QStringLiteral("Invalid Handle"));
    EXPECT_EQ(ReturnCodeText(SQL_NEED_DATA), QStringLiteral("Data Needed"));
}

TEST(CheckOdbcResultTest, RecordsFormatWithoutTheirEmptyFields) {
    TSQLErrorDesc record;
    record.SQLState = QStringLiteral("42S02");
    record.NativeError = 208;
    record.MessageText = QStringLiteral("Invalid object name 'x'.");
    EXPECT_EQ(FormatDiagRecord(record), QStringLiteral("42S02, 208, Invalid object name 'x'."));
    record.ClassOrigin = QStringLiteral("ODBC 3.0");
    record.ServerName = QStringLiteral("db1");
    record.SubclassOrigin = QStringLiteral("never shown");
    EXPECT_EQ(FormatDiagRecord(record),
              QStringLiteral("42S02, ODBC 3.0, 208, Invalid object name 'x'., db1"));

    const std::vector<TSQLErrorDesc> two{record, record};
    EXPECT_EQ(
        KxOdbcErrorBody(SQL_ERROR, two),
        QStringLiteral("Return Code: Error (-1)\r\n\r\n%1\r\n%1").arg(FormatDiagRecord(record)));
    EXPECT_EQ(EODBCError::Columns().size(), 6u);
    EXPECT_EQ(EODBCError::Columns()[3].Title, QStringLiteral("Message"));
    EXPECT_EQ(EODBCError::Columns()[3].Width, 500);
}

TEST(OdbcHandleTest, AFailedAllocationRaisesAndHoldsNothing) {
    TKxOdbcHandle dbc;
    TKxOdbcHandle noEnvironment; // never allocated
    EXPECT_THROW(dbc.Allocate(SQL_HANDLE_DBC, &noEnvironment, nullptr), EODBCError);
    EXPECT_FALSE(dbc);
}

} // namespace
