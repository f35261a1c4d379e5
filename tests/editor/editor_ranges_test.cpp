#include "editor/custom_editor.h"
#include "editor_test_support.h"

#include <gtest/gtest.h>

namespace kx {
namespace {

using test::Replace;
using test::Type;

struct RangeProbe {
    int changes = 0;
    int overwrites = 0;
    void Attach(TCustomRange& range) {
        range.OnChange = [this](TCustomRange*) { ++changes; };
        range.OnOverwrite = [this](TCustomRange*) { ++overwrites; };
    }
};

TMCRange* AddRange(TCustomEditor& editor, int start, int end) {
    TMCRange* range = editor.Ranges().Add<TMCRange>();
    range->SetRStart(start);
    range->SetREnd(end);
    return range;
}

class RangeTest : public testing::Test {
protected:
    void SetUp() override { editor.SetAllText(QStringLiteral("0123456789abcdefghij")); }
    TCustomEditor editor;
};

TEST_F(RangeTest, RangeInsideADeletedSpanCollapsesAndReportsOverwriteOnce) {
    TMCRange* inside = AddRange(editor, 6, 8);
    TMCRange* caretAfter = AddRange(editor, 11, 10);
    TMCRange* enclosing = AddRange(editor, 2, 15);
    RangeProbe insideProbe, caretProbe, enclosingProbe;
    insideProbe.Attach(*inside);
    caretProbe.Attach(*caretAfter);
    enclosingProbe.Attach(*enclosing);

    Replace(editor, 5, 6, QString()); // deletes positions 5..10

    EXPECT_EQ(inside->RStart(), 5);
    EXPECT_EQ(inside->RLength(), 0);
    EXPECT_EQ(insideProbe.overwrites, 1);
    EXPECT_EQ(insideProbe.changes, 1);

    EXPECT_EQ(caretAfter->RStart(), 5);
    EXPECT_EQ(caretAfter->RLength(), 0);
    EXPECT_EQ(caretProbe.overwrites, 0);

    EXPECT_EQ(enclosing->RStart(), 2);
    EXPECT_EQ(enclosing->REnd(), 9);
    EXPECT_EQ(enclosingProbe.overwrites, 0);
    EXPECT_EQ(enclosing->GetText(), QStringLiteral("123abcde"));
}

TEST_F(RangeTest, InsertionAtACaretLeavesItBeforeTheNewText) {
    TMCRange* caret = AddRange(editor, 5, 4);
    TMCRange* startsThere = AddRange(editor, 5, 6);
    TMCRange* before = AddRange(editor, 1, 4);
    RangeProbe beforeProbe;
    beforeProbe.Attach(*before);
    editor.SetSelStart(4); // the caret stands before position 5

    Type(editor, QStringLiteral("XY"));

    EXPECT_EQ(editor.Text().left(8), QStringLiteral("0123XY45"));
    EXPECT_EQ(caret->RStart(), 5);
    EXPECT_EQ(caret->RLength(), 0);
    EXPECT_EQ(startsThere->RStart(), 7);
    EXPECT_EQ(startsThere->GetText(), QStringLiteral("45"));
    EXPECT_EQ(before->GetText(), QStringLiteral("0123"));
    EXPECT_EQ(beforeProbe.changes, 0); // untouched ranges are not disturbed
    // The selection itself ends after the inserted text.
    EXPECT_EQ(editor.SelStart(), 6);
    EXPECT_EQ(editor.SelLength(), 0);
}

TEST_F(RangeTest, ReplacingAcrossARangeEndCutsItAtTheSpanStart) {
    TMCRange* range = AddRange(editor, 3, 7);
    RangeProbe probe;
    probe.Attach(*range);
    Replace(editor, 6, 4, QStringLiteral("LONGER TEXT"));
    EXPECT_EQ(range->RStart(), 3);
    EXPECT_EQ(range->REnd(), 5);
    EXPECT_EQ(probe.overwrites, 0); // touched, but not empty
    EXPECT_EQ(probe.changes, 1);
}

TEST_F(RangeTest, EditedRangeCoversItsNewText) {
    TMCRange* range = AddRange(editor, 3, 5);
    RangeProbe probe;
    probe.Attach(*range);
    range->SetText(QStringLiteral("xy\nz"));
    EXPECT_EQ(range->RStart(), 3);
    EXPECT_EQ(range->GetText(), QStringLiteral("xy\r\nz"));
    EXPECT_EQ(probe.overwrites, 0);
    EXPECT_EQ(range->GetStartRowCol(), (TRowCol{1, 3}));
    EXPECT_EQ(range->GetEndRowCol(), (TRowCol{2, 1}));
}

TEST_F(RangeTest, SettersClampToTheText) {
    TMCRange* range = editor.Ranges().Add<TMCRange>();
    EXPECT_EQ(range->RStart(), 1);
    EXPECT_EQ(range->RLength(), 0);
    range->SetRStart(500);
    EXPECT_EQ(range->RStart(), 21);
    range->SetRStart(-4);
    EXPECT_EQ(range->RStart(), 1);
    range->SetREnd(99);
    EXPECT_EQ(range->REnd(), 20);
    range->SetRStart(10); // the end follows into 9..20
    EXPECT_EQ(range->REnd(), 20);
    range->SetREnd(2);
    EXPECT_EQ(range->REnd(), 9);
    range->SetStartRowCol({1, 4});
    EXPECT_EQ(range->RStart(), 4);
}

TEST(RangeWithoutEditor, AnswersNeutralValuesAndIgnoresText) {
    TMCRange range;
    EXPECT_EQ(range.RStart(), 1);
    EXPECT_EQ(range.REnd(), 0);
    EXPECT_EQ(range.GetText(), QString());
    EXPECT_EQ(range.GetStartRowCol(), (TRowCol{1, 1}));
    EXPECT_EQ(range.GetEndRowCol(), (TRowCol{1, 0}));
    range.SetText(QStringLiteral("ignored"));
    EXPECT_EQ(range.RLength(), 0);
}

TEST(RangeContainer, FreesTheNewestItemFirstAndAllOnDestruction) {
    TCustomEditor editor;
    editor.SetAllText(QStringLiteral("abc"));
    const int base = editor.Ranges().Count();
    TMCRange* first = editor.Ranges().Add<TMCRange>();
    TMCRange* second = editor.Ranges().Add<TMCRange>();
    EXPECT_EQ(second->Editor(), &editor);
    EXPECT_EQ(editor.Ranges().Count(), base + 2);
    editor.Ranges().Destroy(second);
    EXPECT_EQ(editor.Ranges().Count(), base + 1);
    EXPECT_EQ(editor.Ranges().Items(base), first);
    editor.Ranges().Destroy(second); // no longer owned: ignored
    EXPECT_EQ(editor.Ranges().Count(), base + 1);

    TMCRanges other(&editor);
    first->SetContainer(&other);
    EXPECT_EQ(editor.Ranges().Count(), base);
    EXPECT_EQ(other.Count(), 1);
    EXPECT_EQ(first->Container(), &other);
}

TEST(RangeContainer, ListenerFreeingRangesDuringAnEditIsSafe) {
    TCustomEditor editor;
    editor.SetAllText(QStringLiteral("abcdef"));
    TMCRange* a = AddRange(editor, 2, 3);
    TMCRange* b = AddRange(editor, 2, 3);
    int overwrites = 0;
    b->OnOverwrite = [&](TCustomRange*) {
        ++overwrites;
        editor.Ranges().Destroy(a);
    };
    a->OnOverwrite = b->OnOverwrite;
    Replace(editor, 1, 4, QString());
    EXPECT_GE(overwrites, 1);
    EXPECT_EQ(editor.Text(), QStringLiteral("ef"));
}

TEST(VisibleRange, FollowsTopRowAndKeepsTextInViewAfterEditsAbove) {
    TCustomEditor editor;
    QStringList rows;
    for (int i = 1; i <= 50; ++i)
        rows.append(QStringLiteral("row %1").arg(i));
    editor.Lines().Assign(rows);
    editor.SetVisibleSize(10, 20);
    TVisibleRange& visible = editor.VisibleRange();
    visible.SetTopRow(20);
    EXPECT_EQ(visible.TopRow(), 20);
    EXPECT_EQ(visible.BottomRow(), 31);
    EXPECT_EQ(visible.RStart(), editor.LineStart(20));
    EXPECT_EQ(visible.REnd(), editor.LineStart(31) - 1);
    visible.SetTopRow(1000);
    EXPECT_EQ(visible.TopRow(), 41);
    visible.SetTopRow(-3);
    EXPECT_EQ(visible.TopRow(), 1);

    visible.SetTopRow(20);
    Replace(editor, 1, 0, QStringLiteral("new\r\nnew\r\n"));
    EXPECT_EQ(visible.TopRow(), 22);
    EXPECT_EQ(editor.Lines().Get(visible.TopRow() - 1), QStringLiteral("row 20"));
}

} // namespace
} // namespace kx
