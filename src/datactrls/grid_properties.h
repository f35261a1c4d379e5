#pragma once

#include "foundation/colors.h"

#include <QFont>
#include <Qt>

namespace kx {

class TKxIDataGrid;

// The grid's property objects: what a window that embeds a grid may set on it. Colours are
// TColor values (system colours follow the palette when painted). Every setter tells the
// grid, which lays itself out and repaints only when a value really changed.
class TGridCtrlProperties {
public:
    explicit TGridCtrlProperties(TKxIDataGrid& grid, TColor color = clBtnFace)
        : m_grid(grid), m_color(color) {}
    TGridCtrlProperties(const TGridCtrlProperties&) = delete;
    TGridCtrlProperties& operator=(const TGridCtrlProperties&) = delete;

    TColor Color() const { return m_color; }
    void SetColor(TColor color) { Set(m_color, color); }

protected:
    template <class T> void Set(T& member, const T& value) {
        if (member == value)
            return;
        member = value;
        Changed();
    }
    void Changed();

private:
    TKxIDataGrid& m_grid;
    TColor m_color;
};

// A part that can be taken out of the grid (title bar, indicator column, bottom panel).
class TGridPartProperties : public TGridCtrlProperties {
public:
    using TGridCtrlProperties::TGridCtrlProperties;
    bool Visible() const { return m_visible; }
    void SetVisible(bool visible) { Set(m_visible, visible); }

private:
    bool m_visible = true;
};

// One kind of grid line.
struct TGridLineProperties {
    bool DrawLines = true;
    TColor LinePen = clSilver;
    bool operator==(const TGridLineProperties&) const = default;
};

// When the data area scrolls the current row into view.
enum TDataAreaAutoFocusMove : int {
    afOnPositionChange = 1,
    afOnStartEditing = 2,
    afOnApplyChanges = 4,
    afOnFieldValueChange = 8,
};

class TGridDataAreaProperties : public TGridCtrlProperties {
public:
    explicit TGridDataAreaProperties(TKxIDataGrid& grid);

    // The even-row colour new grids start with; the main window changes it from the user's
    // setting together with the colour of every grid that exists.
    static TColor DefaultEvenRowColor();
    static void SetDefaultEvenRowColor(TColor color);

    int RowHeight() const { return m_rowHeight; }
    // Clamped to 10..150.
    void SetRowHeight(int height);
    TColor EvenRowcolor() const { return m_evenRowColor; }
    void SetEvenRowcolor(TColor color) { Set(m_evenRowColor, color); }
    bool UseEvenRowcolor() const { return m_useEvenRowColor; }
    void SetUseEvenRowcolor(bool use) { Set(m_useEvenRowColor, use); }
    const TGridLineProperties& VerticalLines() const { return m_verticalLines; }
    void SetVerticalLines(const TGridLineProperties& lines) { Set(m_verticalLines, lines); }
    const TGridLineProperties& HorizontalLines() const { return m_horizontalLines; }
    void SetHorizontalLines(const TGridLineProperties& lines) { Set(m_horizontalLines, lines); }
    // A set of TDataAreaAutoFocusMove flags.
    int AutoFocusMovements() const { return m_autoFocusMovements; }
    void SetAutoFocusMovements(int movements) { Set(m_autoFocusMovements, movements); }
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly) { Set(m_readOnly, readOnly); }
    bool MultiSelect() const { return m_multiSelect; }
    void SetMultiSelect(bool multiSelect) { Set(m_multiSelect, multiSelect); }
    bool RowSelect() const { return m_rowSelect; }
    void SetRowSelect(bool rowSelect) { Set(m_rowSelect, rowSelect); }
    bool ShowCellEditor() const { return m_showCellEditor; }
    void SetShowCellEditor(bool show) { Set(m_showCellEditor, show); }
    bool RowFetch() const { return m_rowFetch; }
    void SetRowFetch(bool fetch) { Set(m_rowFetch, fetch); }
    // The default alignment of cell texts (Boolean columns are centred).
    Qt::Alignment TextAlignment() const { return m_alignment; }
    void SetTextAlignment(Qt::Alignment alignment) { Set(m_alignment, alignment); }
    // An unset font means the grid's own.
    const QFont& Font() const { return m_font; }
    void SetFont(const QFont& font) { Set(m_font, font); }

private:
    int m_rowHeight = 20;
    TColor m_evenRowColor;
    bool m_useEvenRowColor = true;
    TGridLineProperties m_verticalLines;
    TGridLineProperties m_horizontalLines;
    int m_autoFocusMovements = afOnPositionChange | afOnStartEditing | afOnApplyChanges;
    bool m_readOnly = false;
    bool m_multiSelect = true;
    bool m_rowSelect = false;
    bool m_showCellEditor = true;
    bool m_rowFetch = true;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    QFont m_font;
};

class TTitleBarProperties : public TGridPartProperties {
public:
    using TGridPartProperties::TGridPartProperties;
    int SeparatorWidth() const { return m_separatorWidth; }
    void SetSeparatorWidth(int width) { Set(m_separatorWidth, width < 1 ? 1 : width); }
    bool TitleClickSort() const { return m_titleClickSort; }
    void SetTitleClickSort(bool sort) { Set(m_titleClickSort, sort); }
    // Bold unless set otherwise.
    const QFont& Font() const { return m_font; }
    void SetFont(const QFont& font) { Set(m_font, font); }
    bool FontSet() const { return m_font != QFont(); }

private:
    int m_separatorWidth = 5;
    bool m_titleClickSort = true;
    QFont m_font;
};

using TIndicatorcolumnProperties = TGridPartProperties;

class TBottomPanelProperties : public TGridPartProperties {
public:
    using TGridPartProperties::TGridPartProperties;
    int Height() const { return m_height; }
    void SetHeight(int height) { Set(m_height, height < 1 ? 1 : height); }

private:
    int m_height = 17;
};

class TGridVerticalScrollbarProperties : public TGridCtrlProperties {
public:
    using TGridCtrlProperties::TGridCtrlProperties;
    // 0 means the style's width.
    int Width() const { return m_width; }
    void SetWidth(int width) { Set(m_width, width < 0 ? 0 : width); }

private:
    int m_width = 0;
};

} // namespace kx
