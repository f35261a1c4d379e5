#include "dbcore/sql_property.h"
#include "odbc/odbc_recordset.h"
#include "support/connected_driver_test.h"

#include <gtest/gtest.h>

namespace {

using namespace kx;

class OdbcRecordsetTest : public test::ConnectedDriverTest {
protected:
    void SetUp() override {
        ConnectedDriverTest::SetUp();
        if (IsSkipped())
            return;
        recordset.SetName(QStringLiteral("Recordset1"));
        recordset.SetODBCConnection(&connection);
    }

    void Open(const QString& sql) {
        recordset.SQL().SetAsString(sql);
        recordset.SetActive(true);
    }

    QString Text(const char* field) {
        return recordset.FieldByName(QString::fromLatin1(field))->GetDisplayText();
    }

    TKxOdbcRecordset recordset;
};

TEST_P(OdbcRecordsetTest, ScrollsThroughRowsAndReadsEveryKind) {
    connection.ExecuteDirect(QStringLiteral(
        "CREATE TABLE kx_rows (id BIGINT, name VARCHAR(3), note TEXT, pi DOUBLE PRECISION)"));
    connection.ExecuteDirect(QStringLiteral(
        "INSERT INTO kx_rows VALUES (5000000000, 'abc', 'first', 3.141592653589793)"));
    connection.ExecuteDirect(QStringLiteral("INSERT INTO kx_rows VALUES (2, NULL, NULL, NULL)"));
    Open(QStringLiteral("SELECT id, name, note, pi FROM kx_rows ORDER BY id DESC"));
    ASSERT_EQ(recordset.Fields().size(), 4u);
    EXPECT_EQ(recordset.Position(), 1);
    EXPECT_EQ(recordset.RecordCount(), 2);
    EXPECT_EQ(recordset.FieldValue(KxVariant(QStringLiteral("ID"))).ToInt64(), 5000000000LL);
    EXPECT_EQ(Text("name"), QStringLiteral("abc"));
    EXPECT_EQ(Text("note"), QStringLiteral("first"));
    // SQLite3's driver hands doubles over as 15-digit texts; PostgreSQL's keeps all digits.
    if (Server()) {
        EXPECT_EQ(recordset.FieldValue(KxVariant(QStringLiteral("pi"))).ToDouble(),
                  3.141592653589793);
    }
    recordset.MoveToNext();
    EXPECT_EQ(recordset.Position(), 2);
    EXPECT_TRUE(recordset.IsEOF());
    EXPECT_EQ(Text("id"), QStringLiteral("2"));
    EXPECT_TRUE(recordset.FieldValue(KxVariant(QStringLiteral("note"))).IsNull());
    EXPECT_TRUE(recordset.FieldValue(KxVariant(QStringLiteral("name"))).IsNull());
    recordset.MoveToFirst();
    EXPECT_EQ(Text("note"), QStringLiteral("first"));
    recordset.SetPosition(2);
    EXPECT_EQ(Text("id"), QStringLiteral("2"));
}

KX_INSTANTIATE_DRIVER_TESTS(OdbcRecordsetTest);

} // namespace
