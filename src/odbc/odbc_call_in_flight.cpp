#include "odbc/odbc_call_in_flight.h"

#include <atomic>
#include <mutex>

namespace kx {
namespace {

std::atomic<IKxBlockingCallRunner*> installedRunner{nullptr};

// The statement being executed. Cancelling holds the lock across SQLCancel, and the call's
// end takes it before the handle can be freed, so a cancel never reaches a freed handle.
std::mutex inFlightLock;
SQLHSTMT inFlight = SQL_NULL_HSTMT;

} // namespace

void KxSetBlockingCallRunner(IKxBlockingCallRunner* runner) {
    installedRunner = runner;
}

IKxBlockingCallRunner* KxBlockingCallRunner() {
    return installedRunner;
}

SQLRETURN KxRunCancellableCall(SQLHSTMT statement, const std::function<SQLRETURN()>& call) {
    {
        std::lock_guard guard(inFlightLock);
        if (inFlight != SQL_NULL_HSTMT)
            return call();
        inFlight = statement;
    }
    struct EndInFlight {
        ~EndInFlight() {
            std::lock_guard guard(inFlightLock);
            inFlight = SQL_NULL_HSTMT;
        }
    } endInFlight;
    SQLRETURN rc = SQL_ERROR;
    if (IKxBlockingCallRunner* runner = installedRunner.load())
        runner->RunBlockingCall([&] { rc = call(); });
    else
        rc = call();
    return rc;
}

bool KxCancelStatementInFlight() {
    std::lock_guard guard(inFlightLock);
    if (inFlight == SQL_NULL_HSTMT)
        return false;
    // The outcome shows in the cancelled call's own diagnostics; a driver that cannot cancel
    // lets the call run to its end.
    (void)SQLCancel(inFlight);
    return true;
}

} // namespace kx
