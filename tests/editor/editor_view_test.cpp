#include "editor/editor_view.h"
#include "editor_test_support.h"
#include "foundation/application_exception_handler.h"
#include "foundation/exceptions.h"
#include "platform/clipboard_text.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>
#include <memory>

namespace kx {
namespace {

// A shown editor whose text area is exactly rows x cols cells, so every row is whole.
class EditorViewTest : public ::testing::Test {
protected:
    void SetUp() override { view = std::make_unique<TCustomEditorView>(); }

    void Show(int rows, int cols) {
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        const QSize wanted(cols * view->CharWidth() + view->LeftMargin(),
                           rows * view->LineHeight() + view->TopMargin());
        view->resize(view->size() + wanted - view->viewport()->size());
        QApplication::processEvents();
        ASSERT_EQ(view->viewport()->size(), wanted);
        view->activateWindow();
        view->setFocus();
        QApplication::processEvents();
    }

    QPoint Cell(int row, int visualCol) const {
        return view->CellOrigin(row, visualCol) + QPoint(1, view->LineHeight() / 2);
    }
    QColor Pixel(int x, int y) const { return view->RowImage().pixelColor(x, y); }
    QColor Palette(TColor color) const { return KxToQColor(color, view->palette()); }
    // Pixels of a cell that differ from the colour behind the text: something was drawn.
    int InkIn(int row, int visualCol, TColor background) const {
        const QPoint origin = view->CellOrigin(row, visualCol);
        const QColor back = Palette(background);
        int ink = 0;
        for (int y = origin.y(); y < origin.y() + view->LineHeight(); ++y)
            for (int x = origin.x(); x < origin.x() + view->CharWidth(); ++x)
                ink += Pixel(x, y) != back;
        return ink;
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(view.get(), key, modifiers);
    }
    int Caret() const { return KxCaretPosition(*view); }
    void Wheel(int delta) {
        QWheelEvent wheel(QPointF(10, 10), view->viewport()->mapToGlobal(QPointF(10, 10)), QPoint(),
                          QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view->viewport(), &wheel);
    }

