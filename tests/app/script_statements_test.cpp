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
    statements.SetCommentTest([=](int position) { return position >= first && position <= last; });
    statements.NextStatement();
    statements.NextStatement();
    EXPECT_EQ(Current(), QStringLiteral("insert into t values (1);"));
    statements.NextStatement();
    EXPECT_EQ(Current(), QStringLiteral("select 3;"));
    statements.PreviousStatement();
    EXPECT_EQ(Current(), QStringLiteral("insert into t values (1);"));
}

TEST_F(ScriptStatementsTest, SeparatorsInCommentsNeitherEndNorCount) {
    const QString text = QStringLiteral("select 1 -- a;b\r\n, 2;\r\nselect 'x;y';");
    Load(text);
    const int commentFirst = text.indexOf(QStringLiteral("--")) + 1;
    const int commentLast = text.indexOf(QStringLiteral("\r\n")) + 1;
    statements.SetCommentTest([=](int p) { return p >= commentFirst && p <= commentLast; });
    statements.SetCommentSnapshot([=] { return TKxCommentSpans{{commentFirst, commentLast}}; });
    statements.NextStatement();
    EXPECT_EQ(Current(), QStringLiteral("select 1 -- a;b\r\n, 2;"));
    statements.NextStatement();
    EXPECT_EQ(Current(), QStringLiteral("select 'x;")) << "a literal does not protect a separator";
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

} // namespace

namespace {

using namespace kx;

// The statements of a script seen through the SQL syntax colouring, as the main window
// sees them.
class ColouredScriptTest : public testing::Test {
protected:
    void SetUp() override {
        KxLoadSqlSyntaxSetup(model.SyntaxColoring());
        KxAttachSyntaxComments(statements, model.SyntaxColoring());
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
    EXPECT_EQ(Count(), 3) << "comments protect, literals do not";
    statements.NextStatement();
    EXPECT_TRUE(statements.GetCurrentStatementText().startsWith(QStringLiteral("select 1 -- a;b")));
    EXPECT_TRUE(statements.GetCurrentStatementText().endsWith(QStringLiteral("h */;")));
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
