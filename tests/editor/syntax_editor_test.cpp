#include "editor/sql_syntax_setup.h"
#include "editor/syntax_editor.h"

#include <QApplication>
#include <QTest>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

namespace kx {
namespace {

class SyntaxEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        view = std::make_unique<TSyntaxEditor>();
        KxLoadSqlSyntaxSetup(view->SyntaxColoring());
    }
    void Show(int rows, int cols) {
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        const QSize wanted(cols * view->CharWidth() + view->LeftMargin(),
                           rows * view->LineHeight() + view->TopMargin());
        view->resize(view->size() + wanted - view->viewport()->size());
        QApplication::processEvents();
        view->activateWindow();
        view->setFocus();
        QApplication::processEvents();
    }
    // Pixels of the cells from..to of a row painted exactly in a colour (glyph strokes).
    int PixelsOf(int row, int fromCol, int toCol, QColor color, int tolerance = 0) const {
        const QPoint a = view->CellOrigin(row, fromCol);
        const QPoint b = view->CellOrigin(row, toCol + 1);
        int count = 0;
        for (int y = a.y(); y < a.y() + view->LineHeight(); ++y)
            for (int x = a.x(); x < b.x(); ++x)
                count += Near(view->RowImage().pixelColor(x, y), color, tolerance);
        return count;
    }
    // Small glyphs may have no pixel of full coverage; with a tolerance, a stroke close to the
    // colour counts.
    static bool Near(QColor a, QColor b, int tolerance) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                   std::abs(a.blue() - b.blue()) <=
               tolerance;
    }
    int Caret() const { return KxCaretPosition(*view); }
    std::unique_ptr<TSyntaxEditor> view;
};

TEST_F(SyntaxEditorTest, PaintsRangesInTheirFontsWithSelectionAndRowBackground) {
    Show(4, 40);
    view->SetAllText(QStringLiteral("select 'x', (1) -- c\r\nfrom t"));
    const QColor silver(0xC0, 0xC0, 0xC0);
    const QColor purple(0x80, 0x00, 0x80);
    const QColor red(0xFF, 0x00, 0x00);
    EXPECT_GT(PixelsOf(1, 17, 20, silver), 0); // the comment
    EXPECT_EQ(PixelsOf(1, 1, 16, silver), 0);
    EXPECT_GT(PixelsOf(1, 8, 10, purple, 48), 0); // the string
    EXPECT_GT(PixelsOf(1, 14, 14, red), 0);       // the number

    // The selected part of a range is painted in the highlight colours.
    const QColor highlight = KxToQColor(clHighlight, view->palette());
    view->Selection().Select(18, 3); // "- c"
    EXPECT_EQ(PixelsOf(1, 17, 17, silver) > 0, true);
    EXPECT_EQ(PixelsOf(1, 18, 20, silver), 0);
    EXPECT_GT(PixelsOf(1, 18, 20, highlight), 0);
    view->SetSelStart(0);

    // The current statement's band shows behind coloured text too.
    const QColor band(0xFF, 0xFF, 0xE0);
    view->RowRanges().push_back({2, 2, 0x00E0FFFF});
    view->VisibleRange().InvalidateRange();
    EXPECT_GT(PixelsOf(2, 5, 6, band), 0); // behind "f", "r" of the keyword row
    EXPECT_EQ(
        view->RowImage().pixelColor(view->viewport()->width() - 1, view->CellOrigin(2, 1).y() + 1),
        band);

    // Switched off, nothing is coloured; switched on again, the colours come back.
    view->SyntaxColoring().SetEnabled(false);
    view->VisibleRange().InvalidateRange();
    EXPECT_EQ(PixelsOf(1, 1, 20, silver), 0);
    EXPECT_EQ(PixelsOf(1, 1, 20, purple, 48), 0);
    view->SyntaxColoring().SetEnabled(true);
    EXPECT_GT(PixelsOf(1, 17, 20, silver), 0);

    // Typing "/*" in front turns the rest silver; deleting it brings the colours back.
    view->SetSelStart(0);
    QTest::keyClicks(view.get(), QStringLiteral("/*"));
    EXPECT_GT(PixelsOf(2, 1, 4, silver), 0);
    EXPECT_EQ(PixelsOf(1, 8, 10, purple, 48), 0);
    QTest::keyClick(view.get(), Qt::Key_Backspace);
    QTest::keyClick(view.get(), Qt::Key_Backspace);
    EXPECT_EQ(PixelsOf(2, 1, 4, silver), 0);
    EXPECT_GT(PixelsOf(1, 8, 10, purple, 48), 0);
}

