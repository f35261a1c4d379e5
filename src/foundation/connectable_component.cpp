#include "foundation/connectable_component.h"

#include "foundation/exceptions.h"
#include "foundation/interface_connector.h"
#include "foundation/streams.h"

namespace kx {

TKxConnectableComponent::TKxConnectableComponent(QObject* owner, TKxLifetime lifetime)
    : TKxInterfacedComponent(owner, lifetime),
      m_container(KxMake<TKxConnectionPointContainerImpl>(this)) {
    m_container->AddConnectionPoint(KxInterfaceId::Of<IKxReleaseReferences>());
    m_sourceConnector = std::make_unique<TKxObjInterfaceConnector>(this);
}

TKxConnectableComponent::~TKxConnectableComponent() {
    KxSendReleaseReferences(m_container.get());
    m_container->ClearConnectionPoints();
    m_sourceConnector.reset();
}

void TKxConnectableComponent::Loaded() {
    m_loading = false;
}

std::uint32_t TKxConnectableComponent::ConnectInterface(QObject* target, const KxGuid& iid,
                                                        const QString& routineName) {
    return ConnectInterface(dynamic_cast<IKxUnknown*>(target), iid, routineName);
}

std::uint32_t TKxConnectableComponent::ConnectInterface(IKxUnknown* target, const KxGuid& iid,
                                                        const QString& routineName) {
    return KxInterfaceConnect(target, static_cast<IKxUnknown*>(this), iid, routineName);
}

void TKxConnectableComponent::DisconnectInterface(QObject* target, const KxGuid& iid,
                                                  std::uint32_t& cookie) {
    DisconnectInterface(dynamic_cast<IKxUnknown*>(target), iid, cookie);
}

void TKxConnectableComponent::DisconnectInterface(IKxUnknown* target, const KxGuid& iid,
                                                  std::uint32_t& cookie) {
    KxInterfaceDisconnect(target, iid, cookie);
}

KxHResult TKxConnectableComponent::GetPropertyIntf(const QString& name, const KxInterfaceId& iid,
                                                   KxIntf<IKxUnknown>& object) {
    return KxGuardedHResult([&] {
        object.reset();
        if (name.isEmpty())
            return hr::E_InvalidArg;
        KxIntf<IKxUnknown> value;
        if (!FindPublishedProperty(name, value) || !value)
            return hr::DISP_E_UnknownName;
        if (!iid.IsSupportedBy(value.get()))
            return hr::E_NoInterface;
        object = std::move(value);
        return hr::S_Ok;
    });
}

bool TKxConnectableComponent::FindPublishedProperty(const QString&, KxIntf<IKxUnknown>&) const {
    return false;
}

void TKxConnectableComponent::AddConnectionPoint(const KxInterfaceId& iid) {
    m_container->AddConnectionPoint(iid);
}

int TKxConnectableComponent::DisableNotifications(int kind) {
    if (m_notifyDisableCount == 0) {
        // Disabling must always succeed, or the matching enable would unbalance the count.
        try {
            NotificationsDisabled(kind);
        } catch (const std::exception& e) {
            KxTraceException(e, true);
        }
    }
    return ++m_notifyDisableCount;
}

int TKxConnectableComponent::EnableNotifications(int kind) {
    if (m_notifyDisableCount == 0)
        return 0;
    if (--m_notifyDisableCount == 0)
        NotificationsEnabled(kind);
    return m_notifyDisableCount;
}

void TKxConnectableComponent::NotificationsDisabled(int) {}
void TKxConnectableComponent::NotificationsEnabled(int) {}

bool TKxConnectableComponent::CanCallEvents() const {
    return m_callEventsWhenDisabled || m_notifyDisableCount < 1;
}

bool TKxConnectableComponent::SinkAccepts(IKxUnknown* sink, const KxInterfaceId& iid,
                                          KxIntf<IKxUnknown>& intf) {
    intf.reset();
    if (!KxSinkAcceptsNotification(sink, m_notifyDisableCount == 0) || !iid.IsSupportedBy(sink))
        return false;
    intf = KxIntf<IKxUnknown>(sink);
    return true;
}

KxHResult TKxConnectableComponent::EnumConnectionPoints(KxIntf<IEnumConnectionPoints>& enumerator) {
    return m_container->EnumConnectionPoints(enumerator);
}

KxHResult TKxConnectableComponent::FindConnectionPoint(const KxGuid& iid,
                                                       KxIntf<IConnectionPoint>& point) {
    return m_container->FindConnectionPoint(iid, point);
}

void TKxConnectableComponent::NotifySinks(const KxGuid& iid, TKxSinkCallback callback,
                                          const TKxSinkParameters& parameters) {
    if (!m_container->HasAdvisedSinks())
        return;
    KxNotifySinks(static_cast<IKxUnknown*>(this), iid, callback, parameters,
                  m_notifyDisableCount == 0);
}

void TKxConnectableComponent::InternalClose() {
    if (!m_container->HasAdvisedSinks())
        return;
    KxNotifySinks(static_cast<IKxUnknown*>(this), GUID_NULL, KxCallSinkDeactivate, {}, true);
}

} // namespace kx
