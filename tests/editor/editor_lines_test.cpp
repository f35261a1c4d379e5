#include "editor/custom_editor.h"
#include "editor/line_breaks.h"
#include "editor_test_support.h"

#include <gtest/gtest.h>

namespace kx {
namespace {

using test::ExpectConsistent;
using test::Type;

TEST(Lines, AddToEmptyTextSetsItWithoutALineBreak) {
    TCustomEditor editor;
    editor.Lines().Add(QStringLiteral("x"));
    EXPECT_EQ(editor.Text(), QStringLiteral("x"));
    EXPECT_EQ(editor.Lines().Count(), 1);
    editor.Lines().Add(QStringLiteral("y"));
    EXPECT_EQ(editor.Text(), QStringLiteral("x\r\ny"));
    EXPECT_EQ(editor.Lines().Count(), 2);
}

TEST(Lines, InsertPutAndDeleteWorkOnRows) {
    TCustomEditor editor;
    editor.Lines().Assign({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    editor.Lines().Insert(1, QStringLiteral("new"));
    EXPECT_EQ(editor.Text(), QStringLiteral("a\r\nnew\r\nb\r\nc"));
    editor.Lines().Put(0, QStringLiteral("A1"));
    EXPECT_EQ(editor.Lines().Get(0), QStringLiteral("A1"));
    editor.Lines().Delete(1);
    EXPECT_EQ(editor.Text(), QStringLiteral("A1\r\nb\r\nc"));
    editor.Lines().Delete(2); // the last row takes the break before it
    EXPECT_EQ(editor.Text(), QStringLiteral("A1\r\nb"));
    editor.Lines().Delete(7); // out of range: nothing
    editor.Lines().Put(-1, QStringLiteral("?"));
    EXPECT_EQ(editor.Lines().Get(9), QString());
    EXPECT_EQ(editor.Text(), QStringLiteral("A1\r\nb"));
    editor.Lines().Delete(0);
    editor.Lines().Delete(0);
    EXPECT_EQ(editor.Lines().Count(), 0);
    ExpectConsistent(editor);
}

TEST(Lines, NeverReturnALineBreakAndAssignKeepsBlankRows) {
    TCustomEditor editor;
    editor.Lines().SetText(QStringLiteral("a\rb\n\nc\r\n"));
    for (const QString& line : editor.Lines().ToStringList())
        EXPECT_FALSE(line.contains(QChar(u'\r')) || line.contains(QChar(u'\n')));
    EXPECT_EQ(editor.Lines().Count(), 5);

    editor.Lines().Assign({QString(), QString(), QStringLiteral("x")});
    EXPECT_EQ(editor.Lines().ToStringList(),
              (QStringList{QString(), QString(), QStringLiteral("x")}));
    editor.Lines().Put(1, QStringLiteral("multi\nline"));
    EXPECT_EQ(editor.Lines().Count(), 4);
    editor.Lines().Clear();
    EXPECT_EQ(editor.Text(), QString());
}

TEST(TrailingBlanks, RemovedFromInsertedTextExceptItsLastLine) {
    EXPECT_EQ(KxRemoveTrailingBlanks(QStringLiteral("a \t\r\nb  \r\n  c  "), false),
              QStringLiteral("a\r\nb\r\n  c  "));
    EXPECT_EQ(KxRemoveTrailingBlanks(QStringLiteral("a \r\n \t"), true), QStringLiteral("a\r\n"));

    TCustomEditor editor;
    editor.SetRemoveTrailingSpaces(true);
    Type(editor, QStringLiteral("select  \nfrom t   "));
    EXPECT_EQ(editor.Text(), QStringLiteral("select\r\nfrom t   "));
}

TEST(TrailingBlanks, SwitchingOnCleansEveryRowUndoably) {
    TCustomEditor editor;
    editor.SetAllText(QStringLiteral("a  \r\n\t\r\nb \t"));
    editor.ClearUndo();
    editor.SetRemoveTrailingSpaces(true);
    EXPECT_EQ(editor.Text(), QStringLiteral("a\r\n\r\nb"));
    ExpectConsistent(editor);
    while (editor.CanUndo())
        editor.Undo();
    EXPECT_EQ(editor.Text(), QStringLiteral("a  \r\n\t\r\nb \t"));
}

TEST(TrailingBlanks, RowLeftByTheCaretIsCleaned) {
    TCustomEditor editor;
    editor.SetAllText(QStringLiteral("ab\r\ncd"));
    editor.SetRemoveTrailingSpaces(true);
    editor.SetSelStart(2); // end of row 1
    Type(editor, QStringLiteral("  "));
    EXPECT_EQ(editor.Text(), QStringLiteral("ab  \r\ncd")); // the caret is still there
    editor.SetSelStart(editor.TextLength());                // the caret moves to row 2
    EXPECT_EQ(editor.Text(), QStringLiteral("ab\r\ncd"));
    EXPECT_EQ(editor.SelStart(), editor.TextLength());
    // Moving within the same row cleans nothing.
    editor.SetSelStart(4);
    Type(editor, QStringLiteral(" "));
    editor.SetSelStart(6);
    EXPECT_EQ(editor.Text(), QStringLiteral("ab\r\n cd"));
}

TEST(RowBackgrounds, FirstMatchingItemWinsElseEditorColor) {
    TCustomEditor editor;
    editor.SetColor(0x00FFFFFF);
    editor.RowRanges().push_back({2, 4, 0x0000FF});
    editor.RowRanges().push_back({3, 9, 0x00FF00});
    EXPECT_EQ(editor.RowBackground(1), 0x00FFFFFF);
    EXPECT_EQ(editor.RowBackground(3), 0x0000FF);
    EXPECT_EQ(editor.RowBackground(9), 0x00FF00);
    editor.RowRanges().clear();
    EXPECT_EQ(editor.RowBackground(3), 0x00FFFFFF);
}

} // namespace
} // namespace kx
