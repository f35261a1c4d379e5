#include "app/main_window.h"

#include "app/program_texts.h"

namespace kx {

TMainWindow::TMainWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("MainWindow"));
    resize(1000, 700);
    UpdateTitle();
}

void TMainWindow::UpdateTitle() {
    setWindowTitle(KxMainWindowTitle(CurrentConnectionDisplayName()));
}

QString TMainWindow::CurrentConnectionDisplayName() const {
    // There is no connection list yet, so there is never a current connection.
    return KxNoConnectionName();
}

} // namespace kx
