#include "foundation/notification_sinks.h"

#include "foundation/activation_interfaces.h"
#include "foundation/exceptions.h"
#include "foundation/questions.h"

#include <QCoreApplication>

namespace kx {
namespace {

std::vector<KxIntf<IConnectionPoint>> PointsOf(IConnectionPointContainer* container,
                                               const KxGuid& iid) {
    std::vector<KxIntf<IConnectionPoint>> points;
    if (iid == GUID_NULL) {
        KxIntf<IEnumConnectionPoints> enumerator;
        // The object's description (a demangled class name) only when it is needed: every
        // notification of every statement passes here.
        const KxHResult code = container->EnumConnectionPoints(enumerator);
        if (KxFailed(code))
            KxCheckHR(code, KxObjectDescription::OfInterface(container),
                      QStringLiteral("KxNotifySinks"));
        KxIntf<IConnectionPoint> point;
        while (enumerator->Next(1, &point, nullptr) == hr::S_Ok)
            points.push_back(std::move(point));
    } else {
        KxIntf<IConnectionPoint> point;
        if (container->FindConnectionPoint(iid, point) == hr::S_Ok)
            points.push_back(std::move(point));
    }
    return points;
}

KxIntf<IEnumConnections> ConnectionsOf(IConnectionPoint* point) {
    KxIntf<IEnumConnections> enumerator;
    const KxHResult code = point->EnumConnections(enumerator);
    if (KxFailed(code))
        KxCheckHR(code, KxObjectDescription::OfInterface(point), QStringLiteral("KxNotifySinks"));
    return enumerator;
}

bool IsStillAdvised(IConnectionPoint* point, std::uint32_t cookie) {
    KxIntf<IEnumConnections> enumerator;
    if (point->EnumConnections(enumerator) != hr::S_Ok)
        return false;
    CONNECTDATA data;
    while (enumerator->Next(1, &data, nullptr) == hr::S_Ok) {
        if (data.Cookie == cookie)
            return true;
    }
    return false;
}

// Runs a call whose exceptions must not reach the sender of an after-notification. They are
// traced, so a failing sink is still visible in the log.
template <class TCall> void Swallowed(TCall&& call) noexcept {
    try {
        call();
    } catch (const std::exception& e) {
        KxTraceException(e, true);
    } catch (...) {
    }
}

bool BoolParameter(const TKxSinkParameters& parameters, const char* routineName) {
    if (parameters.size() != 1)
        KxRaise(KxUnsupportedParameterCountText(static_cast<int>(parameters.size())),
                QString::fromLatin1(routineName));
    const auto* value = std::get_if<KxVariant>(&parameters[0]);
    return value != nullptr && value->ToBool();
}

// Operation notifications carry the operation and, optionally, a parameter object.
void OperationParameters(const TKxSinkParameters& parameters, const char* routineName,
                         int& operation, IKxUnknown*& parameter) {
    if (parameters.empty() || parameters.size() > 2)
        KxRaise(KxUnsupportedParameterCountText(static_cast<int>(parameters.size())),
                QString::fromLatin1(routineName));
    const auto* value = std::get_if<KxVariant>(&parameters[0]);
    operation = value != nullptr ? value->ToInt() : -1;
    parameter = nullptr;
    if (parameters.size() == 2) {
        if (const auto* intf = std::get_if<KxIntf<IKxUnknown>>(&parameters[1]))
            parameter = intf->get();
    }
}

} // namespace

QString KxUnsupportedParameterCountText(int count) {
    return QCoreApplication::translate("KxFoundation", "Unsupported number of Parameter: %1")
        .arg(count);
}

bool KxSinkAcceptsNotification(IKxUnknown* sink, bool enabled) {
    if (sink == nullptr)
        return false;
    return enabled || KxAskBoolean(sink, qid::AlwaysNotify, false);
}

void KxNotifySinks(IKxUnknown* component, const KxGuid& iid, TKxSinkCallback callback,
                   const TKxSinkParameters& parameters, bool enabled) {
    const KxIntf<IConnectionPointContainer> container =
        KxQuery<IConnectionPointContainer>(component);
    if (!container)
        return;
    for (const KxIntf<IConnectionPoint>& point : PointsOf(container.get(), iid)) {
        const KxIntf<IEnumConnections> connections = ConnectionsOf(point.get());
        CONNECTDATA data;
        while (connections->Next(1, &data, nullptr) == hr::S_Ok) {
            if (KxSinkAcceptsNotification(data.Unk.get(), enabled))
                callback(data.Unk.get(), parameters);
        }
    }
}

void KxSendReleaseReferences(IConnectionPointContainer* container) {
    if (container == nullptr)
        return;
    std::vector<KxIntf<IConnectionPoint>> points;
    Swallowed([&] { points = PointsOf(container, GUID_NULL); });
    for (const KxIntf<IConnectionPoint>& point : points) {
        // The connections are taken first: each sink unadvises while it is told, and an
        // enumeration running over a shrinking list could step over a sink.
        std::vector<CONNECTDATA> connections;
        Swallowed([&] {
            const KxIntf<IEnumConnections> enumerator = ConnectionsOf(point.get());
            CONNECTDATA data;
            while (enumerator->Next(1, &data, nullptr) == hr::S_Ok)
                connections.push_back(std::move(data));
        });
        for (const CONNECTDATA& connection : connections) {
            if (!IsStillAdvised(point.get(), connection.Cookie))
                continue;
            if (const auto sink = KxQuery<IKxReleaseReferences>(connection.Unk))
                Swallowed([&] { sink->ReleaseReferences(container, connection); });
        }
    }
}

void KxCallSinkDeactivate(IKxUnknown* sink, const TKxSinkParameters&) {
    if (const auto intf = KxQuery<IKxGetSetActive>(sink))
        intf->SetActive(false);
}

void KxCallSinkBeforeActiveChange(IKxUnknown* sink, const TKxSinkParameters& parameters) {
    const bool newActive = BoolParameter(parameters, "KxCallSinkBeforeActiveChange");
    if (const auto intf = KxQuery<IKxActiveChangeSink>(sink))
        intf->BeforeActiveChange(newActive);
}

void KxCallSinkAfterActiveChange(IKxUnknown* sink, const TKxSinkParameters& parameters) {
    const bool newActive = BoolParameter(parameters, "KxCallSinkAfterActiveChange");
    if (const auto intf = KxQuery<IKxActiveChangeSink>(sink))
        intf->AfterActiveChange(newActive);
}

void KxCallSinkBeforePositionChange(IKxUnknown* sink, const TKxSinkParameters&) {
    if (const auto intf = KxQuery<IKxPositionChangeSink>(sink))
        intf->BeforePositionChange();
}

void KxCallSinkAfterPositionChange(IKxUnknown* sink, const TKxSinkParameters&) {
    if (const auto intf = KxQuery<IKxPositionChangeSink>(sink))
        Swallowed([&] { intf->AfterPositionChange(); });
}

void KxCallSinkBeforeOperation(IKxUnknown* sink, const TKxSinkParameters& parameters) {
    int operation = 0;
    IKxUnknown* parameter = nullptr;
    OperationParameters(parameters, "KxCallSinkBeforeOperation", operation, parameter);
    if (const auto intf = KxQuery<IKxOperationSink>(sink))
        intf->BeforeOperation(operation, parameter);
}

void KxCallSinkAfterOperation(IKxUnknown* sink, const TKxSinkParameters& parameters) {
    int operation = 0;
    IKxUnknown* parameter = nullptr;
    OperationParameters(parameters, "KxCallSinkAfterOperation", operation, parameter);
    if (const auto intf = KxQuery<IKxOperationSink>(sink))
        Swallowed([&] { intf->AfterOperation(operation, parameter); });
}

void KxCallSinkAfterFieldValueChange(IKxUnknown* sink, const TKxSinkParameters& parameters) {
    if (parameters.size() != 1)
        KxRaise(KxUnsupportedParameterCountText(static_cast<int>(parameters.size())),
                QStringLiteral("KxCallSinkAfterFieldValueChange"));
    const auto* value = std::get_if<KxVariant>(&parameters[0]);
    const QString fieldName = value != nullptr ? value->ToString() : QString();
    if (const auto intf = KxQuery<IKxFieldValueChangeSink>(sink))
        Swallowed([&] { intf->AfterFieldValueChange(fieldName); });
}

void KxCallSinkValidateFieldValues(IKxUnknown* sink, const TKxSinkParameters&) {
    if (const auto intf = KxQuery<IKxValidateFieldValuesSink>(sink))
        intf->ValidateFieldValues();
}

void KxCallSinkAfterSQLChange(IKxUnknown* sink, const TKxSinkParameters&) {
    if (const auto intf = KxQuery<IKxSQLChangeSink>(sink))
        Swallowed([&] { intf->AfterSQLChange(); });
}

} // namespace kx
