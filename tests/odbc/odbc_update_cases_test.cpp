#include "dbcore/blob_format.h"
#include "dbcore/sql_property.h"
#include "odbc/odbc_recordset.h"
#include "support/connected_driver_test.h"

#include <QtEndian>
#include <gtest/gtest.h>

namespace {

using namespace kx;

// Edge cases of writing rows back through the recordset: what reaches the database, exactly,
// and what the recordset shows afterwards.
class OdbcUpdateCasesTest : public test::ConnectedDriverTest {
protected:
    void SetUp() override {
        ConnectedDriverTest::SetUp();
        if (IsSkipped())
            return;
        Exec(Server() ? "CREATE TABLE kx_c (id INTEGER PRIMARY KEY, name VARCHAR(40) NOT NULL, "
                        "memo TEXT, bin BYTEA, big BIGINT, day DATE, stamp TIMESTAMP, opt INTEGER)"
                      : "CREATE TABLE kx_c (id INTEGER PRIMARY KEY, name VARCHAR(40) NOT NULL, "
                        "memo TEXT, bin BLOB, big BIGINT, day DATE, stamp TIMESTAMP, opt INTEGER)");
        Exec("INSERT INTO kx_c (id, name, memo, big, opt) VALUES (1, 'eins', 'erste', 1, 11)");
        Exec("INSERT INTO kx_c (id, name, memo, big, opt) VALUES (2, 'zwei', NULL, 2, 22)");
        Exec("INSERT INTO kx_c (id, name, memo, big, opt) VALUES (3, 'drei', 'dritte', 3, 33)");
        Exec("INSERT INTO kx_c (id, name, memo, big, opt) VALUES (4, 'vier', 'vierte', 4, 44)");
        // Every UPDATE that reaches a row of kx_c counts here.
        Exec("CREATE TABLE kx_calls (n INTEGER)");
        Exec("INSERT INTO kx_calls VALUES (0)");
        if (Server()) {
            Exec("CREATE FUNCTION kx_count_update() RETURNS trigger AS "
                 "'BEGIN UPDATE kx_calls SET n = n + 1; RETURN NEW; END' LANGUAGE plpgsql");
            Exec("CREATE TRIGGER kx_c_updated AFTER UPDATE ON kx_c FOR EACH ROW "
                 "EXECUTE FUNCTION kx_count_update()");
        } else {
            Exec("CREATE TRIGGER kx_c_updated AFTER UPDATE ON kx_c "
                 "BEGIN UPDATE kx_calls SET n = n + 1; END");
        }
        recordset.SetName(QStringLiteral("Recordset1"));
        recordset.SetODBCConnection(&connection);
        recordset.SetBlobCompressionType(ctNone);
    }

    void Exec(const char* sql) { connection.ExecuteDirect(QString::fromUtf8(sql)); }
    void Open() {
        recordset.SetActive(false);
        recordset.SQL().SetAsString(QStringLiteral(
            "SELECT id, name, memo, bin, big, day, stamp, opt FROM kx_c ORDER BY id"));
        recordset.SetActive(true);
        ASSERT_TRUE(recordset.IsUpdatable());
    }
    TKxOdbcField& Field(const char* name) {
        TKxOdbcField* field = recordset.FieldByName(QString::fromLatin1(name));
        EXPECT_NE(field, nullptr) << name;
        return *field;
    }
    KxVariant Value(const char* name) { return Field(name).GetValue(); }
    void Apply() { ASSERT_TRUE(recordset.ExecuteOperation(roApplyChanges, nullptr)); }
    void MoveToId(std::int64_t id) {
        recordset.MoveToFirst();
        while (recordset.LastFetchSucceeded() && Value("id").ToInt64() != id && !recordset.IsEOF())
            recordset.MoveToNext();
        ASSERT_TRUE(recordset.LastFetchSucceeded() && Value("id").ToInt64() == id)
            << "no row " << id;
    }

