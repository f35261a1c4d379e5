#include "foundation/exception_information.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxFoundation", text);
}

QString OrQuestionMark(const QString& text) {
    return text.isEmpty() ? QStringLiteral("?") : text;
}

} // namespace

TKxExceptionInformation::TKxExceptionInformation(const std::exception* exception) {
    m_message = Tr("No exception information assgined");
    m_address = exception;
    if (exception == nullptr)
        return;
    if (const auto* info = dynamic_cast<const IKxExceptionInformation*>(exception)) {
        m_message = info->GetMessage();
        m_className = info->GetExceptionClassName();
        if (info->GetExceptionAddress() != nullptr)
            m_address = info->GetExceptionAddress();
        m_objectName = info->GetObjectName();
        m_objectClass = info->GetObjectClassName();
        m_routineName = info->GetRoutineName();
        m_severity = info->GetSeverityLevel();
        m_helpContext = info->GetHelpContext();
        return;
    }
    m_message = KxExceptionMessage(*exception);
    m_className = KxExceptionClassName(*exception);
}

QString KxBuildExceptionText(IKxExceptionInformation* info, bool detailed) {
    if (!detailed)
        return info != nullptr ? info->GetMessage()
                               : Tr("The Exception Information Object was nil");

    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUpper();
    const auto field = [info](QString (IKxExceptionInformation::*get)() const) {
        return info != nullptr ? OrQuestionMark((info->*get)()) : QStringLiteral("?");
    };
    const quintptr address =
        info != nullptr ? reinterpret_cast<quintptr>(info->GetExceptionAddress()) : 0;

    QString text;
    text += Tr("Exeption in Application") + QStringLiteral(": %1").arg(program) +
            QStringLiteral("\r\n\r\n");
    text += Tr("Exception Class") +
            QStringLiteral(": %1").arg(field(&IKxExceptionInformation::GetExceptionClassName)) +
            QStringLiteral("\r\n");
    text +=
        Tr("Severity Level") +
        QStringLiteral(": %1").arg(info != nullptr ? KxSeverityLevelName(info->GetSeverityLevel())
                                                   : QStringLiteral("?")) +
        QStringLiteral("\r\n");
    text += Tr("Object Name") +
            QStringLiteral(": %1").arg(field(&IKxExceptionInformation::GetObjectName)) +
            QStringLiteral("\r\n");
    text += Tr("Object Class") +
            QStringLiteral(": %1").arg(field(&IKxExceptionInformation::GetObjectClassName)) +
            QStringLiteral("\r\n");
    text += Tr("Routine Name") +
            QStringLiteral(": %1").arg(field(&IKxExceptionInformation::GetRoutineName)) +
            QStringLiteral("\r\n");
    text += Tr("Exception Address") +
            QStringLiteral(": $%1 (%2)").arg(QString::number(address, 16).toUpper()).arg(address) +
            QStringLiteral("\r\n\r\n");
    text += Tr("Message") + QStringLiteral(":") + QStringLiteral("\r\n") +
            QStringLiteral("---------------") + QStringLiteral("\r\n");
    text +=
        (info != nullptr ? info->GetMessage() : QStringLiteral("?")) + QStringLiteral("\r\n\r\n");
    return text;
}

} // namespace kx
