#pragma once

#include "support/test_databases.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>

namespace kx::test {

// The real drivers every database test body runs against.
struct TestDriver {
    const char* name;
    bool server; // PostgreSQL on the test server; otherwise SQLite3 on a temporary file
};

void PrintTo(const TestDriver& driver, std::ostream* out);
std::string DriverTestName(const testing::TestParamInfo<TestDriver>& info);

// A test body shared by the drivers: SetUp gives each test a database of its own and its
// connection string, or skips a PostgreSQL test when no test server runs. A subclass that
// has its own SetUp calls this one first and returns when IsSkipped().
class DriverTest : public testing::TestWithParam<TestDriver> {
protected:
    void SetUp() override;
    bool Server() const { return GetParam().server; }

    QTemporaryDir dir;
    std::unique_ptr<PostgresTestDatabase> pg;
    QString connectString;
};

} // namespace kx::test

#define KX_INSTANTIATE_DRIVER_TESTS(Suite)                                                         \
    INSTANTIATE_TEST_SUITE_P(Drivers, Suite,                                                       \
                             testing::Values(kx::test::TestDriver{"SQLite3", false},               \
                                             kx::test::TestDriver{"PostgreSQL", true}),            \
                             kx::test::DriverTestName)
