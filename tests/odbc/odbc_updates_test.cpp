#include "dbcore/blob_format.h"
#include "dbcore/sql_property.h"
#include "odbc/odbc_recordset.h"
#include "support/connected_driver_test.h"

#include <gtest/gtest.h>

namespace {

using namespace kx;

// Editing, inserting and deleting rows in place, written back with positioned updates.
class OdbcUpdatesTest : public test::ConnectedDriverTest {
protected:
    void SetUp() override {
        ConnectedDriverTest::SetUp();
        if (IsSkipped())
            return;
        Exec(Server() ? "CREATE TABLE kx_u (id INTEGER PRIMARY KEY, name VARCHAR(20) NOT NULL, "
                        "note TEXT, packed BYTEA, plain BYTEA, flag INTEGER)"
                      : "CREATE TABLE kx_u (id INTEGER PRIMARY KEY, name VARCHAR(20) NOT NULL, "
                        "note TEXT, packed BLOB, plain BLOB, flag INTEGER)");
        Exec("INSERT INTO kx_u (id, name, note, flag) VALUES (1, 'eins', 'Zeile 1\r\nZeile 2', "
             "NULL)");
        Exec("INSERT INTO kx_u (id, name, note, flag) VALUES (2, 'zwei', NULL, 7)");
        Exec("INSERT INTO kx_u (id, name, note, flag) VALUES (3, 'drei', '', 8)");
        recordset.SetName(QStringLiteral("Recordset1"));
        recordset.SetODBCConnection(&connection);
        recordset.SetBlobCompressionType(ctFastest);
    }

    void Exec(const char* sql) { connection.ExecuteDirect(QString::fromUtf8(sql)); }
    void Open() {
        recordset.SetActive(false);
        recordset.SQL().SetAsString(
            QStringLiteral("SELECT id, name, note, packed, plain, flag FROM kx_u ORDER BY id"));
        recordset.SetActive(true);
    }
    TKxOdbcField& Field(const char* name) {
        return *recordset.FieldByName(QString::fromLatin1(name));
    }
    KxVariant Value(const char* name) { return Field(name).GetValue(); }

    // The row as the database holds it, binary columns as hexadecimal text of their stored
    // bytes, read by a statement of its own.
    QStringList Stored(int id) {
        TKxOdbcRecordset check;
        check.SetODBCConnection(&connection);
        check.SetCursorType(ctUnidirectional);
        check.SetUpdateStrategy(usReadOnly);
        // (SQLite's hex() of NULL is an empty text, not NULL.)
        const char* hex = Server() ? "encode(%1, 'hex')"
                                   : "CASE WHEN %1 IS NULL THEN NULL ELSE lower(hex(%1)) END";
        check.SQL().SetAsString(
            QStringLiteral("SELECT name, note, %1, %2, flag FROM kx_u WHERE id = %3")
                .arg(QString::fromLatin1(hex).arg(QStringLiteral("packed")),
                     QString::fromLatin1(hex).arg(QStringLiteral("plain")))
                .arg(id));
        check.SetActive(true);
        QStringList row;
        if (!check.LastFetchSucceeded())
            return row;
        for (TKxOdbcField* field : check.Fields())
            row.append(field->GetValue().IsNull() ? QStringLiteral("<null>")
                                                  : field->GetValue().ToString());
        return row;
    }

    TKxOdbcRecordset recordset;
};

TEST_P(OdbcUpdatesTest, EditingOneColumnLeavesEveryOtherColumnAsItWas) {
    Open();
    ASSERT_TRUE(recordset.IsUpdatable());
    // First give row 1 a compressed and a plain binary value.
    QByteArray picture(3000, '\0');
    for (int i = 0; i < picture.size(); ++i)
        picture[i] = static_cast<char>((i * 7) % 13);
    Field("packed").SetValue(KxVariant(picture));
    EXPECT_EQ(recordset.GetRecordsetState(), rsEdit) << "writing a field starts editing";
    ASSERT_TRUE(recordset.ExecuteOperation(roApplyChanges, nullptr));
    EXPECT_EQ(recordset.GetRecordsetState(), rsBrowse);
    const QStringList before = Stored(1);
    ASSERT_EQ(before.size(), 5);
    EXPECT_TRUE(before[2].startsWith(QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(KxCompressedBlobHeader().data()), 4).toHex())))
        << "stored with the compressed-value header";
    EXPECT_LT(before[2].size() / 2, picture.size()) << "and compressed";
    EXPECT_EQ(before[3], QStringLiteral("<null>"));

    // Now change only the name: the note (CR LF), the NULLs and the packed bytes stay.
    recordset.MoveToFirst();
    Field("name").SetValue(KxVariant(QStringLiteral("EINS")));
    ASSERT_TRUE(recordset.ExecuteOperation(roApplyChanges, nullptr));
    QStringList after = Stored(1);
    ASSERT_EQ(after.size(), 5);
    EXPECT_EQ(after[0], QStringLiteral("EINS"));
    after[0] = before[0];
    EXPECT_EQ(after, before);
    EXPECT_EQ(Value("packed").ToBytes(), picture) << "read back unpacked";
    EXPECT_EQ(Value("name").ToString(), QStringLiteral("EINS"));
}

