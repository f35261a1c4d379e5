#include "editor/editor_view.h"

#include "platform/clipboard_text.h"
#include "platform/event_guard.h"
#include "platform/file_drop_target.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cstring>

namespace kx {

namespace {

constexpr QChar kCRChar(u'\r');
constexpr QChar kLFChar(u'\n');

// Division rounding towards minus infinity, so pixels left of or above the text map to the
// column or row before the first one.
int FloorDiv(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// One column or row per started 10 pixels the pointer is beyond an edge of the view.
int AutoScrollSteps(int coordinate, int extent) {
    if (coordinate < 0)
        return -((-coordinate + 9) / 10);
    if (coordinate >= extent)
        return (coordinate - extent) / 10 + 1;
    return 0;
}

} // namespace

TCustomEditorView::TCustomEditorView(QWidget* parent) : QAbstractScrollArea(parent) {
    // Plain text takes the desktop's text colour, so a dark theme shows light text on its
    // dark window colour.
    m_font.Color = clWindowText;
    // Bars that have nothing to scroll stay visible and are disabled, so the text area does
    // not jump when a script grows past one page.
    SetScrollBars(ssBoth);
    SetBorderStyle(bsSingle);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(64, 64);
    resize(129, 129);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
    viewport()->setCursor(Qt::IBeamCursor);
    setAttribute(Qt::WA_InputMethodEnabled);
    m_autoScroll.setInterval(50);
    QObject::connect(&m_autoScroll, &QTimer::timeout, this, [this] { AutoScrollTick(); });
    Measure();
}

TCustomEditorView::~TCustomEditorView() {
    m_autoScroll.stop();
    OnFilesDropped = nullptr;
}

// ---------------------------------------------------------------- font and grid

void TCustomEditorView::SetFont(const TEditorFont& value) {
    m_font = value;
    Measure();
    FontChanged();
    UpdateScrollBars();
    PaintRange(VisibleRange());
    ShowCaret();
}

void TCustomEditorView::Measure() {
    QFont font = KxEditorQFont(m_font);
    m_cell = KxMeasureCell(font);
    // Bold or italic faces that are wider than the regular one would break the grid; those
    // styles are left out of every font the text is painted with.
    TFontStyles mask = 0;
    QFont probe = font;
    probe.setBold(true);
    if (QFontMetrics(probe).horizontalAdvance(QLatin1Char('M')) != m_cell.Width)
        mask |= fsBold;
    probe = font;
    probe.setItalic(true);
    if (QFontMetrics(probe).horizontalAdvance(QLatin1Char('M')) != m_cell.Width)
        mask |= fsItalic;
    SetStyleMask(mask);
    m_qfont = KxFontOnGrid(font, m_cell.Width);
    m_fontCache.clear();
}

const QFont& TCustomEditorView::PaintFont(const TEditorFont& font) {
    TEditorFont key = font;
    key.Style &= ~TCustomEditor::StyleMask();
    key.Color = 0;
    for (const TCachedFont& cached : m_fontCache)
        if (cached.Description == key)
            return cached.Font;
    if (m_fontCache.size() >= 32)
        m_fontCache.clear();
    m_fontCache.push_back({key, KxFontOnGrid(KxEditorQFont(key), m_cell.Width)});
    return m_fontCache.back().Font;
}

int TCustomEditorView::ViewportWidth() const {
    return viewport()->width();
}

int TCustomEditorView::ViewportHeight() const {
    return viewport()->height();
}

QPoint TCustomEditorView::CellOrigin(int row, int visualCol) const {
    const TVisibleRange& visible = VisibleRange();
    return {(visualCol - visible.LeftCol()) * m_cell.Width + LeftMargin(),
            (row - visible.TopRow()) * m_cell.Height + TopMargin()};
}

int TCustomEditorView::PositionAt(QPoint pixel) const {
    const TVisibleRange& visible = VisibleRange();
    const int row = std::clamp(visible.TopRow() + FloorDiv(pixel.y() - TopMargin(), m_cell.Height),
                               1, LineCount());
    const int visualCol = std::max(
        1, visible.LeftCol() + FloorDiv(pixel.x() + m_cell.Width / 2 - LeftMargin(), m_cell.Width));
    return RowColToPos({row, VisualToCharCol({row, visualCol})});
}

QRect TCustomEditorView::CaretRect() const {
    const TSelectionRange& selection = Selection();
    TRowCol rowCol;
    const int end = selection.REnd();
    if (!selection.Backwards() && end >= 1 && end <= TextLength() && Text()[end - 1] == kCRChar)
        rowCol = {PosToRowCol(end).Row + 1, 1};
    else
        rowCol = PosToRowCol(KxCaretPosition(*this));
    const QPoint origin = CellOrigin(rowCol.Row, CharToVisualCol(rowCol));
    return {origin.x() - 1, origin.y() + 1, 2, std::max(1, m_cell.Height - 2)};
}

void TCustomEditorView::SetScrollBars(TScrollStyle value) {
    m_scrollBars = value;
    // A bar that is on stays visible when it has nothing to scroll; it is disabled instead.
    setVerticalScrollBarPolicy(value == ssVertical || value == ssBoth ? Qt::ScrollBarAlwaysOn
                                                                      : Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(value == ssHorizontal || value == ssBoth ? Qt::ScrollBarAlwaysOn
                                                                          : Qt::ScrollBarAlwaysOff);
}

void TCustomEditorView::SetBorderStyle(TBorderStyle value) {
    m_borderStyle = value;
    setFrameStyle(value == bsSingle ? QFrame::StyledPanel | QFrame::Sunken : QFrame::NoFrame);
}

// ---------------------------------------------------------------- painting

bool TCustomEditorView::EnsureImage() {
    const QSize size = viewport()->size();
    if (size.isEmpty()) {
        m_image = QImage();
        return false;
    }
    const qreal ratio = viewport()->devicePixelRatioF();
    const QSize pixels = size * ratio;
    if (!m_image.isNull() && m_image.size() == pixels)
        return false;
    m_image = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    m_image.setDevicePixelRatio(ratio);
    m_image.fill(KxToQColor(Color(), palette()));
    return true;
}

void TCustomEditorView::FillRect(QPainter& painter, const QRect& rect, TColor color) {
    if (rect.width() > 0 && rect.height() > 0)
        painter.fillRect(rect, KxToQColor(color, palette()));
}

void TCustomEditorView::BuildPieces(int start, int end, TColor background,
                                    std::vector<TPaintPiece>& pieces) {
    const TSelectionRange& selection = Selection();
    if (!selection.Hidden() && selection.RLength() > 0) {
        const int a = std::max(start, selection.RStart());
        const int b = std::min(end, selection.REnd());
        if (a <= b) {
            TEditorFont highlighted = m_font;
            highlighted.Color = clHighlightText;
            pieces.push_back({start, a - 1, background, m_font});
            pieces.push_back({a, b, clHighlight, highlighted});
            pieces.push_back({b + 1, end, background, m_font});
            return;
        }
    }
    pieces.push_back({start, end, background, m_font});
}

void TCustomEditorView::PaintSegment(QPainter& painter, int start, int end, int x, int y,
                                     TColor background, int tabPhase) {
    const int textLength = TextLength();
    if (end < start && end < textLength)
        return;
    const int width = ViewportWidth();
    const int tabSize = TabSize();
    m_pieces.clear();
    BuildPieces(start, end, background, m_pieces);
    const QChar* text = Text().constData();
    for (const TPaintPiece& piece : m_pieces) {
        if (piece.End < piece.Start)
            continue;
        const QChar* data = text + (piece.Start - 1);
        int length = piece.End - piece.Start + 1;
        bool endsRow = false;
        if (data[length - 1] == kLFChar) {
            length = std::max(0, length - 2);
            endsRow = true;
        } else if (data[length - 1] == kCRChar) {
            --length;
            endsRow = true;
        }
        m_expanded.clear();
        KxExpandTabs(data, length, tabSize, tabPhase, m_expanded);
        const int right =
            endsRow ? std::max(width, x) : x + static_cast<int>(m_expanded.size()) * m_cell.Width;
        QRect rect(x, y, right - x, m_cell.Height);
        rect.setLeft(std::max(rect.left(), LeftMargin()));
        if (rect.width() > 0 && rect.left() < width) {
            FillRect(painter, rect, piece.Color);
            if (!m_expanded.isEmpty()) {
                const QFont& font = PaintFont(piece.Font);
                // Courier's italic face sits one pixel low.
                const int lift =
                    font.italic() && font.family().contains(QStringLiteral("Courier")) ? 1 : 0;
                const bool clip = x < rect.left();
                if (clip)
                    painter.setClipRect(rect);
                painter.setFont(font);
                painter.setPen(KxToQColor(piece.Font.Color, palette()));
                painter.drawText(QPoint(x, y + m_cell.Ascent - lift), m_expanded);
                if (clip)
                    painter.setClipping(false);
            }
        }
        x = right;
    }
    if (end >= textLength) {
        const int left = std::max(x, LeftMargin());
        FillRect(painter, QRect(left, y, width - left, m_cell.Height), background);
    }
}

void TCustomEditorView::PaintRange(const TCustomRange& range) {
    const TVisibleRange& visible = VisibleRange();
    if (m_image.isNull() || visible.UpdateCount() > 0)
        return;
    const int textLength = TextLength();
    const int start = range.RStart();
    const int end = range.REnd();
    const bool whole = &range == &visible || &range == &WholeText();
    // An empty range inside the text paints nothing; one at the very end cleans the area
    // behind the text.
    if (end < start && !whole && start <= textLength)
        return;
    const int width = ViewportWidth();
    const int height = ViewportHeight();
    QPainter painter(&m_image);
    if (textLength == 0) {
        FillRect(painter, QRect(0, 0, width, height), Color());
        ++m_paintedRows;
        viewport()->update();
        return;
    }
    const int lineHeight = m_cell.Height;
    const int top = visible.TopRow();
    const int left = visible.LeftCol();
    const TRowCol startRowCol = PosToRowCol(start);
    const TRowCol endRowCol = PosToRowCol(end);
    const int firstRow = std::max(startRowCol.Row, top);
    // Rows below the client area are not painted at all.
    const int lastVisibleRow = top + std::max(0, height - TopMargin() - 1) / lineHeight;
    const int lastRow =
        std::min({endRowCol.Row + (end >= textLength ? 1 : 0),
                  visible.BottomRow() + (visible.REnd() >= textLength ? 1 : 0), lastVisibleRow});
    const TSelectionRange& selection = Selection();
    const int rowCount = LineCount();
    const int belowText = (rowCount - top + 1) * lineHeight + TopMargin();
    for (int row = firstRow; row <= lastRow; ++row) {
        const int y = (row - top) * lineHeight + TopMargin();
        const TColor background = RowBackground(row);
        ++m_paintedRows;
        if (row > rowCount) {
            const bool selected =
                selection.RStart() <= textLength + 1 && selection.REnd() >= textLength + 1;
            FillRect(painter, QRect(LeftMargin(), y, width - LeftMargin(), lineHeight),
                     selected ? clHighlight : background);
            FillRect(painter,
                     QRect(LeftMargin(), belowText, width - LeftMargin(), height - belowText),
                     background);
            continue;
        }
        int firstCol = row == startRowCol.Row ? startRowCol.Col : 1;
        int lastCol = row == endRowCol.Row ? endRowCol.Col : LineLength(row) + 2;
        int firstVisual = CharToVisualCol({row, firstCol});
        if (firstVisual < left) {
            // Start with the character that covers LeftCol; a tab there is cut at the margin.
            int col = VisualToCharCol({row, left});
            if (col > 1 && CharToVisualCol({row, col}) > left)
                --col;
            if (col > firstCol) {
                firstCol = col;
                firstVisual = CharToVisualCol({row, col});
            }
        }
        if (LineWidth(row) >= visible.RightCol())
            lastCol = std::min(lastCol, VisualToCharCol({row, visible.RightCol()}));
        const int rowStart = LineStart(row);
        const int segmentStart = rowStart + firstCol - 1;
        const int segmentEnd = std::min(rowStart + lastCol - 1, textLength);
        if (segmentEnd >= segmentStart || (row == rowCount && segmentEnd >= textLength)) {
            const int x = (firstVisual - left) * m_cell.Width + LeftMargin();
            const int phase = TabSize() - (firstVisual - 1) % TabSize();
            PaintSegment(painter, segmentStart, segmentEnd, x, y, background, phase);
        }
        if (row == rowCount)
            FillRect(painter,
                     QRect(LeftMargin(), belowText, width - LeftMargin(), height - belowText),
                     background);
    }
    if (lastRow >= firstRow) {
        const int y = (firstRow - top) * lineHeight + TopMargin();
        viewport()->update(QRect(0, y, width, (lastRow - firstRow + 1) * lineHeight));
    }
}

void TCustomEditorView::paintEvent(QPaintEvent* event) {
    if (m_image.isNull() && EnsureImage())
        PaintRange(VisibleRange());
    QPainter painter(viewport());
    if (m_image.isNull())
        return;
    const qreal ratio = m_image.devicePixelRatio();
    for (const QRect& rect : event->region())
        painter.drawImage(rect, m_image,
                          QRectF(rect.x() * ratio, rect.y() * ratio, rect.width() * ratio,
                                 rect.height() * ratio));
    if (m_caretShown)
        painter.fillRect(m_caretRect, KxToQColor(clWindowText, palette()));
}

// ---------------------------------------------------------------- scrolling

void TCustomEditorView::SyncScrollBars() {
    m_syncingBars = true;
    const int rows = VisibleRowCount();
    const int cols = VisibleColCount();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(1, std::max(1, LineCount() - rows + 1));
    vertical->setPageStep(rows);
    vertical->setSingleStep(1);
    vertical->setValue(VisibleRange().TopRow());
    vertical->setEnabled(LineCount() > rows);
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(1, std::max(1, WidestRow() - cols + 1));
    horizontal->setPageStep(cols);
    horizontal->setSingleStep(1);
    horizontal->setValue(VisibleRange().LeftCol());
    horizontal->setEnabled(WidestRow() > cols);
    m_syncingBars = false;
}

void TCustomEditorView::UpdateScrollBars() {
    TVisibleRange& visible = VisibleRange();
    visible.BeginUpdate();
    const bool repaintAll = EnsureImage();
    const QSize size = viewport()->size();
    int rows = 1;
    int cols = 1;
    if (!size.isEmpty()) {
        rows = (size.height() - TopMargin()) / m_cell.Height;
        cols = (size.width() - LeftMargin()) / m_cell.Width;
    }
    SetVisibleSize(rows, cols);
    SyncScrollBars();
    visible.EndUpdate();
    if (repaintAll)
        PaintRange(visible);
}

void TCustomEditorView::ScrollView(const TVisibleRect& from, const TVisibleRect& to) {
    HideCaret();
    if (!m_image.isNull()) {
        const int shift = (from.Top - to.Top) * m_cell.Height;
        if (from.Left == to.Left && to.Top < from.Bottom - 1 && from.Top < to.Bottom - 1) {
            if (shift != 0) {
                // Move the rows that stay visible and paint only the band that came into view.
                const int width = ViewportWidth();
                const int height = ViewportHeight();
                const int textTop = TopMargin();
                const int moved = height - textTop - std::abs(shift);
                // Whole scan lines move in place; the left margin strip has one colour, so
                // moving it along does no harm.
                const qreal ratio = m_image.devicePixelRatio();
                const int sourceY = shift > 0 ? textTop : textTop - shift;
                const int sourceLine = qRound(sourceY * ratio);
                const int targetLine = qRound((sourceY + shift) * ratio);
                const int lines = std::min({qRound(moved * ratio), m_image.height() - sourceLine,
                                            m_image.height() - targetLine});
                if (lines > 0) {
                    const qsizetype stride = m_image.bytesPerLine();
                    uchar* bits = m_image.bits();
                    std::memmove(bits + targetLine * stride, bits + sourceLine * stride,
                                 static_cast<size_t>(lines * stride));
                }
                const int bandTop = shift > 0 ? textTop : height + shift;
                const int bandBottom = shift > 0 ? textTop + shift : height;
                const int firstRow = to.Top + (bandTop - textTop) / m_cell.Height;
                const int lastRow = to.Top + (bandBottom - 1 - textTop) / m_cell.Height;
                TMCRange band(this);
                band.SetRStart(firstRow > LineCount() ? TextLength() + 1 : LineStart(firstRow));
                band.SetREnd(lastRow >= LineCount() ? TextLength() : LineStart(lastRow + 1) - 1);
                PaintRange(band);
                viewport()->update(QRect(0, 0, width, height));
            }
        } else {
            PaintRange(VisibleRange());
            viewport()->update();
        }
    }
    SyncScrollBars();
    ShowCaret();
}

void TCustomEditorView::scrollContentsBy(int, int) {
    if (m_syncingBars)
        return;
    TVisibleRange& visible = VisibleRange();
    visible.BeginUpdate();
    visible.SetTopRow(verticalScrollBar()->value());
    visible.SetLeftCol(horizontalScrollBar()->value());
    visible.EndUpdate();
}

void TCustomEditorView::ScrollBy(int rows, int cols) {
    TVisibleRange& visible = VisibleRange();
    visible.BeginUpdate();
    visible.SetTopRow(KxClampToInt(qint64(visible.TopRow()) + rows));
    visible.SetLeftCol(KxClampToInt(qint64(visible.LeftCol()) + cols));
    visible.EndUpdate();
}

void TCustomEditorView::MakeRangeVisible(TCustomRange& range, int margin) {
    const bool backwards = &range == &Selection() && Selection().Backwards();
    const TRowCol rowCol = PosToRowCol(backwards ? range.RStart() : range.REnd() + 1);
    const int row = rowCol.Row;
    const int col = CharToVisualCol(rowCol);
    const int near = std::min(margin, 2);
    const int rows = VisibleRowCount();
    const int cols = VisibleColCount();
    TVisibleRange& visible = VisibleRange();
    visible.BeginUpdate();
    if (row - near < visible.TopRow())
        visible.SetTopRow(row - margin);
    else if (row - rows + 1 > visible.TopRow() && rows > 1)
        visible.SetTopRow(row - rows + 1 + margin);
    if (col - near < visible.LeftCol())
        visible.SetLeftCol(std::max(1, col - margin));
    else if (col - cols > visible.LeftCol())
        visible.SetLeftCol(std::max(1, col - cols + margin));
    visible.EndUpdate();
}

void TCustomEditorView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
    ShowCaret();
}

void TCustomEditorView::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    UpdateScrollBars();
}

void TCustomEditorView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        m_image = QImage();
        UpdateScrollBars();
    }
}

