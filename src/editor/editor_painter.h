#pragma once

#include "editor/editor_types.h"
#include "platform/system_colors.h"

#include <QColor>
#include <QFont>
#include <QString>

namespace kx {

// One stretch of a row painted with one background and one font. The base view makes up to
// three per row segment (before, inside and after the selection); syntax colouring makes
// one per coloured range.
struct TPaintPiece {
    int Start = 1;
    int End = 0;
    TColor Color = clWindow;
    TEditorFont Font;
};

// The QFont for a font description. The character grid needs a fixed pitch, so a family
// that is missing (or proportional) falls back to the system's fixed-pitch font of the same
// size.
QFont KxEditorQFont(const TEditorFont& font);

// The character cell of a font: the advance of "M" and the height of "Q".
struct TCharCell {
    int Width = 8;
    int Height = 13;
    int Ascent = 10;
};
TCharCell KxMeasureCell(const QFont& font);

// Glyph advances are fractional in most fonts; letter spacing brings every advance to the
// whole-pixel cell width, so no text has to be measured while painting.
QFont KxFontOnGrid(QFont font, int cellWidth);

// Appends the characters data[0..length) to out with every tab expanded to spaces up to the
// next tab stop. phase is the number of columns to the next stop; it carries over from call
// to call.
void KxExpandTabs(const QChar* data, int length, int tabSize, int& phase, QString& out);

} // namespace kx
