#pragma once

#include <exception>
#include <functional>

namespace kx {

// Where exceptions go that nothing on their way caught: the handlers of timers and other
// calls that the event loop makes on the program's behalf. The default shows the message as
// an error (KxMessageBox); the desktop build may install its exception dialog, tests install
// a recorder.
using KxApplicationExceptionHandler = std::function<void(const std::exception& exception)>;

// Replaces the handler; an empty function restores the default. Answers the previous one.
KxApplicationExceptionHandler
KxSetApplicationExceptionHandler(KxApplicationExceptionHandler handler);

// Hands an exception to the installed handler; an abort (EKxAbort) ends silently. Never raises: a
// handler that raises has its exception traced and dropped, since there is nobody left to catch it.
void KxHandleApplicationException(const std::exception& exception) noexcept;

// The same for whatever is being caught in a `catch (...)` block; exceptions that are not
// std::exception are reported as "Unknown exception".
void KxHandleCurrentException() noexcept;

} // namespace kx
