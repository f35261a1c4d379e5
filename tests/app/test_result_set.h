#pragma once

// A result set for the app tests: an ODBC statement that runs any text (as the script
// executor's direct-execution statement does), keeps its cursor open while active and reads
// the first column of its next row.

#include "dbcore/sql_property.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_result_text.h"
#include "odbc/odbc_statement.h"

#include <QString>

namespace kx::test {

class TTestResultSet : public TKxOdbcStatementBase {
public:
    using TKxOdbcStatementBase::TKxOdbcStatementBase;
    ~TTestResultSet() override { CloseBeforeDestroy(); }

    // "<no row>" at the end of the rows; a failing fetch or read raises, it is no end.
    QString FirstValue() {
        TKxOdbcResultText result(OdbcHandle(), this, ODBCConnection()->DriverTraits());
        if (!result.Fetch())
            return QStringLiteral("<no row>");
        return result.Text(1, 0).value_or(QString());
    }

protected:
    void CheckPreparedSQLStatement(const QString& text) override {
        KxCheckSQLNotEmpty(text, this, QStringLiteral("CheckPreparedSQLStatement"));
    }
};

} // namespace kx::test
