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
#include <gtest/gtest.h>
#include <random>

namespace {

using namespace kx;

// The statements a script run goes through, in order, as the script executor walks them.
QStringList RunThrough(TKxStatementSource& source) {
    QStringList texts;
    if (!source.HasCurrentStatement())
        source.NextStatement();
    for (; !source.IsLastStatement(); source.NextStatement())
        texts << source.GetCurrentStatementText();
    return texts << source.GetCurrentStatementText();
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
        styles.Items(styles.FindStyleAt(u"#")).SetLineStartOnly(true);
        styles.Items(styles.FindStyleAt(u"#")).SetIgnoreLeadingBlanks(true);
        styles.Items(styles.FindStyleAt(u"'")).SetIgnoreChar(QStringLiteral("\\"));
    }
}

// The window's statements: the editor with the colouring.
struct TEditorStatements {
    explicit TEditorStatements(int setup) {
        SetUpStyles(editor.SyntaxColoring(), setup);
        KxAttachSyntaxSpans(statements, editor.SyntaxColoring());
        editor.SetAllowUndo(false);
    }
    QStringList Of(const QString& text) {
        editor.SetAllText(text);
        statements.ResetCurrentStatement();
        return RunThrough(statements);
    }
    TSyntaxTextModel editor;
    TKxScriptStatements statements{editor};
};

QStringList Streamed(TKxScriptReader& reader, const TCustomStyles& styles, qint64 readSize) {
    TKxStatementStream stream(reader, styles);
    stream.SetReadSize(readSize);
    return RunThrough(stream);
}

std::string Printable(const QByteArray& bytes) {
    return bytes.toPercentEncoding(" !\"#$&'()*+,-./:;<=>?@[]^_`{|}~").toStdString();
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

QByteArray RandomScript(std::mt19937& random) {
    const auto number = [&](int from, int to) {
        return std::uniform_int_distribution<int>(from, to)(random);
    };
    QByteArray script = number(0, 9) == 0 ? "\xEF\xBB\xBF" : ""; // a byte-order mark
    for (int i = number(0, 40); i > 0; --i) {
        // Rarely a byte that is not UTF-8, which makes a file Latin-1.
        if (number(0, 99) == 0)
            script += number(0, 1) == 0 ? "\xE9" : "\xC3";
        else
            script += kPieces[number(0, static_cast<int>(kPieces.size()) - 1)];
    }
    return script;
}

TEST(StatementStreamTest, FindsTheEditorsStatementsWhereverTheReadsEnd) {
    QTemporaryDir dir;
    std::mt19937 random(20240611);
    TEditorStatements editors[kSetups] = {TEditorStatements(0), TEditorStatements(1),
                                          TEditorStatements(2)};
    TSyntaxColoringCopy styles[kSetups];
    for (int setup = 0; setup < kSetups; ++setup)
        SetUpStyles(styles[setup], setup);
    int latin1 = 0;
    for (int round = 0; round < 5000; ++round) {
        const QByteArray script = RandomScript(random);
        const int setup = round % kSetups;
        // Mostly a few bytes at a time, so that reads end inside every marker, span, line
        // break and character; sometimes one read takes it all.
        const qint64 readSize =
            round % 10 == 0 ? 1 << 16 : std::uniform_int_distribution<int>(1, 8)(random);
        const auto context = [&](const QStringList& streamed, const QStringList& expected) {
            return "script \"" + Printable(script) + "\", set-up " + std::to_string(setup) +
                   ", reads of " + std::to_string(readSize) + "\nstreamed " +
                   Printable(streamed.join(QStringLiteral("] [")).toUtf8()) + "\nexpected " +
                   Printable(expected.join(QStringLiteral("] [")).toUtf8());
        };
        // A new file each time: writing over the last one makes the file system flush it.
        const QString path = QDir(dir.path()).filePath(QStringLiteral("%1.sql").arg(round));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(script);
        file.close();
        const TKxScriptFileText loaded = KxReadScriptFile(path);
        latin1 += loaded.Encoding == TKxScriptEncoding::Latin1;
        const QStringList expected = editors[setup].Of(loaded.Text);
        TKxScriptReader reader(path);
        const QStringList streamed = Streamed(reader, styles[setup].CustomStyles(), readSize);
        ASSERT_EQ(streamed, expected) << context(streamed, expected);
        TKxScriptReader counting(path);
        EXPECT_EQ(TKxStatementStream(counting, styles[setup].CustomStyles()).CountStatements(),
                  expected.size());

        // Standard input is read once: UTF-8, with replacement characters.
        QBuffer input;
        input.setData(script);
        ASSERT_TRUE(input.open(QIODevice::ReadOnly));
        TKxScriptReader once(input);
        const QStringList streamedOnce = Streamed(once, styles[setup].CustomStyles(), readSize);
        const QStringList expectedOnce = editors[setup].Of(QString::fromUtf8(script));
        ASSERT_EQ(streamedOnce, expectedOnce) << context(streamedOnce, expectedOnce);
    }
    EXPECT_GT(latin1, 100) << "scripts that are not UTF-8 were tried too";
}

// A device whose read fails at its end.
class TFailingDevice : public QBuffer {
protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const qint64 count = QBuffer::readData(data, maxSize);
        if (count == 0)
            setErrorString(QStringLiteral("the disk went away"));
        return count == 0 ? -1 : count;
    }
};

