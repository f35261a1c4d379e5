#include "app/result_writer.h"
#include "foundation/exceptions.h"
#include "support/resident_memory.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace kx;
using TValues = std::vector<std::optional<QString>>;
using K = TKxValueKind;
using test::ResidentBytes;

const std::vector<TKxResultColumn> kColumns = {{QStringLiteral("id"), K::Number},
                                               {QStringLiteral("name"), K::Text},
                                               {QStringLiteral("data"), K::Binary},
                                               {QStringLiteral("at"), K::DateTime},
                                               {QStringLiteral("ok"), K::Boolean}};

std::optional<QString> V(const char16_t* text) {
    return QString::fromUtf16(text);
}
const std::optional<QString> kNull;

// Rows as the driver gives them, with every kind of text the formats must survive.
const std::vector<TValues> kRows = {
    {V(u"1"), V(u"plain"), V(u"DEADbeef"), V(u"2024-05-01 13:45:00"), V(u"1")},
    {V(u"-2.50"), V(u""), V(u""), V(u"2024-05-01 13:45:00.125"), V(u"0")},
    {V(u"3"), kNull, kNull, kNull, kNull},
    {V(u"4"), V(u"a,b \"q\" back\\slash\ttab\nLF\r\nCRLF"), V(u"00FF"), V(u"2024-05-01"),
     V(u"TRUE")},
    {V(u"1e3"), V(u"漢字テキスト"), V(u"AB"), V(u"13:45:00"), V(u"yes")},
    {V(u"NaN"), V(u"x\u0001y\u2028z"), kNull, kNull, V(u"false")},
};

// The same values as every format writes them: binary in lower case, date-times with "T".
const std::vector<TValues> kWritten = {
    {V(u"1"), V(u"plain"), V(u"deadbeef"), V(u"2024-05-01T13:45:00"), V(u"1")},
    {V(u"-2.50"), V(u""), V(u""), V(u"2024-05-01T13:45:00.125"), V(u"0")},
    {V(u"3"), kNull, kNull, kNull, kNull},
    {V(u"4"), V(u"a,b \"q\" back\\slash\ttab\nLF\r\nCRLF"), V(u"00ff"), V(u"2024-05-01"),
     V(u"TRUE")},
    {V(u"1e3"), V(u"漢字テキスト"), V(u"ab"), V(u"13:45:00"), V(u"yes")},
    {V(u"NaN"), V(u"x\u0001y\u2028z"), kNull, kNull, V(u"false")},
};

QString Write(TKxResultFormat format, qint64 maxRows,
              const std::vector<std::vector<TKxResultColumn>>& columns,
              const std::vector<std::vector<TValues>>& results) {
    QString text;
    QTextStream out(&text);
    std::unique_ptr<TKxResultWriter> writer = KxCreateResultWriter(format, out, maxRows);
    for (size_t r = 0; r < results.size(); ++r) {
        writer->Begin(columns[r]);
        for (const TValues& row : results[r])
            writer->Row(row);
        writer->End(qint64(results[r].size()));
    }
    writer->Finish();
    return text;
}

QString Write(TKxResultFormat format, const std::vector<TValues>& rows = kRows) {
    return Write(format, -1, {kColumns}, {rows});
}

TEST(ResultWriterTest, FormatNamesAreReadInAnyCase) {
    TKxResultFormat format = TKxResultFormat::Table;
    EXPECT_TRUE(KxParseResultFormat(QStringLiteral("TSV"), format));
    EXPECT_EQ(format, TKxResultFormat::Tsv);
    EXPECT_TRUE(KxParseResultFormat(QStringLiteral("Json"), format));
    EXPECT_EQ(format, TKxResultFormat::Json);
    EXPECT_TRUE(KxParseResultFormat(QStringLiteral("csv"), format));
    EXPECT_EQ(format, TKxResultFormat::Csv);
    EXPECT_TRUE(KxParseResultFormat(QStringLiteral("table"), format));
    EXPECT_EQ(format, TKxResultFormat::Table);
    for (const char* bad : {"", "xml", " csv", "tabl", "jsonl"})
        EXPECT_FALSE(KxParseResultFormat(QString::fromLatin1(bad), format)) << bad;
    EXPECT_EQ(format, TKxResultFormat::Table) << "a failed parse leaves the format alone";
}

