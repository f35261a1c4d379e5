#include "platform/kx_application.h"

#include "platform/event_guard.h"

namespace kx {

TKxApplication::TKxApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TKxApplication::notify(QObject* receiver, QEvent* event) {
    return KxGuardEvent(receiver, event, [&] { return QApplication::notify(receiver, event); });
}

} // namespace kx
