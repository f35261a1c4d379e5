#include "platform/deferred_call.h"

#include <QMetaObject>
#include <QObject>

namespace kx {

void KxPostDeferred(QObject* receiver, std::function<void()> step) {
    // Queued invocation on a context object: Qt drops the call if `receiver` dies first.
    QMetaObject::invokeMethod(receiver, std::move(step), Qt::QueuedConnection);
}

} // namespace kx
