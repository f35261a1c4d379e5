#include "dbcore/blob_format.h"
#include "dbcore/field_value_text.h"
#include "dbcore/sql_property.h"
#include "foundation/date_time.h"
#include "foundation/streams.h"
#include "odbc/odbc_diagnostics.h"
#include "odbc/odbc_recordset.h"
#include "support/connected_driver_test.h"
#include "support/raised.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QLocale>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>

namespace {

using namespace kx;

constexpr qsizetype kLongValueBytes = 20 * 1024 * 1024;

using test::Raised;

QByteArray Sha1(const void* data, qsizetype size) {
    return QCryptographicHash::hash(QByteArrayView(static_cast<const char*>(data), size),
                                    QCryptographicHash::Sha1);
}

// Bytes that differ at every position of a chunk: a value put together from chunks in the
// wrong order or with a chunk twice does not compare equal.
QByteArray BinaryPattern(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    std::uint32_t state = 0x9E3779B9u;
    for (qsizetype i = 0; i < size; ++i) {
        state = state * 1664525u + 1013904223u;
        bytes[i] = static_cast<char>(state >> 24);
    }
    return bytes;
}

// Numbered lines of mixed scripts, so multi-byte characters straddle the driver's chunks.
QByteArray TextPattern(qsizetype minimumSize) {
    QByteArray text;
    text.reserve(minimumSize + 64);
    for (int line = 0; text.size() < minimumSize; ++line)
        text +=
            QStringLiteral("%1 Grüße Привет 漢字\r\n").arg(line, 8, 10, QLatin1Char('0')).toUtf8();
    return text;
}

class OdbcRecordsetTest : public test::ConnectedDriverTest {
protected:
    void SetUp() override {
        ConnectedDriverTest::SetUp();
        if (IsSkipped())
            return;
        recordset.SetName(QStringLiteral("Recordset1"));
        recordset.SetODBCConnection(&connection);
    }

    void Exec(const char* sql) { connection.ExecuteDirect(QString::fromUtf8(sql)); }

    void Open(const QString& sql) {
        recordset.SQL().SetAsString(sql);
        recordset.SetActive(true);
    }
    void Open(const char* sql) { Open(QString::fromUtf8(sql)); }

    TKxOdbcField& Field(const char* name) {
        TKxOdbcField* field = recordset.FieldByName(QString::fromLatin1(name));
        if (field == nullptr)
            throw std::runtime_error(std::string("no field ") + name);
        return *field;
    }
    QString Text(const char* field) { return Field(field).GetDisplayText(); }
    KxVariant Value(const char* field) {
        return recordset.FieldValue(KxVariant(QString::fromLatin1(field)));
    }
    // The bytes a long value holds after it was read whole.
    QByteArrayView Bytes(const char* field) {
        TODBCFieldValueBuffer& buffer = Field(field).CurrentBuffer();
        buffer.EnsureFetched(false);
        return {static_cast<const char*>(buffer.GetData()),
                static_cast<qsizetype>(buffer.ValueSize())};
    }

    const char* BinaryType() const { return Server() ? "BYTEA" : "BLOB"; }

    // Stores `bytes` through the one parameter marker of `sql`, on the raw call interface
    // (the statement components send no binary parameters). Answers the driver's
    // diagnostics on failure, an empty text on success.
    QString ExecuteWithParameter(const char* sql, SQLSMALLINT cType, const QByteArray& bytes) {
        connection.ExecuteDirect(QString()); // opens the connection
        SQLHSTMT statement = nullptr;
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connection.OdbcHandle(), &statement)))
            return QStringLiteral("no statement handle");
        SQLLEN length = bytes.size();
        const SQLSMALLINT sqlType = cType == SQL_C_BINARY ? SQL_VARBINARY : SQL_LONGVARCHAR;
        SQLRETURN rc = SQLBindParameter(statement, 1, SQL_PARAM_INPUT, cType, sqlType,
                                        static_cast<SQLULEN>(bytes.size()), 0,
                                        const_cast<char*>(bytes.constData()), length, &length);
        if (SQL_SUCCEEDED(rc))
            rc = SQLExecDirect(statement, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql)),
                               SQL_NTS);
        const QString error =
            SQL_SUCCEEDED(rc) ? QString() : test::RawDiagnostics(SQL_HANDLE_STMT, statement);
        SQLFreeHandle(SQL_HANDLE_STMT, statement);
        return error;
    }

    TKxOdbcRecordset recordset;
};

// ---- column kinds

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

