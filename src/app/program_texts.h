#pragma once

#include <QString>

namespace kx {

// The program's own name as the user sees it, and the text shown for "no connection".
QString KxApplicationTitle();
QString KxNoConnectionName();

// "<application title> - [<connection display name>]"
QString KxMainWindowTitle(const QString& connectionDisplayName);

} // namespace kx
