#pragma once

#include <QString>

namespace kx::test {

// The PostgreSQL test server taken down as an administrator would take it down (fast
// shutdown: every session is ended at once) and brought back on the same port, through the
// command scripts/with-test-databases.sh provides. The tests run one at a time, so no other
// test sees the server gone. Whatever a test does, the server is up again when the object
// goes.
class TestServerOutage {
public:
    // Whether the server can be stopped and started (otherwise the caller skips).
    static bool Available();

    TestServerOutage() = default;
    TestServerOutage(const TestServerOutage&) = delete;
    TestServerOutage& operator=(const TestServerOutage&) = delete;
    ~TestServerOutage();

    // Each answers an empty text on success, the command's output otherwise.
    QString StopServer();
    QString StartServer();
    bool ServerStopped() const { return m_stopped; }

private:
    QString Control(const QString& command);

    bool m_stopped = false;
};

} // namespace kx::test