TEST(StatementStreamTest, AReadThatFailsEndsTheStreamWithTheReason) {
    TFailingDevice device;
    device.setData("select 1;\nselect 2;\nselect 3 from a_table_with_a_long_name");
    ASSERT_TRUE(device.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
    TKxScriptReader reader(device);
    TSyntaxColoringCopy styles;
    SetUpStyles(styles, 0);
    TKxStatementStream stream(reader, styles.CustomStyles());
    stream.SetReadSize(4);
    stream.NextStatement();
    EXPECT_EQ(stream.GetCurrentStatementText(), QStringLiteral("select 1;"));
    EXPECT_FALSE(stream.ReadFailed());
    // Whether "select 3" is ended by a separator is never known: the read fails first.
    const EKxException e = test::Raised([&] { stream.NextStatement(); });
    EXPECT_TRUE(e.GetMessage().contains(QStringLiteral("the disk went away")));
    EXPECT_EQ(e.GetRoutineName(), QStringLiteral("LoadFromFile"));
    EXPECT_TRUE(stream.ReadFailed());
}

TEST(StatementStreamTest, ALargeScriptIsNeverHeldWhole) {
    if (test::ResidentBytes() < 0)
        GTEST_SKIP() << "no /proc/self/statm";
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("large.sql"));
    const auto statement = [](qint64 i) {
        return QStringLiteral("insert into orders values (%1, 'customer %1; -- not a comment', "
                              "%2.5);")
            .arg(i)
            .arg(i % 1000);
    };
    qint64 statements = 0;
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    while (file.pos() < (16 << 20)) {
        QString chunk;
        for (int i = 0; i < 10'000; ++i)
            chunk += statement(statements++) + QStringLiteral(" /* note; */\n");
        file.write(chunk.toUtf8());
    }
    file.close();

    TKxScriptReader reader(path);
    TSyntaxColoringCopy styles;
    SetUpStyles(styles, 0);
    TKxStatementStream stream(reader, styles.CustomStyles());
    stream.NextStatement();
    qint64 count = 1;
    qint64 before = 0;
    qint64 peak = 0;
    for (; !stream.IsLastStatement(); ++count) {
        stream.NextStatement();
        if (count % 10'000 == 0) {
            before = before == 0 ? test::ResidentBytes() : before;
            peak = std::max(peak, test::ResidentBytes());
        }
    }
    EXPECT_EQ(count, statements);
    EXPECT_EQ(stream.GetCurrentStatementText(), statement(statements - 1));
#if !defined(__SANITIZE_ADDRESS__)
    // The script's text alone would be 32 MB here.
    EXPECT_LT(peak - before, 4 << 20);
#endif
}

} // namespace