    std::unique_ptr<TCustomEditorView> view;
};

QString Rows(int count) {
    QString text;
    for (int i = 1; i <= count; ++i)
        text += QStringLiteral("row %1\r\n").arg(i);
    return text + QStringLiteral("end");
}

TEST_F(EditorViewTest, VerticalMovesKeepTheDesiredVisualColumnAcrossTabs) {
    Show(10, 40);
    view->SetTabSize(4);
    view->SetAllText(QStringLiteral("a\tb\r\nabcdefgh\r\n\tx"));
    view->SetSelStart(view->RowColToPos({2, 6}) - 1); // after "abcde": visual column 6
    Key(Qt::Key_Up);
    EXPECT_EQ(view->PosToRowCol(Caret()), (TRowCol{1, 4})); // the row ends before column 6
    Key(Qt::Key_Down);
    EXPECT_EQ(view->PosToRowCol(Caret()), (TRowCol{2, 6})); // back in column 6, not 4
    Key(Qt::Key_Down);
    EXPECT_EQ(view->PosToRowCol(Caret()), (TRowCol{3, 3}));
    // A horizontal move forgets the column: from (3, 2), visual 5, up lands in visual 5.
    Key(Qt::Key_Left);
    Key(Qt::Key_Up);
    EXPECT_EQ(view->PosToRowCol(Caret()), (TRowCol{2, 5}));
    Key(Qt::Key_Up);
    EXPECT_EQ(view->PosToRowCol(Caret()), (TRowCol{1, 3})); // "b" starts in visual column 5
}

TEST_F(EditorViewTest, ShiftExtendsAndTurnsTheSelectionBackwards) {
    Show(10, 40);
    view->SetAllText(QStringLiteral("abcdef\r\nxy"));
    view->SetSelStart(4); // caret at position 5
    Key(Qt::Key_Left, Qt::ShiftModifier);
    Key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_TRUE(view->Selection().Backwards());
    EXPECT_EQ(view->Selection().RStart(), 3);
    EXPECT_EQ(view->SelLength(), 2);
    EXPECT_EQ(Caret(), 3);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_FALSE(view->Selection().Backwards());
    EXPECT_EQ(view->Selection().RStart(), 5);
    EXPECT_EQ(view->SelLength(), 1);
    // The line break is one step: from 7 the next extension takes CR and LF together.
    Key(Qt::Key_Right, Qt::ShiftModifier);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(view->Selection().REnd(), 8);
    EXPECT_EQ(view->Selection().GetText(), QStringLiteral("ef\r\n"));
    // Without Shift a selection collapses to its start; the caret stays visible on screen.
    Key(Qt::Key_Left);
    EXPECT_EQ(view->SelLength(), 0);
    EXPECT_EQ(Caret(), 5);
    Key(Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(view->Selection().GetText(), QStringLiteral("ef"));
}

TEST_F(EditorViewTest, EnterCopiesTheBlanksThatStartTheRowWithAutoIndent) {
    Show(10, 40);
    view->SetAllText(QStringLiteral("  select"));
    view->SetSelStart(8);
    view->SetAutoIndent(true);
    Key(Qt::Key_Return);
    QTest::keyClicks(view.get(), QStringLiteral("x"));
    EXPECT_EQ(view->Text(), QStringLiteral("  select\r\n  x"));
    view->SetAutoIndent(false);
    Key(Qt::Key_Return);
    EXPECT_EQ(view->Text(), QStringLiteral("  select\r\n  x\r\n"));
    // Blanks after the caret are not copied: only the prefix up to the caret counts.
    view->SetAllText(QStringLiteral("\t  "));
    view->SetAutoIndent(true);
    view->SetSelStart(1);
    Key(Qt::Key_Enter);
    EXPECT_EQ(view->Text(), QStringLiteral("\t\r\n\t  "));
}

TEST_F(EditorViewTest, ReadOnlyEditorOnlyScrollsAndCopies) {
    Show(5, 40);
    view->SetAllText(Rows(30));
    view->SetReadOnly(true);
    view->Selection().Select(1, 3);
    KxSetClipboardText(QStringLiteral("pasted"));
    const QString before = view->Text();
    Key(Qt::Key_V, Qt::ControlModifier);
    Key(Qt::Key_Insert, Qt::ShiftModifier);
    QTest::keyClicks(view.get(), QStringLiteral("typed"));
    Key(Qt::Key_Return);
    Key(Qt::Key_Backspace);
    Key(Qt::Key_Delete);
    Key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(view->Text(), before);
    EXPECT_EQ(KxClipboardText(), QStringLiteral("pasted"));
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(KxClipboardText(), QStringLiteral("row"));
    // Arrows scroll the view and leave the selection alone; no caret is shown.
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    EXPECT_EQ(view->VisibleRange().TopRow(), 3);
    EXPECT_EQ(view->Selection().RStart(), 1);
    EXPECT_EQ(view->SelLength(), 3);
    Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(view->VisibleRange().TopRow(), view->LineCount() - 5 + 1);
    EXPECT_FALSE(view->CaretShown());
}

TEST_F(EditorViewTest, EditingKeysAndClipboard) {
    Show(10, 40);
    view->SetAllText(QStringLiteral("ab\r\ncd"));
    view->SetSelStart(4); // before "c"
    Key(Qt::Key_Backspace);
    EXPECT_EQ(view->Text(), QStringLiteral("abcd")); // CR LF went in one keystroke
    EXPECT_EQ(Caret(), 3);
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view->Text(), QStringLiteral("ab\r\ncd"));
    view->SetSelStart(2);
    Key(Qt::Key_Delete);
    EXPECT_EQ(view->Text(), QStringLiteral("abcd"));
    Key(Qt::Key_Backspace, Qt::AltModifier);
    EXPECT_EQ(view->Text(), QStringLiteral("ab\r\ncd"));
    Key(Qt::Key_Backspace, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_EQ(view->Text(), QStringLiteral("abcd"));

    view->Selection().Select(2, 2); // "bc"
    Key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(view->Text(), QStringLiteral("ad"));
    EXPECT_EQ(KxClipboardText(), QStringLiteral("bc"));
    Key(Qt::Key_V, Qt::ControlModifier);
    Key(Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(view->Text(), QStringLiteral("abcbcd"));
    Key(Qt::Key_Tab);
    EXPECT_EQ(view->Text(), QStringLiteral("abcbc\td"));
    QInputMethodEvent composed;
    composed.setCommitString(QStringLiteral("\u00e9"));
    QApplication::sendEvent(view.get(), &composed); // a dead key followed by "e"
    EXPECT_EQ(view->Text(), QStringLiteral("abcbc\t\u00e9d"));
    Key(Qt::Key_Backspace);
    EXPECT_TRUE(view->hasFocus()); // Tab stayed in the editor
    // Cut and clear with nothing selected do nothing.
    KxSetClipboardText(QStringLiteral("kept"));
    view->CutToClipboard();
    view->ClearSelection();
    EXPECT_EQ(view->Text(), QStringLiteral("abcbc\td"));
    EXPECT_EQ(KxClipboardText(), QStringLiteral("kept"));
}

TEST_F(EditorViewTest, DragMoveIsOneUndoStepAndEscapePutsTheBlockBack) {
    Show(10, 40);
    view->SetDragDropEditing(true);
    view->SetAllText(QStringLiteral("one two three"));
    int changes = 0;
    view->OnChange = [&](TCustomEditor*) { ++changes; };
    view->Selection().Select(1, 3);
    view->ClearUndo();

    QWidget* port = view->viewport();
    QTest::mouseMove(port, Cell(1, 2));
    EXPECT_EQ(port->cursor().shape(), Qt::ArrowCursor); // over a selection that can be dragged
    QTest::mouseMove(port, Cell(1, 9));
    EXPECT_EQ(port->cursor().shape(), Qt::IBeamCursor);
    QTest::mousePress(port, Qt::LeftButton, {}, Cell(1, 2));
    QTest::mouseMove(port, Cell(1, 7));
    EXPECT_EQ(port->cursor().shape(), Qt::DragMoveCursor);
    QTest::mouseMove(port, view->CellOrigin(1, 14) + QPoint(1, 3));
    EXPECT_EQ(changes, 0); // nothing is announced while the block travels
    QTest::mouseRelease(port, Qt::LeftButton, {}, view->CellOrigin(1, 14) + QPoint(1, 3));
    EXPECT_EQ(view->Text(), QStringLiteral(" two threeone"));
    EXPECT_EQ(view->Selection().GetText(), QStringLiteral("one"));
    EXPECT_EQ(changes, 1);
    view->Undo();
    EXPECT_EQ(view->Text(), QStringLiteral("one two three"));
    EXPECT_FALSE(view->CanUndo()); // the whole move was one step
    view->Redo();
    EXPECT_EQ(view->Text(), QStringLiteral(" two threeone"));

    // Escape during the move restores the text and selects the block at its origin.
    view->SetAllText(QStringLiteral("one two three"));
    view->Selection().Select(5, 3); // "two"
    view->ClearUndo();
    QTest::mousePress(port, Qt::LeftButton, {}, Cell(1, 6));
    QTest::mouseMove(port, Cell(1, 1));
    EXPECT_EQ(view->Text(), QStringLiteral("twoone  three"));
    Key(Qt::Key_Escape);
    QTest::mouseRelease(port, Qt::LeftButton, {}, Cell(1, 1));
    EXPECT_EQ(view->Text(), QStringLiteral("one two three"));
    EXPECT_EQ(view->Selection().RStart(), 5);
    EXPECT_EQ(view->Selection().GetText(), QStringLiteral("two"));
    EXPECT_FALSE(view->CanUndo());

    // Ctrl leaves a copy at the origin; undo takes the copy away again.
    QTest::mousePress(port, Qt::LeftButton, {}, Cell(1, 6));
    QTest::mouseMove(port, Cell(1, 1));
    QTest::keyPress(view.get(), Qt::Key_Control);
    QTest::mouseRelease(port, Qt::LeftButton, {}, Cell(1, 1));
    QTest::keyRelease(view.get(), Qt::Key_Control);
    EXPECT_EQ(view->Text(), QStringLiteral("twoone two three"));
    view->Undo();
    EXPECT_EQ(view->Text(), QStringLiteral("one two three"));
    EXPECT_FALSE(view->CanUndo());
}

TEST_F(EditorViewTest, DragMoveOverShortTextMovesThatTextInstead) {
    Show(10, 40);
    view->SetDragDropEditing(true);
    view->SetAllText(QStringLiteral("ab longblock cd"));
    view->Selection().Select(4, 9); // "longblock"
    view->ClearUndo();
    QWidget* port = view->viewport();
    QTest::mousePress(port, Qt::LeftButton, {}, Cell(1, 6));
    QTest::mouseMove(port, Cell(1, 2)); // two characters left of the block: "b " jumps over it
    EXPECT_EQ(view->Text(), QStringLiteral("alongblockb  cd"));
    EXPECT_EQ(view->Selection().GetText(), QStringLiteral("longblock"));
    QTest::mouseRelease(port, Qt::LeftButton, {}, Cell(1, 2));
    view->Undo();
    EXPECT_EQ(view->Text(), QStringLiteral("ab longblock cd"));
    // A release where the press was, without moving, just places the caret.
    view->Selection().Select(4, 9);
    QTest::mouseClick(port, Qt::LeftButton, {}, Cell(1, 6));
    EXPECT_EQ(view->SelLength(), 0);
    EXPECT_EQ(Caret(), 6);
}

TEST_F(EditorViewTest, MakeVisibleScrollsByTheMargin) {
    Show(10, 40);
    view->SetAllText(Rows(100));
    view->VisibleRange().SetTopRow(20);
    view->SetSelStart(view->LineStart(19) - 1);
    view->Selection().MakeVisible(0);
    EXPECT_EQ(view->VisibleRange().TopRow(), 19); // exactly one row
    view->Selection().MakeVisible(4);
    EXPECT_EQ(view->VisibleRange().TopRow(), 15); // four rows above the caret
    view->SetSelStart(view->LineStart(40) - 1);
    view->Selection().MakeVisible(0);
    EXPECT_EQ(view->VisibleRange().TopRow(), 31); // caret in the last whole row
    view->VisibleRange().SetTopRow(3);
    view->SetSelStart(view->LineStart(3) - 1);
    view->Selection().MakeVisible(4);
    EXPECT_EQ(view->VisibleRange().TopRow(), 1);
    // Columns follow the same rule.
    view->SetAllText(QString(100, QChar(u'x')) + QStringLiteral("\r\n") + Rows(20));
    view->SetSelStart(59); // visual column 60
    view->Selection().MakeVisible(0);
    EXPECT_EQ(view->VisibleRange().LeftCol(), 20);
    view->SetSelStart(0);
    view->Selection().MakeVisible(0);
    EXPECT_EQ(view->VisibleRange().LeftCol(), 1);
    // Typing in the row below the view scrolls it in with four more rows of context.
    view->SetSelStart(view->LineStart(11) - 1);
    QTest::keyClicks(view.get(), QStringLiteral("x"));
    EXPECT_EQ(view->VisibleRange().TopRow(), 6);
}

TEST_F(EditorViewTest, ScrollBarsAreDisabledWhenNothingScrolls) {
    Show(20, 40);
    view->SetAllText(Rows(9));
    QScrollBar* vertical = view->verticalScrollBar();
    EXPECT_TRUE(vertical->isVisible());
    EXPECT_FALSE(vertical->isEnabled());
    EXPECT_FALSE(view->horizontalScrollBar()->isEnabled());
    view->ExecuteCommand(TEditorCommand::ScrollRowDown);
    Wheel(-120);
    EXPECT_EQ(view->VisibleRange().TopRow(), 1);

    view->SetAllText(Rows(40) + QString(60, QChar(u'x')));
    EXPECT_TRUE(vertical->isEnabled());
    EXPECT_EQ(vertical->maximum(), view->LineCount() - 20 + 1);
    EXPECT_TRUE(view->horizontalScrollBar()->isEnabled());
    // Wheel: three rows per notification, whatever its size; the bar follows.
    Wheel(-15);
    EXPECT_EQ(view->VisibleRange().TopRow(), 4);
    EXPECT_EQ(vertical->value(), 4);
    // Dragging the bar scrolls the text.
    vertical->setValue(10);
    EXPECT_EQ(view->VisibleRange().TopRow(), 10);
}

TEST_F(EditorViewTest, ScrollingOneRowPaintsOneRowAndMatchesAFullPaint) {
    Show(10, 30);
    const QString text = Rows(50);
    view->SetAllText(text);
    view->Selection().Select(view->LineStart(12) + 2, 20); // across rows
    view->RowRanges().push_back({14, 15, 0x00C0FFFF});
    view->VisibleRange().InvalidateRange();

    view->ResetPaintedRowCount();
    view->VisibleRange().SetTopRow(2);
    EXPECT_EQ(view->PaintedRowCount(), 1);
    view->ResetPaintedRowCount();
    for (int i = 0; i < 5; ++i)
        view->VisibleRange().SetTopRow(view->VisibleRange().TopRow() + 1);
    view->VisibleRange().SetTopRow(view->VisibleRange().TopRow() - 1);
    EXPECT_EQ(view->PaintedRowCount(), 6);

    // The moved pixels are exactly what painting the whole view at that row gives.
    const QImage scrolled = view->RowImage();
    view->VisibleRange().InvalidateRange();
    EXPECT_EQ(scrolled, view->RowImage());

    view->ResetPaintedRowCount();
    view->VisibleRange().SetTopRow(30); // a jump repaints the view
    EXPECT_EQ(view->PaintedRowCount(), 10);
}

TEST_F(EditorViewTest, EditsAndSelectionChangesPaintOnlyWhatTheyTouch) {
    Show(10, 30);
    view->SetAllText(Rows(50));
    view->SetSelStart(view->LineStart(3) + 1);
    view->ResetPaintedRowCount();
    QTest::keyClicks(view.get(), QStringLiteral("x"));
    EXPECT_EQ(view->PaintedRowCount(), 1);
    view->ResetPaintedRowCount();
    Key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(view->PaintedRowCount(), 1);
    view->ResetPaintedRowCount();
    Key(Qt::Key_Down, Qt::ShiftModifier); // the difference spans the rest of row 3 and row 4
    EXPECT_EQ(view->PaintedRowCount(), 2);
    view->ResetPaintedRowCount();
    Key(Qt::Key_Right); // collapse to the caret in row 4
    view->ResetPaintedRowCount();
    Key(Qt::Key_Return); // a new row moves every row below it
    EXPECT_EQ(view->PaintedRowCount(), 10 - 4 + 1);
}

TEST_F(EditorViewTest, PaintsTabsSelectionAndRowBackgroundsOnTheGrid) {
    Show(6, 12);
    view->SetTabSize(4);
    view->SetAllText(QStringLiteral("a\tb\r\nsecond row is long\r\nthird"));
    const TColor back = clWindow;
    EXPECT_GT(InkIn(1, 1, back), 0);
    EXPECT_EQ(InkIn(1, 2, back), 0);
    EXPECT_EQ(InkIn(1, 4, back), 0);
    EXPECT_GT(InkIn(1, 5, back), 0); // "b" after the tab stop
    view->VisibleRange().SetLeftCol(3);
    EXPECT_EQ(view->VisibleRange().LeftCol(), 3);
    EXPECT_EQ(InkIn(1, 4, back), 0); // the segment starts inside the tab's spaces
    EXPECT_GT(InkIn(1, 5, back), 0);
    view->VisibleRange().SetLeftCol(1);

    // A selection ending with the row's CR LF is highlighted to the right edge.
    view->Selection().Select(2, 4); // tab, "b", CR, LF
    const int right = view->viewport()->width() - 1;
    const int row1 = view->CellOrigin(1, 1).y() + 2;
    EXPECT_EQ(Pixel(right, row1), Palette(clHighlight));
    EXPECT_EQ(view->CaretRect().topLeft(), view->CellOrigin(2, 1) + QPoint(-1, 1));

    // A row background fills its rows from the margin to the edge, behind the text too.
    const TColor yellow = 0x0000FFFF;
    view->RowRanges().push_back({3, 3, yellow});
    view->VisibleRange().InvalidateRange();
    const int row3 = view->CellOrigin(3, 1).y() + 1;
    EXPECT_EQ(Pixel(view->LeftMargin(), row3), QColor(255, 255, 0));
    EXPECT_EQ(Pixel(right, row3), QColor(255, 255, 0));
    EXPECT_EQ(Pixel(right, view->CellOrigin(4, 1).y() + 1), Palette(clWindow));

    view->Clear();
    const QImage& image = view->RowImage();
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 5)
            ASSERT_EQ(image.pixelColor(x, y), Palette(clWindow));
}

TEST_F(EditorViewTest, UnderscoresSurviveTheRowBelowBeingPainted) {
    Show(5, 40);
    TEditorFont font = view->Font();
    font.Size = 14; // where common monospaced fonts draw "_" below their descent
    view->SetFont(font);
    view->SetAllText(QStringLiteral("_____\r\nx"));
    view->RowRanges().push_back({2, 2, 0x0000FFFF}); // the next row paints its own background
    view->VisibleRange().InvalidateRange();
    const QPoint row1 = view->CellOrigin(1, 1);
    const QPoint row2 = view->CellOrigin(2, 1);
    bool inked = false;
    for (int y = row1.y(); y < row2.y(); ++y)
        for (int x = row1.x(); x < row1.x() + 20; ++x)
            inked = inked || Pixel(x, y) != Palette(clWindow);
    EXPECT_TRUE(inked) << "the underscores must be drawn inside their own row";
}

TEST_F(EditorViewTest, MouseSelectsWordsAndAutoScrolls) {
    Show(5, 40);
    view->SetAllText(QStringLiteral("select tab_1$x, y\r\n") + Rows(30));
    QWidget* port = view->viewport();
    QTest::mouseClick(port, Qt::LeftButton, {}, Cell(1, 10));
    QTest::mouseDClick(port, Qt::LeftButton, {}, Cell(1, 10));
    QTest::mouseRelease(port, Qt::LeftButton, {}, Cell(1, 10));
    EXPECT_EQ(view->Selection().GetText(), QStringLiteral("tab_1$x"));

    QTest::mouseClick(port, Qt::LeftButton, {}, Cell(1, 3));
    EXPECT_EQ(Caret(), 3);
    QTest::mouseClick(port, Qt::LeftButton, Qt::ShiftModifier, Cell(2, 4));
    EXPECT_EQ(view->Selection().RStart(), 3);
    EXPECT_EQ(view->Selection().REnd(), view->LineStart(2) + 2);
    // A right click keeps the selection for the context menu.
    QTest::mouseClick(port, Qt::RightButton, {}, Cell(1, 1));
    EXPECT_EQ(view->Selection().RStart(), 3);

    // Holding the button below the view scrolls it every 50 ms and extends the selection.
    QTest::mousePress(port, Qt::LeftButton, {}, Cell(1, 1));
    QTest::mouseMove(port, QPoint(5, port->height() + 15)); // second started 10 pixels
    EXPECT_TRUE(QTest::qWaitFor([&] { return view->VisibleRange().TopRow() >= 1 + 2 * 2; }, 5000));
    QTest::mouseRelease(port, Qt::LeftButton, {}, QPoint(5, port->height() + 15));
    const int top = view->VisibleRange().TopRow();
    EXPECT_GE(top, 1 + 2 * 2);
    EXPECT_EQ(view->Selection().RStart(), 1);
    EXPECT_GT(view->PosToRowCol(view->Selection().REnd()).Row, top);
}

TEST_F(EditorViewTest, DroppedFilesReachOnFilesDropped) {
    Show(5, 40);
    QStringList received;
    view->OnFilesDropped = [&](TCustomEditorView* sender, const QStringList& names,
                               bool& doDefault) {
        EXPECT_EQ(sender, view.get());
        EXPECT_TRUE(doDefault);
        received = names;
    };
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a.sql")),
                  QUrl::fromLocalFile(QStringLiteral("/tmp/b.sql"))});
    const auto drop = [&] {
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &enter);
        QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &dropped);
    };
    drop();
    EXPECT_TRUE(received.isEmpty()); // not accepted unless switched on
    view->SetAcceptDroppedFiles(true);
    drop();
    EXPECT_EQ(received, (QStringList{QStringLiteral("/tmp/a.sql"), QStringLiteral("/tmp/b.sql")}));
    EXPECT_TRUE(view->Text().isEmpty());
}

