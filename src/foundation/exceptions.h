#pragma once

#include "foundation/basic_interfaces.h"
#include "foundation/class_name.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <cstdint>
#include <exception>
#include <string>
#include <type_traits>

namespace kx {

enum TKxSeverityLevel : std::uint8_t {
    svInformation = 0,
    svConfirm = 1,
    svWarning = 2,
    svError = 3,
};

// "Information", "Confirm", "Warning", "Error" (translatable); they also caption message boxes.
QString KxSeverityLevelName(TKxSeverityLevel level);

// "%p" as the program prints it: the address in upper-case hexadecimal, zero-padded.
QString KxPointerText(const void* pointer);

// The failing object an exception names: its name and class, resolved when the exception is
// created so the exception never holds on to the object.
//  - from an object (`KxObjectDescription(ptr)`): a component's name, else the object's
//    IKxGetName text, else "?"; the class is the object's dynamic class;
//  - from an interface (`KxObjectDescription::OfInterface(intf)`): its IKxGetName text, else
//    "?"; its IKxGetClassName text, else "<Interface>";
//  - "<nil>" for both when the pointer is null.
struct KxObjectDescription {
    QString name;
    QString className;

    KxObjectDescription(std::nullptr_t = nullptr)
        : name(QStringLiteral("<nil>")), className(QStringLiteral("<nil>")) {}

    template <class T> KxObjectDescription(const T* object) : KxObjectDescription() {
        if (object == nullptr)
            return;
        if constexpr (std::is_base_of_v<QObject, T>) {
            name = static_cast<const QObject*>(object)->objectName();
            className = KxClassNameOf(*object);
        } else if constexpr (std::is_base_of_v<IKxUnknown, T>) {
            DescribeObject(static_cast<const IKxUnknown*>(object), KxClassNameOf(*object));
        } else {
            name = QStringLiteral("?");
            className = KxClassName(typeid(T));
        }
    }

    static KxObjectDescription OfInterface(const IKxUnknown* intf);

private:
    void DescribeObject(const IKxUnknown* object, const QString& dynamicClass);
};

// What every exception of the program can tell about itself; the exception dialog and the
// execution log read failures only through this interface.
class IKxExceptionInformation : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A20, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x12, 0x00}};
    virtual QString GetMessage() const = 0;
    virtual QString GetExceptionClassName() const = 0;
    virtual const void* GetExceptionAddress() const = 0;
    virtual QString GetObjectName() const = 0;
    virtual QString GetObjectClassName() const = 0;
    virtual QString GetRoutineName() const = 0;
    virtual TKxSeverityLevel GetSeverityLevel() const = 0;
    virtual int GetHelpContext() const = 0;
};

// The eight values an exception reports, stored: shared by the exception itself and by the
// snapshot that outlives it.
class TKxExceptionValues : public virtual IKxExceptionInformation {
public:
    QString GetMessage() const override { return m_message; }
    QString GetExceptionClassName() const override { return m_className; }
    const void* GetExceptionAddress() const override { return m_address; }
    QString GetObjectName() const override { return m_objectName; }
    QString GetObjectClassName() const override { return m_objectClass; }
    QString GetRoutineName() const override { return m_routineName; }
    TKxSeverityLevel GetSeverityLevel() const override { return m_severity; }
    int GetHelpContext() const override { return m_helpContext; }

protected:
    QString m_message;
    QString m_className;
    const void* m_address = nullptr;
    QString m_objectName;
    QString m_objectClass;
    QString m_routineName;
    TKxSeverityLevel m_severity = svError;
    int m_helpContext = 0;
};

// The program's exception: a message plus the routine that failed, the object involved and
// a severity. It answers interfaces like any object, but the exception mechanism owns it:
// its count never frees it, and references taken must be dropped before the handler ends.
class EKxException : public std::exception, public TKxExceptionValues {
public:
    EKxException(QString message, QString routineName = {}, KxObjectDescription object = nullptr,
                 TKxSeverityLevel severity = svError, int helpContext = 0);
    EKxException(const EKxException& other);
    EKxException& operator=(const EKxException&) = delete;
    ~EKxException() override;

