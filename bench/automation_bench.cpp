// The automation call's round trip, measured in one run on a private session bus:
//
// - an empty ExecuteSQL call (no connection string, no SQL, no flags) from a client connection
//   of the same process to the window's automation object and back, 300 times;
// - the same call made the way a shell script makes it, one `gdbus call` process per call,
//   20 times (process start included: what a caller of the command-line tool waits).
//
// Runs itself again under dbus-run-session when no session bus is set.
// Usage: automation_bench

#include "app/application_settings.h"
#include "app/automation_service.h"
#include "app/main_window.h"
#include "foundation/persistent_data.h"
#include "odbc/odbc_environment.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

using namespace kx;

namespace {

struct TStats {
    double mean = 0, median = 0, worst = 0;
};

TStats Summarise(std::vector<double> samples) {
    TStats stats;
    if (samples.empty())
        return stats;
    std::sort(samples.begin(), samples.end());
    for (double sample : samples)
        stats.mean += sample;
    stats.mean /= double(samples.size());
    stats.median = samples[samples.size() / 2];
    stats.worst = samples.back();
    return stats;
}

QDBusMessage EmptyCall() {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QLatin1String(kxAutomationService), QLatin1String(kxAutomationPath),
        QLatin1String(kxAutomationInterface), QLatin1String(kxAutomationMethod));
    call << QString() << QString() << 0;
    return call;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        std::vector<char*> again{const_cast<char*>("dbus-run-session"), const_cast<char*>("--")};
        for (int i = 0; i < argc; ++i)
            again.push_back(argv[i]);
        again.push_back(nullptr);
        execvp("dbus-run-session", again.data());
        std::perror("dbus-run-session");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    TKxPersistentData store;
    KxConfigureApplicationStore(store, dir.filePath(QStringLiteral("bench.PRS")));
    TKxOdbcEnvironment environment;
    TMainWindow window(store, environment);
    window.FirstActivation(false);
    TKxAutomationService service(window);
    if (!service.Publish()) {
        std::fprintf(stderr, "automation_bench: cannot publish on the session bus\n");
        return 2;
    }

    // In-process client: a connection of its own to the same bus.
    QDBusConnection client =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("bench-client"));
    std::vector<double> inProcess;
    int failures = 0;
    for (int i = 0; i < 310; ++i) {
        QElapsedTimer clock;
        clock.start();
        QDBusPendingCall pending = client.asyncCall(EmptyCall());
        while (!pending.isFinished())
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents,
                                            5);
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        if (pending.isError())
            ++failures;
        if (i >= 10) // the first calls warm up the bus and the caches
            inProcess.push_back(ms);
    }

    std::vector<double> gdbus;
    for (int i = 0; i < 20; ++i) {
        QProcess process;
        QElapsedTimer clock;
        clock.start();
        process.start(QStringLiteral("gdbus"),
                      {QStringLiteral("call"), QStringLiteral("--session"),
                       QStringLiteral("--dest"), QLatin1String(kxAutomationService),
                       QStringLiteral("--object-path"), QLatin1String(kxAutomationPath),
                       QStringLiteral("--method"),
                       QStringLiteral("%1.%2").arg(QLatin1String(kxAutomationInterface),
                                                   QLatin1String(kxAutomationMethod)),
                       QString(), QString(), QStringLiteral("0")});
        while (process.state() != QProcess::NotRunning) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
            process.waitForFinished(2);
        }
        if (process.exitCode() != 0)
            ++failures;
        gdbus.push_back(double(clock.nsecsElapsed()) / 1e6);
    }

    const TStats a = Summarise(inProcess);
    const TStats b = Summarise(gdbus);
    std::printf("automation_bench: empty ExecuteSQL round trip (target <= 50 ms)\n");
    std::printf("  %-28s %8s %8s %8s\n", "", "mean", "median", "worst");
    std::printf("  %-28s %7.3f ms %7.3f ms %7.3f ms   (%zu calls)\n", "D-Bus client in process",
                a.mean, a.median, a.worst, inProcess.size());
    std::printf("  %-28s %7.3f ms %7.3f ms %7.3f ms   (%zu calls)\n", "gdbus call (a process each)",
                b.mean, b.median, b.worst, gdbus.size());
    std::printf("  failed calls: %d\n", failures);
    return failures == 0 ? 0 : 1;
}
