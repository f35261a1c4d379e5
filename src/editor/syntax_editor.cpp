#include "editor/syntax_editor.h"

#include <QKeyEvent>
#include <algorithm>

namespace kx {

TSyntaxEditor::TSyntaxEditor(QWidget* parent) : TCustomEditorView(parent), m_coloring(*this) {
    SetAutoIndent(true);
    m_coloring.OnRepaint = [this](int start, int end) { RepaintSpan(start, end); };
    m_coloring.SetEditorFont(Font());
}

TSyntaxEditor::~TSyntaxEditor() {
    // No recolouring while the model frees its ranges and text.
    m_coloring.Shutdown();
    m_coloring.OnRepaint = nullptr;
}

void TSyntaxEditor::Recolor() {
    m_coloring.Recolor();
    PaintRange(VisibleRange());
    ShowCaret();
}

void TSyntaxEditor::RepaintSpan(int start, int end) {
    // Most level changes after an edit lie far outside the window.
    const TVisibleRange& visible = VisibleRange();
    if (end < visible.RStart() || start > visible.REnd() + 1)
        return;
    TMCRange span(this);
    span.SetRStart(start);
    span.SetREnd(end);
    PaintRange(span);
}

void TSyntaxEditor::TextReplaced(int position, int oldLength, int newLength) {
    TCustomEditorView::TextReplaced(position, oldLength, newLength);
    m_coloring.TextReplaced(position, oldLength, newLength);
}

void TSyntaxEditor::AfterRepaint() {
    TCustomEditorView::AfterRepaint();
    m_coloring.AfterRepaint();
}

bool TSyntaxEditor::KeepTrailingBlanks(const QString& text) const {
    if (!m_autoIndentIncrease)
        return false;
    return std::all_of(text.begin(), text.end(), [this](QChar c) {
        return c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r') ||
               c == QLatin1Char(' ') || c == m_autoIndentIncreaseStart ||
               c == m_autoIndentIncreaseEnd;
    });
}

void TSyntaxEditor::FontChanged() {
    m_coloring.SetEditorFont(Font());
}

void TSyntaxEditor::BuildPieces(int start, int end, TColor background,
                                std::vector<TPaintPiece>& pieces) {
    if (!m_coloring.Enabled()) {
        TCustomEditorView::BuildPieces(start, end, background, pieces);
        return;
    }
    m_colored.clear();
    m_coloring.ColoredPieces(start, end, m_colored);
    const TSelectionRange& selection = Selection();
    const bool selected = !selection.Hidden() && selection.RLength() > 0;
    const int selStart = selection.RStart();
    const int selEnd = selection.REnd();
    for (const TColoredPiece& piece : m_colored) {
        const int a = selected ? std::max(piece.Start, selStart) : 1;
        const int b = selected ? std::min(piece.End, selEnd) : 0;
        if (a > b) {
            pieces.push_back({piece.Start, piece.End, background, piece.Font});
            continue;
        }
        TEditorFont highlighted = piece.Font;
        highlighted.Color = clHighlightText;
        if (piece.Start < a)
            pieces.push_back({piece.Start, a - 1, background, piece.Font});
        pieces.push_back({a, b, clHighlight, highlighted});
        if (b < piece.End)
            pieces.push_back({b + 1, piece.End, background, piece.Font});
    }
}

bool TSyntaxEditor::SelectionSpansRows() const {
    const TSelectionRange& selection = Selection();
    return selection.RLength() > 0 &&
           PosToRowCol(selection.RStart()).Row != PosToRowCol(selection.REnd()).Row;
}

void TSyntaxEditor::TabKey() {
    if (SelectionSpansRows())
        IndentSelection(1);
    else
        TCustomEditorView::TabKey();
}

void TSyntaxEditor::BackTab() {
    if (SelectionSpansRows())
        IndentSelection(-1);
}

void TSyntaxEditor::InsertIndentBlock(const QString& start) {
    const QString blanks = KxLineBreakText(*this, true).mid(2);
    const QString lineBreak = QStringLiteral("\r\n");
    const QString block = start + lineBreak + blanks + QLatin1Char('\t') + lineBreak + blanks +
                          m_autoIndentIncreaseEnd;
    Selection().SetBackwards(false);
    Selection().SetDesiredVisualCol(0);
    const int position = Selection().RStart();
    ReplaceRangeText(Selection(), block);
    KxMoveCaret(*this,
                position + static_cast<int>(start.size() + lineBreak.size() + blanks.size()) + 1,
                false);
    Selection().MakeVisible(4);
}

void TSyntaxEditor::keyPressEvent(QKeyEvent* event) {
    const auto modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool plain = !(modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (m_autoIndentIncrease && !ReadOnly() && plain) {
        const QString& text = Text();
        const int caret = KxCaretPosition(*this);
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && AutoIndent() &&
            caret >= 3 && text.at(caret - 2) == m_autoIndentIncreaseStart) {
            const QChar before = text.at(caret - 3);
            if (before != QLatin1Char('\t') && before != QLatin1Char('\n') &&
                before != QLatin1Char('\r')) {
                InsertIndentBlock(QString());
                event->accept();
                return;
            }
        }
        if (event->text() == QString(m_autoIndentIncreaseStart)) {
            const TRowCol rowCol = PosToRowCol(caret);
            const int rowStart = LineStart(rowCol.Row);
            const bool blanksBefore =
                std::all_of(text.begin() + (rowStart - 1), text.begin() + (caret - 1), [](QChar c) {
                    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
                });
            const bool nothingAfter = rowCol.Col == LineLength(rowCol.Row) + 1;
            if (blanksBefore && nothingAfter) {
                InsertIndentBlock(QString(m_autoIndentIncreaseStart));
                event->accept();
                return;
            }
        }
    }
    TCustomEditorView::keyPressEvent(event);
}

} // namespace kx