TEST(ResultWriterTest, DisplayWidthCountsTerminalCells) {
    EXPECT_EQ(KxDisplayWidth(QStringLiteral("abc")), 3);
    EXPECT_EQ(KxDisplayWidth(QStringLiteral("漢字")), 4);
    EXPECT_EQ(KxDisplayWidth(QStringLiteral("ＡＢ")), 4) << "fullwidth forms";
    EXPECT_EQ(KxDisplayWidth(QStringLiteral("ｶﾀｶﾅ")), 4) << "halfwidth katakana";
    EXPECT_EQ(KxDisplayWidth(QStringLiteral("한국")), 4);
    EXPECT_EQ(KxDisplayWidth(QString::fromUtf16(u"\u1112\u1161\u11AB")), 2)
        << "a Hangul syllable of conjoining letters";
    EXPECT_EQ(KxDisplayWidth(QString::fromUtf16(u"e\u0301te\u20DD")), 3) << "combining marks";
    EXPECT_EQ(KxDisplayWidth(QString::fromUtf16(u"a\u200Bb\uFEFFc\u200D")), 3) << "zero width";
    EXPECT_EQ(KxDisplayWidth(QString::fromUtf16(u"😀𠀀")), 4) << "wide outside the BMP";
    EXPECT_EQ(KxDisplayWidth(QStringLiteral("Grüße")), 5);
}

TEST(ResultWriterTest, TsvEscapesAsCopyTextDoes) {
    EXPECT_EQ(Write(TKxResultFormat::Tsv),
              QString::fromUtf16(u"id\tname\tdata\tat\tok\n"
                                 u"1\tplain\tdeadbeef\t2024-05-01T13:45:00\t1\n"
                                 u"-2.50\t\t\t2024-05-01T13:45:00.125\t0\n"
                                 u"3\t\\N\t\\N\t\\N\t\\N\n"
                                 u"4\ta,b \"q\" back\\\\slash\\ttab\\nLF\\r\\nCRLF\t00ff\t"
                                 u"2024-05-01\tTRUE\n"
                                 u"1e3\t漢字テキスト\tab\t13:45:00\tyes\n"
                                 u"NaN\tx\u0001y\u2028z\t\\N\t\\N\tfalse\n"));
    // Names are escaped like values, and each result set brings its own line of names.
    const std::vector<TKxResultColumn> odd = {{QStringLiteral("a\tb"), K::Text},
                                              {QStringLiteral("c\\"), K::Text}};
    EXPECT_EQ(Write(TKxResultFormat::Tsv, -1, {odd, odd}, {{{V(u"\\N"), kNull}}, {}}),
              QStringLiteral("a\\tb\tc\\\\\n\\\\N\t\\N\na\\tb\tc\\\\\n"));
}

TEST(ResultWriterTest, CsvQuotesWhatNeedsItAndTellsEmptyFromNull) {
    const QString csv = Write(TKxResultFormat::Csv);
    EXPECT_EQ(csv, QString::fromUtf16(u"id,name,data,at,ok\r\n"
                                      u"1,plain,deadbeef,2024-05-01T13:45:00,1\r\n"
                                      u"-2.50,\"\",\"\",2024-05-01T13:45:00.125,0\r\n"
                                      u"3,,,,\r\n"
                                      u"4,\"a,b \"\"q\"\" back\\slash\ttab\nLF\r\nCRLF\",00ff,"
                                      u"2024-05-01,TRUE\r\n"
                                      u"1e3,漢字テキスト,ab,13:45:00,yes\r\n"
                                      u"NaN,x\u0001y\u2028z,,,false\r\n"));

    // A standard reader gives back the fields (NULL and empty text both read as "").
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        GTEST_SKIP() << "python3 is needed to read the CSV back";
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("rows.csv")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(csv.toUtf8());
    file.close();
    QProcess reader;
    reader.start(python, {QStringLiteral("-c"),
                          QStringLiteral("import csv, json, sys\n"
                                         "with open(sys.argv[1], newline='', encoding='utf-8') "
                                         "as f:\n"
                                         "    json.dump(list(csv.reader(f, strict=True)), "
                                         "sys.stdout)\n"),
                          file.fileName()});
    ASSERT_TRUE(reader.waitForFinished(30000));
    ASSERT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
    const QJsonArray records = QJsonDocument::fromJson(reader.readAllStandardOutput()).array();
    ASSERT_EQ(records.size(), qsizetype(kWritten.size() + 1));
    for (size_t c = 0; c < kColumns.size(); ++c)
        EXPECT_EQ(records[0].toArray()[c].toString(), kColumns[c].name);
    for (size_t r = 0; r < kWritten.size(); ++r) {
        const QJsonArray fields = records[qsizetype(r + 1)].toArray();
        ASSERT_EQ(fields.size(), qsizetype(kColumns.size())) << r;
        for (size_t c = 0; c < kColumns.size(); ++c)
            EXPECT_EQ(fields[c].toString(), kWritten[r][c].value_or(QString())) << r << "," << c;
    }
}

