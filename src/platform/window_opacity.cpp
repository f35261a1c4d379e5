#include "platform/window_opacity.h"

#include <QWidget>
#include <algorithm>

namespace kx {

void KxSetConstantOpacity(QWidget* window, int alpha) {
    window->setWindowOpacity(std::clamp(alpha, 0, 255) / 255.0);
}

} // namespace kx
