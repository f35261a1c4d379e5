#pragma once

#include "odbc/odbc_connection.h"
#include "odbc/odbc_environment.h"
#include "support/driver_test.h"

namespace kx::test {

// A driver test body with a connection component set up on its database (not yet opened:
// components open on demand, and some tests set attributes first).
class ConnectedDriverTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        if (IsSkipped())
            return;
        connection.SetName(QStringLiteral("Connection1"));
        connection.SetODBCEnvironment(&environment);
        connection.SetConnectionString(connectString);
    }

    TKxOdbcEnvironment environment;
    TKxOdbcConnection connection;
};

} // namespace kx::test
