#pragma once

#include "foundation/colors.h"

#include <QColor>

class QPalette;

namespace kx {

// A TColor as the screen shows it: $00BBGGRR as it is, a system colour (clWindow,
// clWindowText, clHighlight, …) from `palette`. Views call this when they paint, never
// earlier, so a change of the desktop theme reaches text that is already on screen.
QColor KxToQColor(TColor color, const QPalette& palette);

} // namespace kx
