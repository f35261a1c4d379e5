#include "support/test_server_outage.h"

#include <QProcess>

namespace kx::test {

namespace {

constexpr const char* kControlVariable = "KX_TEST_PG_SERVER_CONTROL";

} // namespace

bool TestServerOutage::Available() {
    return !qEnvironmentVariable(kControlVariable).isEmpty();
}

TestServerOutage::~TestServerOutage() {
    if (m_stopped)
        StartServer();
}

QString TestServerOutage::StopServer() {
    const QString error = Control(QStringLiteral("stop"));
    m_stopped = m_stopped || error.isEmpty();
    return error;
}

QString TestServerOutage::StartServer() {
    const QString error = Control(QStringLiteral("start"));
    if (error.isEmpty())
        m_stopped = false;
    return error;
}

QString TestServerOutage::Control(const QString& command) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(qEnvironmentVariable(kControlVariable), {command});
    if (!process.waitForFinished(90'000)) {
        process.kill();
        process.waitForFinished();
        return QStringLiteral("the server's %1 did not finish").arg(command);
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QStringLiteral("the server's %1 failed: %2")
            .arg(command, QString::fromLocal8Bit(process.readAll()));
    return {};
}

} // namespace kx::test
