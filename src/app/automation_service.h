#pragma once

#include <QDBusVirtualObject>
#include <QString>
#include <QStringList>
#include <functional>

namespace kx {

class TMainWindow;

// What other programs call on the session bus, with `gdbus call` for example (one line):
//   gdbus call --session --dest org.kxquerolt.KxQuerolt --object-path /ExecuteSQL
//     --method org.kxquerolt.KxQuerolt.ExecuteSQL.ExecuteSQL "DSN=demo" "SELECT 1;" 1
inline constexpr const char* kxAutomationService = "org.kxquerolt.KxQuerolt";
inline constexpr const char* kxAutomationPath = "/ExecuteSQL";
inline constexpr const char* kxAutomationInterface = "org.kxquerolt.KxQuerolt.ExecuteSQL";
inline constexpr const char* kxAutomationMethod = "ExecuteSQL";
// Error replies: the window is busy (a script runs, another request is handled, the window
// is still starting), the user cancelled a question, or the request failed.
inline constexpr const char* kxAutomationErrorBusy = "org.kxquerolt.KxQuerolt.Error.Busy";
inline constexpr const char* kxAutomationErrorCancelled = "org.kxquerolt.KxQuerolt.Error.Cancelled";
inline constexpr const char* kxAutomationErrorFailed = "org.kxquerolt.KxQuerolt.Error.Failed";

// The automation object: ExecuteSQL(s connectionString, s sql, i flags) forwarded to the main
// window, one request at a time. A failure is answered as an error reply and also shown in
// the program, after the reply went out, so the caller never waits for the user.
class TKxAutomationService : public QDBusVirtualObject {
public:
    explicit TKxAutomationService(TMainWindow& window);
    ~TKxAutomationService() override;

    // Registers the object and claims the service name on the session bus; answers false when
    // there is no session bus or the name is taken (the program then runs without it).
    bool Publish();
    void Withdraw();

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    TMainWindow& m_window;
    bool m_handling = false;
    bool m_published = false;
};

// How the program was started, from its switches ("-automation" or "/Embedding", any case;
// only whole arguments count, so a file path is never taken for a switch).
enum class TKxStartMode { Standalone, Automation, Register, Unregister };
TKxStartMode KxStartMode(const QStringList& arguments);

// "-regserver": the session bus activation file (…/dbus-1/services/<service>.service, Exec
// the absolute program path with -automation) and a desktop entry under the user's data
// directory ($XDG_DATA_HOME, else ~/.local/share). "-unregserver" removes both. Raise when a
// file cannot be written or removed.
void KxRegisterAutomationServer(const QString& programPath);
void KxUnregisterAutomationServer();
QString KxAutomationServiceFile();
QString KxAutomationDesktopFile();

} // namespace kx
