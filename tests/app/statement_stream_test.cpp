#include "app/script_comments.h"
#include "app/script_statements.h"
#include "app/statement_stream.h"
#include "editor/script_file.h"
#include "editor/sql_syntax_setup.h"
#include "editor/syntax_coloring.h"
#include "support/raised.h"
#include "support/resident_memory.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <iterator>
#include <random>

namespace {

using namespace kx;

// The statements a script run goes through, in order, as the script executor walks them.
QStringList RunThrough(TKxStatementSource& source) {
    QStringList texts;
    if (!source.HasCurrentStatement())
        source.NextStatement();
    while (!source.IsLastStatement()) {
        texts << source.GetCurrentStatementText();
        source.NextStatement();
    }
    texts << source.GetCurrentStatementText();
    return texts;
}

// The style set-ups compared: the SQL colouring without and with "#" comments, and one whose
// "#" comments must begin their line (after blanks) and whose strings take "\" escapes, for
// the looks back the colouring makes.
constexpr int kSetups = 3;
void SetUpStyles(TSyntaxColoringProperties& coloring, int setup) {
    KxLoadSqlSyntaxSetup(coloring);
    KxSetDirectiveCommentStyle(coloring, setup > 0);
    if (setup == 2) {
        TCustomStyles& styles = coloring.CustomStyles();
        TCustomStyle& directive = styles.Items(styles.FindStyleAt(u"#"));
        directive.SetLineStartOnly(true);
        directive.SetIgnoreLeadingBlanks(true);
        styles.Items(styles.FindStyleAt(u"'")).SetIgnoreChar(QStringLiteral("\\"));
    }
}

// The window's statements: the editor with the colouring.
class TEditorStatements {
public:
    explicit TEditorStatements(int setup) {
        SetUpStyles(m_editor.SyntaxColoring(), setup);
        KxAttachSyntaxSpans(m_statements, m_editor.SyntaxColoring());
        m_editor.SetAllowUndo(false);
    }
    // The statements the window finds in `text`.
    QStringList Of(const QString& text) {
        m_editor.SetAllText(text);
        m_statements.ResetCurrentStatement();
        return RunThrough(m_statements);
    }

private:
    TSyntaxTextModel m_editor;
    TKxScriptStatements m_statements{m_editor};
};

// The colouring's styles without an editor, as a batch run sets them up.
class TSqlStyles {
public:
    explicit TSqlStyles(int setup) { SetUpStyles(m_coloring, setup); }
    TCustomStyles& Styles() { return m_coloring.CustomStyles(); }

private:
    TSyntaxColoringCopy m_coloring;
};

QStringList StreamedStatements(TKxScriptReader& reader, TSqlStyles& styles, qint64 readSize) {
    TKxStatementStream stream(reader, styles.Styles());
    stream.SetReadSize(readSize);
    return RunThrough(stream);
}

// A script for people to read in a failure message.
std::string Printable(const QByteArray& bytes) {
    std::string text;
    for (const char c : bytes) {
        if (c == '\r')
            text += "\\r";
        else if (c == '\n')
            text += "\\n";
        else if (c == '\t')
            text += "\\t";
        else if (static_cast<unsigned char>(c) >= 0x80)
            text += QByteArray(1, c).toPercentEncoding().toStdString();
        else
            text += c;
    }
    return text;
}

// Statement texts for people to read in a failure message.
std::string Printable(const QStringList& texts) {
    QByteArray bytes;
    for (const QString& text : texts)
        bytes += "[" + text.toUtf8() + "] ";
    return Printable(bytes);
}

// What scripts are made of, separated by "|": separators, line breaks of every kind, the
// begin and end markers of every style alone and in spans (with separators inside), escape
// characters and text that is not ASCII.
const QList<QByteArray> kPieces = QByteArray("select 1|insert into t values (1, 'a')|x|1.5e+3|(|)|"
                                             " |\t|  |\n|\r\n|\r|\n\r|"
                                             ";|;;| ; |"
                                             "-- note; more|--|-|//|/|// x;|"
                                             "/*|*/|/* a; b */|*|{|}|{ c; }|"
                                             "'|'a;b'|''|\"|\"q;r\"|\\|\\'|?\?/|"
                                             "#|# d; e|  #x;|"
                                             "Grüße|€;|😀|\xEF\xBB\xBF")
                                      .split('|');
// Bytes that are not UTF-8, which make a file Latin-1.
const char* const kNotUtf8[] = {"\xE9", "\xC3"};

QByteArray RandomScript(std::mt19937& random) {
    const auto chance = [&](int percent) {
        return std::uniform_int_distribution<int>(0, 99)(random) < percent;
    };
    QByteArray script;
    if (chance(10))
        script += "\xEF\xBB\xBF"; // a byte-order mark
    const int count = std::uniform_int_distribution<int>(0, 40)(random);
    const int last = static_cast<int>(kPieces.size()) - 1;
    for (int i = 0; i < count; ++i) {
        // Rarely, so that most scripts stay UTF-8.
        if (chance(1))
            script += kNotUtf8[std::uniform_int_distribution<int>(0, 1)(random)];
        else
            script += kPieces[std::uniform_int_distribution<int>(0, last)(random)];
    }
    return script;
}

TEST(StatementStreamTest, FindsTheEditorsStatementsWhereverTheReadsEnd) {
    QTemporaryDir dir;
    std::mt19937 random(20240611);
    TEditorStatements editors[kSetups] = {TEditorStatements(0), TEditorStatements(1),
                                          TEditorStatements(2)};
    TSqlStyles styles[kSetups] = {TSqlStyles(0), TSqlStyles(1), TSqlStyles(2)};
    int latin1 = 0;
    for (int round = 0; round < 5000; ++round) {
        const QByteArray script = RandomScript(random);
        const int setup = round % kSetups;
        // Mostly a few bytes at a time, so that reads end inside every marker, span, line
        // break and character; sometimes one read takes it all.
        const qint64 readSize =
            round % 10 == 0 ? 1 << 16 : std::uniform_int_distribution<int>(1, 8)(random);
        // A new file each time: writing over the last one makes the file system flush it.
        const QString path = QDir(dir.path()).filePath(QStringLiteral("%1.sql").arg(round));
        {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(script);
        }
        const TKxScriptFileText loaded = KxReadScriptFile(path);
        latin1 += loaded.Encoding == TKxScriptEncoding::Latin1;
        const QStringList expected = editors[setup].Of(loaded.Text);
        TKxScriptReader reader(path);
        const QStringList streamed = StreamedStatements(reader, styles[setup], readSize);
        ASSERT_EQ(streamed, expected)
            << "file \"" << Printable(script) << "\", set-up " << setup << ", reads of " << readSize
            << "\nstreamed " << Printable(streamed) << "\nexpected " << Printable(expected);

        TKxScriptReader counting(path);
        EXPECT_EQ(TKxStatementStream(counting, styles[setup].Styles()).CountStatements(),
                  expected.size());

        // Standard input is read once: UTF-8, with replacement characters.
        QBuffer input;
        input.setData(script);
        ASSERT_TRUE(input.open(QIODevice::ReadOnly));
        TKxScriptReader once(input);
        const QStringList streamedOnce = StreamedStatements(once, styles[setup], readSize);
        const QStringList expectedOnce = editors[setup].Of(QString::fromUtf8(script));
        ASSERT_EQ(streamedOnce, expectedOnce)
            << "input \"" << Printable(script) << "\", set-up " << setup << ", reads of "
            << readSize << "\nstreamed " << Printable(streamedOnce) << "\nexpected "
            << Printable(expectedOnce);
    }
    EXPECT_GT(latin1, 100) << "scripts that are not UTF-8 were tried too";
}

// A device that fails once its bytes have been read.
class TFailingDevice : public QIODevice {
public:
    explicit TFailingDevice(QByteArray bytes) : m_bytes(std::move(bytes)) {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (m_at >= m_bytes.size()) {
            setErrorString(QStringLiteral("the disk went away"));
            return -1;
        }
        const qint64 count = std::min<qint64>(maxSize, m_bytes.size() - m_at);
        std::memcpy(data, m_bytes.constData() + m_at, static_cast<size_t>(count));
        m_at += count;
        return count;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_at = 0;
};

TEST(StatementStreamTest, AReadThatFailsEndsTheStreamWithTheReason) {
    TFailingDevice device("select 1;\nselect 2;\nselect 3 from a_table_with_a_long_name");
    TKxScriptReader reader(device);
    TSqlStyles styles(0);
    TKxStatementStream stream(reader, styles.Styles());
    stream.SetReadSize(4);
    stream.NextStatement();
    EXPECT_EQ(stream.GetCurrentStatementText(), QStringLiteral("select 1;"));
    EXPECT_FALSE(stream.ReadFailed());
    // Whether "select 3" is ended by a separator is never known: the read fails first.
    const EKxException e = test::Raised([&] { stream.NextStatement(); });
    EXPECT_TRUE(e.GetMessage().contains(QStringLiteral("the disk went away")))
        << e.GetMessage().toStdString();
    EXPECT_EQ(e.GetRoutineName(), QStringLiteral("LoadFromFile"));
    EXPECT_TRUE(stream.ReadFailed());
}

TEST(StatementStreamTest, StylesWhoseSpansItCannotFollowAreRefused) {
    QBuffer input;
    ASSERT_TRUE(input.open(QIODevice::ReadOnly));
    TKxScriptReader reader(input);
    TSqlStyles styles(0);
    styles.Styles().Items(0).SetSwitchable(true);
    const EKxException e = test::Raised([&] { TKxStatementStream(reader, styles.Styles()); });
    EXPECT_TRUE(e.GetMessage().contains(QStringLiteral("RestOfLineComment1")))
        << e.GetMessage().toStdString();
}

TEST(StatementStreamTest, ALargeScriptIsNeverHeldWhole) {
    if (test::ResidentBytes() < 0)
        GTEST_SKIP() << "no /proc/self/statm";
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("large.sql"));
    const auto statement = [](qint64 i) {
        return QStringLiteral("insert into orders values (%1, 'customer %1; -- not a comment', "
                              "%2.5); /* note %1; */")
            .arg(i)
            .arg(i % 1000);
    };
    constexpr qint64 kScriptBytes = 16 << 20;
    qint64 statements = 0;
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        QByteArray chunk;
        for (qint64 written = 0; written < kScriptBytes; ++statements) {
            chunk += statement(statements).toUtf8() + "\n";
            if (chunk.size() > (1 << 20) || written + chunk.size() >= kScriptBytes) {
                file.write(chunk);
                written += chunk.size();
                chunk.clear();
            }
        }
    }
    TKxScriptReader reader(path);
    TSqlStyles styles(0);
    TKxStatementStream stream(reader, styles.Styles());
    stream.NextStatement();
    qint64 count = 1;
    qint64 before = 0;
    qint64 peak = 0;
    while (!stream.IsLastStatement()) {
        stream.NextStatement();
        if (count % 10'000 == 0) {
            const qint64 resident = test::ResidentBytes();
            if (before == 0)
                before = resident;
            peak = std::max(peak, resident);
        }
        ++count;
    }
    EXPECT_EQ(count, statements);
    EXPECT_EQ(stream.GetCurrentStatementText(),
              statement(statements - 1).section(QLatin1Char(';'), 0, 1) + QLatin1Char(';'));
#if !defined(__SANITIZE_ADDRESS__)
    // The script's text alone would be 32 MB here.
    EXPECT_LT(peak - before, 4 << 20);
#endif
}

} // namespace
