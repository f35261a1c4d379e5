#pragma once

#include <cstdint>

class QEvent;
class QObject;

namespace kx {

// Every call the event loop makes into the program ends here when it raises: the exception
// goes to the application exception handler and the loop goes on.
//
// A failing paint is the one case that must not be reported each time: the report itself
// (a modal dialog) uncovers the widget, the widget is painted again, fails again, and the
// user never gets out of the loop. So a widget whose paint failed is reported once and then
// only traced, until one of its paints succeeds. The report of a paint is also posted to run
// after the paint: a modal dialog must not start its own event loop inside the painting of a
// window.

// Runs `handler` (answering bool) for `event` sent to `receiver`. Answers the handler's result,
// or false when it raised.
template <class F> bool KxGuardEvent(QObject* receiver, QEvent* event, F&& handler) noexcept;

// Runs `step`; an exception goes to the application exception handler.
template <class F> void KxGuardCall(F&& step) noexcept;

// Inside a catch block: hands the exception being caught for `event` to the handler, with
// the once-per-failing-paint rule above.
void KxHandleEventException(QObject* receiver, const QEvent* event) noexcept;

// Whether `widget`'s last paint failed (and was reported).
bool KxPaintFailing(const QObject* widget);

namespace detail {
// Exceptions caught on this thread so far. A guard nested in another one (the application's
// and a widget's own) may only take a paint as succeeded when no inner guard caught anything.
std::uint64_t KxEventFailureCount() noexcept;
void KxEventSucceeded(QObject* receiver, const QEvent* event,
                      std::uint64_t failuresBefore) noexcept;
void KxHandleCallException() noexcept;
} // namespace detail

template <class F> bool KxGuardEvent(QObject* receiver, QEvent* event, F&& handler) noexcept {
    const std::uint64_t failuresBefore = detail::KxEventFailureCount();
    try {
        const bool result = handler();
        detail::KxEventSucceeded(receiver, event, failuresBefore);
        return result;
    } catch (...) {
        KxHandleEventException(receiver, event);
        return false;
    }
}

template <class F> void KxGuardCall(F&& step) noexcept {
    try {
        step();
    } catch (...) {
        detail::KxHandleCallException();
    }
}

} // namespace kx
