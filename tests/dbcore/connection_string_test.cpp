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

TEST(ConnectionStringTest, BracedValuesKeepDoubledClosingBracesAndPiecesWithoutNameAreSkipped) {
    const QString text = QStringLiteral("junk;PWD={a}}b;c};UID=me;Server={x}");
    EXPECT_EQ(KxConnectionStringValue(text, QStringLiteral("PWD")), QStringLiteral("a}b;c"));
    EXPECT_EQ(KxConnectionStringValue(text, QStringLiteral("UID")), QStringLiteral("me"));
    EXPECT_EQ(KxConnectionStringValue(text, QStringLiteral("Server")), QStringLiteral("x"));
    EXPECT_TRUE(KxConnectionStringHasKey(QStringLiteral("DSN=x;Pwd=;"), QStringLiteral("PWD")));
    EXPECT_FALSE(KxConnectionStringHasKey(QStringLiteral("DSN=x;"), QStringLiteral("PWD")));

    // Whatever a value holds, quoting it and reading it back gives it unchanged.
    for (const QString& value : {QStringLiteral("plain"), QStringLiteral("se}cr;et"),
                                 QStringLiteral("}}{"), QStringLiteral("=;="), QString()}) {
        const QString quoted = KxQuoteConnectionStringValue(value);
        EXPECT_EQ(KxConnectionStringValue(QStringLiteral("UID=u;PWD=") + quoted +
                                              QStringLiteral(";Port=1"),
                                          QStringLiteral("pwd")),
                  value);
    }
    EXPECT_EQ(KxQuoteConnectionStringValue(QStringLiteral("a}b")), QStringLiteral("{a}}b}"));
}

TEST(ConnectionStringTest, RemovingKeysLeavesTheOtherPairsAsWritten) {
    EXPECT_EQ(KxRemoveConnectionStringKeys(
                  QStringLiteral("Driver={PostgreSQL ANSI};UID=me;Server=h;PWD={x;y}};z};Port=5"),
                  {QStringLiteral("pwd"), QStringLiteral("uid")}),
              QStringLiteral("Driver={PostgreSQL ANSI};Server=h;Port=5"));
    EXPECT_EQ(KxRemoveConnectionStringKeys(QStringLiteral("DSN=a;PWD=b"), {QStringLiteral("PWD")}),
              QStringLiteral("DSN=a;"));
    EXPECT_EQ(KxRemoveConnectionStringKeys(QStringLiteral("DSN=a"), {QStringLiteral("PWD")}),
              QStringLiteral("DSN=a"));
}

TEST(ConnectionStringTest, DriverStringGetsUserAndPasswordOnlyWhereTheStringHasNone) {
    // The password always in braces, the user name only where it needs them.
    EXPECT_EQ(KxDriverConnectionString(QStringLiteral("DSN=Sales"), QStringLiteral("me"),
                                       QStringLiteral("p}w;d")),
              QStringLiteral("DSN=Sales;UID=me;PWD={p}}w;d};"));
    EXPECT_EQ(KxDriverConnectionString(QStringLiteral("DSN=Sales"), QStringLiteral("a;b"),
                                       QStringLiteral("a+b")),
              QStringLiteral("DSN=Sales;UID={a;b};PWD={a+b};"));
    EXPECT_EQ(KxConnectionStringValueText(QStringLiteral(" x")), QStringLiteral("{ x}"));
    EXPECT_EQ(KxConnectionStringValueText(QStringLiteral("{x")), QStringLiteral("{{x}"));
    EXPECT_EQ(KxConnectionStringValueText(QStringLiteral("x}y=z")), QStringLiteral("x}y=z"));
    EXPECT_EQ(KxDriverConnectionString(QStringLiteral("DSN=Sales;"), {}, QStringLiteral("pw")),
              QStringLiteral("DSN=Sales;PWD={pw};"));
    // The string's own values win, even an empty password written on purpose.
    EXPECT_EQ(KxDriverConnectionString(QStringLiteral("DSN=Sales;uid=admin;Pwd=;"),
                                       QStringLiteral("me"), QStringLiteral("pw")),
              QStringLiteral("DSN=Sales;uid=admin;Pwd=;"));
    EXPECT_EQ(KxDriverConnectionString(QStringLiteral("DSN=Sales"), {}, {}),
              QStringLiteral("DSN=Sales"));
    // What the driver gets reads back as typed.
    const QString sent = KxDriverConnectionString(QStringLiteral("Driver=X"), QStringLiteral("{u}"),
                                                  QStringLiteral("a;PWD=b}"));
    EXPECT_EQ(KxConnectionStringValue(sent, QStringLiteral("UID")), QStringLiteral("{u}"));
    EXPECT_EQ(KxConnectionStringValue(sent, QStringLiteral("PWD")), QStringLiteral("a;PWD=b}"));
}

