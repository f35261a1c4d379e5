#include "editor/custom_editor.h"
#include "editor_test_support.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <vector>

namespace kx {
namespace {

using test::Backspace;
using test::DeleteForward;
using test::ExpectConsistent;
using test::Replace;
using test::Type;

void TypeChars(TCustomEditor& editor, const QString& text) {
    for (QChar c : text)
        Type(editor, QString(c));
}

TEST(Undo, TypedRunIsOneStepAndRedoSelectsIt) {
    TCustomEditor editor;
    TypeChars(editor, QStringLiteral("abc"));
    EXPECT_EQ(editor.UndoStack().Count(), 1);
    editor.Undo();
    EXPECT_EQ(editor.Text(), QString());
    EXPECT_FALSE(editor.CanUndo());
    ASSERT_TRUE(editor.CanRedo());
    editor.Redo();
    EXPECT_EQ(editor.Text(), QStringLiteral("abc"));
    EXPECT_EQ(editor.SelStart(), 0);
    EXPECT_EQ(editor.SelLength(), 3);
    EXPECT_TRUE(editor.CanUndo());
    EXPECT_FALSE(editor.CanRedo());
}

TEST(Undo, BackspaceRunIsOneStep) {
    TCustomEditor editor;
    TypeChars(editor, QStringLiteral("xyz"));
    editor.ClearUndo();
    Backspace(editor);
    Backspace(editor);
    Backspace(editor);
    EXPECT_EQ(editor.Text(), QString());
    EXPECT_EQ(editor.UndoStack().Count(), 1);
    editor.Undo();
    EXPECT_EQ(editor.Text(), QStringLiteral("xyz"));
    EXPECT_FALSE(editor.CanUndo());
}

TEST(Undo, DeleteRunIsOneStepButDeletesAtTwoPlacesAreTwo) {
    TCustomEditor editor;
    editor.SetAllText(QStringLiteral("abcdef"));
    editor.ClearUndo();
    editor.SetSelStart(1);
    DeleteForward(editor);
    DeleteForward(editor);
    EXPECT_EQ(editor.Text(), QStringLiteral("adef"));
    EXPECT_EQ(editor.UndoStack().Count(), 1);

    editor.SetSelStart(4);
    Backspace(editor); // removes 'f', elsewhere
    editor.SetSelStart(0);
    DeleteForward(editor); // removes 'a'
    EXPECT_EQ(editor.Text(), QStringLiteral("de"));
    EXPECT_EQ(editor.UndoStack().Count(), 3);
    editor.Undo();
    EXPECT_EQ(editor.Text(), QStringLiteral("ade"));
    editor.Undo();
    EXPECT_EQ(editor.Text(), QStringLiteral("adef"));
    editor.Undo();
    EXPECT_EQ(editor.Text(), QStringLiteral("abcdef"));
}

TEST(Undo, BackspaceAtRowStartJoinsRowsInOneStep) {
    TCustomEditor editor;
    editor.SetAllText(QStringLiteral("ab\r\ncd"));
    editor.ClearUndo();
    editor.SetSelStart(4); // start of row 2
    TMCRange lineBreak(&editor);
    lineBreak.SetRStart(3);
    lineBreak.SetRLength(2);
    lineBreak.DeleteText();
    EXPECT_EQ(editor.Text(), QStringLiteral("abcd"));
    EXPECT_EQ(editor.LineCount(), 1);
    editor.Undo();
    EXPECT_EQ(editor.Text(), QStringLiteral("ab\r\ncd"));
    EXPECT_EQ(editor.LineCount(), 2);
    ExpectConsistent(editor);
}

TEST(Undo, NewEditEmptiesRedoAndAllowUndoOffEmptiesBoth) {
    TCustomEditor editor;
    TypeChars(editor, QStringLiteral("ab"));
    editor.Undo();
    ASSERT_TRUE(editor.CanRedo());
    Type(editor, QStringLiteral("z"));
    EXPECT_FALSE(editor.CanRedo());
    editor.SetAllowUndo(false);
    EXPECT_FALSE(editor.CanUndo());
    Type(editor, QStringLiteral("q"));
    EXPECT_FALSE(editor.CanUndo());
    editor.Undo(); // empty stack: nothing happens
    EXPECT_EQ(editor.Text(), QStringLiteral("zq"));
}

TEST(Undo, ReplacementUndoesAndRedoesExactly) {
    TCustomEditor editor;
    editor.SetAllText(QStringLiteral("select a\r\nfrom t"));
    editor.ClearUndo();
    Replace(editor, 8, 8, QStringLiteral("b, c\nfrom ü"));
    const QString after = editor.Text();
    editor.Undo();
    EXPECT_EQ(editor.Text(), QStringLiteral("select a\r\nfrom t"));
    ExpectConsistent(editor);
    editor.Redo();
    EXPECT_EQ(editor.Text(), after);
    ExpectConsistent(editor);
}

TEST(Undo, IndentGroupUndoesAsOneStepAndLeavesCaretInLastRow) {
    TCustomEditor editor;
    editor.SetAllText(QStringLiteral("one\r\ntwo\r\nthree"));
    editor.ClearUndo();
    int changes = 0;
    editor.OnChange = [&](TCustomEditor*) { ++changes; };
    editor.Selection().Select(1, editor.TextLength());
    editor.IndentSelection(1);
    EXPECT_EQ(editor.Text(), QStringLiteral("\tone\r\n\ttwo\r\n\tthree"));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(editor.SelStart(), 0); // the selection includes the new tabs
    EXPECT_EQ(editor.SelLength(), editor.TextLength());

    changes = 0;
    editor.Undo();
    EXPECT_EQ(editor.Text(), QStringLiteral("one\r\ntwo\r\nthree"));
    EXPECT_FALSE(editor.CanUndo());
    EXPECT_EQ(editor.SelLength(), 0);
    EXPECT_EQ(editor.Selection().GetStartRowCol(), (TRowCol{3, 1}));
    EXPECT_GE(changes, 1);

    editor.Redo();
    EXPECT_EQ(editor.Text(), QStringLiteral("\tone\r\n\ttwo\r\n\tthree"));
    EXPECT_EQ(editor.Selection().GetStartRowCol(), (TRowCol{3, 2}));
    EXPECT_TRUE(editor.CanUndo());
    EXPECT_FALSE(editor.CanRedo());
}

TEST(Undo, OutdentRemovesOnlyExistingTabs) {
    TCustomEditor editor;
    editor.SetAllText(QStringLiteral("\t\ta\r\nb\r\n\tc"));
    editor.ClearUndo();
    editor.Selection().Select(1, editor.TextLength());
    editor.IndentSelection(-3);
    EXPECT_EQ(editor.Text(), QStringLiteral("a\r\nb\r\nc"));
    editor.Undo();
    EXPECT_EQ(editor.Text(), QStringLiteral("\t\ta\r\nb\r\n\tc"));
    // Nothing to remove records no undo step.
    editor.SetAllText(QStringLiteral("x"));
    editor.ClearUndo();
    editor.IndentSelection(-1);
    EXPECT_FALSE(editor.CanUndo());
}

TEST(Undo, GroupsNestAndEmptyGroupsLeaveNoStep) {
    TCustomEditor editor;
    editor.BeginUndoGroup();
    editor.BeginUndoGroup();
    Type(editor, QStringLiteral("a"));
    editor.EndUndoGroup();
    Replace(editor, 1, 0, QStringLiteral("zz "));
    editor.EndUndoGroup();
    editor.BeginUndoGroup();
    editor.EndUndoGroup();
    EXPECT_EQ(editor.Text(), QStringLiteral("zz a"));
    editor.Undo();
    EXPECT_EQ(editor.Text(), QString());
    EXPECT_FALSE(editor.CanUndo());
    editor.Redo();
    EXPECT_EQ(editor.Text(), QStringLiteral("zz a"));
}

TEST(Undo, NotificationsFireForEveryUngroupedEdit) {
    TCustomEditor editor;
    int changes = 0;
    int selectionChanges = 0;
    editor.OnChange = [&](TCustomEditor*) { ++changes; };
    editor.OnSelectionChange = [&](TCustomEditor*) { ++selectionChanges; };
    Type(editor, QStringLiteral("a"));
    EXPECT_EQ(changes, 1);
    EXPECT_GE(selectionChanges, 1);
}

// Random typing, Backspace, Delete and replacements at random places, interleaved so that
// the undo merging rules apply often: undoing everything must give back the original text
// and redoing everything the final one, and every range must stay inside the text.
TEST(Undo, RandomEditsUndoAndRedoCompletely) {
    QRandomGenerator random(1234);
    TCustomEditor editor;
    const QString original = QStringLiteral("select a,\r\n  b\r\nfrom t\twhere x = 'é';");
    editor.SetAllText(original);
    editor.ClearUndo();
    std::vector<TMCRange*> ranges;
    for (int i = 0; i < 20; ++i) {
        ranges.push_back(editor.Ranges().Add<TMCRange>());
        ranges.back()->SetRStart(random.bounded(editor.TextLength() + 1) + 1);
        ranges.back()->SetRLength(random.bounded(6));
    }
    const QString typed[] = {QStringLiteral("x"), QStringLiteral("\n"), QStringLiteral("yz"),
                             QStringLiteral("\t"), QStringLiteral("\r\n;")};
    for (int i = 0; i < 600; ++i) {
        const int length = editor.TextLength();
        if (random.bounded(4) == 0)
            editor.SetSelStart(random.bounded(length + 1));
        switch (random.bounded(4)) {
        case 0:
            Type(editor, typed[random.bounded(int(std::size(typed)))]);
            break;
        case 1:
            Backspace(editor);
            break;
        case 2:
            DeleteForward(editor);
            break;
        default:
            Replace(editor, random.bounded(length + 1) + 1, random.bounded(8),
                    typed[random.bounded(int(std::size(typed)))]);
        }
        for (const TMCRange* range : ranges) {
            ASSERT_GE(range->RStart(), 1);
            ASSERT_LE(range->RStart(), editor.TextLength() + 1);
            ASSERT_GE(range->REnd(), range->RStart() - 1);
            ASSERT_LE(range->REnd(), editor.TextLength());
        }
    }
    const QString final = editor.Text();
    int steps = 0;
    while (editor.CanUndo()) {
        editor.Undo();
        ++steps;
    }
    EXPECT_EQ(editor.Text(), original);
    EXPECT_LT(steps, 600); // runs of typing and deleting were merged
    ExpectConsistent(editor);
    while (editor.CanRedo())
        editor.Redo();
    EXPECT_EQ(editor.Text(), final);
    ExpectConsistent(editor);
}

} // namespace
} // namespace kx
