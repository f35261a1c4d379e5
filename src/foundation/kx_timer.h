#pragma once

#include "foundation/activation_interfaces.h"
#include "foundation/interfaced_object.h"

#include <functional>
#include <memory>

class QTimer;

namespace kx {

class TKxTimer;
using TKxTimerEvent = std::function<void(TKxTimer* sender)>;

// A repeating timer whose handler runs on the thread that created it (the user-interface
// thread), from its event loop. A handler that raises stops the timer, and the exception goes
// to the application's exception handler: a failing periodic job must not report the same
// failure again on every tick.
//
// The handle (IKxGetHandle) is the running timer's id, 0 while stopped. Qt delivers each tick
// to the timer object itself, so no process-wide table from ids to timers is needed.
class TKxTimer : public TKxInterfacedObject, public virtual IKxGetHandle {
public:
    explicit TKxTimer(int intervalMs = 1000, TKxTimerEvent onTimer = {},
                      TKxLifetime lifetime = TKxLifetime::SelfOwned);
    ~TKxTimer() override;

    int Interval() const { return m_interval; }
    // A running timer restarts with the new interval.
    void SetInterval(int intervalMs);

    bool Running() const;
    // Raises "The Timer could not be started" when the thread has no event loop to run it.
    void Start();
    void Stop();
    // Stops, takes the new interval when it is 0 or more, and starts again.
    void Restart(int intervalMs = -1);

    std::uintptr_t GetHandle() const override;

    TKxTimerEvent OnTimer;

private:
    void Tick();

    std::unique_ptr<QTimer> m_timer;
    int m_interval;
    bool m_inTick = false;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace kx
