#include "foundation/kx_timer.h"

#include "foundation/application_exception_handler.h"
#include "foundation/exceptions.h"

#include <QCoreApplication>
#include <QTimer>

namespace kx {

TKxTimer::TKxTimer(int intervalMs, TKxTimerEvent onTimer, TKxLifetime lifetime)
    : TKxInterfacedObject(lifetime), OnTimer(std::move(onTimer)),
      m_timer(std::make_unique<QTimer>()), m_interval(intervalMs < 0 ? 0 : intervalMs) {
    QObject::connect(m_timer.get(), &QTimer::timeout, m_timer.get(), [this] { Tick(); });
}

TKxTimer::~TKxTimer() {
    *m_alive = false;
    if (m_inTick) {
        // Freed by its own handler: the QTimer is still emitting the tick, so it goes once
        // control is back in the event loop.
        m_timer->stop();
        m_timer->disconnect();
        m_timer.release()->deleteLater();
    }
}

bool TKxTimer::Running() const {
    return m_timer->isActive();
}

std::uintptr_t TKxTimer::GetHandle() const {
    const int id = m_timer->timerId();
    return id > 0 ? static_cast<std::uintptr_t>(id) : 0;
}

void TKxTimer::Start() {
    if (Running())
        return;
    m_timer->start(m_interval);
    if (!Running())
        KxRaise(QCoreApplication::translate("KxFoundation", "The Timer could not be started"),
                QStringLiteral("TKxTimer.Start"), this);
}

void TKxTimer::Stop() {
    m_timer->stop();
}

void TKxTimer::SetInterval(int intervalMs) {
    if (intervalMs < 0)
        intervalMs = 0;
    if (intervalMs == m_interval)
        return;
    const bool wasRunning = Running();
    Stop();
    m_interval = intervalMs;
    if (wasRunning)
        Start();
}

void TKxTimer::Restart(int intervalMs) {
    Stop();
    if (intervalMs >= 0)
        m_interval = intervalMs;
    Start();
}

void TKxTimer::Tick() {
    if (!OnTimer)
        return;
    // The handler may free its own timer (dropping the last reference, or its owner letting
    // go) and may replace itself while it runs; `alive` tells whether this object still
    // exists once it returns.
    const std::shared_ptr<bool> alive = m_alive;
    const TKxTimerEvent handler = OnTimer;
    m_inTick = true;
    try {
        handler(this);
    } catch (...) {
        if (*alive)
            Stop();
        KxHandleCurrentException();
    }
    if (*alive)
        m_inTick = false;
}

} // namespace kx