TEST_F(EditorViewTest, CaretShowsOnlyForAnEmptySelectionUnlessAlwaysShown) {
    Show(5, 40);
    view->SetAllText(QStringLiteral("abc\r\ndef"));
    ASSERT_TRUE(view->hasFocus());
    view->SetSelStart(1);
    EXPECT_TRUE(view->CaretShown());
    EXPECT_EQ(view->CaretRect(),
              QRect(view->CellOrigin(1, 2) + QPoint(-1, 1), QSize(2, view->LineHeight() - 2)));
    Key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_FALSE(view->CaretShown());
    view->SetAlwaysShowCaret(true);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_TRUE(view->CaretShown());
    // With the caret always shown, Left moves from the caret instead of collapsing.
    Key(Qt::Key_Left);
    EXPECT_EQ(Caret(), 3);
    view->SetReadOnly(true);
    Key(Qt::Key_Down);
    EXPECT_FALSE(view->CaretShown());
}

TEST_F(EditorViewTest, MissingFontFallsBackToAFixedPitchFont) {
    TEditorFont font;
    font.Name = QStringLiteral("No Such Font Family Anywhere");
    font.Size = 12;
    view->SetFont(font);
    const QFontMetrics metrics(view->EditorQFont());
    EXPECT_EQ(metrics.horizontalAdvance(QStringLiteral("iiiiiiiiii")),
              metrics.horizontalAdvance(QStringLiteral("MMMMMMMMMM")));
    EXPECT_EQ(metrics.horizontalAdvance(QStringLiteral("MMMMMMMMMM")), 10 * view->CharWidth());
    EXPECT_EQ(view->EditorQFont().pointSize(), 12);
    EXPECT_EQ(view->TCustomEditor::StyleMask() & ~(fsBold | fsItalic), 0u);
}

