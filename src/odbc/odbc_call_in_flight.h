#pragma once

#include <functional>
#include <sql.h>

namespace kx {

// Runs the ODBC calls that wait for the server (executing a statement). A window installs a
// runner that makes the call on a worker thread while its own thread goes on handling events;
// without one the call is made on the calling thread.
class IKxBlockingCallRunner {
public:
    virtual ~IKxBlockingCallRunner() = default;
    // Makes `call` and returns when it has ended. The handles it uses are the call's alone
    // until then: the caller touches none of them meanwhile.
    virtual void RunBlockingCall(const std::function<void()>& call) = 0;
};

// The runner for this process's blocking calls; null (the default) runs them in place.
void KxSetBlockingCallRunner(IKxBlockingCallRunner* runner);
IKxBlockingCallRunner* KxBlockingCallRunner();

// Makes one statement call that may wait long (SQLExecDirect and the like) through the
// runner, with `statement` registered as the statement in flight so that another thread can
// cancel it. A call made while another is in flight (code run by the event loop meanwhile)
// runs in place and cannot be cancelled.
SQLRETURN KxRunCancellableCall(SQLHSTMT statement, const std::function<SQLRETURN()>& call);

// Cancels the statement in flight, if there is one, with SQLCancel: the driver ends the call
// with its cancel diagnostics. Callable from any thread but not from a signal handler.
// Answers whether a statement was in flight.
bool KxCancelStatementInFlight();

} // namespace kx