TEST(ResultWriterTest, JsonGivesBackValuesAndTypes) {
    const QString json = Write(TKxResultFormat::Json);
    EXPECT_TRUE(json.contains(QStringLiteral("{\"id\":-2.50,"))) << "numbers as the driver wrote";
    EXPECT_TRUE(json.contains(QStringLiteral("\\u0001"))) << json.toStdString();
    EXPECT_TRUE(json.contains(QStringLiteral("漢字テキスト"))) << "non-ASCII is not escaped";
    const QStringList lines = json.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[1].isEmpty()) << "the array ends with a newline";
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(lines[0].toUtf8(), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    const QJsonArray rows = document.array();
    ASSERT_EQ(rows.size(), qsizetype(kRows.size()));

    const QJsonValue numbers[] = {1.0, -2.5, 3.0, 4.0, 1000.0, QStringLiteral("NaN")};
    const QJsonValue booleans[] = {true, false, QJsonValue::Null, true, QStringLiteral("yes"),
                                   false};
    for (size_t r = 0; r < kRows.size(); ++r) {
        const QJsonObject row = rows[qsizetype(r)].toObject();
        EXPECT_EQ(row.keys(),
                  (QStringList{QStringLiteral("at"), QStringLiteral("data"), QStringLiteral("id"),
                               QStringLiteral("name"), QStringLiteral("ok")}));
        EXPECT_EQ(row[QStringLiteral("id")], numbers[r]) << r;
        EXPECT_EQ(row[QStringLiteral("ok")], booleans[r]) << r;
        for (size_t c : {1, 2, 3}) {
            const QJsonValue value = row[kColumns[c].name];
            if (kWritten[r][c])
                EXPECT_EQ(value, QJsonValue(*kWritten[r][c])) << r << "," << c;
            else
                EXPECT_TRUE(value.isNull()) << r << "," << c;
        }
    }
}

TEST(ResultWriterTest, JsonKeepsRepeatedNamesApartAndWritesOneLinePerResult) {
    const std::vector<TKxResultColumn> repeated = {{QStringLiteral("id"), K::Number},
                                                   {QStringLiteral("id"), K::Number},
                                                   {QStringLiteral("id_2"), K::Text},
                                                   {QStringLiteral("n"), K::Number}};
    const std::vector<TKxResultColumn> one = {{QStringLiteral("x"), K::Text}};
    const QString json =
        Write(TKxResultFormat::Json, -1, {repeated, one, one},
              {{{V(u"1"), V(u"2"), V(u"three"), V(u"0.5")}, {V(u"4"), kNull, V(u""), V(u"-0")}},
               {},
               {{V(u"\"\\\n")}}});
    const QStringList lines = json.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << json.toStdString();
    const QJsonArray first = QJsonDocument::fromJson(lines[0].toUtf8()).array();
    ASSERT_EQ(first.size(), 2);
    const QJsonObject row = first[0].toObject();
    EXPECT_EQ(row.size(), 4);
    EXPECT_EQ(row[QStringLiteral("id")], 1.0);
    EXPECT_EQ(row[QStringLiteral("id_2")], 2.0);
    EXPECT_EQ(row[QStringLiteral("id_2_2")], QStringLiteral("three"));
    EXPECT_EQ(first[1].toObject()[QStringLiteral("id_2")], QJsonValue::Null);
    EXPECT_EQ(first[1].toObject()[QStringLiteral("id_2_2")], QStringLiteral(""));
    EXPECT_EQ(lines[1], QStringLiteral("[]"));
    EXPECT_EQ(QJsonDocument::fromJson(lines[2].toUtf8()).array()[0].toObject()[u"x"],
              QStringLiteral("\"\\\n"));

    // Number texts JSON does not accept stay strings rather than breaking the document.
    const std::vector<TKxResultColumn> number = {{QStringLiteral("n"), K::Number}};
    for (const char16_t* text : {u"1.", u".5", u"+1", u"01", u"1e", u"Infinity", u"1,5", u""}) {
        const QString written = Write(TKxResultFormat::Json, -1, {number}, {{{V(text)}}});
        EXPECT_EQ(QJsonDocument::fromJson(written.toUtf8()).array()[0].toObject()[u"n"],
                  QJsonValue(QString::fromUtf16(text)))
            << written.toStdString();
    }
}

