#pragma once

class QWidget;

namespace kx {

// The floating hint windows are drawn with a constant opacity given on the 0..255 scale the
// rest of the program uses (200 of 255 for the grid's hint).
void KxSetConstantOpacity(QWidget* window, int alpha);

} // namespace kx