TEST_P(OdbcRecordsetTest, ReadsNumbersDatesAndNullsOfEveryKind) {
    connection.ExecuteDirect(
        QStringLiteral("CREATE TABLE kx_kinds (id INTEGER, big BIGINT, small SMALLINT, "
                       "real8 DOUBLE PRECISION, amount NUMERIC(10,2), name VARCHAR(20), "
                       "code CHAR(10), note TEXT, bin %1, day DATE, clock TIME, "
                       "moment TIMESTAMP)")
            .arg(QLatin1String(BinaryType())));
    Exec("INSERT INTO kx_kinds VALUES (1, 5000000000, -32768, 3.141592653589793, 12345.67, "
         "'x', 'y', 'z', NULL, '2024-02-29', '13:45:30', '2024-02-29 13:45:30.250')");
    Exec("INSERT INTO kx_kinds VALUES (2, -5000000000, 7, -0.5, -1.25, NULL, NULL, NULL, NULL, "
         "'1850-06-15', '00:00:01', '1850-06-15 06:00:00')");
    Exec("INSERT INTO kx_kinds (id) VALUES (3)");
    Open("SELECT id, big, small, real8, amount, name, code, note, bin, day, clock, moment "
         "FROM kx_kinds ORDER BY id");
    ASSERT_EQ(recordset.Fields().size(), 12u) << "no column may disappear";

    EXPECT_EQ(Field("big").GetDataType(), fdtInt64);
    EXPECT_EQ(Value("big").ToInt64(), 5000000000LL);
    EXPECT_EQ(Text("big"), QStringLiteral("5000000000"));
    EXPECT_EQ(Value("small").ToInt64(), -32768);
    EXPECT_EQ(Field("real8").GetDataType(), fdtDouble);
    if (Server()) {
        // SQLite3's driver hands doubles over as 15-digit texts; psqlODBC keeps every digit.
        EXPECT_EQ(Value("real8").ToDouble(), 3.141592653589793);
    } else {
        EXPECT_NEAR(Value("real8").ToDouble(), 3.141592653589793, 1e-13);
    }
    EXPECT_DOUBLE_EQ(Value("amount").ToDouble(), 12345.67);

    const QLocale locale;
    EXPECT_EQ(Field("day").GetDataType(), fdtDate);
    EXPECT_EQ(KxFromDateTime(Value("day").ToDouble()), QDateTime(QDate(2024, 2, 29), QTime(0, 0)));
    EXPECT_EQ(Text("day"), locale.toString(QDate(2024, 2, 29), QLocale::ShortFormat));
    EXPECT_EQ(Field("clock").GetDataType(), fdtTime);
    EXPECT_EQ(Text("clock"),
              KxDateTimeDisplayText(KxToDateTime(QDateTime(QDate(1899, 12, 30), QTime(13, 45, 30))),
                                    true));
    EXPECT_FALSE(Text("clock").contains(QStringLiteral("1899"))) << "a time shows no date";
    EXPECT_EQ(KxFromDateTime(Value("clock").ToDouble()).time(), QTime(13, 45, 30));
    EXPECT_EQ(std::trunc(Value("clock").ToDouble()), 0.0) << "a time has no date part";
    EXPECT_EQ(Field("moment").GetDataType(), fdtDateTime);
    const QDateTime moment(QDate(2024, 2, 29), QTime(13, 45, 30, 250));
    EXPECT_EQ(KxFromDateTime(Value("moment").ToDouble()), moment);
    EXPECT_EQ(Text("moment"), KxDateTimeDisplayText(KxToDateTime(moment), false));
    EXPECT_TRUE(
        Text("moment").startsWith(locale.toString(QDate(2024, 2, 29), QLocale::ShortFormat)));

    recordset.MoveToNext();
    EXPECT_EQ(Value("big").ToInt64(), -5000000000LL);
    EXPECT_EQ(Value("real8").ToDouble(), -0.5);
    EXPECT_EQ(Value("amount").ToDouble(), -1.25);
    // Before the program's day zero (1899-12-30) the date-time is negative.
    EXPECT_EQ(KxFromDateTime(Value("day").ToDouble()), QDateTime(QDate(1850, 6, 15), QTime(0, 0)));
    EXPECT_EQ(KxFromDateTime(Value("moment").ToDouble()),
              QDateTime(QDate(1850, 6, 15), QTime(6, 0)));
    EXPECT_EQ(KxFromDateTime(Value("clock").ToDouble()).time(), QTime(0, 0, 1));

    recordset.MoveToNext();
    EXPECT_EQ(Value("id").ToInt64(), 3);
    for (TKxOdbcField* field : recordset.Fields()) {
        if (field->GetName() == QStringLiteral("id"))
            continue;
        EXPECT_TRUE(field->GetValue().IsNull()) << field->GetName().toStdString();
        EXPECT_EQ(field->GetDisplayText(), QString()) << field->GetName().toStdString();
    }
    // Back on a row with values, the NULLs of the row before do not stick.
    recordset.MoveToFirst();
    EXPECT_EQ(Value("name").ToString(), QStringLiteral("x"));
    EXPECT_EQ(Value("note").ToString(), QStringLiteral("z"));
    EXPECT_TRUE(Value("bin").IsNull());
}

