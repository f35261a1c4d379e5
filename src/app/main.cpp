#include "app/application_settings.h"
#include "app/automation_service.h"
#include "app/batch_command_line.h"
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

#include <QFile>
#include <QTextStream>
#include <csignal>
#include <cstdio>

namespace {

void InterruptRun(int) {
    kx::KxInterruptScriptBatch();
}

// kxquerolt --run …: the script without a window.
int RunBatch(int argc, char* argv[], const kx::TKxBatchOptions& options) {
    QCoreApplication batchApp(argc, argv);
    struct sigaction action {};
    action.sa_handler = InterruptRun;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);

    kx::KxSetApplicationStoreFileName(!options.settingsFile.isEmpty()
                                          ? options.settingsFile
                                          : kx::KxSettingsFileName(QCoreApplication::arguments()));
    QFile standardOutput;
    standardOutput.open(stdout, QIODevice::WriteOnly);
    QFile standardError;
    standardError.open(stderr, QIODevice::WriteOnly);
    QFile outputFile(options.outputFile);
    if (!options.outputFile.isEmpty() &&
        !outputFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "kxquerolt: cannot write %s: %s\n", qUtf8Printable(options.outputFile),
                     qUtf8Printable(outputFile.errorString()));
        return 2;
    }
    QTextStream results(options.outputFile.isEmpty() ? static_cast<QIODevice*>(&standardOutput)
                                                     : &outputFile);
    // Log lines stay out of machine-readable results.
    const bool logApart =
        options.format != kx::TKxResultFormat::Table || !options.outputFile.isEmpty();
    QTextStream log(logApart ? &standardError : &standardOutput);
    const int result = logApart
                           ? kx::KxRunScriptBatch(options, kx::KxApplicationStore(), results, log)
                           : kx::KxRunScriptBatch(options, kx::KxApplicationStore(), results);
    kx::KxReleaseApplicationStore();
    return result;
}

} // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    kx::TKxBatchOptions options;
    QString message;
    switch (kx::KxParseCommandLine(arguments, options, message, [](const QString& name) {
        return qEnvironmentVariableIsSet(name.toLocal8Bit().constData())
                   ? qEnvironmentVariable(name.toLocal8Bit().constData())
                   : QString();
    })) {
    case kx::TKxCommandLineRequest::Help:
    case kx::TKxCommandLineRequest::Version:
        std::fputs(qUtf8Printable(message), stdout);
        return 0;
    case kx::TKxCommandLineRequest::Error:
        std::fprintf(stderr, "%s\n", qUtf8Printable(message));
        return 2;
    case kx::TKxCommandLineRequest::Run:
        return RunBatch(argc, argv, options);
    case kx::TKxCommandLineRequest::Window:
        break;
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
        start.script = options.scriptFile;
        start.connectionString = options.connectionString;
        start.execute = options.execute;
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
