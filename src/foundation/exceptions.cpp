#include "foundation/exceptions.h"

#include "foundation/stream_interfaces.h"
#include "foundation/trace.h"

#include <QCoreApplication>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxFoundation", text);
}

QString OrDefault(const QString& routineName, const char* fallback) {
    return routineName.isEmpty() ? QString::fromLatin1(fallback) : routineName;
}

} // namespace

QString KxSeverityLevelName(TKxSeverityLevel level) {
    switch (level) {
    case svInformation:
        return Tr("Information");
    case svConfirm:
        return Tr("Confirm");
    case svWarning:
        return Tr("Warning");
    case svError:
        return Tr("Error");
    }
    return QStringLiteral("?");
}

QString KxPointerText(const void* pointer) {
    return QStringLiteral("%1")
        .arg(reinterpret_cast<quintptr>(pointer), int(sizeof(void*) * 2), 16, QLatin1Char('0'))
        .toUpper();
}

// ---- Object descriptions

void KxObjectDescription::DescribeObject(const IKxUnknown* object, const QString& dynamicClass) {
    className = dynamicClass;
    const auto* named = dynamic_cast<const IKxGetName*>(object);
    name = named != nullptr ? named->GetName() : QStringLiteral("?");
}

KxObjectDescription KxObjectDescription::OfInterface(const IKxUnknown* intf) {
    KxObjectDescription description;
    if (intf == nullptr)
        return description;
    const auto* named = dynamic_cast<const IKxGetName*>(intf);
    description.name = named != nullptr ? named->GetName() : QStringLiteral("?");
    const auto* classNamed = dynamic_cast<const IKxGetClassName*>(intf);
    description.className =
        classNamed != nullptr ? classNamed->GetClassName() : QStringLiteral("<Interface>");
    return description;
}

// ---- Exceptions

EKxException::EKxException(QString message, QString routineName, KxObjectDescription object,
                           TKxSeverityLevel severity, int helpContext) {
    SetMessage(message);
    m_objectName = std::move(object.name);
    m_objectClass = std::move(object.className);
    m_routineName = std::move(routineName);
    m_severity = severity;
    m_helpContext = helpContext;
}

// A thrown exception may be copied by the runtime; the copy starts without references.
EKxException::EKxException(const EKxException& other)
    : std::exception(other), TKxExceptionValues(other), m_what(other.m_what) {}

EKxException::~EKxException() = default;

void EKxException::SetMessage(const QString& message) {
    m_message = message;
    m_what = message.toStdString();
}

QString KxHResultMessage(KxHResult code) {
    struct Known {
        KxHResult code;
        const char* text;
    };
    // The codes the program itself produces or receives, with the texts users know them by.
    static const Known known[] = {
        {hr::S_Ok, QT_TRANSLATE_NOOP("KxFoundation", "The operation completed successfully.")},
        {hr::E_NotImpl, QT_TRANSLATE_NOOP("KxFoundation", "Not implemented")},
        {hr::E_NoInterface, QT_TRANSLATE_NOOP("KxFoundation", "No such interface supported")},
        {hr::E_Pointer, QT_TRANSLATE_NOOP("KxFoundation", "Invalid pointer")},
        {hr::E_Abort, QT_TRANSLATE_NOOP("KxFoundation", "Operation aborted")},
        {hr::E_Fail, QT_TRANSLATE_NOOP("KxFoundation", "Unspecified error")},
        {hr::E_Unexpected, QT_TRANSLATE_NOOP("KxFoundation", "Catastrophic failure")},
        {hr::E_AccessDenied, QT_TRANSLATE_NOOP("KxFoundation", "Access is denied.")},
        {hr::E_OutOfMemory,
         QT_TRANSLATE_NOOP(
             "KxFoundation",
             "Not enough memory resources are available to complete this operation.")},
        {hr::E_InvalidArg, QT_TRANSLATE_NOOP("KxFoundation", "The parameter is incorrect.")},
        {hr::STG_E_InvalidFunction,
         QT_TRANSLATE_NOOP("KxFoundation", "Unable to perform requested operation.")},
        {hr::STG_E_InvalidPointer, QT_TRANSLATE_NOOP("KxFoundation", "Invalid pointer error.")},
        {hr::STG_E_MediumFull,
         QT_TRANSLATE_NOOP("KxFoundation",
                           "There is insufficient disk space to complete operation.")},
        {hr::STG_E_ReadFault,
         QT_TRANSLATE_NOOP("KxFoundation", "A disk error occurred during a read operation.")},
        {hr::STG_E_WriteFault,
         QT_TRANSLATE_NOOP("KxFoundation", "A disk error occurred during a write operation.")},
        {hr::STG_E_SeekError,
         QT_TRANSLATE_NOOP("KxFoundation", "An error occurred during a seek operation.")},
        {hr::STG_E_InvalidParameter, QT_TRANSLATE_NOOP("KxFoundation", "Invalid parameter error.")},
        {hr::STG_E_AccessDenied, QT_TRANSLATE_NOOP("KxFoundation", "Access Denied.")},
        {hr::CO_E_ClassString, QT_TRANSLATE_NOOP("KxFoundation", "Invalid class string")},
        {hr::CONNECT_E_NoConnection,
         QT_TRANSLATE_NOOP("KxFoundation",
                           "The client has no connection with this connection point.")},
        {hr::CONNECT_E_AdviseLimit,
         QT_TRANSLATE_NOOP("KxFoundation",
                           "The connection point has reached its limit of connections.")},
        {hr::CONNECT_E_CannotConnect,
         QT_TRANSLATE_NOOP(
             "KxFoundation",
             "The sink does not support the interface required by the connection point.")},
    };
    for (const Known& entry : known) {
        if (entry.code == code)
            return Tr(entry.text);
    }
    return Tr("HResult Error, Code Hex: %1,  Code Dez: %2")
        .arg(QString::number(static_cast<std::uint32_t>(code), 16).toUpper())
        .arg(code);
}