    // The first value of a query, read by a recordset of its own (Null when no row).
    KxVariant Scalar(const QString& sql) {
        TKxOdbcRecordset check;
        check.SetODBCConnection(&connection);
        check.SetCursorType(ctUnidirectional);
        check.SetUpdateStrategy(usReadOnly);
        check.SQL().SetAsString(sql);
        check.SetActive(true);
        if (!check.LastFetchSucceeded())
            return KxVariant::Null();
        return check.Fields().front()->GetValue();
    }
    std::int64_t Number(const QString& sql) { return Scalar(sql).ToInt64(); }
    std::int64_t UpdateCalls() { return Number(QStringLiteral("SELECT n FROM kx_calls")); }
    // The bytes the database holds in a binary column, independent of how the recordset
    // reads them: as hexadecimal text (a computed text far longer than its declared size).
    QByteArray StoredBytes(const char* column, int id) {
        const QString hex =
            Server() ? QStringLiteral("encode(%1, 'hex')") : QStringLiteral("lower(hex(%1))");
        const KxVariant text = Scalar(QStringLiteral("SELECT %1 FROM kx_c WHERE id = %2")
                                          .arg(hex.arg(QString::fromLatin1(column)))
                                          .arg(id));
        return QByteArray::fromHex(text.ToString().toLatin1());
    }
    std::int64_t StoredLength(const char* column, int id) {
        return Number(QStringLiteral("SELECT %1(%2) FROM kx_c WHERE id = %3")
                          .arg(Server() ? QStringLiteral("octet_length") : QStringLiteral("length"),
                               QString::fromLatin1(column))
                          .arg(id));
    }
    // The ids of the rows the recordset shows, walking it from the first to the last.
    // (IsEOF is true on the last row already.)
    std::vector<std::int64_t> VisibleIds() {
        std::vector<std::int64_t> ids;
        recordset.MoveToFirst();
        while (recordset.LastFetchSucceeded()) {
            ids.push_back(Value("id").ToInt64());
            const std::int64_t position = recordset.Position();
            if (recordset.IsEOF())
                break;
            recordset.MoveToNext();
            if (recordset.Position() == position)
                break;
        }
        return ids;
    }
    std::vector<std::int64_t> StoredIds() {
        std::vector<std::int64_t> ids;
        TKxOdbcRecordset check;
        check.SetODBCConnection(&connection);
        check.SetCursorType(ctUnidirectional);
        check.SetUpdateStrategy(usReadOnly);
        check.SQL().SetAsString(QStringLiteral("SELECT id FROM kx_c ORDER BY id"));
        check.SetActive(true);
        while (check.LastFetchSucceeded()) {
            ids.push_back(check.Fields().front()->GetValue().ToInt64());
            check.MoveToNext();
        }
        return ids;
    }

    TKxOdbcRecordset recordset;
};

// Lines that differ from each other, with CR LF, umlauts, Cyrillic and CJK: a piece cut,
// repeated or re-encoded anywhere shows.
QString LongMemo(int minimumChars) {
    QString text;
    for (int line = 0; text.size() < minimumChars; ++line)
        text += QStringLiteral("Zeile %1: Grüße, Привет, 你好 — Ende\r\n").arg(line);
    return text;
}

QByteArray Picture(int size) {
    QByteArray bytes(size, '\0');
    // Runs compress, the varying part keeps it from compressing to nothing.
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i / 64) % 7 == 0 ? (i * 31) % 251 : (i / 512) % 5);
    return bytes;
}

TEST_P(OdbcUpdateCasesTest, AnEditWithoutChangesSendsNothing) {
    Open();
    recordset.SetPosition(2);
    ASSERT_TRUE(recordset.ExecuteOperation(roEdit, nullptr));
    EXPECT_EQ(recordset.GetRecordsetState(), rsEdit);
    Apply();
    EXPECT_EQ(recordset.GetRecordsetState(), rsBrowse);
    EXPECT_EQ(UpdateCalls(), 0) << "no UPDATE reached the table";
    // A real change is sent, and the trigger sees it.
    recordset.SetPosition(1);
    ASSERT_TRUE(recordset.ExecuteOperation(roEdit, nullptr));
    Field("opt").SetValue(KxVariant(12));
    Apply();
    EXPECT_EQ(UpdateCalls(), 1) << "the trigger counts positioned updates";
    EXPECT_EQ(Number(QStringLiteral("SELECT opt FROM kx_c WHERE id = 1")), 12);
    // And editing again without a change after that still sends nothing.
    ASSERT_TRUE(recordset.ExecuteOperation(roEdit, nullptr));
    Apply();
    EXPECT_EQ(UpdateCalls(), 1);
}

