#pragma once

#include "foundation/kx_intf.h"

#include <QString>

class QWidget;

namespace kx {

// Where a window goes when the settings hold no bounds for it.
enum class TKxDefaultPosition {
    Designed,     // keeps the position it has
    ScreenCenter, // centred on its screen
};

// Restores a window's bounds from the settings (the key and value names of
// KxLoadWindowBounds). Stored Left and Top place the window exactly; otherwise it takes its
// default position. The result is always fitted onto the screen, so a window saved on a
// monitor that is gone comes back visible. Never raises.
void KxLoadWidgetBounds(QWidget* window, IKxUnknown* storage, const QString& name,
                        TKxDefaultPosition defaultPosition);
void KxStoreWidgetBounds(const QWidget* window, IKxUnknown* storage, const QString& name);

} // namespace kx