TEST_F(SyntaxEditorTest, FontChangeRebuildsTheColouringFonts) {
    view->SetAllText(QStringLiteral("select 1"));
    TEditorFont font = view->Font();
    font.Size = 17;
    view->SetFont(font);
    EXPECT_EQ(view->SyntaxColoring().NumberFont().Size, 17);
    EXPECT_EQ(view->SyntaxColoring().NumberFont().Color, clRed);
    EXPECT_EQ(view->SyntaxColoring().WordLists().Items(0).Font().Size, 17);
    EXPECT_EQ(view->SyntaxColoring().RangeFont(*view->SyntaxColoring().RangeAt(1)).Style,
              TFontStyles(fsBold));
}

TEST_F(SyntaxEditorTest, TabAndShiftTabIndentABlockOfRows) {
    Show(4, 40);
    view->SetAllText(QStringLiteral("a\r\nb\r\nc"));
    view->Selection().Select(1, 4); // "a", CR LF, "b"
    QTest::keyClick(view.get(), Qt::Key_Tab);
    EXPECT_EQ(view->Text(), QStringLiteral("\ta\r\n\tb\r\nc"));
    QTest::keyClick(view.get(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(view->Text(), QStringLiteral("a\r\nb\r\nc"));
    view->Undo();
    EXPECT_EQ(view->Text(), QStringLiteral("\ta\r\n\tb\r\nc"));

    // Within one row Tab is a typed tab and Shift+Tab does nothing.
    view->SetAllText(QStringLiteral("ab"));
    view->Selection().Select(1, 1);
    QTest::keyClick(view.get(), Qt::Key_Tab);
    EXPECT_EQ(view->Text(), QStringLiteral("\tb"));
    QTest::keyClick(view.get(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(view->Text(), QStringLiteral("\tb"));
}

TEST_F(SyntaxEditorTest, AutoIndentIncreaseOpensABlock) {
    Show(6, 40);
    EXPECT_TRUE(view->AutoIndent());
    view->SetAllText(QStringLiteral("  if x{"));
    view->SetSelStart(view->TextLength());
    QTest::keyClick(view.get(), Qt::Key_Return);
    // Off by default: a plain break with the row's blanks.
    EXPECT_EQ(view->Text(), QStringLiteral("  if x{\r\n  "));

    view->SetAutoIndentIncrease(true);
    view->SetRemoveTrailingSpaces(true);
    view->SetAllText(QStringLiteral("  if x{"));
    view->SetSelStart(view->TextLength());
    QTest::keyClick(view.get(), Qt::Key_Return);
    EXPECT_EQ(view->Text(), QStringLiteral("  if x{\r\n  \t\r\n  }"));
    EXPECT_EQ(Caret(), 13); // after the tab

    // "{" typed on a row of blanks opens the block too; elsewhere it is just a character.
    view->SetAllText(QStringLiteral("x\r\n  "));
    view->SetSelStart(view->TextLength());
    QTest::keyClicks(view.get(), QStringLiteral("{"));
    EXPECT_EQ(view->Text(), QStringLiteral("x\r\n  {\r\n  \t\r\n  }"));
    EXPECT_EQ(Caret(), 12);
    view->SetAllText(QStringLiteral("a"));
    view->SetSelStart(1);
    QTest::keyClicks(view.get(), QStringLiteral("{"));
    EXPECT_EQ(view->Text(), QStringLiteral("a{"));
    // "{" preceded by a tab is not a block opener for Enter.
    view->SetAllText(QStringLiteral("\t{"));
    view->SetSelStart(2);
    QTest::keyClick(view.get(), Qt::Key_Return);
    EXPECT_EQ(view->Text(), QStringLiteral("\t{\r\n\t"));
}

TEST_F(SyntaxEditorTest, PlainSqlTextFollowsADarkPalette) {
    QPalette dark;
    dark.setColor(QPalette::Base, QColor(0x1E, 0x1E, 0x1E));
    dark.setColor(QPalette::Text, QColor(0xF0, 0xF0, 0xF0));
    view->setPalette(dark);
    Show(3, 30);
    view->SetAllText(QStringLiteral("select amount from orders"));
    // "amount" and "orders" are no SQL words: they take the palette's text colour.
    EXPECT_GT(PixelsOf(1, 8, 13, QColor(0xF0, 0xF0, 0xF0), 48), 5);
    EXPECT_GT(PixelsOf(1, 20, 25, QColor(0xF0, 0xF0, 0xF0), 48), 5);
    EXPECT_EQ(PixelsOf(1, 8, 13, QColor(0, 0, 0), 48), 0);
    // Keywords are bold in the same text colour, never black on the dark background.
    EXPECT_GT(PixelsOf(1, 1, 6, QColor(0xF0, 0xF0, 0xF0), 48), 5);
    EXPECT_EQ(PixelsOf(1, 1, 6, QColor(0, 0, 0), 48), 0);
}

} // namespace
} // namespace kx
