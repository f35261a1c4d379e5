#pragma once

#include <atomic>
#include <thread>

namespace kx {

// Cancels the statement in flight when Ctrl+C comes during a batch run. A signal handler may
// not call into the driver; it only posts to a semaphore (which is safe there), and this
// object's thread does the cancelling, once per Ctrl+C: the run itself stops before its next
// statement. (Cancelling again and again until the run ended was tried: a cancel that reaches
// a driver just as a short statement ends is a race inside some drivers, and one such run
// hung.)
class TKxInterruptCanceller {
public:
    TKxInterruptCanceller();
    ~TKxInterruptCanceller();
    TKxInterruptCanceller(const TKxInterruptCanceller&) = delete;
    TKxInterruptCanceller& operator=(const TKxInterruptCanceller&) = delete;

    // Safe in a signal handler; does nothing while no canceller exists.
    static void Interrupt();

private:
    void Work();

    std::atomic<bool> m_end{false};
    std::thread m_thread;
};

} // namespace kx
