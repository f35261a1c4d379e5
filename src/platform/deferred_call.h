#pragma once

#include <functional>

class QObject;

namespace kx {

// Runs `step` on the receiver's thread once the current event has been handled. This is how
// the program posts "a message to its own window": the step never runs inside the caller's
// stack frame, and it is dropped silently if the receiver is destroyed before its turn. A step
// that raises has its exception handed to the application exception handler.
void KxPostDeferred(QObject* receiver, std::function<void()> step);

} // namespace kx
