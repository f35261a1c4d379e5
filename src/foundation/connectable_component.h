#pragma once

#include "foundation/interface_connection.h"
#include "foundation/interfaced_object.h"
#include "foundation/notification_sinks.h"

#include <memory>
#include <type_traits>

namespace kx {

class TKxObjInterfaceConnector;

// A component that has something to tell: it holds a connection-point container (starting
// with the point for IKxReleaseReferences, so that every client can be told to let go when
// the component is destroyed), a nestable notification switch, and a connector to a source
// component of its own.
class TKxConnectableComponent : public TKxInterfacedComponent,
                                public virtual IKxGetPropertyIntf,
                                public virtual IKxEnableNotifications,
                                public virtual IKxAddConnectionPoint,
                                public virtual IConnectionPointContainer,
                                public virtual IKxComponentLoading {
public:
    explicit TKxConnectableComponent(QObject* owner = nullptr,
                                     TKxLifetime lifetime = TKxLifetime::OwnerOwned);
    // Tells every sink to release its references, clears the connection points and frees the
    // source connector (which disconnects from its own source).
    ~TKxConnectableComponent() override;

    bool CallEventsWhenDisabled() const { return m_callEventsWhenDisabled; }
    void SetCallEventsWhenDisabled(bool value) { m_callEventsWhenDisabled = value; }

    TKxObjInterfaceConnector* SourceConnector() const { return m_sourceConnector.get(); }

    // The loading state. Loading code sets it before it reads the component's stored form
    // and calls Loaded when it has finished.
    bool IsLoading() const override { return m_loading; }
    void SetLoading(bool loading) { m_loading = loading; }
    virtual void Loaded();

    // Advises this component as sink on `target`'s connection point for `iid`; see
    // KxInterfaceConnect for the errors. Answers the cookie.
    virtual std::uint32_t ConnectInterface(QObject* target, const KxGuid& iid,
                                           const QString& routineName = {});
    virtual std::uint32_t ConnectInterface(IKxUnknown* target, const KxGuid& iid,
                                           const QString& routineName = {});
    // Unadvises `cookie` and sets it to 0 on success; never raises.
    virtual void DisconnectInterface(QObject* target, const KxGuid& iid, std::uint32_t& cookie);
    virtual void DisconnectInterface(IKxUnknown* target, const KxGuid& iid, std::uint32_t& cookie);

    // A component is both a QObject and an interface; it is connected by its interface.
    template <class T>
    requires(std::is_base_of_v<QObject, T>&& std::is_base_of_v<IKxUnknown, T>) std::uint32_t
        ConnectInterface(T* target, const KxGuid& iid, const QString& routineName = {}) {
        return ConnectInterface(static_cast<IKxUnknown*>(target), iid, routineName);
    }
    template <class T>
    requires(std::is_base_of_v<QObject, T>&&
                 std::is_base_of_v<IKxUnknown, T>) void DisconnectInterface(T* target,
                                                                            const KxGuid& iid,
                                                                            std::uint32_t& cookie) {
        DisconnectInterface(static_cast<IKxUnknown*>(target), iid, cookie);
    }

    KxHResult GetPropertyIntf(const QString& name, const KxInterfaceId& iid,
                              KxIntf<IKxUnknown>& object) override;
    void AddConnectionPoint(const KxInterfaceId& iid) override;
    int GetNotifyDisableCount() const override { return m_notifyDisableCount; }
    int EnableNotifications(int kind) override;
    int DisableNotifications(int kind) override;
    // Whether the component's own events are called now.
    virtual bool CanCallEvents() const;
    // Whether `sink` is to be notified (see KxSinkAcceptsNotification, notifications counting
    // as enabled while the disable count is 0); `intf` is the sink when it offers `iid`.
    virtual bool SinkAccepts(IKxUnknown* sink, const KxInterfaceId& iid, KxIntf<IKxUnknown>& intf);

    KxHResult EnumConnectionPoints(KxIntf<IEnumConnectionPoints>& enumerator) override;
    KxHResult FindConnectionPoint(const KxGuid& iid, KxIntf<IConnectionPoint>& point) override;

    // Sends a notification to this component's sinks, honouring the notification switch.
    void NotifySinks(const KxGuid& iid, TKxSinkCallback callback,
                     const TKxSinkParameters& parameters = {});

protected:
    // Called when the component closes: tells every dependant that offers IKxGetSetActive to
    // close. Dependants close whatever the notification switch says: a dependant left open
    // on a closed source would work on handles that no longer exist.
    virtual void InternalClose();

    // The first DisableNotifications and the last EnableNotifications call these with their
    // kind. Empty here; what was suppressed meanwhile is the subclass's business.
    virtual void NotificationsDisabled(int kind);
    virtual void NotificationsEnabled(int kind);

    // Published interface properties: answers whether the property `name` exists and, in
    // `value`, what it holds. Subclasses answer from their table (KxFindPublishedIntf) and
    // then ask their base class. This class publishes none.
    virtual bool FindPublishedProperty(const QString& name, KxIntf<IKxUnknown>& value) const;

private:
    std::unique_ptr<TKxObjInterfaceConnector> m_sourceConnector;
    KxIntf<TKxConnectionPointContainerImpl> m_container;
    int m_notifyDisableCount = 0;
    bool m_callEventsWhenDisabled = false;
    bool m_loading = false;
};

} // namespace kx
