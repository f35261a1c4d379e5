#include "app/script_search.h"
#include "editor/syntax_coloring.h"

#include <gtest/gtest.h>

namespace {

using namespace kx;

TEST(ScriptSearchTest, WholeWordsEndAtSqlDelimitersAndBothDirectionsReachTheEnds) {
    TKxSearchOptions word;
    word.wholeWord = true;
    EXPECT_EQ(KxSearchText(QStringLiteral("valid"), QStringLiteral("id"), 1, word), 0);
    EXPECT_EQ(KxSearchText(QStringLiteral("id_x"), QStringLiteral("id"), 1, word), 0);
    EXPECT_EQ(KxSearchText(QStringLiteral("(id)"), QStringLiteral("id"), 1, word), 2);
    EXPECT_EQ(KxSearchText(QStringLiteral("id=1"), QStringLiteral("id"), 1, word), 1);
    EXPECT_EQ(KxSearchText(QStringLiteral("a.id"), QStringLiteral("id"), 1, word), 0)
        << "a dot is no delimiter";

    TKxSearchOptions down;
    const QString text = QStringLiteral("Select id FROM t WHERE ID = 1");
    EXPECT_EQ(KxSearchText(text, QStringLiteral("id"), 1, down), 8);
    EXPECT_EQ(KxSearchText(text, QStringLiteral("id"), 9, down), 24) << "without case";
    down.matchCase = true;
    EXPECT_EQ(KxSearchText(text, QStringLiteral("ID"), 1, down), 24);
    EXPECT_EQ(KxSearchText(text, QStringLiteral("1"), text.size() + 1, down), 0)
        << "from the end down there is nothing";
    EXPECT_EQ(KxSearchText(text, QString(), 1, down), 0) << "an empty text matches nothing";

    TKxSearchOptions up;
    up.down = false;
    EXPECT_EQ(KxSearchText(QStringLiteral("abc abc"), QStringLiteral("abc"), 1, up), 1);
    // From far behind the end the search starts where the text can still hold it.
    EXPECT_EQ(KxSearchText(QStringLiteral("abc abc"), QStringLiteral("abc"), 100, up), 5);
}

TEST(ScriptSearchTest, ReplaceAllEndsAndIsOneEdit) {
    QString text = QStringLiteral("a b a");
    EXPECT_EQ(KxReplaceAllText(text, QStringLiteral("a"), QStringLiteral("aa"), 1, {}), 2);
    EXPECT_EQ(text, QStringLiteral("aa b aa")) << "the inserted text is not searched again";

    TSyntaxTextModel editor;
    editor.SetAllText(QStringLiteral("select x; select y; SELECT z"));
    editor.ClearUndo();
    TKxScriptSearch search(editor);
    EXPECT_EQ(search.ReplaceAll(QStringLiteral("select"), QStringLiteral("SELECT"), {}), 3);
    EXPECT_EQ(editor.Text(), QStringLiteral("SELECT x; SELECT y; SELECT z"));
    editor.Undo();
    EXPECT_EQ(editor.Text(), QStringLiteral("select x; select y; SELECT z")) << "one undo step";
    EXPECT_EQ(search.ReplaceAll(QString(), QStringLiteral("x"), {}), 0);
}

TEST(ScriptSearchTest, ReplaceReplacesTheSelectedMatchAndSelectsTheNextOne) {
    TSyntaxTextModel editor;
    editor.SetAllText(QStringLiteral("a-a-a"));
    TKxScriptSearch search(editor);
    editor.Selection().Select(1, 1); // the first «a» selected, as Find leaves it
    EXPECT_TRUE(search.Replace(QStringLiteral("a"), QStringLiteral("aa"), {}));
    EXPECT_EQ(editor.Text(), QStringLiteral("aa-a-a"));
    EXPECT_EQ(editor.SelStart(), 3) << "the next match, behind the inserted text";
    EXPECT_EQ(editor.SelLength(), 1);
    EXPECT_TRUE(search.Replace(QStringLiteral("a"), QStringLiteral("aa"), {}));
    EXPECT_FALSE(search.Replace(QStringLiteral("a"), QStringLiteral("aa"), {}))
        << "the last one replaced, nothing is left";
    EXPECT_EQ(editor.Text(), QStringLiteral("aa-aa-aa"));

    // Find walks on from behind the selection.
    editor.Selection().Select(1, 2);
    ASSERT_TRUE(search.Find(QStringLiteral("aa"), {}));
    EXPECT_EQ(editor.SelStart(), 3);
    TKxSearchOptions up;
    up.down = false;
    ASSERT_TRUE(search.Find(QStringLiteral("aa"), up));
    EXPECT_EQ(editor.SelStart(), 0);
}

} // namespace