TEST_P(OdbcRecordsetTest, SqliteIntegerColumnsHoldSixtyFourBits) {
    if (Server())
        GTEST_SKIP() << "PostgreSQL's INTEGER is 32 bits wide";
    // SQLite stores every INTEGER in 64 bits, whatever the declared type says.
    Exec("CREATE TABLE kx_ints (id INTEGER PRIMARY KEY, whole INTEGER, tiny TINYINT, "
         "small SMALLINT)");
    Exec("INSERT INTO kx_ints VALUES (5000000000, -5000000000, 300, 70000)");
    Open("SELECT id, whole, tiny, small FROM kx_ints");
    EXPECT_EQ(Field("whole").GetDataType(), fdtInt64);
    EXPECT_EQ(Value("id").ToInt64(), 5000000000LL);
    EXPECT_EQ(Text("id"), QStringLiteral("5000000000"));
    EXPECT_EQ(Value("whole").ToInt64(), -5000000000LL);
    EXPECT_EQ(Value("tiny").ToInt64(), 300);
    EXPECT_EQ(Value("small").ToInt64(), 70000);
}

TEST_P(OdbcRecordsetTest, ReadsTextExactlyAndTrimsOnlyFixedLengthColumns) {
    Exec("CREATE TABLE kx_text (id INTEGER, code CHAR(10), name VARCHAR(40), note TEXT)");
    Exec("INSERT INTO kx_text VALUES (1, 'ab', 'ab  ', 'line 1\r\nline 2\r\n')");
    Exec(
        "INSERT INTO kx_text VALUES (2, ' x ', 'Привет, мир', 'Здравствуйте 你好世界 こんにちは')");
    Exec("INSERT INTO kx_text VALUES (3, 'ÄÖÜ', 'café ñ ÿ © ß', '  leading and trailing  ')");
    Open("SELECT id, code, name, note FROM kx_text ORDER BY id");
    EXPECT_EQ(Value("code").ToString(), QStringLiteral("ab")) << "CHAR pads with blanks";
    EXPECT_EQ(Text("code"), QStringLiteral("ab"));
    EXPECT_EQ(Value("name").ToString(), QStringLiteral("ab  ")) << "VARCHAR keeps its blanks";
    EXPECT_EQ(Value("note").ToString(), QStringLiteral("line 1\r\nline 2\r\n"));
    recordset.MoveToNext();
    // PostgreSQL pads a CHAR value to its length, and the padding goes. SQLite3's driver
    // reports CHAR columns as VARCHAR (SQL_DESC_TYPE 12) and SQLite stores what it was given,
    // so the blank is part of the value there.
    EXPECT_EQ(Value("code").ToString(), Server() ? QStringLiteral(" x") : QStringLiteral(" x "));
    EXPECT_EQ(Value("name").ToString(), QStringLiteral("Привет, мир"));
    EXPECT_EQ(Value("note").ToString(), QStringLiteral("Здравствуйте 你好世界 こんにちは"));
    recordset.MoveToNext();
    EXPECT_EQ(Value("code").ToString(), QStringLiteral("ÄÖÜ"));
    EXPECT_EQ(Value("name").ToString(), QStringLiteral("café ñ ÿ © ß"));
    EXPECT_EQ(Value("note").ToString(), QStringLiteral("  leading and trailing  "));
}