TEST_P(OdbcUpdateCasesTest, ALongMemoIsStoredExactly) {
    Open();
    recordset.SetPosition(3);
    const QString memo = LongMemo(3 * 1024 * 1024);
    Field("memo").SetValue(KxVariant(memo));
    Apply();
    EXPECT_EQ(Number(QStringLiteral("SELECT length(memo) FROM kx_c WHERE id = 3")), memo.size());
    if (!Server()) {
        EXPECT_EQ(Scalar(QStringLiteral("SELECT typeof(memo) FROM kx_c WHERE id = 3")).ToString(),
                  QStringLiteral("text"));
    }
    EXPECT_EQ(Scalar(QStringLiteral("SELECT memo FROM kx_c WHERE id = 3")).ToString(), memo);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT name FROM kx_c WHERE id = 3")).ToString(),
              QStringLiteral("drei"));
    // The recordset shows what was stored, also after reading the row again.
    EXPECT_EQ(Value("memo").ToString(), memo);
    recordset.MoveToFirst();
    recordset.SetPosition(3);
    EXPECT_EQ(Value("id").ToInt64(), 3);
    EXPECT_EQ(Value("memo").ToString(), memo);
}

TEST_P(OdbcUpdateCasesTest, ACompressedBinaryValueIsStoredAsHeaderAndZlibBody) {
    recordset.SetBlobCompressionType(ctFastest);
    Open();
    recordset.SetPosition(2);
    const QByteArray picture = Picture(200 * 1024);
    Field("bin").SetValue(KxVariant(picture));
    Apply();

    const QByteArray stored = StoredBytes("bin", 2);
    ASSERT_GT(stored.size(), static_cast<qsizetype>(kxCompressedBlobHeaderSize));
    const TKxCompressedBlobHeader header = KxCompressedBlobHeader();
    EXPECT_EQ(stored.left(kxCompressedBlobHeaderSize),
              QByteArray(reinterpret_cast<const char*>(header.data()), header.size()));
    EXPECT_LT(stored.size(), picture.size() / 4) << "the body is compressed";
    // The body is a zlib stream of the original bytes (qUncompress wants the length first).
    QByteArray body(4, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(picture.size()), body.data());
    body += stored.mid(kxCompressedBlobHeaderSize);
    EXPECT_EQ(qUncompress(body), picture);

    EXPECT_EQ(StoredLength("bin", 2), stored.size());
    EXPECT_EQ(Field("bin").CurrentBuffer().StoredSize(), stored.size())
        << "the field knows the size the value takes in the database";
    EXPECT_EQ(Value("bin").ToBytes(), picture);
    // Read again from the database: unpacked to the same bytes, the same stored size.
    recordset.MoveToFirst();
    recordset.SetPosition(2);
    ASSERT_EQ(Value("id").ToInt64(), 2);
    EXPECT_EQ(Value("bin").ToBytes(), picture);
    EXPECT_EQ(Field("bin").CurrentBuffer().StoredSize(), stored.size());
}

TEST_P(OdbcUpdateCasesTest, WithoutCompressionABinaryValueIsStoredAsItIs) {
    Open();
    recordset.SetPosition(2);
    const QByteArray picture = Picture(70 * 1024);
    Field("bin").SetValue(KxVariant(picture));
    Apply();
    EXPECT_EQ(StoredBytes("bin", 2).size(), picture.size());
    EXPECT_EQ(StoredBytes("bin", 2), picture);
    EXPECT_EQ(StoredLength("bin", 2), picture.size());
    EXPECT_EQ(Field("bin").CurrentBuffer().StoredSize(), picture.size());
    recordset.MoveToFirst();
    recordset.SetPosition(2);
    EXPECT_EQ(Value("bin").ToBytes(), picture);
}

