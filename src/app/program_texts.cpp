#include "app/program_texts.h"

#include <QCoreApplication>

namespace kx {

QString KxApplicationTitle() {
    return QCoreApplication::translate("KxQuerolt", "Kx - Querolt");
}

QString KxNoConnectionName() {
    return QCoreApplication::translate("KxQuerolt", "No DB Connection");
}

QString KxMainWindowTitle(const QString& connectionDisplayName) {
    return QStringLiteral("%1 - [%2]").arg(KxApplicationTitle(), connectionDisplayName);
}

} // namespace kx
