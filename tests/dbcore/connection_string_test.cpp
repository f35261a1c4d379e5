#include "dbcore/connection_string.h"

#include <gtest/gtest.h>

namespace {

using namespace kx;

TEST(ConnectionStringTest, ValuesAreFoundByCaseInsensitiveNameAndMayBeBraced) {
    const QString text =
        QStringLiteral("Driver={PostgreSQL ANSI};Server=db1; Port = 5432 ;PWD={a;b=c};uid=me");
    EXPECT_EQ(KxConnectionStringValue(text, QStringLiteral("DRIVER")),
              QStringLiteral("PostgreSQL ANSI"));
    EXPECT_EQ(KxConnectionStringValue(text, QStringLiteral("port")), QStringLiteral("5432"));
    EXPECT_EQ(KxConnectionStringValue(text, QStringLiteral("pwd")), QStringLiteral("a;b=c"));
    EXPECT_EQ(KxConnectionStringValue(text, QStringLiteral("UID")), QStringLiteral("me"));
    EXPECT_EQ(KxConnectionStringValue(text, QStringLiteral("Database")), QString());
    EXPECT_EQ(
        KxConnectionStringValue(QStringLiteral("garbage without pairs"), QStringLiteral("DSN")),
        QString());
}

TEST(ConnectionStringTest, DisplayNameTakesTheFirstKeyThatIsThere) {
    EXPECT_EQ(ExtractDataSourceName(QStringLiteral("DSN=Sales;UID=me;")), QStringLiteral("Sales"));
    EXPECT_EQ(ExtractDataSourceName(QStringLiteral("FILEDSN=/etc/x.dsn;DBQ=/a/b.mdb")),
              QStringLiteral("/etc/x.dsn"));
    EXPECT_EQ(ExtractDataSourceName(QStringLiteral("Driver=x;DBQ=C:/data/orders.mdb")),
              QStringLiteral("orders.mdb"));
    EXPECT_EQ(
        ExtractDataSourceName(QStringLiteral("DSN=;Driver=SQLite3;Database=/tmp/demo/demo.db;")),
        QStringLiteral("demo.db"));
    EXPECT_EQ(ExtractDataSourceName(QStringLiteral("Driver=SQLite3")), QString());
}

} // namespace
