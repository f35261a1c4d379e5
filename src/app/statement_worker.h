#pragma once

#include "odbc/odbc_call_in_flight.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

class QAbstractEventDispatcher;

namespace kx {

// Makes the window's blocking ODBC calls on a thread of its own while the window's thread
// goes on handling events: painting, scrolling, Stop. The window's thread first waits a short
// moment without handling events, so that a script of many short statements does not pay a
// trip through the event loop per statement; a longer call leaves the window responsive
// after that moment.
//
// Each side polls the other briefly, yielding its core at every turn, before it sleeps.
// Busy spinning without yielding was measured first: on two cores shared with other work it
// made a 3 000-INSERT run 3.5 to 4.5 times slower than in place, as the spinning thread held
// the core the other one needed.
class TKxStatementWorker final : public IKxBlockingCallRunner {
public:
    TKxStatementWorker();
    ~TKxStatementWorker() override;
    TKxStatementWorker(const TKxStatementWorker&) = delete;
    TKxStatementWorker& operator=(const TKxStatementWorker&) = delete;

    // Must be called on the thread that runs the event loop. A call made by code the event
    // loop runs meanwhile is made in place.
    void RunBlockingCall(const std::function<void()>& call) override;

private:
    void Work();
    bool Done();

    QAbstractEventDispatcher* m_dispatcher = nullptr;
    // Everything below is shared with the worker and guarded by m_lock.
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::condition_variable m_ended;
    const std::function<void()>* m_call = nullptr;
    bool m_done = false;
    // Whether the caller waits in the event loop and needs waking when the call ends.
    bool m_callerInEventLoop = false;
    bool m_quit = false;
    std::exception_ptr m_error;

    // Mirrors of m_call being set and m_done, for polling without the lock.
    std::atomic<bool> m_posted{false};
    std::atomic<bool> m_endedFlag{false};
    bool m_running = false; // the caller's own
    std::thread m_thread;
};

} // namespace kx