// ---------------------------------------------------------------- caret

void TCustomEditorView::HideCaret() {
    if (!m_caretShown)
        return;
    m_caretShown = false;
    viewport()->update(m_caretRect);
}

void TCustomEditorView::ShowCaret() {
    const TSelectionRange& selection = Selection();
    const bool show = selection.UpdateCount() == 0 && hasFocus() &&
                      (selection.RLength() == 0 || AlwaysShowCaret()) && !selection.Hidden() &&
                      !ReadOnly();
    const QRect rect = show ? CaretRect() : QRect();
    if (show == m_caretShown && rect == m_caretRect)
        return;
    if (m_caretShown)
        viewport()->update(m_caretRect);
    m_caretShown = show;
    m_caretRect = rect;
    if (show)
        viewport()->update(rect);
}

void TCustomEditorView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    ShowCaret();
}

void TCustomEditorView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    HideCaret();
}

bool TCustomEditorView::focusNextPrevChild(bool next) {
    // An editable editor keeps Tab for itself; a read-only one lets it move the focus.
    if (!ReadOnly())
        return false;
    return QAbstractScrollArea::focusNextPrevChild(next);
}

// ---------------------------------------------------------------- keyboard

// Keys, mouse, paint and everything they call (the model's listeners, syntax colouring) may
// raise. The exception is caught here, in the editor's own frame, rather than after it has
// unwound through Qt's event code, which is built without exception support and would skip
// its clean-up on the way.
bool TCustomEditorView::event(QEvent* event) {
    return KxGuardEvent(this, event, [&] { return EditorEvent(event); });
}

