#pragma once

#include <QString>

namespace kx {

// Plain text on the system clipboard; the editor, the grid and the report window exchange
// nothing richer than that.
QString KxClipboardText();
void KxSetClipboardText(const QString& text);

} // namespace kx
