#include "platform/deferred_call.h"

#include "platform/event_guard.h"

#include <QMetaObject>
#include <QObject>

namespace kx {

void KxPostDeferred(QObject* receiver, std::function<void()> step) {
    // Queued invocation on a context object: Qt drops the call if `receiver` dies first. The
    // step runs straight from the event loop, with nobody above it to catch a failure; the
    // guard hands that to the application exception handler (also in the batch runner, which
    // has no application object of ours).
    QMetaObject::invokeMethod(
        receiver, [step = std::move(step)] { KxGuardCall(step); }, Qt::QueuedConnection);
}

} // namespace kx
