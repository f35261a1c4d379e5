#pragma once

#include "foundation/activation_interfaces.h"
#include "foundation/interface_connection.h"
#include "foundation/interfaced_object.h"
#include "foundation/notification_sinks.h"
#include "foundation/questions.h"

#include <QPointer>
#include <functional>
#include <vector>

namespace kx {

// The interfaces a source must offer before a connector accepts it.
using TKxInterfaceIDArray = std::vector<KxInterfaceId>;

// A notification interface the connector advises itself for on its source.
struct TIntfIDToConnect {
    KxGuid iid;
    std::uint32_t cookie = 0; // 0: not advised
    bool required = false;    // a source without the connection point is refused
};
using TIntfIDsToConnectArray = std::vector<TIntfIDToConnect>;

using TKxIntfSourceChangeEvent = std::function<void(IKxUnknown* oldSource, IKxUnknown* newSource)>;
using TKxIntfSourceObjChangeEvent = std::function<void(QObject* oldSource, QObject* newSource)>;
using TKxIntfProc = std::function<void(IKxUnknown* intf)>;

// The client side of a notification link: a control or a recordset holds one to reach its
// source (a connection, a data source) through interfaces only. The connector checks that a
// new source offers what the client needs, advises itself as the sink on the source's
// connection points (so the sink interfaces are those of the connector's class), and lets go
// when the source is destroyed (IKxReleaseReferences, which every connector connects).
//
// Its own IKxGetActive / IKxGetSetActive are those of the source: inactive when the source
// cannot tell, and opening or closing is ignored when the source cannot do it.
class TKxObjInterfaceConnector : public TKxInterfacedPersistent,
                                 public virtual IKxAskBoolean,
                                 public virtual IKxReleaseReferences,
                                 public virtual IKxGetSetActive {
public:
    explicit TKxObjInterfaceConnector(QObject* owner = nullptr,
                                      TKxLifetime lifetime = TKxLifetime::OwnerOwned);
    // Unadvises from the source and drops it.
    ~TKxObjInterfaceConnector() override;

    QObject* Owner() const { return m_owner; }

    // The lists can only change while no source is connected ("The Interface Lists cannot be
    // changed while the Object is connected"); an interface already listed is not added again.
    void AddNeededIntfID(const KxInterfaceId& iid, const QString& routineName = {});
    void AddIntfIDToConnect(const KxGuid& iid, bool required, const QString& routineName = {});
    void CheckNotConnected(const QString& routineName = {}) const;
    const TKxInterfaceIDArray& NeededInterfaces() const { return m_neededInterfaces; }
    const TIntfIDsToConnectArray& InterfacesToConnect() const { return m_interfacesToConnect; }

    // Raises "%s doesn't support the Interface: %s" for the first needed interface `intf`
    // lacks, then lets OnCheckIntfCanBeConnected object. A null source always passes.
    void CheckInterfaceCanBeConnected(IKxUnknown* intf);
    bool InterfaceCanBeConnected(IKxUnknown* intf);

    // Moves the connection to `newIntf` (null disconnects). A refused source, a vetoing
    // OnBeforeIntfSourceChange or a failure while advising leaves the previous source
    // connected; the error propagates.
    void SetInterfaceSource(IKxUnknown* newIntf);
    const KxIntf<IKxUnknown>& InterfaceSource() const { return m_sourceInterface; }

    // The same by component. While the owner is loading, errors are reported to the user
    // (KxShowLoadingError) instead of ending the load.
    void SetInterfaceSourceComponent(QObject* component);
    QObject* InterfaceSourceComponent() const { return m_sourceComponent.data(); }

    bool AlwaysNotify() const { return m_alwaysNotify; }
    void SetAlwaysNotify(bool value) { m_alwaysNotify = value; }

    bool IsConnected() const { return static_cast<bool>(m_sourceInterface); }
    bool QueryIntf(const KxInterfaceId& iid, KxIntf<IKxUnknown>& intf) const;
    template <class T> KxIntf<T> QueryIntf() const { return KxQuery<T>(m_sourceInterface); }
    KxHResult GetPropertyIntf(const QString& name, const KxInterfaceId& iid,
                              KxIntf<IKxUnknown>& object) const;
    bool SourceActive() const { return KxGetIntfActive(m_sourceInterface.get(), false); }

    // Copies both interface lists and the source (component, else interface).
    void Assign(const TKxInterfacedPersistent* source) override;

    int AskBoolean(int id) override;
    void ReleaseReferences(IConnectionPointContainer* container,
                           const CONNECTDATA& connection) override;
    bool GetActive() const override { return SourceActive(); }
    void SetActive(bool value) override;

    TKxIntfSourceChangeEvent OnBeforeIntfSourceChange;
    TKxIntfSourceChangeEvent OnAfterIntfSourceChange;
    TKxIntfSourceObjChangeEvent OnBeforeIntfSourceObjChange;
    TKxIntfSourceObjChangeEvent OnAfterIntfSourceObjChange;
    TKxIntfProc OnCheckIntfCanBeConnected;

protected:
    // The object advised on the source's connection points: the connector itself.
    IKxUnknown* SinkObject() { return static_cast<IKxUnknown*>(this); }

    // Advises every entry on `source`: required ones raise when that fails, the others are
    // tried silently. On failure every entry advised so far is unadvised again.
    void ConnectAllInterfaces(IKxUnknown* source);
    // Unadvises every entry with a cookie; never raises.
    void DisconnectAllInterfaces(IKxUnknown* source) noexcept;

private:
    bool OwnerIsLoading() const;

    QObject* m_owner;
    KxIntf<IKxUnknown> m_sourceInterface;
    QPointer<QObject> m_sourceComponent;
    TKxInterfaceIDArray m_neededInterfaces;
    TIntfIDsToConnectArray m_interfacesToConnect;
    bool m_alwaysNotify = false;
};

using TKxActiveChangeNotifyEvent = std::function<void(bool newActive)>;

// A connector to a source that can be opened and closed, hearing its activation changes.
class TKxActivatableIntfSource : public TKxObjInterfaceConnector,
                                 public virtual IKxActiveChangeSink {
public:
    explicit TKxActivatableIntfSource(QObject* owner = nullptr,
                                      TKxLifetime lifetime = TKxLifetime::OwnerOwned);

    void BeforeActiveChange(bool newActive) override;
    void AfterActiveChange(bool newActive) override;

    TKxActiveChangeNotifyEvent OnBeforeActiveChange;
    TKxActiveChangeNotifyEvent OnAfterActiveChange;
};

} // namespace kx