TEST_P(OdbcUpdateCasesTest, AComputedTextLongerThanItsDeclaredSizeReadsWhole) {
    // What the checks of this suite rely on: the long hexadecimal texts they read back.
    const QString tail = QStringLiteral("xy").repeated(10000);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT name || %1 FROM kx_c WHERE id = 1")
                         .arg(Server() ? QStringLiteral("repeat('xy', 10000)")
                                       : QStringLiteral("replace(hex(zeroblob(10000)), '00', "
                                                        "'xy')")))
                  .ToString(),
              QStringLiteral("eins") + tail);
}

TEST_P(OdbcUpdateCasesTest, EveryKindOfValueIsStoredExactly) {
    Open();
    recordset.SetPosition(1);
    const QString name = QStringLiteral("Привет 世界 ÄÖÜ");
    Field("opt").SetValue(KxVariant::Null());
    Field("memo").SetValue(KxVariant(QString()));
    Field("big").SetValue(KxVariant(std::int64_t{5000000000}));
    Field("name").SetValue(KxVariant(name));
    const QDateTime stamp(QDate(2024, 2, 29), QTime(13, 14, 15, 678));
    Field("day").SetValue(KxVariant::FromDateTime(KxToDateTime(QDateTime(QDate(2024, 2, 29), {}))));
    Field("stamp").SetValue(KxVariant::FromDateTime(KxToDateTime(stamp)));
    Apply();

    EXPECT_EQ(Number(QStringLiteral("SELECT count(*) FROM kx_c WHERE id = 1 AND opt IS NULL")), 1);
    EXPECT_EQ(Number(QStringLiteral(
                  "SELECT count(*) FROM kx_c WHERE id = 1 AND memo IS NOT NULL AND memo = ''")),
              1)
        << "an empty text stays empty, not NULL";
    EXPECT_EQ(Number(QStringLiteral("SELECT count(*) FROM kx_c WHERE id = 1 AND big = 5000000000")),
              1);
    EXPECT_EQ(Number(QStringLiteral("SELECT big FROM kx_c WHERE id = 1")), 5000000000);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT name FROM kx_c WHERE id = 1")).ToString(), name);
    EXPECT_EQ(Number(QStringLiteral("SELECT length(name) FROM kx_c WHERE id = 1")), name.size());
    if (Server()) {
        EXPECT_EQ(Number(QStringLiteral("SELECT count(*) FROM kx_c WHERE id = 1 AND "
                                        "day = DATE '2024-02-29' AND "
                                        "stamp = TIMESTAMP '2024-02-29 13:14:15.678'")),
                  1);
    } else {
        EXPECT_EQ(Scalar(QStringLiteral("SELECT date(day) FROM kx_c WHERE id = 1")).ToString(),
                  QStringLiteral("2024-02-29"));
        EXPECT_EQ(Scalar(QStringLiteral(
                             "SELECT strftime('%Y-%m-%d %H:%M:%f', stamp) FROM kx_c WHERE id = 1"))
                      .ToString(),
                  QStringLiteral("2024-02-29 13:14:15.678"));
    }
    // The other rows are untouched.
    EXPECT_EQ(Number(QStringLiteral("SELECT count(*) FROM kx_c WHERE opt IS NULL")), 1);
    EXPECT_EQ(Number(QStringLiteral("SELECT sum(big) FROM kx_c WHERE id > 1")), 9);

    // A recordset of its own reads the same values.
    TKxOdbcRecordset check;
    check.SetODBCConnection(&connection);
    check.SetUpdateStrategy(usReadOnly);
    check.SQL().SetAsString(
        QStringLiteral("SELECT name, memo, big, day, stamp, opt FROM kx_c WHERE id = 1"));
    check.SetActive(true);
    ASSERT_TRUE(check.LastFetchSucceeded());
    const auto value = [&check](const char* column) {
        return check.FieldByName(QString::fromLatin1(column))->GetValue();
    };
    EXPECT_EQ(value("name").ToString(), name);
    EXPECT_FALSE(value("memo").IsNull());
    EXPECT_EQ(value("memo").ToString(), QString());
    EXPECT_EQ(value("big").ToInt64(), 5000000000);
    EXPECT_EQ(KxFromDateTime(value("day").ToDouble()).date(), QDate(2024, 2, 29));
    EXPECT_EQ(KxFromDateTime(value("stamp").ToDouble()), stamp);
    EXPECT_TRUE(value("opt").IsNull());
}