// A last value whose "{" is never closed runs to the end of the string; what is added for
// the driver must not become part of it (the password would end up in the server name and
// in the driver's error message).
TEST(ConnectionStringTest, DriverStringClosesAnUnterminatedBraceBeforeAddingCredentials) {
    const QString sent = KxDriverConnectionString(QStringLiteral("DSN=x;Server={abc;d"),
                                                  QStringLiteral("me"), QStringLiteral("secret"));
    EXPECT_EQ(sent, QStringLiteral("DSN=x;Server={abc;d};UID=me;PWD={secret};"));
    EXPECT_EQ(KxConnectionStringValue(sent, QStringLiteral("Server")), QStringLiteral("abc;d"));
    EXPECT_EQ(KxConnectionStringValue(sent, QStringLiteral("UID")), QStringLiteral("me"));
    EXPECT_EQ(KxConnectionStringValue(sent, QStringLiteral("PWD")), QStringLiteral("secret"));
    // A doubled "}" at the end is part of the value, not its end.
    const QString doubled =
        KxDriverConnectionString(QStringLiteral("PWD={x}}"), QStringLiteral("me"), {});
    EXPECT_EQ(KxConnectionStringValue(doubled, QStringLiteral("PWD")), QStringLiteral("x}"));
    EXPECT_EQ(KxConnectionStringValue(doubled, QStringLiteral("UID")), QStringLiteral("me"));
    // Nothing added, nothing changed.
    EXPECT_EQ(KxDriverConnectionString(QStringLiteral("Server={abc"), {}, {}),
              QStringLiteral("Server={abc"));
}

TEST(ConnectionStringTest, PairsComeInOrderWithBracesResolved) {
    using TPairs = std::vector<std::pair<QString, QString>>;
    EXPECT_EQ(KxConnectionStringPairs(QStringLiteral("junk; Driver = {A;B}}} ;uid=me;=x;DSN=;x")),
              (TPairs{{QStringLiteral("Driver"), QStringLiteral("A;B}")},
                      {QStringLiteral("uid"), QStringLiteral("me")},
                      {QString(), QStringLiteral("x")},
                      {QStringLiteral("DSN"), QString()}}));
    EXPECT_TRUE(KxConnectionStringPairs(QStringLiteral("no pairs")).empty());
}

TEST(ConnectionStringTest, IdentityTellsFilesAndServersApart) {
    const QString a = KxConnectionIdentity(QStringLiteral("Driver=SQLite3;Database=/a/x.db;"));
    const QString b = KxConnectionIdentity(QStringLiteral("Driver=SQLite3;Database=/b/x.db;"));
    EXPECT_EQ(a, QStringLiteral("/a/x.db"));
    EXPECT_EQ(b, QStringLiteral("/b/x.db"));
    EXPECT_NE(a, b);
    // Both have the same short name, which is why the short name cannot be the identity.
    EXPECT_EQ(ExtractDataSourceName(QStringLiteral("Database=/a/x.db")),
              ExtractDataSourceName(QStringLiteral("Database=/b/x.db")));
    EXPECT_EQ(KxConnectionIdentity(QStringLiteral("Driver=SQLite3;Database=/a/./sub/../x.db")), a);
    EXPECT_EQ(KxConnectionIdentity(QStringLiteral("Driver=X;DBQ=C:/data/orders.mdb")),
              QStringLiteral("C:/data/orders.mdb"));

    EXPECT_EQ(KxConnectionIdentity(
                  QStringLiteral("Driver={PostgreSQL ANSI};Server=db1;Port=5432;Database=sales")),
              QStringLiteral("db1:5432/sales"));
    EXPECT_NE(KxConnectionIdentity(QStringLiteral("Server=db1;Port=5432;Database=sales")),
              KxConnectionIdentity(QStringLiteral("Server=db2;Port=5432;Database=sales")));
    EXPECT_NE(KxConnectionIdentity(QStringLiteral("Server=db1;Port=5432;Database=sales")),
              KxConnectionIdentity(QStringLiteral("Server=db1;Port=5433;Database=sales")));
    EXPECT_EQ(KxConnectionIdentity(QStringLiteral("Server=db1;Database=sales")),
              QStringLiteral("db1/sales"));

    // A data source name stands for its configuration and stays as it is written.
    EXPECT_EQ(KxConnectionIdentity(QStringLiteral("DSN=Sales;Database=/a/x.db")),
              QStringLiteral("Sales"));
    EXPECT_EQ(KxConnectionIdentity(QStringLiteral("FILEDSN=/etc/x.dsn")),
              QStringLiteral("/etc/x.dsn"));
    EXPECT_EQ(KxConnectionIdentity(QStringLiteral("Driver=SQLite3")), QString());
}

TEST(ConnectionStringTest, DataSourceNameComesBackOutOfAListItem) {
    EXPECT_EQ(KxDataSourceNameOfItem(QStringLiteral("System DSN: \"Sales\" [SQL Server]")),
              QStringLiteral("Sales"));
    EXPECT_EQ(KxDataSourceNameOfItem(QStringLiteral("User DSN: \"My Data\" [SQLite3]")),
              QStringLiteral("My Data"));
    EXPECT_EQ(KxDataSourceNameOfItem(QStringLiteral("User DSN:\t\"Stock\"\r\n")),
              QStringLiteral("Stock"));
    EXPECT_EQ(KxDataSourceNameOfItem(QStringLiteral("Stock")), QStringLiteral("Stock"));
}

} // namespace
