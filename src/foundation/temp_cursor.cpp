#include "foundation/temp_cursor.h"

namespace kx {
namespace {

struct CursorRoutines {
    std::function<void()> show;
    std::function<void()> restore;
};

// Set once at start-up on the user-interface thread, like every use of the scope.
CursorRoutines& Routines() {
    static CursorRoutines routines;
    return routines;
}

} // namespace

TKxTempCursor::TKxTempCursor() {
    if (Routines().show)
        Routines().show();
}

TKxTempCursor::~TKxTempCursor() {
    if (Routines().restore)
        Routines().restore();
}

void KxSetWaitCursorRoutines(std::function<void()> show, std::function<void()> restore) {
    Routines() = {std::move(show), std::move(restore)};
}

} // namespace kx