TEST_P(OdbcUpdateCasesTest, EditingAnotherColumnKeepsTimestampsToTheMillisecond) {
    Exec("UPDATE kx_c SET day = '2024-02-29', stamp = '2024-02-29 13:14:15.678' WHERE id = 2");
    const QString stored =
        QStringLiteral("SELECT %1 FROM kx_c WHERE id = 2")
            .arg(Server() ? QStringLiteral("CAST(stamp AS TEXT)") : QStringLiteral("'' || stamp"));
    ASSERT_EQ(Scalar(stored).ToString(), QStringLiteral("2024-02-29 13:14:15.678"));
    Open();
    recordset.SetPosition(2);
    Field("opt").SetValue(KxVariant(23));
    Apply();
    EXPECT_EQ(Number(QStringLiteral("SELECT opt FROM kx_c WHERE id = 2")), 23);
    // (SQLite3's driver writes every column back, the timestamp among them.)
    EXPECT_EQ(Scalar(stored).ToString(), QStringLiteral("2024-02-29 13:14:15.678"));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT %1 FROM kx_c WHERE id = 2")
                         .arg(Server() ? QStringLiteral("CAST(day AS TEXT)")
                                       : QStringLiteral("'' || day")))
                  .ToString(),
              QStringLiteral("2024-02-29"));
}

TEST_P(OdbcUpdateCasesTest, AFailedApplyKeepsTypedLongValuesAndTheRetryStoresThem) {
    Open();
    recordset.SetPosition(3);
    const QString memo = LongMemo(6 * 1024);
    const QByteArray picture = Picture(5000);
    Field("memo").SetValue(KxVariant(memo));
    Field("bin").SetValue(KxVariant(picture));
    Field("name").SetValue(KxVariant::Null());
    EXPECT_THROW(recordset.ExecuteOperation(roApplyChanges, nullptr), EKxException) << "NOT NULL";
    EXPECT_EQ(recordset.GetRecordsetState(), rsEdit);
    EXPECT_EQ(Value("memo").ToString(), memo);
    EXPECT_EQ(Value("bin").ToBytes(), picture);
    EXPECT_TRUE(Value("name").IsNull());
    EXPECT_EQ(Scalar(QStringLiteral("SELECT memo FROM kx_c WHERE id = 3")).ToString(),
              QStringLiteral("dritte"))
        << "nothing was stored";
    EXPECT_EQ(UpdateCalls(), 0);

    Field("name").SetValue(KxVariant(QStringLiteral("DREI")));
    Apply();
    EXPECT_EQ(recordset.GetRecordsetState(), rsBrowse);
    EXPECT_EQ(Scalar(QStringLiteral("SELECT name FROM kx_c WHERE id = 3")).ToString(),
              QStringLiteral("DREI"));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT memo FROM kx_c WHERE id = 3")).ToString(), memo);
    EXPECT_EQ(StoredBytes("bin", 3), picture);
    EXPECT_EQ(Number(QStringLiteral("SELECT big FROM kx_c WHERE id = 3")), 3);
    EXPECT_EQ(UpdateCalls(), 1) << "one UPDATE, not a half-applied one before it";
}