bool TCustomEditorView::viewportEvent(QEvent* event) {
    return KxGuardEvent(viewport(), event,
                        [&] { return QAbstractScrollArea::viewportEvent(event); });
}

bool TCustomEditorView::EditorEvent(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // Keys of the editor's own table win over the window's shortcuts while it has focus.
        auto* key = static_cast<QKeyEvent*>(event);
        const auto modifiers = key->modifiers() & ~Qt::KeypadModifier;
        const TEditorKeyBinding binding = KxEditorKeyCommand(key->key(), modifiers, ReadOnly());
        const bool escapeUnused =
            binding.Command == TEditorCommand::CancelDrag && !m_dragMoveRunning;
        if (binding.Command != TEditorCommand::None && !escapeUnused) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void TCustomEditorView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Control) {
        if (m_dragMoveRunning)
            SetDragCopy(true);
        return;
    }
    const auto modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const TEditorKeyBinding binding = KxEditorKeyCommand(event->key(), modifiers, ReadOnly());
    if (binding.Command == TEditorCommand::CancelDrag && !m_dragMoveRunning) {
        event->ignore();
        return;
    }
    if (binding.Command != TEditorCommand::None) {
        ExecuteCommand(binding.Command, binding.Extend);
        event->accept();
        return;
    }
    const bool plain = !(modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (!ReadOnly() && plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        TypeText(KxLineBreakText(*this, AutoIndent()));
        event->accept();
        return;
    }
    const QString text = event->text();
    const bool printable = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() >= 32 && c.unicode() != 127;
    });
    if (plain && printable) {
        TypeText(text); // refused by TypeText when read-only
        event->accept();
        return;
    }
    event->ignore();
}

