#pragma once

#include "app/application_settings.h"
#include "app/main_window.h"
#include "app/script_statements.h"
#include "editor/syntax_editor.h"
#include "foundation/persistent_data.h"
#include "odbc/odbc_environment.h"
#include "support/driver_test.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <memory>

namespace kx::test {

// The window over a settings file of its own and a database of each driver, offscreen.
class MainWindowTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        if (IsSkipped())
            return;
        settingsFile = QDir(dir.path()).filePath(QStringLiteral("t.PRS"));
        KxConfigureApplicationStore(store, settingsFile);
        NewWindow();
    }
    void TearDown() override {
        window.reset();
        DriverTest::TearDown();
    }
    void NewWindow() {
        window.reset();
        window = std::make_unique<TMainWindow>(store, environment);
    }
    // Closes the window as the user would; answers whether it closed.
    bool Close() {
        QCloseEvent event;
        QCoreApplication::sendEvent(window.get(), &event);
        return event.isAccepted();
    }
    void SetScript(const QString& text) {
        window->Editor().SetAllText(text);
        window->Statements().ResetCurrentStatement();
        window->Statements().FindCurrentStatement();
        window->Statements().StartCount();
        window->Statements().WaitForCount();
        QCoreApplication::processEvents();
        window->RefreshActions();
    }
    QString File(const char* name) const { return QDir(dir.path()).filePath(QLatin1String(name)); }

    TKxPersistentData store;
    QString settingsFile;
    TKxOdbcEnvironment environment;
    std::unique_ptr<TMainWindow> window;
};

} // namespace kx::test