    const char* what() const noexcept override { return m_what.c_str(); }

    int AddRef() override { return ++m_refCount; }
    int Release() override { return --m_refCount; }

    QString GetExceptionClassName() const override { return KxClassNameOf(*this); }

protected:
    void SetMessage(const QString& message);

private:
    std::atomic<int> m_refCount{0};
    std::string m_what;
};

// A failed result code. The message is the caller's prefix followed by the text the program
// knows for the code, or "HResult Error, Code Hex: %X,  Code Dez: %d" for codes it does not.
class EHrException : public EKxException, public virtual IKxGetHRCode {
public:
    EHrException(KxHResult code, const QString& prefix = {}, QString routineName = {},
                 KxObjectDescription object = nullptr, int helpContext = 0);

    KxHResult GetHRCode() const override { return m_code; }

private:
    KxHResult m_code;
};

// The system text of a result code ("No such interface supported"), or the HResult text.
QString KxHResultMessage(KxHResult code);

// Raises EKxException with severity svError.
[[noreturn]] void KxRaise(const QString& message, const QString& routineName,
                          KxObjectDescription object = nullptr);

// An operation the user called off (Cancel in a dialog the operation cannot go on without).
// It unwinds like any failure, so everything on the way is cleaned up, but whoever finally
// catches it tells nobody: the user chose it and knows. Code that offers a retry after a
// failure lets it through instead of asking.
class EKxAbort : public EKxException {
public:
    EKxAbort(QString message, QString routineName = {}, KxObjectDescription object = nullptr)
        : EKxException(std::move(message), std::move(routineName), std::move(object),
                       svInformation) {}
};

// Raises EKxAbort.
[[noreturn]] void KxAbort(const QString& message, const QString& routineName,
                          KxObjectDescription object = nullptr);
bool KxIsAbort(const std::exception& e);

// The message of any exception: the program's own text, or the runtime's what() as UTF-8.
QString KxExceptionMessage(const std::exception& e);
QString KxExceptionClassName(const std::exception& e);

// Sends "%s: %s" (class name and message) to the trace routine under the exception category
// when tracing is active; the compact form folds line breaks so the entry is one line.
void KxTraceException(const std::exception& e, bool compact);

// For implementations of platform-style interfaces, which answer a code instead of raising:
// the code an exception carries (IKxGetHRCode), else `defaultCode`. Traces the exception.
KxHResult KxExceptionToHR(const std::exception& e, KxHResult defaultCode);

// ---- Check routines: each raises EKxException (svError) with the standard text. An empty
// routine name is replaced by the check routine's own name.

void KxCheckPointer(const void* pointer, const QString& what, KxObjectDescription object,
                    const QString& routineName = {});

void KxCheckIntRange(const QString& typeName, int value, int minimum, const QString& routineName,
                     KxObjectDescription object, int maximum);

// Raises when `hr` failed, or when `strictOk` and it is anything but S_OK; answers true.
bool KxCheckHR(KxHResult hr, KxObjectDescription object, const QString& routineName = {},
               int helpContext = 0, bool strictOk = false, const QString& prefix = {});

// Reads or writes exactly `count` bytes, raising the read or write error otherwise.
void KxReadExact(class ISequentialStream* stream, void* buffer, std::uint32_t count,
                 const QString& routineName = {});
void KxWriteExact(class ISequentialStream* stream, const void* buffer, std::uint32_t count,
                  const QString& routineName = {});

[[noreturn]] void KxRaiseNoInterface(const KxGuid& iid, KxObjectDescription object,
                                     const QString& routineName, const char* checkName);
[[noreturn]] void KxRaiseNoOwner(const QString& className, KxObjectDescription component);

