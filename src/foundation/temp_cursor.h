#pragma once

#include <functional>

namespace kx {

// Shows the wait cursor while it lives (nested scopes are fine), also when an exception
// passes. The foundation knows no windows: the desktop build installs the routines that
// really change the cursor; without them the scope does nothing.
class TKxTempCursor {
public:
    TKxTempCursor();
    ~TKxTempCursor();
    TKxTempCursor(const TKxTempCursor&) = delete;
    TKxTempCursor& operator=(const TKxTempCursor&) = delete;
};

void KxSetWaitCursorRoutines(std::function<void()> show, std::function<void()> restore);

} // namespace kx
