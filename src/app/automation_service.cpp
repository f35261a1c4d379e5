#include "app/automation_service.h"

#include "app/main_window.h"
#include "foundation/application_exception_handler.h"
#include "foundation/atomic_save.h"
#include "foundation/exceptions.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxAutomation", text);
}

// Shown in the program once the reply is out: the caller is not kept waiting for the user
// to read it.
void ShowLater(const QString& message) {
    QTimer::singleShot(0, [message] {
        try {
            KxRaise(message, QStringLiteral("ExecuteSQL"), nullptr);
        } catch (...) {
            KxHandleCurrentException();
        }
    });
}

QString DataFile(const QString& relativePath) {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QLatin1Char('/') + relativePath;
}

void WriteFileAtomically(const QString& fileName, const QByteArray& contents) {
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    KxSaveFile(fileName, contents, Tr("Could not write the file \"%1\": %2"),
               QStringLiteral("KxRegisterAutomationServer"));
}

// A program path as an Exec line takes it: quoted when it holds blanks or quotes.
QString ExecPath(const QString& path) {
    if (!path.contains(QLatin1Char(' ')) && !path.contains(QLatin1Char('"')) &&
        !path.contains(QLatin1Char('\\')))
        return path;
    QString quoted = path;
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

TKxAutomationService::TKxAutomationService(TMainWindow& window) : m_window(window) {}

TKxAutomationService::~TKxAutomationService() {
    Withdraw();
}

bool TKxAutomationService::Publish() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    if (!bus.registerVirtualObject(QLatin1String(kxAutomationPath), this))
        return false;
    m_published = true;
    return bus.registerService(QLatin1String(kxAutomationService));
}

void TKxAutomationService::Withdraw() {
    if (!m_published)
        return;
    m_published = false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(QLatin1String(kxAutomationService));
    bus.unregisterObject(QLatin1String(kxAutomationPath));
}

QString TKxAutomationService::introspect(const QString&) const {
    return QStringLiteral("  <interface name=\"%1\">\n"
                          "    <method name=\"%2\">\n"
                          "      <arg name=\"connectionString\" type=\"s\" direction=\"in\"/>\n"
                          "      <arg name=\"sql\" type=\"s\" direction=\"in\"/>\n"
                          "      <arg name=\"flags\" type=\"i\" direction=\"in\"/>\n"
                          "    </method>\n"
                          "  </interface>\n")
        .arg(QLatin1String(kxAutomationInterface), QLatin1String(kxAutomationMethod));
}

bool TKxAutomationService::handleMessage(const QDBusMessage& message,
                                         const QDBusConnection& connection) {
    if (message.type() != QDBusMessage::MethodCallMessage ||
        message.member() != QLatin1String(kxAutomationMethod) ||
        (!message.interface().isEmpty() &&
         message.interface() != QLatin1String(kxAutomationInterface)))
        return false;
    if (message.signature() != QLatin1String("ssi")) {
        connection.send(message.createErrorReply(
            QDBusError::InvalidArgs, Tr("ExecuteSQL takes a connection string, an SQL text and "
                                        "the flags (signature \"ssi\")")));
        return true;
    }
    // One request at a time, and none under a running script or a window still starting:
    // it would change the connection or the text the running script is read from.
    if (m_handling || !m_window.CanTakeAutomationRequest()) {
        connection.send(message.createErrorReply(
            QLatin1String(kxAutomationErrorBusy),
            m_handling
                ? Tr("Kx - Querolt is handling another request")
                : Tr("Kx - Querolt is busy: a script is running or the window is starting")));
        return true;
    }
    const QList<QVariant> arguments = message.arguments();
    m_handling = true;
    try {
        m_window.ExecuteAutomationRequest(arguments.value(0).toString(),
                                          arguments.value(1).toString(),
                                          arguments.value(2).toInt());
        m_handling = false;
        connection.send(message.createReply());
    } catch (const std::exception& e) {
        m_handling = false;
        const QString text = KxExceptionMessage(e);
        const bool cancelled = KxIsAbort(e);
        connection.send(message.createErrorReply(
            QLatin1String(cancelled ? kxAutomationErrorCancelled : kxAutomationErrorFailed), text));
        if (!cancelled)
            ShowLater(text);
    } catch (...) {
        m_handling = false;
        connection.send(
            message.createErrorReply(QLatin1String(kxAutomationErrorFailed), Tr("Unknown error")));
    }
    return true;
}

// ---- start switches and registration

TKxStartMode KxStartMode(const QStringList& arguments) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument.size() < 2 ||
            (argument[0] != QLatin1Char('-') && argument[0] != QLatin1Char('/')))
            continue;
        const QString name = argument.mid(1).toLower();
        if (name == QLatin1String("automation") || name == QLatin1String("embedding"))
            return TKxStartMode::Automation;
        if (name == QLatin1String("regserver"))
            return TKxStartMode::Register;
        if (name == QLatin1String("unregserver"))
            return TKxStartMode::Unregister;
    }
    return TKxStartMode::Standalone;
}

QString KxAutomationServiceFile() {
    return DataFile(
        QStringLiteral("dbus-1/services/%1.service").arg(QLatin1String(kxAutomationService)));
}

QString KxAutomationDesktopFile() {
    return DataFile(QStringLiteral("applications/kxquerolt.desktop"));
}

void KxRegisterAutomationServer(const QString& programPath) {
    const QString program = ExecPath(QFileInfo(programPath).absoluteFilePath());
    WriteFileAtomically(KxAutomationServiceFile(),
                        QStringLiteral("[D-BUS Service]\nName=%1\nExec=%2 -automation\n")
                            .arg(QLatin1String(kxAutomationService), program)
                            .toUtf8());
    WriteFileAtomically(KxAutomationDesktopFile(),
                        QStringLiteral("[Desktop Entry]\nType=Application\nName=Kx - Querolt\n"
                                       "Comment=Edit and run SQL scripts against ODBC data "
                                       "sources\nExec=%1 %F\nIcon=kxquerolt\nTerminal=false\n"
                                       "Categories=Development;Database;\n"
                                       "MimeType=application/sql;text/x-sql;\n")
                            .arg(program)
                            .toUtf8());
}

void KxUnregisterAutomationServer() {
    for (const QString& file : {KxAutomationServiceFile(), KxAutomationDesktopFile()}) {
        if (QFileInfo::exists(file) && !QFile::remove(file))
            KxRaise(Tr("Could not remove the file \"%1\"").arg(file),
                    QStringLiteral("KxUnregisterAutomationServer"), nullptr);
    }
}

} // namespace kx