TEST_P(OdbcRecordsetTest, ReadsTextLongerThanItsDeclaredSizeWhole) {
    if (!Server()) {
        // SQLite does not enforce VARCHAR(n): the value is longer than the bound buffer the
        // column's size asks for, and in bytes longer still.
        Exec("CREATE TABLE kx_short (id INTEGER, name VARCHAR(3), code CHAR(2))");
        Exec("INSERT INTO kx_short VALUES (1, 'äöüß', 'Жжжж')");
        Exec("INSERT INTO kx_short VALUES (2, 'abcdefghijklmnopqrstuvwxyz', 'ab')");
        Open("SELECT id, name, code FROM kx_short ORDER BY id");
        EXPECT_EQ(Value("name").ToString(), QStringLiteral("äöüß"));
        EXPECT_EQ(Text("name"), QStringLiteral("äöüß"));
        EXPECT_EQ(Value("code").ToString(), QStringLiteral("Жжжж"));
        recordset.MoveToNext();
        EXPECT_EQ(Value("name").ToString(), QStringLiteral("abcdefghijklmnopqrstuvwxyz"));
        EXPECT_EQ(Value("code").ToString(), QStringLiteral("ab"));
        recordset.MoveToFirst();
        EXPECT_EQ(Value("name").ToString(), QStringLiteral("äöüß"));
        return;
    }
    // PostgreSQL enforces the length in characters; four two-byte characters in a VARCHAR(4)
    // still fill eight bytes of a buffer the column's octet length sizes.
    Exec("CREATE TABLE kx_short (id INTEGER, name VARCHAR(4))");
    Exec("INSERT INTO kx_short VALUES (1, 'äöüß')");
    Open("SELECT id, name FROM kx_short");
    EXPECT_EQ(Value("name").ToString(), QStringLiteral("äöüß"));
}

// ---- long values

TEST_P(OdbcRecordsetTest, ReadsTwentyMegabyteTextAndBinaryOnDemand) {
    connection.ExecuteDirect(QStringLiteral("CREATE TABLE kx_long (id INTEGER, note TEXT, bin %1)")
                                 .arg(QLatin1String(BinaryType())));
    const QByteArray text = TextPattern(kLongValueBytes);
    const QByteArray binary = BinaryPattern(kLongValueBytes);
    ASSERT_EQ(
        ExecuteWithParameter("INSERT INTO kx_long (id, note) VALUES (1, ?)", SQL_C_CHAR, text),
        QString());
    ASSERT_EQ(ExecuteWithParameter("UPDATE kx_long SET bin = ? WHERE id = 1", SQL_C_BINARY, binary),
              QString());
    Open("SELECT id, note, bin FROM kx_long");
    EXPECT_EQ(Field("note").GetDataType(), fdtMemo);
    EXPECT_EQ(Field("bin").GetDataType(), fdtBinary);

    // Showing a binary value reads its start only; the driver tells the whole length.
    EXPECT_EQ(Text("bin"), QStringLiteral("<binary data, size: %1 bytes, stored size: %1 "
                                          "bytes, compression ratio: 0%>")
                               .arg(binary.size()));
    EXPECT_FALSE(Field("bin").CurrentBuffer().IsFetched());

    const QByteArrayView readText = Bytes("note");
    ASSERT_EQ(readText.size(), text.size());
    EXPECT_EQ(Sha1(readText.data(), readText.size()), Sha1(text.constData(), text.size()));
    EXPECT_EQ(readText.last(40), QByteArrayView(text).last(40));

    const QByteArrayView readBinary = Bytes("bin");
    ASSERT_EQ(readBinary.size(), binary.size());
    EXPECT_EQ(Sha1(readBinary.data(), readBinary.size()), Sha1(binary.constData(), binary.size()));
    EXPECT_EQ(readBinary.first(64), QByteArrayView(binary).first(64));
}

TEST_P(OdbcRecordsetTest, EmptyAndShortLongValuesAreCompleteAfterTheFirstRead) {
    connection.ExecuteDirect(QStringLiteral("CREATE TABLE kx_small (id INTEGER, note TEXT, bin %1)")
                                 .arg(QLatin1String(BinaryType())));
    const QByteArray tenBytes("\x00\x01\x02\xfe\xff\x10 abc", 10);
    Exec("INSERT INTO kx_small (id, note) VALUES (1, '')");
    ASSERT_EQ(
        ExecuteWithParameter("UPDATE kx_small SET bin = ? WHERE id = 1", SQL_C_BINARY, tenBytes),
        QString());
    Open("SELECT id, note, bin FROM kx_small");

    TODBCFieldValueBuffer& bin = Field("bin").CurrentBuffer();
    EXPECT_EQ(Text("bin"), QStringLiteral("<binary data, size: 10 bytes, stored size: 10 bytes, "
                                          "compression ratio: 0%>"));
    EXPECT_TRUE(bin.IsFetched()) << "10 bytes fit in the first read";
    ASSERT_EQ(bin.ValueSize(), 10u);
    EXPECT_EQ(QByteArrayView(static_cast<const char*>(bin.GetData()), 10), tenBytes);
    EXPECT_EQ(Value("bin").ToBytes(), tenBytes);

    EXPECT_FALSE(Value("note").IsNull()) << "an empty text is a value";
    EXPECT_EQ(Value("note").ToString(), QString());
    EXPECT_EQ(Field("note").CurrentBuffer().ValueSize(), 0u);
    EXPECT_EQ(Field("note").CurrentBuffer().Indicator(), 0);
}