TEST_P(OdbcUpdatesTest, InsertingSendsWhatWasTypedAndNullForTheRest) {
    Open();
    const int count = recordset.RecordCount();
    ASSERT_TRUE(recordset.ExecuteOperation(roInsert, nullptr));
    EXPECT_EQ(recordset.GetRecordsetState(), rsInsert);
    EXPECT_THROW(recordset.ExecuteOperation(roApplyChanges, nullptr), EKxException)
        << "No Field Value has been set before inserting a new Record";
    EXPECT_EQ(recordset.GetRecordsetState(), rsInsert);
    Field("id").SetValue(KxVariant(10));
    Field("name").SetValue(KxVariant(QStringLiteral("zehn")));
    Field("note").SetValue(KxVariant(QStringLiteral("Ärger\r\nüber ß")));
    Field("plain").SetValue(KxVariant(QByteArray("\x01\x02\x03", 3)));
    ASSERT_TRUE(recordset.ExecuteOperation(roApplyChanges, nullptr));
    EXPECT_EQ(recordset.GetRecordsetState(), rsBrowse);
    const QStringList stored = Stored(10);
    ASSERT_EQ(stored.size(), 5);
    EXPECT_EQ(stored[0], QStringLiteral("zehn"));
    EXPECT_EQ(stored[1], QStringLiteral("Ärger\r\nüber ß"));
    EXPECT_EQ(stored[2], QStringLiteral("<null>"));
    EXPECT_TRUE(stored[3].startsWith(QStringLiteral("96f881dbc3a3004ebe3a98a594a2b7cc")))
        << "binary values are stored compressed when the recordset asks for it";
    EXPECT_EQ(stored[4], QStringLiteral("<null>"));
    EXPECT_EQ(Value("plain").ToBytes(), QByteArray("\x01\x02\x03", 3));
    EXPECT_EQ(recordset.RecordCount(), count + 1);
    EXPECT_EQ(Value("id").ToInt64(), 10) << "the recordset shows the new row";
}

TEST_P(OdbcUpdatesTest, DeletingMovesToTheRowThatTakesItsPlace) {
    Open();
    recordset.SetPosition(2);
    ASSERT_TRUE(recordset.ExecuteOperation(roDelete, nullptr));
    EXPECT_TRUE(Stored(2).isEmpty());
    EXPECT_EQ(recordset.RecordCount(), 2);
    EXPECT_EQ(recordset.Position(), 2);
    EXPECT_EQ(Value("id").ToInt64(), 3) << "the deleted row is not shown";
    // The last row: the recordset moves to the new last row.
    ASSERT_TRUE(recordset.ExecuteOperation(roDelete, nullptr));
    EXPECT_EQ(recordset.RecordCount(), 1);
    EXPECT_EQ(recordset.Position(), 1);
    EXPECT_EQ(Value("id").ToInt64(), 1);
}

TEST_P(OdbcUpdatesTest, AFailedApplyKeepsTheTypedValuesForAnotherTry) {
    Open();
    recordset.SetPosition(2);
    Field("note").SetValue(KxVariant(QStringLiteral("neue Notiz")));
    Field("name").SetValue(KxVariant::Null());
    // With auto-save, the move applies first; the failure stops the move and keeps the input.
    EXPECT_THROW(recordset.MoveToNext(), EKxException);
    EXPECT_EQ(recordset.GetRecordsetState(), rsEdit);
    EXPECT_EQ(recordset.Position(), 2);
    EXPECT_EQ(Value("note").ToString(), QStringLiteral("neue Notiz"));
    EXPECT_EQ(Stored(2)[0], QStringLiteral("zwei")) << "nothing was stored";
    // Corrected, the same row applies with every typed value.
    Field("name").SetValue(KxVariant(QStringLiteral("ZWEI")));
    ASSERT_TRUE(recordset.ExecuteOperation(roApplyChanges, nullptr));
    const QStringList stored = Stored(2);
    EXPECT_EQ(stored[0], QStringLiteral("ZWEI"));
    EXPECT_EQ(stored[1], QStringLiteral("neue Notiz"));
    EXPECT_EQ(stored[4], QStringLiteral("7"));
}

TEST_P(OdbcUpdatesTest, WithoutAutoSaveAMoveDiscardsTheEdit) {
    recordset.SetAttributes(raAutoEdit);
    Open();
    Field("name").SetValue(KxVariant(QStringLiteral("verworfen")));
    recordset.MoveToNext();
    EXPECT_EQ(recordset.GetRecordsetState(), rsBrowse);
    EXPECT_EQ(Stored(1)[0], QStringLiteral("eins"));
    recordset.MoveToFirst();
    EXPECT_EQ(Value("name").ToString(), QStringLiteral("eins"));
    // Cancelling puts the old value back too.
    Field("flag").SetValue(KxVariant(99));
    ASSERT_TRUE(recordset.ExecuteOperation(roCancelChanges, nullptr));
    EXPECT_TRUE(Value("flag").IsNull());
}

KX_INSTANTIATE_DRIVER_TESTS(OdbcUpdatesTest);

} // namespace
