#include "app/application_settings.h"
#include "app/main_window.h"
#include "app/program_texts.h"
#include "dialogs/exception_dialog.h"
#include "kx_version.h"
#include "platform/platform_message_box.h"
#include "platform/wait_cursor.h"

#include <QApplication>
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

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kxquerolt"));
    QApplication::setApplicationVersion(QStringLiteral(KX_VERSION_STRING));

    kx::KxInstallPlatformMessageBox();
    kx::KxInstallPlatformWaitCursor();
    kx::KxSetApplicationStoreFileName(kx::KxSettingsFileName(QApplication::arguments()));

    int result = 0;
    {
        // Failures that reach the event loop (timer handlers, deferred steps) end in the
        // exception dialog rather than in a plain message box.
        kx::TKxExceptionHandlerObj exceptionHandler(&kx::KxApplicationStore());
        kx::TMainWindow window;
        window.show();
        result = QApplication::exec();
    }
    kx::KxReleaseApplicationStore();
    return result;
}
