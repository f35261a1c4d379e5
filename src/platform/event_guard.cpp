#include "platform/event_guard.h"

#include "foundation/application_exception_handler.h"
#include "foundation/exceptions.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QPointer>
#include <algorithm>
#include <exception>
#include <vector>

namespace kx {
namespace {

thread_local std::uint64_t failureCount = 0;

// Widgets whose last paint failed. Only the user-interface thread paints, so only it touches
// the list; it stays short (one entry per broken widget) and dead widgets drop out by
// themselves.
std::vector<QPointer<QObject>>& FailingPainters() {
    static std::vector<QPointer<QObject>> painters;
    return painters;
}

std::vector<QPointer<QObject>>::iterator FindPainter(const QObject* receiver) {
    auto& painters = FailingPainters();
    std::erase_if(painters, [](const QPointer<QObject>& p) { return p.isNull(); });
    return std::find_if(painters.begin(), painters.end(),
                        [receiver](const QPointer<QObject>& p) { return p.data() == receiver; });
}

bool IsPaint(const QEvent* event) {
    return event != nullptr && event->type() == QEvent::Paint;
}

void TraceCurrentException() noexcept {
    try {
        throw;
    } catch (const std::exception& e) {
        KxTraceException(e, true);
    } catch (...) {
    }
}

} // namespace

namespace detail {

std::uint64_t KxEventFailureCount() noexcept {
    return failureCount;
}

void KxEventSucceeded(QObject* receiver, const QEvent* event,
                      std::uint64_t failuresBefore) noexcept {
    if (!IsPaint(event) || failureCount != failuresBefore || FailingPainters().empty())
        return;
    const auto found = FindPainter(receiver);
    if (found != FailingPainters().end())
        FailingPainters().erase(found);
}

void KxHandleCallException() noexcept {
    ++failureCount;
    KxHandleCurrentException();
}

} // namespace detail

void KxHandleEventException(QObject* receiver, const QEvent* event) noexcept {
    ++failureCount;
    if (!IsPaint(event)) {
        KxHandleCurrentException();
        return;
    }
    try {
        if (FindPainter(receiver) != FailingPainters().end()) {
            TraceCurrentException();
            return;
        }
        FailingPainters().emplace_back(receiver);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [failure = std::current_exception()] {
                try {
                    std::rethrow_exception(failure);
                } catch (...) {
                    KxHandleCurrentException();
                }
            },
            Qt::QueuedConnection);
    } catch (...) {
        // Out of memory while noting the failure: nothing sensible is left to do.
    }
}

bool KxPaintFailing(const QObject* widget) {
    return FindPainter(widget) != FailingPainters().end();
}

} // namespace kx
