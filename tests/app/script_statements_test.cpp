#include "app/script_comments.h"
#include "app/script_statements.h"
#include "app/statement_preparation.h"
#include "editor/custom_editor.h"
#include "editor/sql_syntax_setup.h"
#include "editor/syntax_coloring.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

using namespace kx;

class ScriptStatementsTest : public testing::Test {
protected:
    void Load(const QString& text) {
        editor.SetAllText(text);
        statements.ResetCurrentStatement();
    }
    QString Current() const { return statements.GetCurrentStatementText(); }

    TCustomEditor editor;
    TKxScriptStatements statements{editor};
};

TEST_F(ScriptStatementsTest, NextAndPreviousWalkTheStatements) {
    Load(QStringLiteral("select 1;\r\nselect 2;"));
    EXPECT_FALSE(statements.HasCurrentStatement());
    statements.NextStatement();
    EXPECT_EQ(statements.Start(), 1);
    EXPECT_EQ(statements.End(), 9);
    EXPECT_TRUE(statements.IsFirstStatement());
    EXPECT_FALSE(statements.IsLastStatement());
    statements.NextStatement();
    EXPECT_EQ(statements.Start(), 12);
    EXPECT_EQ(statements.End(), 20);
    EXPECT_EQ(Current(), QStringLiteral("select 2;"));
    EXPECT_TRUE(statements.IsLastStatement());
    statements.PreviousStatement();
    EXPECT_EQ(Current(), QStringLiteral("select 1;"));

    ASSERT_EQ(editor.RowRanges().size(), 1u);
    EXPECT_EQ(editor.RowRanges()[0].FirstRow, 1);
    EXPECT_EQ(editor.RowRanges()[0].LastRow, 1);
    EXPECT_EQ(editor.RowRanges()[0].Color, 0xF0F0F0);
    statements.SetHighlightColor(0x00FFFF);
    EXPECT_EQ(editor.RowRanges()[0].Color, 0x00FFFF) << "a new colour shows at once";
}

TEST_F(ScriptStatementsTest, TextAfterTheLastSeparatorIsNotReachedByNext) {
    Load(QStringLiteral("select 1;\r\nselect 2"));
    statements.NextStatement();
    EXPECT_TRUE(statements.IsLastStatement()) << "Next Statement is disabled here";
    statements.MakeCurrentAt(15);
    EXPECT_EQ(Current(), QStringLiteral("select 2"));
    statements.StartCount();
    statements.WaitForCount();
    QCoreApplication::processEvents();
    EXPECT_EQ(statements.StatementCount(), 1);
}

TEST_F(ScriptStatementsTest, ASeparatorSelectsTheStatementItEnds) {
    Load(QStringLiteral("select 1;\r\nselect 2;"));
    statements.MakeCurrentAt(20);
    EXPECT_EQ(Current(), QStringLiteral("select 2;"));
    statements.MakeCurrentAt(9);
    EXPECT_EQ(Current(), QStringLiteral("select 1;"));
}

TEST_F(ScriptStatementsTest, EmptyStatementsNeverSwallowTheNextOne) {
    const QString text =
        QStringLiteral("select 1;\r\n;\r\ninsert into t values (1);\r\n/* note */;\r\nselect 3;");
    Load(text);
    const int first = text.indexOf(QStringLiteral("/*")) + 1;
    const int last = text.indexOf(QStringLiteral("*/")) + 2;
    statements.SetKindTest([=](int position) {
        return position >= first && position <= last ? TSyntaxStyleKind::Comment
                                                     : TSyntaxStyleKind::Other;
    });
    statements.NextStatement();
    statements.NextStatement();
    EXPECT_EQ(Current(), QStringLiteral("insert into t values (1);"));
    statements.NextStatement();
    EXPECT_EQ(Current(), QStringLiteral("select 3;"));
    statements.PreviousStatement();
    EXPECT_EQ(Current(), QStringLiteral("insert into t values (1);"));
}

