#include "dbcore/blob_format.h"
#include "dbcore/sql_property.h"
#include "foundation/date_time.h"
#include "foundation/streams.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_recordset.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

using namespace kx;

// Every column of the demo database read through the recordset on SQLite3, checked against
// what the sqlite3 shell reads from the same file.
class OdbcDemoDatabaseTest : public testing::Test {
protected:
    void SetUp() override {
        database = QDir(dir.path()).filePath(QStringLiteral("demo.db"));
        QProcess build;
        build.start(QStringLiteral("bash"),
                    {QStringLiteral(KX_EXAMPLES_DIR "/build-demo-db.sh"), database});
        ASSERT_TRUE(build.waitForFinished(60000));
        ASSERT_EQ(build.exitCode(), 0) << build.readAllStandardError().toStdString();
        connection.SetODBCEnvironment(&environment);
        connection.SetConnectionString(QStringLiteral("Driver=SQLite3;Database=") + database);
        recordset.SetName(QStringLiteral("RSSqlStatement"));
        recordset.SetODBCConnection(&connection);
    }

    // The rows of `sql` as the shell prints them: one list of column texts per row.
    std::vector<QStringList> Shell(const QString& sql) {
        QProcess shell;
        shell.start(QStringLiteral("sqlite3"),
                    {QStringLiteral("-batch"), QStringLiteral("-separator"), QStringLiteral("\x1f"),
                     QStringLiteral("-newline"), QStringLiteral("\x1e"), database, sql});
        EXPECT_TRUE(shell.waitForFinished(60000));
        std::vector<QStringList> rows;
        const QString out = QString::fromUtf8(shell.readAllStandardOutput());
        for (const QString& row : out.split(QChar(0x1e), Qt::SkipEmptyParts))
            rows.push_back(row.split(QChar(0x1f)));
        return rows;
    }

    // Reads every row of `sql`, each field's value and display text, and answers the values.
    std::vector<std::vector<KxVariant>> Read(const QString& sql) {
        recordset.SetActive(false);
        recordset.SQL().SetAsString(sql);
        recordset.SetActive(true);
        std::vector<std::vector<KxVariant>> rows;
        std::int64_t last = 0;
        while (recordset.Position() != last && recordset.LastFetchSucceeded()) {
            last = recordset.Position();
            std::vector<KxVariant> row;
            for (TKxOdbcField* field : recordset.Fields()) {
                (void)field->GetDisplayText();
                row.push_back(field->GetValue());
            }
            rows.push_back(std::move(row));
            recordset.MoveToNext();
        }
        return rows;
    }

    QTemporaryDir dir;
    QString database;
    TKxOdbcEnvironment environment;
    TKxOdbcConnection connection;
    TKxOdbcRecordset recordset;
};

TEST_F(OdbcDemoDatabaseTest, EveryTableReadsAsTheShellReadsIt) {
    for (const char* table :
         {"regions", "customers", "products", "orders", "order_items", "order_totals"}) {
        const QString name = QString::fromLatin1(table);
        const auto ours = Read(QStringLiteral("SELECT * FROM %1").arg(name));
        const auto theirs = Shell(QStringLiteral("SELECT count(*) FROM %1").arg(name));
        ASSERT_EQ(theirs.size(), 1u);
        EXPECT_EQ(static_cast<qsizetype>(ours.size()), theirs[0][0].toLongLong()) << table;
    }
    // Text of every script, NULLs and numbers, in the order the shell gives them.
    const QString customers =
        QStringLiteral("SELECT name, city, email, region_id FROM customers ORDER BY customer_id");
    const auto ours = Read(customers);
    const auto theirs = Shell(QStringLiteral("SELECT name, ifnull(city, '<null>'), "
                                             "ifnull(email, '<null>'), ifnull(region_id, "
                                             "'<null>') FROM customers ORDER BY customer_id"));
    ASSERT_EQ(ours.size(), theirs.size());
    for (std::size_t i = 0; i < ours.size(); ++i) {
        EXPECT_EQ(ours[i][0].ToString(), theirs[i][0]) << i;
        for (int c = 1; c < 4; ++c) {
            const QString expected = theirs[i][c];
            if (expected == QStringLiteral("<null>"))
                EXPECT_TRUE(ours[i][c].IsNull()) << i << " " << c;
            else
                EXPECT_EQ(ours[i][c].ToString(), expected) << i << " " << c;
        }
    }
}