TEST_P(OdbcRecordsetTest, ReadsALongColumnAgainAfterAnotherColumn) {
    connection.ExecuteDirect(
        QStringLiteral("CREATE TABLE kx_mixed (id INTEGER, one %1, note TEXT, two %1)")
            .arg(QLatin1String(BinaryType())));
    const QByteArray one = BinaryPattern(100000);
    const QByteArray two = BinaryPattern(70001).right(70000);
    const QByteArray note = TextPattern(50000);
    ASSERT_EQ(
        ExecuteWithParameter("INSERT INTO kx_mixed (id, one) VALUES (1, ?)", SQL_C_BINARY, one),
        QString());
    ASSERT_EQ(ExecuteWithParameter("UPDATE kx_mixed SET two = ?", SQL_C_BINARY, two), QString());
    ASSERT_EQ(ExecuteWithParameter("UPDATE kx_mixed SET note = ?", SQL_C_CHAR, note), QString());
    Exec("INSERT INTO kx_mixed (id, one, note, two) SELECT 2, two, 'second', one FROM kx_mixed");
    Open("SELECT id, one, note, two FROM kx_mixed ORDER BY id");

    // Both binary values begin (their starts are shown), the text is read whole in between,
    // then each binary value is read to its end: SQLite3's driver continues a column where
    // it stopped, psqlODBC starts it over.
    EXPECT_TRUE(Text("one").contains(QStringLiteral("size: 100000 bytes")));
    EXPECT_TRUE(Text("two").contains(QStringLiteral("size: 70000 bytes")));
    EXPECT_EQ(Bytes("note"), QByteArrayView(note));
    EXPECT_EQ(Bytes("one"), QByteArrayView(one));
    EXPECT_EQ(Bytes("two"), QByteArrayView(two));
    // Reading again what was read whole answers the same bytes without asking the driver.
    EXPECT_EQ(Value("one").ToBytes(), one);

    recordset.MoveToNext();
    EXPECT_TRUE(Text("two").contains(QStringLiteral("size: 100000 bytes")));
    EXPECT_EQ(Value("note").ToString(), QStringLiteral("second"));
    EXPECT_EQ(Bytes("two"), QByteArrayView(one));
    EXPECT_EQ(Bytes("one"), QByteArrayView(two));
}

TEST_P(OdbcRecordsetTest, DecompressesCompressedBinaryValuesOnRead) {
    connection.ExecuteDirect(QStringLiteral("CREATE TABLE kx_blobs (id INTEGER, bin %1)")
                                 .arg(QLatin1String(BinaryType())));
    const QByteArray value = TextPattern(300000);
    TKxMemoryStream source;
    source.Write(value.constData(), static_cast<std::uint32_t>(value.size()));
    source.Seek(0, TKxSeekOrigin::Begin);
    TKxMemoryStream stored;
    const std::int64_t storedSize = KxWriteCompressedBlob(source, stored, ctMaximum);
    const QByteArray compressed(static_cast<const char*>(stored.Memory().Data()),
                                static_cast<qsizetype>(stored.Memory().Size()));
    ASSERT_EQ(compressed.size(), storedSize);
    ASSERT_LT(compressed.size(), value.size() / 4);
    const TKxCompressedBlobHeader header = KxCompressedBlobHeader();
    const QByteArray headerOnly(reinterpret_cast<const char*>(header.data()),
                                static_cast<qsizetype>(header.size()));

    ASSERT_EQ(ExecuteWithParameter("INSERT INTO kx_blobs VALUES (1, ?)", SQL_C_BINARY, compressed),
              QString());
    ASSERT_EQ(ExecuteWithParameter("INSERT INTO kx_blobs VALUES (2, ?)", SQL_C_BINARY, value),
              QString());
    ASSERT_EQ(ExecuteWithParameter("INSERT INTO kx_blobs VALUES (3, ?)", SQL_C_BINARY, headerOnly),
              QString());
    Open("SELECT id, bin FROM kx_blobs ORDER BY id");

    const int ratio = static_cast<int>(std::lround(
        (1.0 - static_cast<double>(storedSize) / static_cast<double>(value.size())) * 100.0));
    EXPECT_GT(ratio, 75);
    EXPECT_EQ(Text("bin"), QStringLiteral("<binary data, size: %1 bytes, stored size: %2 bytes, "
                                          "compression ratio: %3%>")
                               .arg(value.size())
                               .arg(storedSize)
                               .arg(ratio));
    EXPECT_EQ(Bytes("bin"), QByteArrayView(value));

    recordset.MoveToNext();
    // The same bytes stored plainly: read as they are, nothing saved.
    EXPECT_EQ(Text("bin"), QStringLiteral("<binary data, size: %1 bytes, stored size: %1 bytes, "
                                          "compression ratio: 0%>")
                               .arg(value.size()));
    EXPECT_EQ(Bytes("bin"), QByteArrayView(value));

    recordset.MoveToNext();
    // Exactly the header is the empty value, compressed; it is not NULL.
    EXPECT_FALSE(Value("bin").IsNull());
    EXPECT_EQ(Bytes("bin").size(), 0);

    // Back to the compressed value after the others: it is read again from the driver.
    recordset.MoveToFirst();
    EXPECT_EQ(Bytes("bin"), QByteArrayView(value));
}

