#include "platform/window_bounds.h"

#include "foundation/storage_helpers.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace kx {
namespace {

QRect AvailableScreen(const QWidget* window) {
    const QScreen* screen = window->screen();
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

} // namespace

void KxLoadWidgetBounds(QWidget* window, IKxUnknown* storage, const QString& name,
                        TKxDefaultPosition defaultPosition) {
    TKxBounds bounds = TKxBounds::FromRect(window->geometry());
    QRect rect = window->geometry();
    if (KxLoadWindowBounds(storage, name, bounds)) {
        rect = bounds.ToRect();
    } else if (defaultPosition == TKxDefaultPosition::ScreenCenter) {
        rect.moveCenter(AvailableScreen(window).center());
    }
    window->setGeometry(KxFitRectToScreen(rect, AvailableScreen(window)));
}

void KxStoreWidgetBounds(const QWidget* window, IKxUnknown* storage, const QString& name) {
    KxStoreWindowBounds(storage, name, TKxBounds::FromRect(window->geometry()));
}

} // namespace kx