TEST_F(ScriptStatementsTest, SeparatorsInCommentsAndQuotedTextNeitherEndNorCount) {
    const QString text = QStringLiteral("select 1 -- a;b\r\n, 2;\r\nselect 'x;y';\r\nselect 3;");
    Load(text);
    const int commentFirst = text.indexOf(QStringLiteral("--")) + 1;
    const int commentLast = text.indexOf(QStringLiteral("\r\n")) + 1;
    const int quotedFirst = text.indexOf(QLatin1Char('\'')) + 1;
    const int quotedLast = text.lastIndexOf(QLatin1Char('\'')) + 1;
    statements.SetKindTest([=](int p) {
        if (p >= commentFirst && p <= commentLast)
            return TSyntaxStyleKind::Comment;
        return p >= quotedFirst && p <= quotedLast ? TSyntaxStyleKind::Quoted
                                                   : TSyntaxStyleKind::Other;
    });
    statements.SetShieldSnapshot([=] {
        return TKxShieldedSpans{{commentFirst, commentLast}, {quotedFirst, quotedLast}};
    });
    statements.NextStatement();
    EXPECT_EQ(Current(), QStringLiteral("select 1 -- a;b\r\n, 2;"));
    statements.NextStatement();
    EXPECT_EQ(Current(), QStringLiteral("select 'x;y';"));
    statements.NextStatement();
    EXPECT_EQ(Current(), QStringLiteral("select 3;"));
    statements.PreviousStatement();
    EXPECT_EQ(Current(), QStringLiteral("select 'x;y';"));
    statements.MakeCurrentAt(quotedFirst + 2); // the ";" inside the literal
    EXPECT_EQ(Current(), QStringLiteral("select 'x;y';"));
    statements.StartCount();
    statements.WaitForCount();
    QCoreApplication::processEvents();
    EXPECT_EQ(statements.StatementCount(), 3);
}

TEST_F(ScriptStatementsTest, EmptyScriptGivesAnEmptyStatement) {
    Load(QString());
    statements.NextStatement();
    EXPECT_EQ(statements.Start(), 1);
    EXPECT_EQ(statements.End(), 2);
    EXPECT_EQ(Current(), QString());
}

TEST_F(ScriptStatementsTest, CountWorksOnASnapshotWhileTheTextChanges) {
    QString big;
    for (int i = 0; i < 20000; ++i)
        big += QStringLiteral("insert into t values (%1);\r\n").arg(i);
    Load(big);
    int reported = -1;
    statements.OnCountFinished = [&](int count) { reported = count; };
    statements.StartCount();
    for (int i = 0; i < 50; ++i) {
        TMCRange start(&editor);
        start.SetRStart(1);
        start.SetRLength(0);
        editor.ReplaceRangeText(start, QStringLiteral("x;"));
    }
    statements.WaitForCount();
    QCoreApplication::processEvents();
    EXPECT_EQ(reported, 20000) << "the count belongs to the text it started on";
    statements.StartCount(); // a running count is stopped and awaited before the next
    statements.StartCount();
    statements.WaitForCount();
    QCoreApplication::processEvents();
    EXPECT_EQ(statements.StatementCount(), 20050);
}

