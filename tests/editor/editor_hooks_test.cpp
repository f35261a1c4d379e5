#include "editor/custom_editor.h"
#include "editor_test_support.h"

#include <gtest/gtest.h>
#include <vector>

namespace kx {
namespace {

using test::Replace;

// Records what a view and the syntax colouring would be told.
class RecordingEditor : public TCustomEditor {
public:
    struct Replaced {
        int position, oldLength, newLength;
    };
    std::vector<Replaced> replaced;
    std::vector<std::pair<int, int>> painted;
    std::vector<std::pair<TVisibleRect, TVisibleRect>> scrolled;
    int scrollBarUpdates = 0;
    int afterRepaints = 0;

    void TextReplaced(int position, int oldLength, int newLength) override {
        replaced.push_back({position, oldLength, newLength});
    }
    void PaintRange(const TCustomRange& range) override {
        painted.emplace_back(range.RStart(), range.REnd());
    }
    void UpdateScrollBars() override { ++scrollBarUpdates; }
    void AfterRepaint() override { ++afterRepaints; }
    void ScrollView(const TVisibleRect& from, const TVisibleRect& to) override {
        scrolled.emplace_back(from, to);
    }
    void Reset() {
        replaced.clear();
        painted.clear();
        scrolled.clear();
        scrollBarUpdates = 0;
        afterRepaints = 0;
    }
};

TEST(EditorHooks, EditReportsReplacementRepaintAndScrollBars) {
    RecordingEditor editor;
    editor.SetAllText(QStringLiteral("abcdefgh\r\ndef\r\nghi"));
    editor.SetVisibleSize(2, 10);
    editor.Reset();

    Replace(editor, 12, 1, QStringLiteral("XY"));
    ASSERT_EQ(editor.replaced.size(), 1u);
    EXPECT_EQ(editor.replaced[0].position, 12);
    EXPECT_EQ(editor.replaced[0].oldLength, 1);
    EXPECT_EQ(editor.replaced[0].newLength, 2);
    EXPECT_EQ(editor.afterRepaints, 1);
    EXPECT_EQ(editor.scrollBarUpdates, 0); // same rows, no row wider than before
    // Without a row change only the edited row is repainted, from the edit on.
    ASSERT_FALSE(editor.painted.empty());
    EXPECT_EQ(editor.painted.back().first, 12);
    EXPECT_EQ(editor.painted.back().second, editor.LineStart(3) - 1);

    editor.Reset();
    Replace(editor, 1, 0, QStringLiteral("new row\n"));
    EXPECT_EQ(editor.scrollBarUpdates, 1);
    // A row change repaints to the end of the visible range.
    EXPECT_EQ(editor.painted.back().second, editor.VisibleRange().REnd());
}

TEST(EditorHooks, MovingTheTopRowScrollsTheView) {
    RecordingEditor editor;
    editor.Lines().Assign({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                           QStringLiteral("4"), QStringLiteral("5")});
    editor.SetVisibleSize(2, 10);
    editor.Reset();
    editor.VisibleRange().SetTopRow(3);
    ASSERT_EQ(editor.scrolled.size(), 1u);
    EXPECT_EQ(editor.scrolled[0].first.Top, 1);
    EXPECT_EQ(editor.scrolled[0].second.Top, 3);
    editor.VisibleRange().SetTopRow(3); // unchanged: nothing
    EXPECT_EQ(editor.scrolled.size(), 1u);
}

TEST(EditorHooks, SelectionChangeRepaintsOnlyTheDifference) {
    RecordingEditor editor;
    editor.SetAllText(QStringLiteral("0123456789\r\n0123456789\r\n0123456789"));
    editor.Selection().Select(5, 16);
    editor.Reset();
    editor.Selection().SetRLength(18); // end moves from 20 to 22
    ASSERT_EQ(editor.painted.size(), 1u);
    EXPECT_EQ(editor.painted[0], std::make_pair(21, 22));
    editor.Reset();
    editor.Selection().Select(3, 20); // start moves from 5 to 3, end stays 22
    ASSERT_EQ(editor.painted.size(), 1u);
    EXPECT_EQ(editor.painted[0], std::make_pair(3, 4));
    editor.Reset();
    editor.Selection().Select(30, 0); // both ends move: the old selection is cleared
    ASSERT_EQ(editor.painted.size(), 1u);
    EXPECT_EQ(editor.painted[0], std::make_pair(3, 22));
}

} // namespace
} // namespace kx