// The terminal cells of the characters these tests use, counted independently of the
// writer: CJK, Hangul, fullwidth forms and emoji take two, combining accents none.
int TestCells(const QString& text) {
    int cells = 0;
    for (char32_t c : text.toUcs4()) {
        if (c >= 0x300 && c <= 0x36F)
            continue;
        const bool wide = (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
                          (c >= 0xFF01 && c <= 0xFF60) || (c >= 0x1F300 && c <= 0x1F64F) ||
                          (c >= 0x20000 && c <= 0x3FFFD);
        cells += wide ? 2 : 1;
    }
    return cells;
}

// The display columns at which a table line's separators (" | " or "-+-") start.
std::vector<int> SeparatorColumns(const QString& line) {
    std::vector<int> columns;
    const QString separator =
        line.contains(QStringLiteral("-+-")) ? QStringLiteral("-+-") : QStringLiteral(" | ");
    for (qsizetype at = line.indexOf(separator); at >= 0; at = line.indexOf(separator, at + 3))
        columns.push_back(TestCells(line.left(at)));
    return columns;
}

TEST(ResultWriterTest, TableKeepsItsLook) {
    const std::vector<TKxResultColumn> columns = {{QStringLiteral("id"), K::Number},
                                                  {QStringLiteral("name"), K::Text}};
    EXPECT_EQ(Write(TKxResultFormat::Table, 20, {columns},
                    {{{V(u"1"), V(u"漢字")}, {V(u"22"), kNull}, {V(u""), V(u"a\tb\r\nc")}}}),
              QString::fromUtf16(u"id | name\n"
                                 u"---+------\n"
                                 u"1  | 漢字\n"
                                 u"22 | NULL\n"
                                 u"   | a b c\n"
                                 u"(3 row(s))\n\n"));
}

TEST(ResultWriterTest, TableAlignsWideTextAndCutsLongValues) {
    const QString longLatin(60, QLatin1Char('x'));
    QString longCjk;
    for (int i = 0; i < 30; ++i)
        longCjk += QChar(0x4E00 + i);
    const QString table = Write(TKxResultFormat::Table);
    const QString cut = Write(TKxResultFormat::Table, -1, {kColumns},
                              {{{V(u"1"), longLatin, V(u"ab"), longCjk, V(u"1")},
                                {V(u"2"), V(u"ｶﾀｶﾅ e\u0301"), kNull, V(u"日本"), V(u"0")}}});
    for (const QString& output : {table, cut}) {
        QStringList lines; // header, rule and rows, without the count
        for (const QString& line : output.split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1Char('(')))
                break;
            lines.append(line);
        }
        ASSERT_GE(lines.size(), 4) << output.toStdString();
        const std::vector<int> expected = SeparatorColumns(lines[1]);
        EXPECT_EQ(expected.size(), kColumns.size() - 1);
        for (const QString& line : lines)
            EXPECT_EQ(SeparatorColumns(line), expected) << output.toStdString();
    }
    EXPECT_TRUE(table.contains(QStringLiteral("| 漢字テキスト ")));
    EXPECT_TRUE(table.contains(QStringLiteral("| 2024-05-01T13:45:00.125 |")));
    EXPECT_TRUE(table.contains(QStringLiteral("| deadbeef ")));
    EXPECT_TRUE(table.contains(QStringLiteral("a,b \"q\" back\\slash tab LF CRLF")));

    const QStringList lines = cut.split(QLatin1Char('\n'));
    const QStringList cells = lines[2].split(QStringLiteral(" | "));
    ASSERT_EQ(cells.size(), 5);
    EXPECT_EQ(cells[1].trimmed(), longLatin.left(39) + QStringLiteral("…"));
    EXPECT_EQ(cells[3].trimmed(), longCjk.left(19) + QStringLiteral("…"));
    EXPECT_EQ(TestCells(cells[1]), 40);
    EXPECT_EQ(TestCells(cells[3]), 39) << "a wide character does not fit the fortieth cell";
}