void TCustomEditorView::inputMethodEvent(QInputMethodEvent* event) {
    // Dead keys and compose sequences arrive here instead of as key presses.
    if (!event->commitString().isEmpty())
        TypeText(event->commitString());
    event->accept();
}

QVariant TCustomEditorView::inputMethodQuery(Qt::InputMethodQuery query) const {
    if (query == Qt::ImCursorRectangle)
        return CaretRect();
    if (query == Qt::ImEnabled)
        return !ReadOnly();
    return QAbstractScrollArea::inputMethodQuery(query);
}

void TCustomEditorView::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Control && m_dragMoveRunning) {
        SetDragCopy(false);
        return;
    }
    QAbstractScrollArea::keyReleaseEvent(event);
}

void TCustomEditorView::MoveTo(int position, bool extend, bool vertical) {
    if (!vertical)
        Selection().SetDesiredVisualCol(0);
    KxMoveCaret(*this, position, extend);
    Selection().MakeVisible(0);
}

void TCustomEditorView::TypeText(const QString& text) {
    if (ReadOnly())
        return;
    Selection().SetBackwards(false);
    Selection().SetDesiredVisualCol(0);
    ReplaceRangeText(Selection(), text);
    Selection().MakeVisible(4);
}

void TCustomEditorView::TabKey() {
    TypeText(QStringLiteral("\t"));
}

