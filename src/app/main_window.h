#pragma once

#include <QMainWindow>

namespace kx {

// The program's only main window. For now it carries the title; the script editor, the
// result grid and the actions are added by the subsystems that own them.
class TMainWindow : public QMainWindow {
public:
    explicit TMainWindow(QWidget* parent = nullptr);

    // Refreshes the title from the current connection's display name.
    void UpdateTitle();

private:
    QString CurrentConnectionDisplayName() const;
};

} // namespace kx