// The interface `T` of an interface pointer (first form) or an object (second form); raises
// "The Object Pointer is nil" or "The Object doesn't support the Interface: {…}".
template <class T>
KxIntf<T> KxCheckQueryInterface(IKxUnknown* intf, const QString& routineName = {}) {
    KxCheckPointer(intf, QStringLiteral("The Object"), KxObjectDescription::OfInterface(intf),
                   routineName.isEmpty() ? QStringLiteral("KxCheckQueryInterface") : routineName);
    KxIntf<T> result = KxQuery<T>(intf);
    if (!result)
        KxRaiseNoInterface(T::IID, KxObjectDescription::OfInterface(intf), routineName,
                           "KxCheckQueryInterface");
    return result;
}

template <class T, class O>
KxIntf<T> KxCheckGetInterface(O* object, const QString& routineName = {}) {
    KxCheckPointer(object, QStringLiteral("The Object"), KxObjectDescription(object),
                   routineName.isEmpty() ? QStringLiteral("KxCheckGetInterface") : routineName);
    KxIntf<T> result = KxQuery<T>(object);
    if (!result)
        KxRaiseNoInterface(T::IID, KxObjectDescription(object), routineName, "KxCheckGetInterface");
    return result;
}

// Item `index` of a list, as interface `T`; raises the result-code error with the prefix
// "Unable to get interface %s for item "%s": " when the list fails or the item lacks `T`.
KxIntf<IKxUnknown> KxCheckGetItem(IKxGetItemByIndex* list, int index, const KxGuid& iid,
                                  const QString& routineName);
[[noreturn]] void KxRaiseItemWithoutInterface(IKxGetItemByIndex* list, int index, const KxGuid& iid,
                                              const QString& routineName);

template <class T>
KxIntf<T> KxCheckGetItemByIndex(IKxGetItemByIndex* list, int index,
                                const QString& routineName = {}) {
    KxIntf<T> result = KxQuery<T>(KxCheckGetItem(list, index, T::IID, routineName));
    if (!result)
        KxRaiseItemWithoutInterface(list, index, T::IID, routineName);
    return result;
}

// Item `name` of a list, as interface `T`, with the same error as the index form.
KxIntf<IKxUnknown> KxCheckGetItemByName(IKxGetItemByName* list, const QString& name,
                                        const KxGuid& iid, bool (*supports)(IKxUnknown*),
                                        const QString& routineName);

template <class T>
KxIntf<T> KxCheckGetItemByName(IKxGetItemByName* list, const QString& name,
                               const QString& routineName = {}) {
    return KxQuery<T>(KxCheckGetItemByName(
        list, name, T::IID, [](IKxUnknown* item) { return KxSupports<T>(item); }, routineName));
}

// The component itself or the nearest owner up its chain that is a `T`; raises
// "No owner Component with class "%s" found" otherwise.
template <class T> T* KxCheckFindOwner(QObject* component) {
    for (QObject* candidate = component; candidate != nullptr; candidate = candidate->parent()) {
        if (auto* found = dynamic_cast<T*>(candidate))
            return found;
    }
    KxRaiseNoOwner(KxClassName(typeid(T)), KxObjectDescription(component));
}

// ---- Text builders for other subsystems' own raises.
QString KxUnknownValueText(int value, const QString& typeName);
// "Unsupported value (%d) for "%s"": a value of an enumeration the routine cannot handle.
QString KxUnsupportedValueText(int value, const QString& typeName);
QString KxUnknownPropertyValueText(const QString& propertyName, int value);
QString KxOperationNotSupportedText(int operation);
QString KxInvalidStateTransitionText(int oldState, int newState);
QString KxOutOfRangeText(const QString& name, int value, int minimum, int maximum);
QString KxUnsupportedIndexTypeText(int varType);
QString KxUnsupportedQuestionIdText(int id);
QString KxReadErrorText(std::uint32_t toRead, std::uint32_t done);
QString KxWriteErrorText(std::uint32_t toWrite, std::uint32_t done);
QString KxUnsupportedValueIdText(int id);

} // namespace kx
