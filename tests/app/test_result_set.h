#pragma once

// A result set for the app tests until the recordset reads values: an ODBC statement that
// keeps its cursor open while active and reads the first column of its next row.

#include "dbcore/sql_property.h"
#include "odbc/odbc_error.h"
#include "odbc/odbc_statement.h"

#include <QString>

namespace kx::test {

class TTestResultSet : public TKxOdbcStatementBase {
public:
    using TKxOdbcStatementBase::TKxOdbcStatementBase;
    ~TTestResultSet() override { CloseBeforeDestroy(); }

    // "<no row>" at the end of the rows; a failing fetch or read raises, it is no end.
    QString FirstValue() {
        const SQLRETURN fetched = SQLFetch(OdbcHandle());
        if (fetched == SQL_NO_DATA)
            return QStringLiteral("<no row>");
        CheckOdbcResult(fetched, this, QStringLiteral("SQLFetch"));
        SQLCHAR buffer[256] = {};
        SQLLEN indicator = 0;
        CheckOdbcResult(SQLGetData(OdbcHandle(), 1, SQL_C_CHAR, buffer, sizeof buffer, &indicator),
                        this, QStringLiteral("SQLGetData"));
        return QString::fromUtf8(reinterpret_cast<const char*>(buffer));
    }

protected:
    void CheckPreparedSQLStatement(const QString& text) override {
        KxCheckSQLNotEmpty(text, this, QStringLiteral("CheckPreparedSQLStatement"));
    }
};

} // namespace kx::test