TEST_P(OdbcUpdateCasesTest, AnInsertedRowIsShownAndCounted) {
    Open();
    ASSERT_EQ(recordset.RecordCount(), 4);
    ASSERT_TRUE(recordset.ExecuteOperation(roInsert, nullptr));
    Field("id").SetValue(KxVariant(9));
    Field("name").SetValue(KxVariant(QStringLiteral("neun")));
    Field("big").SetValue(KxVariant(std::int64_t{-9000000000}));
    Apply();
    EXPECT_EQ(recordset.GetRecordsetState(), rsBrowse);
    EXPECT_EQ(recordset.RecordCount(), 5);
    EXPECT_EQ(recordset.Position(), 5) << "the new row, the last by id";
    EXPECT_EQ(Value("id").ToInt64(), 9);
    EXPECT_EQ(Value("name").ToString(), QStringLiteral("neun"));
    EXPECT_EQ(Value("big").ToInt64(), -9000000000);
    EXPECT_TRUE(Value("memo").IsNull());
    EXPECT_TRUE(Value("opt").IsNull());
    EXPECT_EQ(VisibleIds(), (std::vector<std::int64_t>{1, 2, 3, 4, 9}));
    // The new row is the one edited next, not its neighbour.
    recordset.MoveToLast();
    Field("opt").SetValue(KxVariant(99));
    Apply();
    EXPECT_EQ(Number(QStringLiteral("SELECT opt FROM kx_c WHERE id = 9")), 99);
    EXPECT_EQ(Number(QStringLiteral("SELECT count(*) FROM kx_c WHERE opt = 99")), 1);
}

TEST_P(OdbcUpdateCasesTest, AnUnknownCountStaysUnknownAfterInsertAndDelete) {
    recordset.SetRecordCountStrategies(0);
    Open();
    ASSERT_EQ(recordset.RecordCount(), -1);
    ASSERT_TRUE(recordset.ExecuteOperation(roInsert, nullptr));
    Field("id").SetValue(KxVariant(9));
    Field("name").SetValue(KxVariant(QStringLiteral("neun")));
    Apply();
    EXPECT_EQ(recordset.RecordCount(), -1) << "not 0 + 1";
    EXPECT_EQ(StoredIds(), (std::vector<std::int64_t>{1, 2, 3, 4, 9}));
    // Without a count a delete is refused (it needs a known, non-empty result), and a
    // refused delete deletes nothing.
    recordset.SetActive(false);
    recordset.SetActive(true);
    ASSERT_TRUE(recordset.LastFetchSucceeded());
    EXPECT_FALSE(recordset.ExecuteOperation(roDelete, nullptr));
    EXPECT_EQ(recordset.RecordCount(), -1);
    EXPECT_EQ(StoredIds(), (std::vector<std::int64_t>{1, 2, 3, 4, 9}));
    // With a strategy the count is known and maintained: the delete takes it down by one.
    recordset.SetRecordCountStrategies(csUseSelectCountStatement);
    EXPECT_EQ(recordset.RecordCount(), 5);
    ASSERT_EQ(Value("id").ToInt64(), 1);
    ASSERT_TRUE(recordset.ExecuteOperation(roDelete, nullptr));
    EXPECT_EQ(recordset.RecordCount(), 4);
    EXPECT_EQ(StoredIds(), (std::vector<std::int64_t>{2, 3, 4, 9}));
    EXPECT_EQ(Value("id").ToInt64(), 2) << "the deleted row is not shown";
}

TEST_P(OdbcUpdateCasesTest, AfterAnInsertWithAnUnknownCountTheNewRowIsShown) {
    recordset.SetRecordCountStrategies(0);
    Open();
    ASSERT_TRUE(recordset.ExecuteOperation(roInsert, nullptr));
    Field("id").SetValue(KxVariant(9));
    Field("name").SetValue(KxVariant(QStringLiteral("neun")));
    Apply();
    EXPECT_TRUE(recordset.LastFetchSucceeded());
    EXPECT_EQ(Value("id").ToInt64(), 9);
    EXPECT_GE(recordset.Position(), 1);
}

TEST_P(OdbcUpdateCasesTest, ACountNotAskedForYetIsRightAfterInsertAndDelete) {
    Open(); // the default strategies, but nobody asked for the count
    ASSERT_TRUE(recordset.ExecuteOperation(roInsert, nullptr));
    Field("id").SetValue(KxVariant(9));
    Field("name").SetValue(KxVariant(QStringLiteral("neun")));
    Apply();
    recordset.SetPosition(2);
    ASSERT_TRUE(recordset.ExecuteOperation(roDelete, nullptr));
    EXPECT_EQ(recordset.RecordCount(), 4);
    EXPECT_EQ(VisibleIds(), (std::vector<std::int64_t>{1, 3, 4, 9}));
}

