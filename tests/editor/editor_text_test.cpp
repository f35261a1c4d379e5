#include "editor/custom_editor.h"
#include "editor/editor_strings.h"
#include "editor/line_breaks.h"
#include "editor_test_support.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <limits>

namespace kx {
namespace {

using test::ExpectConsistent;
using test::Replace;

TEST(EditorText, EmptyTextHasOneRowAndNoLines) {
    TCustomEditor editor;
    EXPECT_EQ(editor.LineCount(), 1);
    EXPECT_EQ(editor.LineLength(1), 0);
    EXPECT_EQ(editor.Lines().Count(), 0);
    EXPECT_EQ(editor.PosToRowCol(1), (TRowCol{1, 1}));
    EXPECT_EQ(editor.WidestRow(), 0);
}

TEST(EditorText, EveryKindOfLineBreakIsStoredAsCRLF) {
    EXPECT_EQ(KxNormalizeLineBreaks(QStringLiteral("a\nb\rc\r\nd\n\re")),
              QStringLiteral("a\r\nb\r\nc\r\nd\r\ne"));
    EXPECT_EQ(KxNormalizeLineBreaks(QStringLiteral("\r\r\n\n")), QStringLiteral("\r\n\r\n\r\n"));
    EXPECT_EQ(KxNormalizeLineBreaks(QStringLiteral("\n\r\n")), QStringLiteral("\r\n\r\n"));

    TCustomEditor editor;
    editor.SetAllText(QStringLiteral("one\ntwo\rthree\n"));
    EXPECT_EQ(editor.Text(), QStringLiteral("one\r\ntwo\r\nthree\r\n"));
    EXPECT_EQ(editor.LineCount(), 4);
    EXPECT_EQ(editor.Lines().ToStringList(),
              (QStringList{QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three"),
                           QString()}));
    // Text inserted later is normalised too.
    Replace(editor, 4, 0, QStringLiteral("\nx\r"));
    EXPECT_EQ(editor.Text(), QStringLiteral("one\r\nx\r\n\r\ntwo\r\nthree\r\n"));
    ExpectConsistent(editor);
}

TEST(EditorText, RowColumnConversions) {
    TCustomEditor editor;
    editor.SetAllText(QStringLiteral("ab\r\n\r\ncde"));
    // rows: "ab" at 1, "" at 5, "cde" at 7; length 9
    EXPECT_EQ(editor.LineCount(), 3);
    EXPECT_EQ(editor.PosToRowCol(1), (TRowCol{1, 1}));
    EXPECT_EQ(editor.PosToRowCol(3), (TRowCol{1, 3})); // the CR
    EXPECT_EQ(editor.PosToRowCol(4), (TRowCol{1, 4})); // the LF
    EXPECT_EQ(editor.PosToRowCol(5), (TRowCol{2, 1}));
    EXPECT_EQ(editor.PosToRowCol(10), (TRowCol{3, 4})); // just after the text
    EXPECT_EQ(editor.LineLength(1), 2);
    EXPECT_EQ(editor.LineLength(2), 0);
    EXPECT_EQ(editor.LineLength(3), 3);

    EXPECT_EQ(editor.RowColToPos({3, 2}), 8);
    EXPECT_EQ(editor.RowColToPos({2, 0}), 4);  // LF ending row 1
    EXPECT_EQ(editor.RowColToPos({2, -1}), 3); // CR ending row 1
    EXPECT_EQ(editor.RowColToPos({4, -2}), 9); // end of the text
    EXPECT_EQ(editor.RowColToPos({0, 5}), 5);
    for (int p = 1; p <= editor.TextLength() + 1; ++p)
        EXPECT_EQ(editor.RowColToPos(editor.PosToRowCol(p)), p);

    // Out-of-range input is clamped, never rejected.
    EXPECT_EQ(editor.PosToRowCol(-7).Row, 1);
    EXPECT_EQ(editor.PosToRowCol(0), (TRowCol{1, 0})); // end of an empty range at 1
    EXPECT_EQ(editor.PosToRowCol(1000).Row, 3);
    EXPECT_EQ(editor.LineLength(99), 3);
    EXPECT_EQ(editor.LineStart(-3), 1);
}

TEST(EditorText, VisualColumnsFollowTabStops) {
    TCustomEditor editor;
    editor.SetTabSize(4);
    editor.SetAllText(QStringLiteral("a\tbc\t\td"));
    EXPECT_EQ(editor.CharToVisualCol({1, 1}), 1);
    EXPECT_EQ(editor.CharToVisualCol({1, 3}), 5);  // 'b' after the tab
    EXPECT_EQ(editor.CharToVisualCol({1, 7}), 13); // 'd' after two tabs
    EXPECT_EQ(editor.LineWidth(1), 13);
    EXPECT_EQ(editor.WidestRow(), 13);
    EXPECT_EQ(editor.VisualToCharCol({1, 5}), 3);
    EXPECT_EQ(editor.VisualToCharCol({1, 3}), 3); // inside the tab: the next character
    EXPECT_EQ(editor.VisualToCharCol({1, 100}), 8);
    EXPECT_EQ(editor.VisualToCharCol({1, -4}), 1);
    EXPECT_EQ(editor.VisualToCharCol({7, 1}), 1);
    EXPECT_EQ(editor.TabFill(1), 4);
    EXPECT_EQ(editor.TabFill(2), 3);
    EXPECT_EQ(editor.TabFill(3), 4);

    editor.SetTabSize(0); // stored as 1
    EXPECT_EQ(editor.TabSize(), 1);
    EXPECT_EQ(editor.WidestRow(), 7);
    EXPECT_EQ(editor.VisualToCharCol({1, 3}), 3);
}

TEST(EditorText, NonAsciiNulAndOddBreaksSurvive) {
    TCustomEditor editor;
    QString text = QStringLiteral("Grüße ✓ 😀");
    text.append(QChar(u'\0'));
    text.append(QStringLiteral("z\r\r\n\n\rend"));
    editor.SetAllText(text);
    EXPECT_EQ(editor.Text(),
              QStringLiteral("Grüße ✓ 😀") + QChar(u'\0') + QStringLiteral("z\r\n\r\n\r\nend"));
    EXPECT_EQ(editor.LineCount(), 4);
    EXPECT_EQ(editor.Lines().Get(0).size(), 12);
    EXPECT_EQ(editor.Lines().Get(3), QStringLiteral("end"));
    ExpectConsistent(editor);
}

TEST(EditorText, EditsNeverSplitALineBreak) {
    TCustomEditor editor;
    editor.SetAllText(QStringLiteral("ab\r\ncd"));
    // Deleting only the LF takes the CR with it.
    Replace(editor, 4, 1, QString());
    EXPECT_EQ(editor.Text(), QStringLiteral("abcd"));
    ExpectConsistent(editor);

    editor.SetAllText(QStringLiteral("ab\r\ncd"));
    // Deleting only the CR takes the LF with it.
    Replace(editor, 3, 1, QString());
    EXPECT_EQ(editor.Text(), QStringLiteral("abcd"));
    ExpectConsistent(editor);

    editor.SetAllText(QStringLiteral("ab\r\ncd"));
    // Text inserted between CR and LF goes before the break.
    Replace(editor, 4, 0, QStringLiteral("X"));
    EXPECT_EQ(editor.Text(), QStringLiteral("abX\r\ncd"));
    ExpectConsistent(editor);
}

TEST(EditorText, WholeTextReplacementResetsTableAndWidestRow) {
    TCustomEditor editor;
    editor.SetAllText(QStringLiteral("a long first row\r\nb\r\nc"));
    EXPECT_EQ(editor.LineCount(), 3);
    EXPECT_EQ(editor.WidestRow(), 16);
    editor.SetAllText(QString());
    EXPECT_EQ(editor.LineCount(), 1);
    EXPECT_EQ(editor.LineStart(1), 1);
    EXPECT_EQ(editor.WidestRow(), 0);
    editor.SetAllText(QStringLiteral("xy"));
    EXPECT_EQ(editor.WidestRow(), 2);
}

TEST(EditorText, WidestRowShrinksWhenTheWidestRowIsEdited) {
    TCustomEditor editor;
    editor.SetAllText(QStringLiteral("short\r\nthe widest row\r\nmid row"));
    EXPECT_EQ(editor.WidestRow(), 14);
    // Join the widest row's start with the middle of the next one: the widest row shrinks.
    Replace(editor, editor.RowColToPos({2, 4}),
            editor.RowColToPos({3, 4}) - editor.RowColToPos({2, 4}), QString());
    EXPECT_EQ(editor.Text(), QStringLiteral("short\r\nthe row"));
    EXPECT_EQ(editor.WidestRow(), 7);
    ExpectConsistent(editor);
}

TEST(EditorText, OutOfRangeRangesAreClampedBeforeEditing) {
    TCustomEditor editor;
    editor.SetAllText(QStringLiteral("abc"));
    Replace(editor, 50, 10, QStringLiteral("!"));
    EXPECT_EQ(editor.Text(), QStringLiteral("abc!"));
    constexpr int kMax = std::numeric_limits<int>::max();
    constexpr int kMin = std::numeric_limits<int>::min();
    EXPECT_EQ(editor.PosToRowCol(kMin).Row, 1);
    EXPECT_EQ(editor.RowColToPos({1, kMax}), kMax);
    EXPECT_EQ(editor.RowColToPos({5, kMax}), kMax);
    EXPECT_EQ(editor.CharToVisualCol({1, kMax}), kMax);
    EXPECT_EQ(editor.VisualToCharCol({kMin, kMax}), 5);
    Replace(editor, 2, kMax, QStringLiteral("-"));
    EXPECT_EQ(editor.Text(), QStringLiteral("a-"));
    editor.Undo();
    EXPECT_EQ(editor.Text(), QStringLiteral("abc!"));
    Replace(editor, -5, 1, QStringLiteral(">"));
    EXPECT_EQ(editor.Text(), QStringLiteral(">bc!"));
    ExpectConsistent(editor);
}

TEST(EditorText, HugeSingleLineAndManyRows) {
    TCustomEditor editor;
    QString line(1 << 20, QChar(u'x'));
    editor.SetAllText(line);
    EXPECT_EQ(editor.LineCount(), 1);
    EXPECT_EQ(editor.WidestRow(), 1 << 20);
    Replace(editor, 500000, 0, QStringLiteral("\n"));
    EXPECT_EQ(editor.LineCount(), 2);
    EXPECT_EQ(editor.LineLength(1), 499999);
    ExpectConsistent(editor);
}

// Random edits with every kind of input; after each, the incrementally kept line table and
// widest row must equal a fresh computation.
TEST(EditorText, RandomEditsKeepLineTableConsistent) {
    QRandomGenerator random(4711);
    const QString pieces[] = {
        QStringLiteral("a"),      QStringLiteral("\r\n"),  QStringLiteral("\n"),
        QStringLiteral("\r"),     QStringLiteral("\t\tx"), QStringLiteral("long piece of text"),
        QStringLiteral("é\n\rü"), QString(QChar(u'\0')),   QString()};
    TCustomEditor editor;
    editor.SetAllText(QStringLiteral("select *\r\nfrom t\r\n\twhere x = 1;\r\n"));
    for (int i = 0; i < 2000; ++i) {
        const int length = editor.TextLength();
        const int start = random.bounded(length + 2);
        const int count = random.bounded(std::min(length, 30) + 1);
        Replace(editor, start, count, pieces[random.bounded(int(std::size(pieces)))]);
        ExpectConsistent(editor);
        if (testing::Test::HasFatalFailure())
            FAIL() << "after edit " << i;
    }
}

} // namespace
} // namespace kx