// ---- cursor

TEST_P(OdbcRecordsetTest, ForwardOnlyCursorIgnoresBackwardMovesUntilTheEnd) {
    Exec("CREATE TABLE kx_rows (id INTEGER)");
    Exec("INSERT INTO kx_rows VALUES (1), (2), (3)");
    recordset.SetCursorType(ctUnidirectional);
    Open("SELECT id FROM kx_rows ORDER BY id");
    EXPECT_FALSE(recordset.Scrollable());
    recordset.MoveToNext();
    ASSERT_EQ(recordset.Position(), 2);
    recordset.MoveToPrevious();
    recordset.MoveToFirst();
    recordset.MoveToLast();
    recordset.SetPosition(1);
    recordset.SetPosition(3);
    EXPECT_EQ(recordset.Position(), 2);
    EXPECT_EQ(Value("id").ToInt64(), 2);
    EXPECT_FALSE(recordset.IsEOF());
    recordset.MoveToNext();
    EXPECT_EQ(Value("id").ToInt64(), 3);
    EXPECT_FALSE(recordset.IsEOF()) << "the last row was fetched, the end is not known yet";
    recordset.MoveToNext();
    EXPECT_TRUE(recordset.IsEOF());
    EXPECT_EQ(recordset.LastFetchResult(), SQL_NO_DATA);
    EXPECT_EQ(recordset.FetchErrorText(), QString());
    EXPECT_TRUE(Value("id").IsNull()) << "past the end there is no row to show";
    EXPECT_EQ(Text("id"), QString());
    const std::int64_t atEnd = recordset.Position();
    recordset.MoveToNext();
    EXPECT_EQ(recordset.Position(), atEnd) << "no fetch after the end";
}

TEST_P(OdbcRecordsetTest, EmptyResultIsAtItsEndWithoutError) {
    Exec("CREATE TABLE kx_rows (id INTEGER, name VARCHAR(10))");
    for (const TKxCursorType type : {ctUnidirectional, ctKeyset}) {
        SCOPED_TRACE(type == ctKeyset ? "scrollable" : "forward-only");
        recordset.SetActive(false);
        recordset.SetCursorType(type);
        Open("SELECT id, name FROM kx_rows");
        EXPECT_EQ(recordset.Position(), 1);
        EXPECT_EQ(recordset.LastFetchResult(), SQL_NO_DATA);
        EXPECT_TRUE(recordset.IsEOF());
        EXPECT_TRUE(recordset.IsBOF());
        EXPECT_LE(recordset.RecordCount(), 0);
        EXPECT_EQ(Text("name"), QString());
        recordset.MoveToNext();
        recordset.MoveToLast();
        recordset.SetPosition(3);
        EXPECT_EQ(recordset.Position(), 1);
        EXPECT_EQ(recordset.FetchErrorText(), QString()) << "the end of the data is no error";
    }
}

