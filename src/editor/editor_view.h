#pragma once

#include "editor/custom_editor.h"
#include "editor/editor_commands.h"
#include "editor/editor_painter.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <vector>

class QPainter;

namespace kx {

class KxFileDropTarget;

// The script editor on screen: the text model drawn on a fixed character grid, with scroll
// bars, caret, keyboard and mouse commands, the clipboard and dropped files.
//
// Rows are painted into an image the size of the viewport as soon as the model asks for
// them (an edit, a selection change, a scroll), and the paint event only copies the image
// and draws the caret. Qt lets a widget draw only inside its paint event, so this is how the
// view keeps the model's rule that exactly the touched rows are painted; scrolling moves the
// image's pixels and paints just the rows that came into view.
class TCustomEditorView : public QAbstractScrollArea, public TCustomEditor {
public:
    explicit TCustomEditorView(QWidget* parent = nullptr);
    ~TCustomEditorView() override;

    // --- font and grid
    const TEditorFont& Font() const { return m_font; }
    void SetFont(const TEditorFont& value);
    // The font actually used for text; a missing family has been replaced by the system's
    // fixed-pitch font.
    const QFont& EditorQFont() const { return m_qfont; }
    int CharWidth() const { return m_cell.Width; }
    int LineHeight() const { return m_cell.Height; }

    // --- properties of the control
    enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
    enum TBorderStyle { bsNone, bsSingle };
    TScrollStyle ScrollBars() const { return m_scrollBars; }
    void SetScrollBars(TScrollStyle value);
    TBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TBorderStyle value);
    bool Bitmapped() const { return m_bitmapped; }
    void SetBitmapped(bool value) { m_bitmapped = value; }
    bool AcceptDroppedFiles() const { return m_acceptDroppedFiles; }
    void SetAcceptDroppedFiles(bool value);

    // --- commands that can also be sent from outside
    void CutToClipboard();
    void CopyToClipboard();
    void PasteFromClipboard();
    void ClearSelection();
    // Runs one command of the key table, as if its key had been pressed.
    void ExecuteCommand(TEditorCommand command, bool extend = false);

    // --- screen mapping
    // Top-left corner of the cell of (row, visual column) in viewport pixels.
    QPoint CellOrigin(int row, int visualCol) const;
    // The text position whose cell boundary is nearest to a viewport pixel.
    int PositionAt(QPoint pixel) const;
    // Where the caret stands, in viewport pixels (2 pixels wide, one line minus 2 high).
    QRect CaretRect() const;
    bool CaretShown() const { return m_caretShown; }

    // Rows painted since the last reset; tests and benchmarks use it to check that a change
    // paints no more than it touches.
    int PaintedRowCount() const { return m_paintedRows; }
    void ResetPaintedRowCount() { m_paintedRows = 0; }
    // The image the rows are painted into (viewport size, without the caret).
    const QImage& RowImage() const { return m_image; }

    using TFilesDroppedEvent = std::function<void(
        TCustomEditorView* sender, const QStringList& fileNames, bool& doDefaultLoad)>;
    TFilesDroppedEvent OnFilesDropped;

    // --- model hooks
    void PaintRange(const TCustomRange& range) override;
    void UpdateScrollBars() override;
    void ScrollView(const TVisibleRect& from, const TVisibleRect& to) override;
    void MakeRangeVisible(TCustomRange& range, int margin) override;
    void HideCaret() override;
    void ShowCaret() override;

protected:
    // Fills pieces with the stretches of the row segment start..end and how to paint each.
    // The base view splits at the selection; syntax colouring overrides this.
    virtual void BuildPieces(int start, int end, TColor background,
                             std::vector<TPaintPiece>& pieces);
    // After the font changed and was measured.
    virtual void FontChanged() {}
    // Shift+Tab; the base editor has no block indenting.
    virtual void BackTab() {}
    // Tab: the selection becomes a tab.
    virtual void TabKey();

    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    bool EditorEvent(QEvent* event);
    void Measure();
    bool EnsureImage();
    void PaintSegment(QPainter& painter, int start, int end, int x, int y, TColor background,
                      int tabPhase);
    void FillRect(QPainter& painter, const QRect& rect, TColor color);
    const QFont& PaintFont(const TEditorFont& font);
    void TypeText(const QString& text);
    void DeleteAtCaret(int direction);
    void MoveTo(int position, bool extend, bool vertical = false);
    void ScrollBy(int rows, int cols);
    void SyncScrollBars();
    void UpdateCursorShape(QPoint pixel);
    void AutoScrollTick();
    void StartDragMove();
    void DragMoveTo(int position);
    void SetDragCopy(bool copy);
    void CancelDragMove();
    void FinishDragMove();
    void EndMouseSelecting(QPoint pixel);
    int ViewportWidth() const;
    int ViewportHeight() const;

    TEditorFont m_font;
    QFont m_qfont;
    TCharCell m_cell;
    struct TCachedFont {
        TEditorFont Description;
        QFont Font;
    };
    std::vector<TCachedFont> m_fontCache;
    QImage m_image;
    std::vector<TPaintPiece> m_pieces;
    QString m_expanded;
    int m_paintedRows = 0;

    TScrollStyle m_scrollBars = ssBoth;
    TBorderStyle m_borderStyle = bsSingle;
    bool m_bitmapped = false;
    bool m_acceptDroppedFiles = false;
    KxFileDropTarget* m_dropTarget = nullptr;

    bool m_caretShown = false;
    QRect m_caretRect;
    bool m_syncingBars = false;

    // Mouse state.
    QTimer m_autoScroll;
    QPoint m_lastMouse;
    bool m_mouseSelecting = false;
    bool m_doubleClicked = false;
    bool m_dragPending = false;
    QPoint m_dragPressPoint;

    // Drag-move state: the origin range marks where the block came from and holds its copy
    // while Ctrl is down.
    bool m_dragMoveRunning = false;
    bool m_dragCopy = false;
    TMCRange* m_dragOrigin = nullptr;
    QString m_dragText;
};

} // namespace kx