void TCustomEditorView::DeleteAtCaret(int direction) {
    if (ReadOnly())
        return;
    TSelectionRange& selection = Selection();
    selection.SetDesiredVisualCol(0);
    if (selection.RLength() == 0) {
        const int caret = KxCaretPosition(*this);
        const int other = KxCharStep(*this, caret, direction);
        if (other == caret)
            return;
        // A working range rather than a selection, so the row is painted once, by the edit.
        TMCRange work(this);
        work.SetRStart(std::min(caret, other));
        work.SetREnd(std::max(caret, other) - 1);
        work.DeleteText();
    } else {
        ReplaceRangeText(selection, QString());
    }
    selection.SetBackwards(false);
    selection.MakeVisible(4);
}

void TCustomEditorView::ExecuteCommand(TEditorCommand command, bool extend) {
    using C = TEditorCommand;
    TSelectionRange& selection = Selection();
    TVisibleRange& visible = VisibleRange();
    const int caret = KxCaretPosition(*this);
    const bool collapse = !extend && selection.RLength() > 0 && !AlwaysShowCaret();
    const TRowCol caretRowCol = PosToRowCol(caret);
    const auto vertical = [&](int rows, bool towardsStart) {
        if (collapse) {
            MoveTo(towardsStart ? selection.RStart() : selection.REnd() + 1, false);
            return;
        }
        MoveTo(KxVerticalTarget(*this, rows), extend, true);
    };
    switch (command) {
    case C::None:
        break;
    case C::CharLeft:
        MoveTo(collapse ? selection.RStart() : KxCharStep(*this, caret, -1), extend);
        break;
    case C::CharRight:
        MoveTo(collapse ? selection.REnd() + 1 : KxCharStep(*this, caret, 1), extend);
        break;
    case C::WordLeft:
        MoveTo(KxWordStep(*this, caret, -1), extend);
        break;
    case C::WordRight:
        MoveTo(KxWordStep(*this, caret, 1), extend);
        break;
    case C::LineUp:
        vertical(-1, true);
        break;
    case C::LineDown:
        vertical(1, false);
        break;
    case C::PageUp:
        MoveTo(KxVerticalTarget(*this, -std::max(1, VisibleRowCount() - 1)), extend, true);
        break;
    case C::PageDown:
        MoveTo(KxVerticalTarget(*this, std::max(1, VisibleRowCount() - 1)), extend, true);
        break;
    case C::RowStart:
        MoveTo(LineStart(caretRowCol.Row), extend);
        break;
    case C::RowEnd:
        MoveTo(LineStart(caretRowCol.Row) + LineLength(caretRowCol.Row), extend);
        break;
    case C::TextStart:
        MoveTo(1, extend);
        break;
    case C::TextEnd:
        MoveTo(TextLength() + 1, extend);
        break;
    case C::DeleteBack:
        DeleteAtCaret(-1);
        break;
    case C::DeleteForward:
        DeleteAtCaret(1);
        break;
    case C::Undo:
        if (!ReadOnly())
            Undo();
        break;
    case C::Redo:
        if (!ReadOnly())
            Redo();
        break;
    case C::Cut:
        CutToClipboard();
        break;
    case C::Copy:
        CopyToClipboard();
        break;
    case C::Paste:
        PasteFromClipboard();
        break;
    case C::Tab:
        if (!ReadOnly())
            TabKey();
        break;
    case C::BackTab:
        if (!ReadOnly())
            BackTab();
        break;
    case C::ClearSelection:
        ClearSelection();
        break;
    case C::CancelDrag:
        CancelDragMove();
        break;
    case C::ScrollColLeft:
        ScrollBy(0, -1);
        break;
    case C::ScrollColRight:
        ScrollBy(0, 1);
        break;
    case C::ScrollRowUp:
        ScrollBy(-1, 0);
        break;
    case C::ScrollRowDown:
        ScrollBy(1, 0);
        break;
    case C::ScrollPageUp:
        ScrollBy(-VisibleRowCount(), 0);
        break;
    case C::ScrollPageDown:
        ScrollBy(VisibleRowCount(), 0);
        break;
    case C::ScrollFirstCol:
        visible.SetLeftCol(1);
        break;
    case C::ScrollTop:
        visible.BeginUpdate();
        visible.SetTopRow(1);
        visible.SetLeftCol(1);
        visible.EndUpdate();
        break;
    case C::ScrollLastCol:
        visible.SetLeftCol(WidestRow());
        break;
    case C::ScrollLastPage:
        visible.SetTopRow(LineCount());
        break;
    }
}