TEST_F(ScriptStatementsTest, SettledEditsRecountAndRefind) {
    Load(QStringLiteral("select 1;\r\nselect 2;"));
    statements.SetEditSettleDelay(20);
    statements.TextChanged();
    QElapsedTimer clock;
    clock.start();
    while (statements.StatementCount() < 0 && clock.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(statements.StatementCount(), 2);
    EXPECT_TRUE(statements.HasCurrentStatement());
}

TEST(PrepareStatementTextTest, CommentsGoAndDoubleQuotesFollowTheDataSource) {
    const QString text =
        QStringLiteral("select * from t -- all rows\r\nwhere a = \"x\"; drop table t");
    EXPECT_EQ(PrepareStatementText(text, false),
              QStringLiteral("select * from t \r\nwhere a = 'x'"));
    EXPECT_EQ(PrepareStatementText(text, false, false),
              QStringLiteral("select * from t \r\nwhere a = \"x\""));
    EXPECT_EQ(PrepareStatementText(QStringLiteral("select \"a;b\" from t"), false, false),
              QStringLiteral("select \"a;b\" from t"))
        << "quoted identifiers still protect a separator";
    EXPECT_EQ(PrepareStatementText(QStringLiteral("/* only a comment */"), false), QString());
    EXPECT_EQ(PrepareStatementText(QStringLiteral("/* a */ select 1"), false),
              QStringLiteral("select 1"));
    EXPECT_EQ(PrepareStatementText(QStringLiteral("{call p};"), false), QString());
    EXPECT_EQ(PrepareStatementText(QStringLiteral("select 'it''s' // x\r\n"), false),
              QStringLiteral("select 'it''s'"));
    EXPECT_EQ(PrepareStatementText(QStringLiteral("# note\r\nselect 1"), true),
              QStringLiteral("select 1"));
    EXPECT_EQ(PrepareStatementText(QStringLiteral("select 1 # note"), false),
              QStringLiteral("select 1 # note"));
    EXPECT_EQ(PrepareStatementText(QStringLiteral("select 1 -- a\nb"), false),
              QStringLiteral("select 1"))
        << "only a CR LF pair ends a line comment";
}

// A removed comment separates what stands on its two sides: joined, they would open a line
// comment («5--3») or a block comment that swallows SQL. Preparing twice changes nothing.
TEST(PrepareStatementTextTest, ARemovedCommentNeverJoinsItsNeighboursIntoAComment) {
    for (const auto& [text, expected] :
         {std::pair{"select 5-/* x */-3 from t", "select 5- -3 from t"},
          std::pair{"select 6/{ x }/2 from t", "select 6/ /2 from t"},
          std::pair{"select 6/{ x }*2 from t", "select 6/ *2 from t"},
          std::pair{"select 6/{a}{b}/2", "select 6/ /2"},
          std::pair{"select 2/* x */*3", "select 2*3"}}) {
        const QString prepared = PrepareStatementText(QString::fromUtf8(text), false);
        EXPECT_EQ(prepared, QString::fromUtf8(expected)) << text;
        EXPECT_EQ(PrepareStatementText(prepared, false), prepared) << text;
    }
}

// For data sources that write strings in double quotes, the text becomes a single-quoted
// literal of the same value; its own single quotes are doubled.
TEST(PrepareStatementTextTest, DoubleQuotedTextKeepsItsValueAsASingleQuotedLiteral) {
    EXPECT_EQ(PrepareStatementText(QStringLiteral("select \"it's\" -- x"), false),
              QStringLiteral("select 'it''s'"));
    EXPECT_EQ(PrepareStatementText(QStringLiteral("select \"it's\" -- x"), false, false),
              QStringLiteral("select \"it's\""));
    EXPECT_EQ(PrepareStatementText(QStringLiteral("select \"a'{b\" from t"), false),
              QStringLiteral("select 'a''{b' from t"))
        << "the brace stays inside the literal";
    const QString prepared = PrepareStatementText(QStringLiteral("\"#'{"), false);
    EXPECT_EQ(PrepareStatementText(prepared, false), prepared);
}

// Where comment delimiters touch, each delimiter's characters are used up by it: only comment
// characters go, and the SQL on either side stays.
TEST(PrepareStatementTextTest, TouchingCommentDelimitersRemoveNoSql) {
    const auto prepared = [](const char* text) {
        return PrepareStatementText(QString::fromUtf8(text), false).toStdString();
    };
    EXPECT_EQ(prepared("select 1 /**//* hint */ from t"), "select 1  from t");
    EXPECT_EQ(prepared("select /***/1 from t"), "select 1 from t");
    EXPECT_EQ(prepared("select 1 /* a *//* b */ from t"), "select 1  from t");
    EXPECT_EQ(prepared("select 1 /*/ still a comment */ from t"), "select 1  from t")
        << "the «*» of «/*» does not close the comment with the next «/»";
    EXPECT_EQ(prepared("select 2/* x */*3"), "select 2*3") << "«*» after «*/» is SQL";
    EXPECT_EQ(prepared("select 6/* x *//2"), "select 6/2") << "«/» after «*/» is SQL";
    EXPECT_EQ(prepared("select 1 /* a */-- b\r\nfrom t"), "select 1 \r\nfrom t");
    EXPECT_EQ(prepared("select 1 /* a */// b\r\nfrom t"), "select 1 \r\nfrom t");
    EXPECT_EQ(prepared("select 1 /* a */--\r\n/**/from t"), "select 1 \r\nfrom t");
}

} // namespace

