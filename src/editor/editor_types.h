#pragma once

#include "foundation/colors.h"

#include <QString>
#include <algorithm>
#include <cstdint>
#include <limits>

namespace kx {

// Positions are clamped, never rejected: arithmetic on caller-supplied values is done in 64
// bits and brought back into the int range.
inline int KxClampToInt(qint64 value) {
    return static_cast<int>(std::clamp<qint64>(value, std::numeric_limits<int>::min(),
                                               std::numeric_limits<int>::max()));
}

// Row and column of a position, both 1-based; the column counts characters, a tab is one.
struct TRowCol {
    int Row = 1;
    int Col = 1;
    friend bool operator==(const TRowCol&, const TRowCol&) = default;
};

// The model links QtCore only, so it describes fonts by value; the view builds its QFont
// from this description.
enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

struct TEditorFont {
    QString Name = QStringLiteral("Courier New");
    int Size = 10;
    TFontStyles Style = 0;
    TColor Color = 0;
    friend bool operator==(const TEditorFont&, const TEditorFont&) = default;
};

// The window of the view in rows and visual columns: (LeftCol, TopRow) to
// (LeftCol + visible columns + 1, TopRow + visible rows + 1).
struct TVisibleRect {
    int Left = 1;
    int Top = 1;
    int Right = 1;
    int Bottom = 1;
    friend bool operator==(const TVisibleRect&, const TVisibleRect&) = default;
};

// One coloured band of rows behind the text (the main window marks the current statement).
struct TRowRangeObj {
    int FirstRow = 0;
    int LastRow = 0;
    TColor Color = 0;
};

} // namespace kx
