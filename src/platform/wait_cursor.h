#pragma once

namespace kx {

// Shows the hour-glass cursor for as long as the scope object lives. Scopes nest: the
// cursor goes back to normal when the outermost one ends, also when an exception passes.
class KxWaitCursorScope {
public:
    KxWaitCursorScope();
    ~KxWaitCursorScope();

    KxWaitCursorScope(const KxWaitCursorScope&) = delete;
    KxWaitCursorScope& operator=(const KxWaitCursorScope&) = delete;
};

// Lets the foundation's TKxTempCursor (used below the widgets) show the same cursor.
void KxInstallPlatformWaitCursor();

} // namespace kx