// ---------------------------------------------------------------- clipboard

void TCustomEditorView::CopyToClipboard() {
    if (SelLength() > 0)
        KxSetClipboardText(Selection().GetText());
}

void TCustomEditorView::CutToClipboard() {
    if (ReadOnly() || SelLength() <= 0)
        return;
    CopyToClipboard();
    ReplaceRangeText(Selection(), QString());
    Selection().MakeVisible(4);
}

void TCustomEditorView::PasteFromClipboard() {
    if (ReadOnly())
        return;
    const QString text = KxClipboardText();
    // An empty clipboard pastes nothing; it must not silently delete the selection.
    if (text.isEmpty())
        return;
    Selection().SetBackwards(false);
    ReplaceRangeText(Selection(), text);
    Selection().MakeVisible(1);
}

void TCustomEditorView::ClearSelection() {
    if (ReadOnly() || SelLength() <= 0)
        return;
    ReplaceRangeText(Selection(), QString());
    Selection().MakeVisible(4);
}

// ---------------------------------------------------------------- mouse

void TCustomEditorView::UpdateCursorShape(QPoint pixel) {
    Qt::CursorShape shape = Qt::IBeamCursor;
    if (m_dragMoveRunning) {
        shape = m_dragCopy ? Qt::DragCopyCursor : Qt::DragMoveCursor;
    } else if (DragDropEditing() && !ReadOnly() && SelLength() > 0) {
        const int position = PositionAt(pixel);
        if (position >= Selection().RStart() && position <= Selection().REnd() + 1)
            shape = Qt::ArrowCursor;
    }
    if (viewport()->cursor().shape() != shape)
        viewport()->setCursor(shape);
}