// A dark desktop theme: light text on a dark window.
QPalette DarkPalette() {
    QPalette palette;
    palette.setColor(QPalette::Base, QColor(0x1E, 0x1E, 0x1E));
    palette.setColor(QPalette::Window, QColor(0x2D, 0x2D, 0x2D));
    palette.setColor(QPalette::Text, QColor(0xF0, 0xF0, 0xF0));
    palette.setColor(QPalette::WindowText, QColor(0xF0, 0xF0, 0xF0));
    palette.setColor(QPalette::Highlight, QColor(0x30, 0x60, 0xA0));
    palette.setColor(QPalette::HighlightedText, QColor(0xFF, 0xFF, 0xFF));
    return palette;
}

int Brightness(QColor c) {
    return (c.red() + c.green() + c.blue()) / 3;
}

TEST_F(EditorViewTest, PlainTextIsPaintedInThePalettesTextColourOnADarkTheme) {
    view->setPalette(DarkPalette());
    Show(5, 40);
    view->SetAllText(QStringLiteral("select 1"));
    EXPECT_EQ(view->Font().Color, clWindowText);
    EXPECT_EQ(Pixel(view->viewport()->width() - 1, 1), QColor(0x1E, 0x1E, 0x1E));
    // The glyphs of "select" are light strokes on the dark background; none is dark ink.
    int light = 0;
    int darkInk = 0;
    const QPoint a = view->CellOrigin(1, 1);
    for (int y = a.y(); y < a.y() + view->LineHeight(); ++y)
        for (int x = a.x(); x < a.x() + 6 * view->CharWidth(); ++x) {
            const int b = Brightness(Pixel(x, y));
            light += b > 0xA0;
            darkInk += b < 0x18;
        }
    EXPECT_GT(light, 10);
    EXPECT_EQ(darkInk, 0);

    // Back to a light theme: the same text turns dark, without being set again.
    QPalette lightPalette = DarkPalette();
    lightPalette.setColor(QPalette::Base, Qt::white);
    lightPalette.setColor(QPalette::Text, Qt::black);
    view->setPalette(lightPalette);
    QApplication::processEvents();
    view->VisibleRange().InvalidateRange();
    EXPECT_EQ(Pixel(view->viewport()->width() - 1, 1), QColor(Qt::white));
    EXPECT_GT(InkIn(1, 1, clWindow), 0);
    int dark = 0;
    for (int y = a.y(); y < a.y() + view->LineHeight(); ++y)
        for (int x = a.x(); x < a.x() + 6 * view->CharWidth(); ++x)
            dark += Brightness(Pixel(x, y)) < 0x60;
    EXPECT_GT(dark, 10);
}

