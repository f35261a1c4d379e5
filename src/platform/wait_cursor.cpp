#include "platform/wait_cursor.h"

#include "foundation/temp_cursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace kx {

// QGuiApplication keeps a stack of override cursors, so nesting needs no counter of ours.
KxWaitCursorScope::KxWaitCursorScope() {
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

KxWaitCursorScope::~KxWaitCursorScope() {
    QGuiApplication::restoreOverrideCursor();
}

void KxInstallPlatformWaitCursor() {
    KxSetWaitCursorRoutines([] { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); },
                            [] { QGuiApplication::restoreOverrideCursor(); });
}

} // namespace kx