TEST_P(OdbcRecordsetTest, SetPositionStaysWithinTheRows) {
    Exec("CREATE TABLE kx_rows (id INTEGER)");
    Exec("INSERT INTO kx_rows VALUES (1), (2), (3), (4), (5)");
    Open("SELECT id FROM kx_rows ORDER BY id");
    ASSERT_TRUE(recordset.Scrollable());
    ASSERT_EQ(recordset.RecordCount(), 5);
    recordset.SetPosition(3);
    EXPECT_EQ(Value("id").ToInt64(), 3);
    recordset.SetPosition(0);
    EXPECT_EQ(recordset.Position(), 1);
    EXPECT_EQ(Value("id").ToInt64(), 1);
    recordset.SetPosition(recordset.RecordCount() + 5);
    EXPECT_EQ(recordset.Position(), 5);
    EXPECT_EQ(Value("id").ToInt64(), 5);
    EXPECT_TRUE(recordset.IsEOF());
    recordset.MoveToPrevious();
    EXPECT_EQ(Value("id").ToInt64(), 4);

    // The last row straight after opening.
    recordset.SetActive(false);
    Open("SELECT id FROM kx_rows ORDER BY id");
    recordset.MoveToLast();
    EXPECT_EQ(recordset.Position(), 5);
    EXPECT_EQ(Value("id").ToInt64(), 5);
    EXPECT_TRUE(recordset.IsEOF());
    recordset.MoveToFirst();
    EXPECT_EQ(Value("id").ToInt64(), 1);
    EXPECT_TRUE(recordset.IsBOF());
}

TEST_P(OdbcRecordsetTest, ColumnThatCannotBecomeAFieldIsLeftOutAndTheOthersWork) {
    Exec("CREATE TABLE kx_rows (id INTEGER, name VARCHAR(10))");
    Exec("INSERT INTO kx_rows VALUES (1, 'one')");
    // Neither driver reports a column type the program has no kind for (psqlODBC hands an
    // interval over as text), so the failure comes from the field creation event: it is
    // raised for one column like an unknown type would be.
    recordset.OnCreateField = [](TKxOdbcRecordsetBase*, const QString& name, TKxFieldCreateData&) {
        if (name == QStringLiteral("span"))
            KxRaise(QStringLiteral("Unknown ODBC Field Data Type: 110"), QStringLiteral("Test"));
    };
    Open(Server() ? "SELECT id, interval '1 day' AS span, name FROM kx_rows"
                  : "SELECT id, 'x' AS span, name FROM kx_rows");
    ASSERT_EQ(recordset.Fields().size(), 2u);
    EXPECT_EQ(recordset.FieldByName(QStringLiteral("span")), nullptr);
    EXPECT_EQ(recordset.ODBCFieldCount(), 3);
    EXPECT_EQ(Value("id").ToInt64(), 1);
    EXPECT_EQ(Value("name").ToString(), QStringLiteral("one"));
    EXPECT_EQ(recordset.FieldValue(KxVariant(3)).ToString(), QStringLiteral("one"))
        << "fields keep their column numbers";
    EXPECT_THROW(recordset.FieldValue(KxVariant(2)), EKxException);
    recordset.MoveToNext();
    EXPECT_TRUE(recordset.IsEOF());

    if (Server()) {
        recordset.SetActive(false);
        recordset.OnCreateField = nullptr;
        Open("SELECT id, interval '1 day 02:00' AS span FROM kx_rows");
        ASSERT_EQ(recordset.Fields().size(), 2u) << "the interval arrives as text";
        EXPECT_EQ(Value("span").ToString(), QStringLiteral("1 day 02:00:00"));
    }
}