TEST_F(OdbcDemoDatabaseTest, NotesPricesAndTimestampsKeepEveryCharacterAndDigit) {
    const auto ours = Read(QStringLiteral(
        "SELECT notes, price, ordered_at FROM products JOIN orders ON order_id = product_id "
        "ORDER BY product_id"));
    const auto theirs = Shell(QStringLiteral(
        "SELECT ifnull(notes, '<null>'), price, ordered_at FROM products JOIN orders ON "
        "order_id = product_id ORDER BY product_id"));
    ASSERT_EQ(ours.size(), theirs.size());
    for (std::size_t i = 0; i < ours.size(); ++i) {
        if (theirs[i][0] == QStringLiteral("<null>"))
            EXPECT_TRUE(ours[i][0].IsNull());
        else
            EXPECT_EQ(ours[i][0].ToString(), theirs[i][0]) << "CR LF and umlauts stay";
        EXPECT_DOUBLE_EQ(ours[i][1].ToDouble(), theirs[i][1].toDouble());
        const QDateTime expected =
            QDateTime::fromString(theirs[i][2], QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        const KxVariant value = ours[i][2];
        EXPECT_EQ(KxFromDateTime(value.ToDouble()).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                  expected.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    }
}

TEST_F(OdbcDemoDatabaseTest, ThumbnailsReadTheSameStoredPlainOrCompressed) {
    const auto plain = Read(QStringLiteral("SELECT product_id, thumbnail FROM products "
                                           "ORDER BY product_id"));
    const auto hex = Shell(QStringLiteral("SELECT CASE WHEN thumbnail IS NULL THEN '<null>' "
                                          "ELSE hex(thumbnail) END FROM products "
                                          "ORDER BY product_id"));
    ASSERT_EQ(plain.size(), hex.size());
    // Store every thumbnail again in the compressed form the program writes.
    connection.ExecuteDirect(
        QStringLiteral("CREATE TABLE packed (product_id INTEGER, thumbnail BLOB)"));
    for (std::size_t i = 0; i < plain.size(); ++i) {
        if (hex[i][0] == QStringLiteral("<null>")) {
            EXPECT_TRUE(plain[i][1].IsNull()) << i;
            continue;
        }
        const QByteArray bytes = QByteArray::fromHex(hex[i][0].toLatin1());
        EXPECT_EQ(plain[i][1].ToBytes(), bytes) << i;
        TKxMemoryStream source;
        source.WriteBuffer(bytes.constData(), static_cast<std::uint32_t>(bytes.size()));
        source.SetPosition(0);
        TKxMemoryStream packed;
        KxWriteCompressedBlob(source, packed, ctMaximum);
        QByteArray stored(static_cast<qsizetype>(packed.Size()), '\0');
        packed.SetPosition(0);
        packed.ReadBuffer(stored.data(), static_cast<std::uint32_t>(stored.size()));
        connection.ExecuteDirect(QStringLiteral("INSERT INTO packed VALUES (%1, X'%2')")
                                     .arg(plain[i][0].ToInt64())
                                     .arg(QString::fromLatin1(stored.toHex())));
    }
    const auto unpacked =
        Read(QStringLiteral("SELECT product_id, thumbnail FROM packed ORDER BY product_id"));
    std::size_t compared = 0;
    for (const auto& row : unpacked) {
        const auto original = std::find_if(plain.begin(), plain.end(), [&](const auto& p) {
            return p[0].ToInt64() == row[0].ToInt64();
        });
        ASSERT_NE(original, plain.end());
        EXPECT_EQ(row[1].ToBytes(), (*original)[1].ToBytes()) << row[0].ToInt64();
        ++compared;
    }
    EXPECT_GT(compared, 90u);
}

} // namespace

namespace {

using namespace kx;

// Customers and their orders, as people link them: the detail follows the master's moves.
TEST_F(OdbcDemoDatabaseTest, OrdersFollowTheCurrentCustomer) {
    recordset.SQL().SetAsString(
        QStringLiteral("SELECT customer_id, name FROM customers ORDER BY customer_id"));
    recordset.SetActive(true);
    TKxOdbcRecordset orders;
    orders.SetODBCConnection(&connection);
    orders.SetTimedReExecutionDelay(0); // at once, without waiting for the event loop
    orders.SQL().SetAsString(
        QStringLiteral("SELECT order_id, customer_id FROM orders WHERE customer_id = :customer_id "
                       "ORDER BY order_id"));
    orders.SetMaster(static_cast<IKxGetItemByName*>(&recordset));
    orders.SetActive(true);
    const auto ordersOf = [&](int customer) {
        QStringList ids;
        for (const QStringList& row : Shell(QStringLiteral("SELECT order_id FROM orders WHERE "
                                                           "customer_id = %1 ORDER BY order_id")
                                                .arg(customer)))
            ids.append(row.value(0));
        return ids;
    };
    const auto shown = [&] {
        QStringList ids;
        if (orders.RecordCount() <= 0)
            return ids;
        orders.SetPosition(1);
        while (true) {
            EXPECT_EQ(orders.FieldValue(KxVariant(QStringLiteral("customer_id"))).ToInt(),
                      recordset.FieldValue(KxVariant(QStringLiteral("customer_id"))).ToInt());
            ids.append(orders.FieldValue(KxVariant(QStringLiteral("order_id"))).ToString());
            if (orders.IsEOF())
                break;
            orders.MoveToNext();
        }
        return ids;
    };
    EXPECT_EQ(shown(), ordersOf(1));
    recordset.SetPosition(3);
    QCoreApplication::processEvents();
    EXPECT_EQ(shown(), ordersOf(3));
    recordset.MoveToLast();
    QCoreApplication::processEvents();
    const int last = recordset.FieldValue(KxVariant(QStringLiteral("customer_id"))).ToInt();
    EXPECT_EQ(shown(), ordersOf(last));
}

} // namespace