namespace {

using namespace kx;

// The statements of a script seen through the SQL syntax colouring, as the main window
// sees them.
class ColouredScriptTest : public testing::Test {
protected:
    void SetUp() override {
        KxLoadSqlSyntaxSetup(model.SyntaxColoring());
        KxAttachSyntaxSpans(statements, model.SyntaxColoring());
    }
    int Count() {
        statements.StartCount();
        statements.WaitForCount();
        QCoreApplication::processEvents();
        return statements.StatementCount();
    }
    TSyntaxTextModel model;
    TKxScriptStatements statements{model};
};

TEST_F(ColouredScriptTest, SeparatorsInEveryCommentStyleAreIgnored) {
    model.SetAllText(QStringLiteral("select 1 -- a;b\r\n, 2 // c;d\r\n { e;f } /* g;\r\nh */;\r\n"
                                    "select 'x;y';"));
    EXPECT_EQ(Count(), 2);
    statements.NextStatement();
    EXPECT_TRUE(statements.GetCurrentStatementText().startsWith(QStringLiteral("select 1 -- a;b")));
    EXPECT_TRUE(statements.GetCurrentStatementText().endsWith(QStringLiteral("h */;")));
}

TEST_F(ColouredScriptTest, QuotedTextSeparatesNothing) {
    const QString text =
        QStringLiteral("insert into artists values (1, 'Sully Erna; Tony Rombola'),\r\n"
                       "  (2, 'it''s; -- not a comment');\r\n"
                       "select \"a;b\" from \"x;y\";\r\n"
                       "insert into notes values ('x; drop table t; --');\r\n");
    model.SetAllText(text);
    EXPECT_EQ(Count(), 3) << "the snapshot of the count holds the quoted stretches too";
    statements.NextStatement();
    EXPECT_EQ(statements.GetCurrentStatementText(),
              QStringLiteral("insert into artists values (1, 'Sully Erna; Tony Rombola'),\r\n"
                             "  (2, 'it''s; -- not a comment');"));
    statements.NextStatement();
    EXPECT_EQ(statements.GetCurrentStatementText(), QStringLiteral("select \"a;b\" from \"x;y\";"));
    statements.NextStatement();
    EXPECT_EQ(statements.GetCurrentStatementText(),
              QStringLiteral("insert into notes values ('x; drop table t; --');"));
    EXPECT_TRUE(statements.IsLastStatement());
    statements.PreviousStatement();
    EXPECT_EQ(statements.GetCurrentStatementText(), QStringLiteral("select \"a;b\" from \"x;y\";"));
    statements.MakeCurrentAt(text.indexOf(QStringLiteral("; Tony")) + 1);
    EXPECT_EQ(statements.Start(), 1) << "a «;» inside a value selects its whole statement";
    EXPECT_TRUE(statements.GetCurrentStatementText().endsWith(QStringLiteral("comment');")));
}

TEST_F(ColouredScriptTest, AnUnterminatedQuoteRunsToTheEndOfTheText) {
    const QString text = QStringLiteral("select 1;\r\nselect 'abc;\r\nselect 2;\r\nselect 3;");
    model.SetAllText(text);
    EXPECT_EQ(Count(), 1);
    statements.NextStatement();
    EXPECT_TRUE(statements.IsLastStatement()) << "the open quote swallows every later «;»";
    statements.MakeCurrentAt(text.indexOf(QStringLiteral("abc")) + 1);
    EXPECT_EQ(statements.GetCurrentStatementText(), text.mid(11)) << "one statement to the end";
}

TEST_F(ColouredScriptTest, RecolouringCommentsOrStringsChangesNoSplitting) {
    const QString text = QStringLiteral("select 'a;b' /* c;d */ from t;\r\nselect 2;");
    model.SetAllText(text);
    const auto split = [&] {
        statements.ResetCurrentStatement();
        statements.NextStatement();
        return std::make_pair(Count(), statements.GetCurrentStatementText());
    };
    const auto before = split();
    EXPECT_EQ(before.first, 2);
    TCustomStyles& styles = model.SyntaxColoring().CustomStyles();
    for (int i = 0; i < styles.Count(); ++i)
        styles.Items(i).SetColor(styles.Items(i).Kind() == TSyntaxStyleKind::Quoted ? clSilver
                                                                                    : clPurple);
    EXPECT_EQ(split(), before) << "strings painted silver and comments purple";

    // A style of the user's that merely paints silver is no comment.
    TCustomStyle& silver = styles.Add();
    silver.SetBeginText(QStringLiteral("<<"));
    silver.SetEndText(QStringLiteral(">>"));
    silver.SetColor(clSilver);
    model.SetAllText(QStringLiteral("select 1 <<a;b>>;"));
    EXPECT_EQ(Count(), 2);
}

// A statement follows only when a separator outside comments and quoted text ends it:
// empty statements in between change nothing, and the text after the last separator is
// reached only by making it current.
TEST_F(ColouredScriptTest, OneRuleDecidesWhetherAStatementFollows) {
    for (const char* script :
         {"select 1;;select 2", "select 1;\r\n/* x */;\r\nselect 2", "select 1;\r\nselect 2",
          "select 1;\r\nselect ';' -- x;", "select 1;\r\n-- only a note;\r\n;\r\n"}) {
        SCOPED_TRACE(script);
        model.SetAllText(QString::fromUtf8(script));
        statements.ResetCurrentStatement();
        statements.NextStatement();
        EXPECT_EQ(statements.GetCurrentStatementText(), QStringLiteral("select 1;"));
        EXPECT_TRUE(statements.IsLastStatement());
        statements.NextStatement();
        EXPECT_EQ(statements.GetCurrentStatementText(), QStringLiteral("select 1;"))
            << "Next does what its enabling says";
    }
    for (const char* script : {"select 1;;select 2;", "select 1;\r\n/* x */;\r\nselect 2;",
                               "select 1;\r\nselect 2; -- done"}) {
        SCOPED_TRACE(script);
        model.SetAllText(QString::fromUtf8(script));
        statements.ResetCurrentStatement();
        statements.NextStatement();
        EXPECT_FALSE(statements.IsLastStatement());
        statements.NextStatement();
        EXPECT_EQ(statements.GetCurrentStatementText(), QStringLiteral("select 2;"));
        EXPECT_TRUE(statements.IsLastStatement());
    }
    model.SetAllText(QStringLiteral("select 1;;select 2"));
    statements.MakeCurrentAt(model.TextLength());
    EXPECT_EQ(statements.GetCurrentStatementText(), QStringLiteral("select 2"));
    EXPECT_TRUE(statements.HasCurrentStatement());
}

// Where only comments and blanks are left, the statement is the empty one after the end of
// the text: its text is empty, never the comment's last character sent as a statement.
TEST_F(ColouredScriptTest, NoStatementIsMadeOfAComment) {
    for (const char* script : {"/* only a note */", "-- note", "{call p}", "  ;; /* a */ ;"}) {
        SCOPED_TRACE(script);
        model.SetAllText(QString::fromUtf8(script));
        statements.ResetCurrentStatement();
        statements.NextStatement();
        EXPECT_EQ(statements.GetCurrentStatementText(), QString());
        EXPECT_EQ(statements.Start(), model.TextLength() + 1);
        EXPECT_TRUE(statements.IsLastStatement());
    }
    const QString script = QStringLiteral("select 1; -- done");
    model.SetAllText(script);
    statements.MakeCurrentAt(script.size());
    EXPECT_EQ(statements.GetCurrentStatementText(), QString())
        << "the caret in the trailing comment selects no text";
    statements.PreviousStatement();
    EXPECT_EQ(statements.GetCurrentStatementText(), QStringLiteral("select 1;"));
    statements.ResetCurrentStatement();
    statements.NextStatement();
    EXPECT_EQ(statements.GetCurrentStatementText(), QStringLiteral("select 1;"));
    EXPECT_TRUE(statements.IsLastStatement());
}

TEST_F(ColouredScriptTest, DirectiveCommentsFollowTheSetting) {
    model.SetAllText(QStringLiteral("# x;"));
    EXPECT_EQ(Count(), 1);
    KxSetDirectiveCommentStyle(model.SyntaxColoring(), true);
    EXPECT_EQ(Count(), 0);
    KxSetDirectiveCommentStyle(model.SyntaxColoring(), false);
    EXPECT_EQ(Count(), 1);
}

} // namespace