void TCustomEditorView::mousePressEvent(QMouseEvent* event) {
    m_doubleClicked = false; // a new press starts a new gesture
    setFocus(Qt::MouseFocusReason);
    const QPoint pixel = event->position().toPoint();
    m_lastMouse = pixel;
    const int position = PositionAt(pixel);
    TSelectionRange& selection = Selection();
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    if (event->button() == Qt::LeftButton) {
        if (!shift && DragDropEditing() && !ReadOnly() && selection.RLength() > 0 &&
            position >= selection.RStart() && position <= selection.REnd() + 1) {
            m_dragPending = true;
            m_dragPressPoint = pixel;
            return;
        }
        selection.SetDesiredVisualCol(0);
        KxMoveCaret(*this, position, shift);
        m_mouseSelecting = true;
        m_autoScroll.start();
    } else if (event->button() == Qt::RightButton) {
        // A right click keeps the selection for the context menu.
        if (selection.RLength() == 0) {
            selection.SetDesiredVisualCol(0);
            KxMoveCaret(*this, position, false);
        }
    }
}

void TCustomEditorView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pixel = event->position().toPoint();
    m_lastMouse = pixel;
    if (m_dragPending && pixel != m_dragPressPoint) {
        StartDragMove();
        SetDragCopy(event->modifiers().testFlag(Qt::ControlModifier));
    }
    if (m_dragMoveRunning) {
        DragMoveTo(PositionAt(pixel));
        UpdateCursorShape(pixel);
        return;
    }
    if (m_mouseSelecting) {
        KxMoveCaret(*this, PositionAt(pixel), true);
        return;
    }
    UpdateCursorShape(pixel);
}

void TCustomEditorView::EndMouseSelecting(QPoint pixel) {
    m_mouseSelecting = false;
    m_autoScroll.stop();
    KxMoveCaret(*this, PositionAt(pixel), true);
}

void TCustomEditorView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pixel = event->position().toPoint();
    m_lastMouse = pixel;
    if (m_doubleClicked) {
        m_doubleClicked = false;
    } else if (m_dragMoveRunning) {
        FinishDragMove();
    } else if (m_dragPending) {
        m_dragPending = false;
        Selection().SetDesiredVisualCol(0);
        KxMoveCaret(*this, PositionAt(pixel), false);
    } else if (m_mouseSelecting) {
        EndMouseSelecting(pixel);
    }
    UpdateCursorShape(pixel);
}

void TCustomEditorView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    m_mouseSelecting = false;
    m_dragPending = false;
    m_autoScroll.stop();
    // The press before the double click normally put the caret here already; a double click
    // arriving alone must still take the word under the pointer.
    Selection().SetDesiredVisualCol(0);
    KxMoveCaret(*this, PositionAt(event->position().toPoint()), false);
    KxSelectWord(*this);
    // The release that follows must not move the caret out of the word again.
    m_doubleClicked = true;
}

void TCustomEditorView::AutoScrollTick() {
    if (!m_mouseSelecting) {
        m_autoScroll.stop();
        return;
    }
    const int cols = AutoScrollSteps(m_lastMouse.x(), ViewportWidth());
    const int rows = AutoScrollSteps(m_lastMouse.y(), ViewportHeight());
    if (rows == 0 && cols == 0)
        return;
    ScrollBy(rows, cols);
    KxMoveCaret(*this, PositionAt(m_lastMouse), true);
}

void TCustomEditorView::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        event->ignore();
        return;
    }
    ScrollBy(delta > 0 ? -3 : 3, 0);
    event->accept();
}

// ---------------------------------------------------------------- drag-move

void TCustomEditorView::StartDragMove() {
    m_dragPending = false;
    m_dragMoveRunning = true;
    m_dragCopy = false;
    m_dragText = Selection().GetText();
    m_dragOrigin = Ranges().Add<TMCRange>();
    m_dragOrigin->SetRStart(Selection().RStart());
    // The moves below are not single undo steps; the release records the whole move as one.
    BeginSuppressNotifications();
    SetDragMoving(true);
    viewport()->setCursor(Qt::DragMoveCursor);
}