TEST_P(OdbcUpdateCasesTest, ADeletedRowIsNeverShownAgain) {
    Open();
    // The middle, the first, the last, and the only row left.
    const struct {
        std::int64_t id;
        std::vector<std::int64_t> left;
    } steps[] = {{3, {1, 2, 4}}, {1, {2, 4}}, {4, {2}}, {2, {}}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.id);
        MoveToId(step.id);
        const std::int64_t position = recordset.Position();
        ASSERT_TRUE(recordset.ExecuteOperation(roDelete, nullptr));
        EXPECT_EQ(StoredIds(), step.left);
        const int count = static_cast<int>(step.left.size());
        EXPECT_EQ(recordset.RecordCount(), count);
        if (count > 0) {
            EXPECT_EQ(recordset.Position(), std::min<std::int64_t>(position, count));
            ASSERT_TRUE(recordset.LastFetchSucceeded());
            EXPECT_NE(Value("id").ToInt64(), step.id);
            // The row shown now is the one an edit reaches.
            const std::int64_t shown = Value("id").ToInt64();
            Field("opt").SetValue(KxVariant(static_cast<int>(100 + shown)));
            Apply();
            EXPECT_EQ(Number(QStringLiteral("SELECT opt FROM kx_c WHERE id = %1").arg(shown)),
                      100 + shown);
        } else {
            EXPECT_TRUE(recordset.IsEOF());
            EXPECT_FALSE(recordset.LastFetchSucceeded());
        }
        EXPECT_EQ(VisibleIds(), step.left);
        EXPECT_EQ(recordset.RecordCount(), count);
    }
    EXPECT_EQ(UpdateCalls(), 3);
}

// Another connection deletes rows 2 and 3 while the recordset shows them.
void DeleteBehindTheRecordsetsBack(TKxOdbcEnvironment& environment, const QString& connectString) {
    TKxOdbcConnection other;
    other.SetName(QStringLiteral("Connection2"));
    other.SetODBCEnvironment(&environment);
    other.SetConnectionString(connectString);
    other.ExecuteDirect(QStringLiteral("DELETE FROM kx_c WHERE id IN (2, 3)"));
}

TEST_P(OdbcUpdateCasesTest, EditingARowAnotherConnectionDeletedRaises) {
    Open();
    recordset.SetPosition(2);
    ASSERT_EQ(Value("id").ToInt64(), 2);
    DeleteBehindTheRecordsetsBack(environment, connectString);
    Field("name").SetValue(KxVariant(QStringLiteral("gelöscht")));
    EXPECT_THROW(recordset.ExecuteOperation(roApplyChanges, nullptr), EKxException)
        << "an update that reached no row is no success";
    EXPECT_EQ(recordset.GetRecordsetState(), rsEdit) << "the typed value is kept";
    EXPECT_EQ(Value("name").ToString(), QStringLiteral("gelöscht"));
    EXPECT_EQ(Number(QStringLiteral("SELECT count(*) FROM kx_c")), 2);
    EXPECT_EQ(UpdateCalls(), 0);
}

TEST_P(OdbcUpdateCasesTest, DeletingARowAnotherConnectionDeletedRaises) {
    Open();
    recordset.SetPosition(3);
    ASSERT_EQ(Value("id").ToInt64(), 3);
    DeleteBehindTheRecordsetsBack(environment, connectString);
    EXPECT_THROW(recordset.ExecuteOperation(roDelete, nullptr), EKxException)
        << "a delete that reached no row is no success";
    EXPECT_EQ(recordset.RecordCount(), 4) << "the count is left as it was";
    EXPECT_EQ(StoredIds(), (std::vector<std::int64_t>{1, 4}));
}

KX_INSTANTIATE_DRIVER_TESTS(OdbcUpdateCasesTest);

} // namespace
