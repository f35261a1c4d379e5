#pragma once

#include "foundation/message_box.h"

#include <QString>

class QWidget;

namespace kx {

// Shows a modal message box owned by `owner` (or the active window), driven by the mb:: flags
// of the foundation, and returns the answer as one of the id:: codes. Closing the box without a
// button answers Cancel where the box has one, else No for a Yes/No box, else OK.
int KxShowPlatformMessageBox(QWidget* owner, const QString& text, const QString& caption,
                             unsigned flags);

// Routes the program's KxMessageBox to the Qt dialog above; called once at start-up. The
// texts keep their classic CR line breaks, which the dialog shows as line breaks.
void KxInstallPlatformMessageBox();

} // namespace kx
