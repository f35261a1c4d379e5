#include "foundation/interface_connection.h"

#include "foundation/exceptions.h"

#include <QCoreApplication>

namespace kx {
namespace {
QString Tr(const char* text) {
    return QCoreApplication::translate("KxFoundation", text);
}
} // namespace

std::uint32_t KxInterfaceConnect(IKxUnknown* target, IKxUnknown* sink, const KxGuid& iid,
                                 const QString& routineName) {
    const QString routine =
        routineName.isEmpty() ? QStringLiteral("ConnectInterface") : routineName;
    const auto object = KxObjectDescription::OfInterface(target);
    const KxIntf<IConnectionPointContainer> container = KxQuery<IConnectionPointContainer>(target);
    if (!container)
        KxRaise(
            Tr("%1 doesn't support the Interface: %2")
                .arg(Tr("Connection Point Container"), IConnectionPointContainer::IID.ToString()),
            routine, object);
    KxIntf<IConnectionPoint> point;
    if (container->FindConnectionPoint(iid, point) != hr::S_Ok || !point)
        KxRaise(Tr("%1 has no Connection Point for the Interface: %2")
                    .arg(Tr("Connection Point Container"), iid.ToString()),
                routine, object);
    std::uint32_t cookie = 0;
    KxCheckHR(point->Advise(sink, &cookie), object, routine);
    return cookie;
}

void KxInterfaceDisconnect(IKxUnknown* target, const KxGuid& iid, std::uint32_t& cookie) noexcept {
    if (target == nullptr || cookie == 0)
        return;
    const KxIntf<IConnectionPointContainer> container = KxQuery<IConnectionPointContainer>(target);
    KxIntf<IConnectionPoint> point;
    if (!container || container->FindConnectionPoint(iid, point) != hr::S_Ok || !point)
        return;
    if (point->Unadvise(cookie) == hr::S_Ok)
        cookie = 0;
}

KxHResult KxGetPropertyIntf(IKxUnknown* object, const QString& name, const KxInterfaceId& iid,
                            KxIntf<IKxUnknown>& result) {
    if (object == nullptr)
        return hr::E_Pointer;
    const KxIntf<IKxGetPropertyIntf> intf = KxQuery<IKxGetPropertyIntf>(object);
    if (!intf)
        return hr::E_NoInterface;
    return intf->GetPropertyIntf(name, iid, result);
}

} // namespace kx
