#include "foundation/application_exception_handler.h"

#include "foundation/exceptions.h"
#include "foundation/message_box.h"

#include <QCoreApplication>
#include <mutex>

namespace kx {
namespace {

std::mutex handlerMutex;
KxApplicationExceptionHandler installedHandler;

void ShowAsError(const std::exception& exception) {
    KxMessageBox(KxExceptionMessage(exception), svError);
}

} // namespace

KxApplicationExceptionHandler
KxSetApplicationExceptionHandler(KxApplicationExceptionHandler handler) {
    std::lock_guard lock(handlerMutex);
    return std::exchange(installedHandler, std::move(handler));
}

void KxHandleApplicationException(const std::exception& exception) noexcept {
    // The user called the operation off; there is nothing to report.
    if (KxIsAbort(exception))
        return;
    try {
        KxApplicationExceptionHandler handler;
        {
            std::lock_guard lock(handlerMutex);
            handler = installedHandler;
        }
        if (handler)
            handler(exception);
        else
            ShowAsError(exception);
    } catch (const std::exception& e) {
        KxTraceException(e, true);
    } catch (...) {
    }
}

void KxHandleCurrentException() noexcept {
    try {
        throw;
    } catch (const std::exception& e) {
        KxHandleApplicationException(e);
    } catch (...) {
        KxHandleApplicationException(
            EKxException(QCoreApplication::translate("KxFoundation", "Unknown exception")));
    }
}

} // namespace kx