EHrException::EHrException(KxHResult code, const QString& prefix, QString routineName,
                           KxObjectDescription object, int helpContext)
    : EKxException(prefix + KxHResultMessage(code), std::move(routineName), std::move(object),
                   code >= 0 ? svInformation : svError, helpContext),
      m_code(code) {}

void KxRaise(const QString& message, const QString& routineName, KxObjectDescription object) {
    throw EKxException(message, routineName, std::move(object));
}

void KxAbort(const QString& message, const QString& routineName, KxObjectDescription object) {
    throw EKxAbort(message, routineName, std::move(object));
}

bool KxIsAbort(const std::exception& e) {
    return dynamic_cast<const EKxAbort*>(&e) != nullptr;
}

QString KxExceptionMessage(const std::exception& e) {
    if (const auto* own = dynamic_cast<const EKxException*>(&e))
        return own->GetMessage();
    return QString::fromUtf8(e.what());
}

QString KxExceptionClassName(const std::exception& e) {
    return KxClassNameOf(e);
}

void KxTraceException(const std::exception& e, bool compact) {
    if (!KxIsTraceActive())
        return;
    QString message = KxExceptionMessage(e);
    if (compact) {
        message.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        message.replace(QLatin1Char('\r'), QLatin1Char(' '));
        message.replace(QLatin1Char('\n'), QLatin1Char(' '));
    }
    KxTrace(QStringLiteral("%1: %2").arg(KxExceptionClassName(e), message),
            TKxTraceCategory::Exception);
}

KxHResult KxExceptionToHR(const std::exception& e, KxHResult defaultCode) {
    KxTraceException(e, true);
    if (const auto* coded = dynamic_cast<const IKxGetHRCode*>(&e))
        return coded->GetHRCode();
    return defaultCode;
}

// ---- Check routines

void KxCheckPointer(const void* pointer, const QString& what, KxObjectDescription object,
                    const QString& routineName) {
    if (pointer == nullptr)
        KxRaise(Tr("%1 Pointer is nil").arg(what), OrDefault(routineName, "KxCheckPointer"),
                std::move(object));
}

void KxCheckIntRange(const QString& typeName, int value, int minimum, const QString& routineName,
                     KxObjectDescription object, int maximum) {
    if (value < minimum || value > maximum)
        KxRaise(KxUnsupportedValueText(value, typeName), OrDefault(routineName, "KxCheckIntRange"),
                std::move(object));
}

bool KxCheckHR(KxHResult hr, KxObjectDescription object, const QString& routineName,
               int helpContext, bool strictOk, const QString& prefix) {
    if (hr < 0 || (strictOk && hr != hr::S_Ok))
        throw EHrException(hr, prefix, OrDefault(routineName, "KxCheckHR"), std::move(object),
                           helpContext);
    return true;
}

void KxReadExact(ISequentialStream* stream, void* buffer, std::uint32_t count,
                 const QString& routineName) {
    const QString routine = OrDefault(routineName, "KxReadExact");
    KxCheckPointer(stream, QStringLiteral("Stream"), KxObjectDescription::OfInterface(stream),
                   routine);
    std::uint32_t done = 0;
    KxCheckHR(stream->Read(buffer, count, &done), KxObjectDescription::OfInterface(stream), routine,
              0, false, Tr("Stream read") + QStringLiteral(": "));
    if (done != count)
        KxRaise(KxReadErrorText(count, done), routine, KxObjectDescription::OfInterface(stream));
}