TEST(ResultWriterTest, TableKeepsOnlyTheRowsItShows) {
    const std::vector<TKxResultColumn> columns = {{QStringLiteral("n"), K::Number},
                                                  {QStringLiteral("t"), K::Text}};
    std::vector<TValues> rows;
    for (int i = 1; i <= 5; ++i)
        rows.push_back({QString::number(i), i == 4 ? QString(30, QLatin1Char('w')) : QString()});
    const QString table = Write(TKxResultFormat::Table, 2, {columns}, {rows});
    EXPECT_EQ(table, QStringLiteral("n | t\n--+--\n1 |\n2 |\n(5 row(s))\n3 row(s) not shown\n\n"))
        << "the rows after the limit neither show nor widen a column";

    // The runner may stop reading values after the limit and only tell the count.
    QString text;
    QTextStream out(&text);
    auto writer = KxCreateResultWriter(TKxResultFormat::Table, out, 1);
    writer->Begin(columns);
    writer->Row({V(u"7"), kNull});
    writer->End(1000);
    writer->Finish();
    EXPECT_TRUE(text.endsWith(QStringLiteral("7 | NULL\n(1000 row(s))\n999 row(s) not shown\n\n")))
        << text.toStdString();

    // Every row asked for: the first rows size the columns, later rows widen them.
    rows.clear();
    for (int i = 0; i < 1500; ++i)
        rows.push_back({QString::number(i), QString(i == 1200 ? 10 : 3, QLatin1Char('z'))});
    const QStringList all = Write(TKxResultFormat::Table, -1, {columns}, {rows}).split(u'\n');
    ASSERT_EQ(all.size(), 2 + 1500 + 3);
    EXPECT_EQ(all[0], QStringLiteral("n   | t"));
    EXPECT_EQ(all[2 + 5], QStringLiteral("5   | zzz"));
    EXPECT_EQ(all[2 + 1200], QStringLiteral("1200 | zzzzzzzzzz"));
    EXPECT_EQ(all[2 + 1499], QStringLiteral("1499 | zzz"));
    EXPECT_EQ(all[2 + 1500], QStringLiteral("(1500 row(s))"));
}

TEST(ResultWriterTest, TsvCsvAndJsonHonourAGivenLimit) {
    for (TKxResultFormat format :
         {TKxResultFormat::Tsv, TKxResultFormat::Csv, TKxResultFormat::Json}) {
        const QString all = Write(format, -1, {kColumns}, {kRows});
        const QString two = Write(format, 2, {kColumns}, {kRows});
        EXPECT_TRUE(two.contains(QStringLiteral("2024-05-01T13:45:00.125")));
        EXPECT_FALSE(two.contains(QStringLiteral("漢字")));
        EXPECT_TRUE(all.contains(QStringLiteral("漢字")));
    }
}

TEST(ResultWriterTest, ARowOfTheWrongSizeIsRefused) {
    QString text;
    QTextStream out(&text);
    auto writer = KxCreateResultWriter(TKxResultFormat::Json, out, -1);
    writer->Begin(kColumns);
    try {
        writer->Row({V(u"1")});
        FAIL() << "a short row was written";
    } catch (const EKxException& e) {
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("Row"));
    }
}

// Counts the bytes written and keeps none of them.
class TCountingSink : public QIODevice {
public:
    qint64 bytes = 0;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 length) override {
        bytes += length;
        return length;
    }
};

TEST(ResultWriterTest, AMillionRowsPassWithoutBeingKept) {
    if (ResidentBytes() < 0)
        GTEST_SKIP() << "no /proc/self/statm";
    const std::vector<TKxResultColumn> columns = {{QStringLiteral("n"), K::Number},
                                                  {QStringLiteral("t"), K::Text},
                                                  {QStringLiteral("b"), K::Binary}};
    for (auto [format, rows] :
         {std::pair{TKxResultFormat::Tsv, 1'000'000}, std::pair{TKxResultFormat::Json, 200'000},
          std::pair{TKxResultFormat::Table, 200'000}}) {
        TCountingSink sink;
        ASSERT_TRUE(sink.open(QIODevice::WriteOnly));
        QTextStream out(&sink);
        auto writer = KxCreateResultWriter(format, out, -1);
        writer->Begin(columns);
        qint64 expected = 6; // "n\tt\tb\n"
        qint64 before = 0;
        for (int i = 0; i < rows; ++i) {
            if (i == 20'000)
                before = ResidentBytes();
            const QString number = QString::number(i);
            writer->Row({number, QStringLiteral("row text\t%1").arg(i), QStringLiteral("0A1B")});
            expected += number.size() * 2 + 17;
        }
        writer->End(rows);
        writer->Finish();
        const qint64 growth = ResidentBytes() - before;
#if !defined(__SANITIZE_ADDRESS__)
        // (The address sanitizer keeps freed memory in quarantine: resident size says nothing
        // there.)
        EXPECT_LT(growth, 8 << 20) << "format " << int(format);
#else
        (void)growth;
#endif
        if (format == TKxResultFormat::Tsv)
            EXPECT_EQ(sink.bytes, expected) << "every row reached the sink";
        else
            EXPECT_GT(sink.bytes, qint64(rows) * 20) << "format " << int(format);
    }
}

} // namespace