TEST_P(OdbcRecordsetTest, FindsFieldsByNameAndNumberAndGuardsItsUse) {
    Exec("CREATE TABLE kx_rows (id INTEGER, name VARCHAR(10))");
    Exec("INSERT INTO kx_rows VALUES (7, 'seven')");

    TKxOdbcRecordset closed;
    closed.SetName(QStringLiteral("Closed"));
    closed.SetODBCConnection(&connection);
    EXPECT_EQ(Raised([&] { closed.FieldValue(KxVariant(QStringLiteral("id"))); }).GetMessage(),
              QStringLiteral("The FieldValue Property can only be used when the Object is Active"));

    const EKxException notSelect = Raised([&] { Open("UPDATE kx_rows SET id = 8"); });
    EXPECT_EQ(notSelect.GetMessage(),
              QStringLiteral("Only SQL SELECT Statements can be executed with this Component."));
    EXPECT_FALSE(recordset.GetActive());
    recordset.SetActive(false);
    Open("SELECT id FROM kx_rows");
    EXPECT_EQ(Value("id").ToInt64(), 7) << "the UPDATE did not run";
    recordset.SetActive(false);

    Open("SELECT id AS \"MixedCase\", name AS \"Größe\" FROM kx_rows");
    EXPECT_EQ(recordset.FieldValue(KxVariant(QStringLiteral("mixedcase"))).ToInt64(), 7);
    EXPECT_EQ(recordset.FieldValue(KxVariant(QStringLiteral("MIXEDCASE"))).ToInt64(), 7);
    EXPECT_EQ(recordset.FieldValue(KxVariant(1)).ToInt64(), 7);
    EXPECT_EQ(recordset.FieldValue(KxVariant(2)).ToString(), QStringLiteral("seven"));
    EXPECT_EQ(recordset.FieldValue(KxVariant(QStringLiteral("gRößE"))).ToString(),
              QStringLiteral("seven"));
    // Only A to Z compare without case: Ö is not ö.
    EXPECT_EQ(recordset.FieldByName(QStringLiteral("GRÖßE")), nullptr);
    EXPECT_THROW(recordset.FieldValue(KxVariant(QStringLiteral("GRÖßE"))), EKxException);
    EXPECT_THROW(recordset.FieldValue(KxVariant(QStringLiteral("missing"))), EKxException);
    EXPECT_THROW(recordset.FieldValue(KxVariant(3)), EKxException);
}

// ---- failed fetches

// The third row fails while it is computed, after two good rows were fetched.
TEST_P(OdbcRecordsetTest, FailedFetchIsAnErrorNotTheEndOfTheRows) {
    recordset.SetCursorType(ctUnidirectional);
    if (Server()) {
        // With declare/fetch the server computes rows as they are fetched, two at a time:
        // the third row's division by zero fails the second fetch from the server.
        connection.SetConnectionString(connectString +
                                       QStringLiteral("UseDeclareFetch=1;Fetch=2;"));
        Open("SELECT g, 1/(3-g) AS q FROM generate_series(1,5) g");
    } else {
        // With the step interface SQLite3's driver computes a row at each fetch (otherwise
        // it computes the whole result when it executes).
        connection.SetConnectionString(connectString + QStringLiteral("StepAPI=1;"));
        Exec("CREATE TABLE kx_rows (g INTEGER)");
        Exec("INSERT INTO kx_rows VALUES (1), (2), (3), (4), (5)");
        Open("SELECT g, CASE WHEN g = 3 THEN abs(-9223372036854775807 - 1) ELSE g END AS q "
             "FROM kx_rows");
    }
    EXPECT_EQ(Value("g").ToInt64(), 1);
    recordset.MoveToNext();
    EXPECT_EQ(Value("g").ToInt64(), 2);
    EXPECT_FALSE(recordset.IsEOF());
    recordset.MoveToNext();
    EXPECT_EQ(recordset.LastFetchResult(), SQL_ERROR);
    EXPECT_FALSE(recordset.FetchErrorText().isEmpty());
    EXPECT_TRUE(recordset.FetchErrorText().contains(Server() ? QStringLiteral("division by zero")
                                                             : QStringLiteral("overflow")))
        << recordset.FetchErrorText().toStdString();
    EXPECT_TRUE(recordset.IsEOF());
    // A forward-only result has no count to show the error against: its values show nothing.
    EXPECT_EQ(Text("g"), QString());
    EXPECT_TRUE(Value("g").IsNull());
}

// On a scrollable cursor the failed row shows the error in place of its values.
TEST_P(OdbcRecordsetTest, FailedFetchOfAScrollableCursorShowsTheErrorInItsFields) {
    if (!Server())
        GTEST_SKIP() << "SQLite3's scrollable cursor computes every row when it executes";
    connection.SetConnectionString(connectString + QStringLiteral("UseDeclareFetch=1;Fetch=2;"));
    Open("SELECT g, 1/(3-g) AS q FROM generate_series(1,5) g");
    ASSERT_TRUE(recordset.Scrollable());
    EXPECT_EQ(recordset.RecordCount(), 5) << "counted with SELECT Count(*)";
    recordset.MoveToNext();
    EXPECT_EQ(Value("g").ToInt64(), 2);
    recordset.MoveToNext();
    EXPECT_EQ(recordset.LastFetchResult(), SQL_ERROR);
    ASSERT_FALSE(recordset.FetchErrorText().isEmpty());
    EXPECT_EQ(
        Text("g"),
        QStringLiteral("<%1: %2>").arg(ReturnCodeText(SQL_ERROR), recordset.FetchErrorText()));
}

KX_INSTANTIATE_DRIVER_TESTS(OdbcRecordsetTest);

} // namespace