void TCustomEditorView::SetDragCopy(bool copy) {
    if (!m_dragMoveRunning || copy == m_dragCopy)
        return;
    m_dragCopy = copy;
    // With Ctrl the origin holds a copy of the block; without it the origin is empty.
    if (copy)
        m_dragOrigin->SetText(m_dragText);
    else
        m_dragOrigin->DeleteText();
    viewport()->setCursor(copy ? Qt::DragCopyCursor : Qt::DragMoveCursor);
}

void TCustomEditorView::DragMoveTo(int position) {
    TSelectionRange& block = Selection();
    TMCRange& origin = *m_dragOrigin;
    const int length = static_cast<int>(m_dragText.size());
    if (origin.RStart() < position && position <= origin.REnd())
        return;
    if (position >= block.RStart() && position <= block.REnd() + 1)
        return;
    const auto moveBlockTo = [&](int target) {
        ReplaceRangeText(block, QString());
        TMCRange inserted(this);
        inserted.SetRStart(target);
        inserted.SetText(m_dragText);
        block.SetBackwards(false);
        block.Select(inserted.RStart(), length);
    };
    if (position < block.RStart()) {
        if (block.RStart() - position >= length ||
            (position <= origin.RStart() && origin.RStart() <= block.RStart())) {
            moveBlockTo(position);
            return;
        }
        // The text being jumped over is shorter than the block: move that text behind the
        // block instead, which looks the same and moves fewer characters.
        const bool originBehind = origin.RLength() == 0 && origin.RStart() == block.REnd() + 1;
        TMCRange jumped(this);
        jumped.SetRStart(position);
        jumped.SetREnd(block.RStart() - 1);
        const QString text = jumped.GetText();
        jumped.DeleteText();
        TMCRange behind(this);
        behind.SetRStart(block.REnd() + 1);
        behind.SetText(text);
        if (originBehind)
            origin.SetRStart(behind.REnd() + 1);
        return;
    }
    const int gap = position - block.REnd() - 1;
    if (gap < length && (origin.RStart() < block.REnd() + 1 || position < origin.RStart())) {
        TMCRange jumped(this);
        jumped.SetRStart(block.REnd() + 1);
        jumped.SetREnd(position - 1);
        const QString text = jumped.GetText();
        jumped.DeleteText();
        TMCRange before(this);
        before.SetRStart(block.RStart());
        before.SetText(text);
        return;
    }
    moveBlockTo(position - length);
}

void TCustomEditorView::CancelDragMove() {
    if (!m_dragMoveRunning)
        return;
    TSelectionRange& block = Selection();
    TMCRange& origin = *m_dragOrigin;
    ReplaceRangeText(block, QString());
    if (!m_dragCopy)
        origin.SetText(m_dragText);
    block.SetBackwards(false);
    block.Select(origin.RStart(), origin.RLength());
    SetDragMoving(false);
    Ranges().Destroy(m_dragOrigin);
    m_dragOrigin = nullptr;
    m_dragMoveRunning = false;
    m_dragCopy = false;
    EndSuppressNotifications();
    UpdateCursorShape(m_lastMouse);
}

void TCustomEditorView::FinishDragMove() {
    TSelectionRange& block = Selection();
    TMCRange& origin = *m_dragOrigin;
    const int length = static_cast<int>(m_dragText.size());
    // What undoing does, in the order the edits happened: first the block comes back at the
    // origin (a move only), then it goes from its new place.
    std::vector<TUndoOperation> undo;
    if (m_dragCopy) {
        undo.push_back({block.RStart(), block.REnd(), QString()});
    } else if (origin.RStart() != block.RStart() && origin.RStart() != block.REnd() + 1) {
        const int at =
            origin.RStart() > block.RStart() ? origin.RStart() - length : origin.RStart();
        undo.push_back({at, at - 1, m_dragText});
        undo.push_back({block.RStart(), block.REnd(), QString()});
    }
    SetDragMoving(false);
    RecordUndoGroup(undo);
    Ranges().Destroy(m_dragOrigin);
    m_dragOrigin = nullptr;
    m_dragMoveRunning = false;
    m_dragCopy = false;
    EndSuppressNotifications();
    if (!undo.empty()) {
        NotifyChange();
        NotifySelectionChange();
    }
}

// ---------------------------------------------------------------- dropped files

void TCustomEditorView::SetAcceptDroppedFiles(bool value) {
    if (value == m_acceptDroppedFiles)
        return;
    m_acceptDroppedFiles = value;
    if (value) {
        // Owned by the viewport, as Qt children are.
        m_dropTarget = new KxFileDropTarget(viewport(), [this](const QStringList& fileNames) {
            bool doDefaultLoad = true;
            if (OnFilesDropped)
                OnFilesDropped(this, fileNames, doDefaultLoad);
        });
    } else if (m_dropTarget) {
        viewport()->removeEventFilter(m_dropTarget);
        viewport()->setAcceptDrops(false);
        m_dropTarget->deleteLater();
        m_dropTarget = nullptr;
    }
}

} // namespace kx
