#include "app/application_settings.h"
#include "app/automation_service.h"
#include "app/batch_runner.h"
#include "app/main_window.h"
#include "app/program_texts.h"
#include "dialogs/exception_dialog.h"
#include "foundation/exceptions.h"
#include "kx_version.h"
#include "odbc/odbc_environment.h"
#include "platform/kx_application.h"
#include "platform/platform_message_box.h"
#include "platform/wait_cursor.h"

#include <QTextStream>
#include <cstdio>
#include <cstring>

int main(int argc, char* argv[]) {
    // Answer --version before creating the application object, so it also works on a
    // machine without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("kxquerolt %s\n", KX_VERSION_STRING);
            return 0;
        }
    }

    // --run SCRIPT --connect "CONNECTION STRING": execute a script without a window and
    // print what the report window and the grid would show.
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--run") != 0)
            continue;
        QCoreApplication batchApp(argc, argv);
        kx::TKxBatchOptions options;
        const QStringList arguments = QCoreApplication::arguments();
        options.scriptFile = arguments.value(i + 1);
        const qsizetype connect = arguments.indexOf(QStringLiteral("--connect"));
        if (connect > 0)
            options.connectionString = arguments.value(connect + 1);
        kx::KxSetApplicationStoreFileName(kx::KxSettingsFileName(arguments));
        QTextStream out(stdout);
        const int result = kx::KxRunScriptBatch(options, kx::KxApplicationStore(), out);
        kx::KxReleaseApplicationStore();
        return result;
    }

    kx::TKxApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kxquerolt"));
    QApplication::setApplicationVersion(QStringLiteral(KX_VERSION_STRING));

    // -regserver / -unregserver: write or remove the bus activation file and the desktop
    // entry, and end without a window.
    const kx::TKxStartMode mode = kx::KxStartMode(QApplication::arguments());
    if (mode == kx::TKxStartMode::Register || mode == kx::TKxStartMode::Unregister) {
        try {
            if (mode == kx::TKxStartMode::Register)
                kx::KxRegisterAutomationServer(QCoreApplication::applicationFilePath());
            else
                kx::KxUnregisterAutomationServer();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "kxquerolt: %s\n", qUtf8Printable(kx::KxExceptionMessage(e)));
            return 1;
        }
        return 0;
    }

    kx::KxInstallPlatformMessageBox();
    kx::KxInstallPlatformWaitCursor();
    kx::KxSetApplicationStoreFileName(kx::KxSettingsFileName(QApplication::arguments()));

    int result = 0;
    {
        // Failures that reach the event loop (any event handler, timer or deferred step) end
        // in the exception dialog rather than in a plain message box.
        kx::TKxExceptionHandlerObj exceptionHandler(&kx::KxApplicationStore());
        // The one ODBC environment of the program, for every connection the window makes.
        kx::TKxOdbcEnvironment environment;
        kx::TMainWindow window(kx::KxApplicationStore(), environment);
        // kxquerolt [--connect STRING] [--execute] [SCRIPT]
        kx::TMainWindow::TStartArguments start;
        const QStringList arguments = QApplication::arguments();
        for (qsizetype index = 1; index < arguments.size(); ++index) {
            const QString& argument = arguments[index];
            if (argument == QStringLiteral("--connect"))
                start.connectionString = arguments.value(++index);
            else if (argument == QStringLiteral("--settings"))
                ++index; // read with the store
            else if (argument == QStringLiteral("--execute"))
                start.execute = true;
            else if (kx::KxStartMode({QString(), argument}) != kx::TKxStartMode::Standalone)
                continue; // "/automation" is a switch, "/home/me/a.sql" a script
            else if (!argument.startsWith(QLatin1Char('-')))
                start.script = argument;
        }
        start.automation = mode == kx::TKxStartMode::Automation;
        window.SetStartArguments(start);
        // Other programs reach the window on the session bus; without one it runs alone.
        kx::TKxAutomationService automation(window);
        automation.Publish();
        window.show();
        result = QApplication::exec();
    }
    kx::KxReleaseApplicationStore();
    return result;
}
