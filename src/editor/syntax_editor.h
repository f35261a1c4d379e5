#pragma once

#include "editor/editor_view.h"
#include "editor/syntax_coloring.h"

#include <vector>

namespace kx {

// The script editor with syntax colouring: the view paints every range of the colouring's
// chain in its own font, and Tab/Shift+Tab indent a block of rows.
class TSyntaxEditor : public TCustomEditorView {
public:
    explicit TSyntaxEditor(QWidget* parent = nullptr);
    ~TSyntaxEditor() override;

    TSyntaxColoring& SyntaxColoring() { return m_coloring; }
    const TSyntaxColoring& SyntaxColoring() const { return m_coloring; }
    // Copies a set-up (from another editor or a TSyntaxColoringCopy).
    void SetSyntaxColoring(const TSyntaxColoringProperties& value) { m_coloring.Assign(value); }

    bool AutoIndentIncrease() const { return m_autoIndentIncrease; }
    void SetAutoIndentIncrease(bool value) { m_autoIndentIncrease = value; }
    QChar AutoIndentIncreaseStart() const { return m_autoIndentIncreaseStart; }
    void SetAutoIndentIncreaseStart(QChar value) { m_autoIndentIncreaseStart = value; }
    QChar AutoIndentIncreaseEnd() const { return m_autoIndentIncreaseEnd; }
    void SetAutoIndentIncreaseEnd(QChar value) { m_autoIndentIncreaseEnd = value; }
    bool SplitOnFly() const { return m_coloring.SplitOnFly(); }
    void SetSplitOnFly(bool value) { m_coloring.SetSplitOnFly(value); }

    // Frees the chain, tokenises the whole text and repaints.
    void Recolor();

    // --- model hooks
    void TextReplaced(int position, int oldLength, int newLength) override;
    void AfterRepaint() override;
    bool KeepTrailingBlanks(const QString& text) const override;

protected:
    void BuildPieces(int start, int end, TColor background,
                     std::vector<TPaintPiece>& pieces) override;
    void TabKey() override;
    void BackTab() override;
    void FontChanged() override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool SelectionSpansRows() const;
    // Inserts start (when given), a line break, the row's blanks, a tab, a line break, the
    // blanks and the end character; the caret goes after the tab.
    void InsertIndentBlock(const QString& start);
    void RepaintSpan(int start, int end);

    TSyntaxColoring m_coloring;
    bool m_autoIndentIncrease = false;
    QChar m_autoIndentIncreaseStart{u'{'};
    QChar m_autoIndentIncreaseEnd{u'}'};
    std::vector<TColoredPiece> m_colored;
};

} // namespace kx
