#include "support/driver_test.h"

namespace kx::test {

void PrintTo(const TestDriver& driver, std::ostream* out) {
    *out << driver.name;
}

std::string DriverTestName(const testing::TestParamInfo<TestDriver>& info) {
    return info.param.name;
}

void DriverTest::SetUp() {
    ASSERT_TRUE(dir.isValid());
    if (!GetParam().server) {
        connectString = SqliteConnectionString(dir);
        return;
    }
    QString error;
    pg = PostgresTestDatabase::Create(&error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    if (!pg)
        GTEST_SKIP() << "no PostgreSQL test server (" << kPostgresConnectVariable << " is not set)";
    connectString = pg->ConnectionString();
}

} // namespace kx::test