TEST_F(EditorViewTest, AListenerThatRaisesWhileTypingIsReportedOnceAndTypingGoesOn) {
    QStringList reported;
    struct Recorder {
        KxApplicationExceptionHandler previous;
        ~Recorder() { KxSetApplicationExceptionHandler(previous); }
    } recorder{KxSetApplicationExceptionHandler(
        [&](const std::exception& e) { reported << KxExceptionMessage(e); })};
    Show(5, 40);
    int changes = 0;
    view->OnChange = [&](TCustomEditor*) {
        if (++changes == 1)
            KxRaise(QStringLiteral("listener failed"), QStringLiteral("OnChange"));
    };
    QTest::keyClicks(view.get(), QStringLiteral("ab"));
    EXPECT_EQ(reported, QStringList{QStringLiteral("listener failed")});
    EXPECT_EQ(view->Text(), QStringLiteral("ab"));
    EXPECT_EQ(Caret(), 3);
    // The screen follows too: both characters are on it and the next key still edits.
    EXPECT_GT(InkIn(1, 2, clWindow), 0);
    Key(Qt::Key_Backspace);
    EXPECT_EQ(view->Text(), QStringLiteral("a"));
    EXPECT_EQ(reported.size(), 1);
    view->OnChange = nullptr;
}

} // namespace
} // namespace kx