void KxWriteExact(ISequentialStream* stream, const void* buffer, std::uint32_t count,
                  const QString& routineName) {
    const QString routine = OrDefault(routineName, "KxWriteExact");
    KxCheckPointer(stream, QStringLiteral("Stream"), KxObjectDescription::OfInterface(stream),
                   routine);
    std::uint32_t done = 0;
    const KxHResult result = stream->Write(buffer, count, &done);
    if (result < 0 || done != count)
        KxRaise(KxWriteErrorText(count, done), routine, KxObjectDescription::OfInterface(stream));
}

void KxRaiseNoInterface(const KxGuid& iid, KxObjectDescription object, const QString& routineName,
                        const char* checkName) {
    KxRaise(Tr("%1 doesn't support the Interface: %2").arg(Tr("The Object"), iid.ToString()),
            OrDefault(routineName, checkName), std::move(object));
}

void KxRaiseNoOwner(const QString& className, KxObjectDescription component) {
    KxRaise(Tr("No owner Component with class \"%1\" found")
                .arg(className.isEmpty() ? QStringLiteral("?") : className),
            QStringLiteral("KxCheckFindOwner"), std::move(component));
}

namespace {
QString ItemPrefix(const KxGuid& iid, const QString& item) {
    return Tr("Unable to get interface %1 for item \"%2\": ").arg(iid.ToString(), item);
}
QString ItemPrefix(const KxGuid& iid, int index) {
    return ItemPrefix(iid, QString::number(index));
}
} // namespace

KxIntf<IKxUnknown> KxCheckGetItemByName(IKxGetItemByName* list, const QString& name,
                                        const KxGuid& iid, bool (*supports)(IKxUnknown*),
                                        const QString& routineName) {
    const QString routine = OrDefault(routineName, "KxCheckGetItemByName");
    KxIntf<IKxUnknown> item;
    const KxHResult result = list != nullptr ? list->GetItemByName(name, item) : hr::E_Pointer;
    KxCheckHR(result, KxObjectDescription::OfInterface(list), routine, 0, false,
              ItemPrefix(iid, name));
    if (!supports(item.get()))
        throw EHrException(hr::E_NoInterface, ItemPrefix(iid, name), routine,
                           KxObjectDescription::OfInterface(list));
    return item;
}

KxIntf<IKxUnknown> KxCheckGetItem(IKxGetItemByIndex* list, int index, const KxGuid& iid,
                                  const QString& routineName) {
    KxIntf<IKxUnknown> item;
    const KxHResult result = list != nullptr ? list->GetItemByIndex(index, item) : hr::E_Pointer;
    KxCheckHR(result, KxObjectDescription::OfInterface(list),
              OrDefault(routineName, "KxCheckGetItemByIndex"), 0, false, ItemPrefix(iid, index));
    return item;
}

void KxRaiseItemWithoutInterface(IKxGetItemByIndex* list, int index, const KxGuid& iid,
                                 const QString& routineName) {
    throw EHrException(hr::E_NoInterface, ItemPrefix(iid, index),
                       OrDefault(routineName, "KxCheckGetItemByIndex"),
                       KxObjectDescription::OfInterface(list));
}

// ---- Text builders

QString KxUnsupportedValueText(int value, const QString& typeName) {
    return Tr("Unsupported value (%1) for \"%2\"").arg(value).arg(typeName);
}

QString KxUnknownValueText(int value, const QString& typeName) {
    return Tr("Unknown Value (%1) for \"%2\"").arg(value).arg(typeName);
}

QString KxUnknownPropertyValueText(const QString& propertyName, int value) {
    return Tr("Unknown Value of Property \"%1\", value: %2").arg(propertyName).arg(value);
}

QString KxOperationNotSupportedText(int operation) {
    return Tr("Operation not supported, Ord(Operation): %1").arg(operation);
}

QString KxInvalidStateTransitionText(int oldState, int newState) {
    return Tr("Invalid State transition, Ord(OldState): %1, Ord(NewState): %2")
        .arg(oldState)
        .arg(newState);
}

QString KxOutOfRangeText(const QString& name, int value, int minimum, int maximum) {
    return Tr("%1 out of range: %2. The Value must be in Interval [%3, %4]")
        .arg(name)
        .arg(value)
        .arg(minimum)
        .arg(maximum);
}

QString KxUnsupportedIndexTypeText(int varType) {
    return Tr("Unsupported Datatype used for indexing, vartype: %1").arg(varType);
}

QString KxUnsupportedQuestionIdText(int id) {
    return Tr("Unsupported Question ID: %1").arg(id);
}

QString KxReadErrorText(std::uint32_t toRead, std::uint32_t done) {
    return Tr("Read Error, bytes to read %1, bytes that have been read %2").arg(toRead).arg(done);
}

QString KxWriteErrorText(std::uint32_t toWrite, std::uint32_t done) {
    return Tr("Write Error, bytes to write %1, bytes that have been written %2")
        .arg(toWrite)
        .arg(done);
}

QString KxUnsupportedValueIdText(int id) {
    return Tr("Unsupported Value ID: %1").arg(id);
}

} // namespace kx
