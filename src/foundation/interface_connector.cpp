#include "foundation/interface_connector.h"

#include "foundation/message_box.h"

#include <QCoreApplication>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxFoundation", text);
}

QString OrDefault(const QString& routineName, const char* fallback) {
    return routineName.isEmpty() ? QString::fromLatin1(fallback) : routineName;
}

IKxUnknown* UnknownOf(QObject* object) {
    return dynamic_cast<IKxUnknown*>(object);
}

} // namespace

TKxObjInterfaceConnector::TKxObjInterfaceConnector(QObject* owner, TKxLifetime lifetime)
    : TKxInterfacedPersistent(lifetime), m_owner(owner) {
    AddIntfIDToConnect(IKxReleaseReferences::IID, true);
}

TKxObjInterfaceConnector::~TKxObjInterfaceConnector() {
    DisconnectAllInterfaces(m_sourceInterface.get());
    m_sourceInterface.reset();
}

void TKxObjInterfaceConnector::CheckNotConnected(const QString& routineName) const {
    if (IsConnected())
        KxRaise(Tr("The Interface Lists cannot be changed while the Object is connected"),
                OrDefault(routineName, "CheckNotConnected"), this);
}

void TKxObjInterfaceConnector::AddNeededIntfID(const KxInterfaceId& iid,
                                               const QString& routineName) {
    CheckNotConnected(OrDefault(routineName, "AddNeededIntfID"));
    for (const KxInterfaceId& existing : m_neededInterfaces) {
        if (existing.guid == iid.guid)
            return;
    }
    m_neededInterfaces.push_back(iid);
}

void TKxObjInterfaceConnector::AddIntfIDToConnect(const KxGuid& iid, bool required,
                                                  const QString& routineName) {
    CheckNotConnected(OrDefault(routineName, "AddIntfIDToConnect"));
    for (const TIntfIDToConnect& existing : m_interfacesToConnect) {
        if (existing.iid == iid)
            return;
    }
    m_interfacesToConnect.push_back({iid, 0, required});
}

void TKxObjInterfaceConnector::CheckInterfaceCanBeConnected(IKxUnknown* intf) {
    if (intf == nullptr)
        return;
    for (const KxInterfaceId& iid : m_neededInterfaces) {
        if (!iid.IsSupportedBy(intf))
            KxRaise(Tr("%1 doesn't support the Interface: %2")
                        .arg(Tr("The Object"), iid.guid.ToString()),
                    QStringLiteral("CheckInterfaceCanBeConnected"),
                    KxObjectDescription::OfInterface(intf));
    }
    if (OnCheckIntfCanBeConnected)
        OnCheckIntfCanBeConnected(intf);
}

bool TKxObjInterfaceConnector::InterfaceCanBeConnected(IKxUnknown* intf) {
    try {
        CheckInterfaceCanBeConnected(intf);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void TKxObjInterfaceConnector::ConnectAllInterfaces(IKxUnknown* source) {
    if (source == nullptr)
        return;
    try {
        for (TIntfIDToConnect& entry : m_interfacesToConnect) {
            if (entry.required) {
                entry.cookie = KxInterfaceConnect(source, SinkObject(), entry.iid,
                                                  QStringLiteral("ConnectAllInterfaces"));
            } else {
                try {
                    entry.cookie = KxInterfaceConnect(source, SinkObject(), entry.iid);
                } catch (const std::exception&) {
                    entry.cookie = 0;
                }
            }
        }
    } catch (...) {
        DisconnectAllInterfaces(source);
        throw;
    }
}

void TKxObjInterfaceConnector::DisconnectAllInterfaces(IKxUnknown* source) noexcept {
    for (TIntfIDToConnect& entry : m_interfacesToConnect) {
        KxInterfaceDisconnect(source, entry.iid, entry.cookie);
        // A cookie the source no longer knows is of no use either.
        entry.cookie = 0;
    }
}

void TKxObjInterfaceConnector::SetInterfaceSource(IKxUnknown* newIntf) {
    if (newIntf == m_sourceInterface.get())
        return;
    const KxIntf<IKxUnknown> newSource(newIntf);
    const KxIntf<IKxUnknown> oldSource = m_sourceInterface;
    CheckInterfaceCanBeConnected(newSource.get());
    if (OnBeforeIntfSourceChange)
        OnBeforeIntfSourceChange(oldSource.get(), newSource.get());
    DisconnectAllInterfaces(oldSource.get());
    try {
        ConnectAllInterfaces(newSource.get());
    } catch (...) {
        // Back to the source we had; a failure here cannot be reported better than the
        // error that brought us here.
        try {
            ConnectAllInterfaces(oldSource.get());
        } catch (const std::exception& e) {
            KxTraceException(e, true);
        }
        throw;
    }
    m_sourceInterface = newSource;
    m_sourceComponent = nullptr;
    if (OnAfterIntfSourceChange) {
        try {
            OnAfterIntfSourceChange(oldSource.get(), newSource.get());
        } catch (const std::exception& e) {
            KxTraceException(e, true);
        }
    }
}

bool TKxObjInterfaceConnector::OwnerIsLoading() const {
    const auto* loading = dynamic_cast<const IKxComponentLoading*>(m_owner);
    return loading != nullptr && loading->IsLoading();
}

void TKxObjInterfaceConnector::SetInterfaceSourceComponent(QObject* component) {
    QObject* const oldComponent = m_sourceComponent.data();
    if (component == oldComponent)
        return;
    try {
        if (OnBeforeIntfSourceObjChange)
            OnBeforeIntfSourceObjChange(oldComponent, component);
        IKxUnknown* newIntf = nullptr;
        if (component != nullptr) {
            newIntf = UnknownOf(component);
            if (newIntf == nullptr)
                KxRaiseNoInterface(IKxUnknown::IID, KxObjectDescription(component),
                                   QStringLiteral("SetInterfaceSourceObject"),
                                   "SetInterfaceSourceObject");
        }
        SetInterfaceSource(newIntf);
        m_sourceComponent = component;
        if (OnAfterIntfSourceObjChange) {
            try {
                OnAfterIntfSourceObjChange(oldComponent, component);
            } catch (const std::exception& e) {
                KxTraceException(e, true);
            }
        }
    } catch (const std::exception& e) {
        if (!OwnerIsLoading())
            throw;
        KxShowLoadingError(e);
    }
}

bool TKxObjInterfaceConnector::QueryIntf(const KxInterfaceId& iid, KxIntf<IKxUnknown>& intf) const {
    intf.reset();
    if (!iid.IsSupportedBy(m_sourceInterface.get()))
        return false;
    intf = m_sourceInterface;
    return true;
}

KxHResult TKxObjInterfaceConnector::GetPropertyIntf(const QString& name, const KxInterfaceId& iid,
                                                    KxIntf<IKxUnknown>& object) const {
    return KxGetPropertyIntf(m_sourceInterface.get(), name, iid, object);
}

void TKxObjInterfaceConnector::Assign(const TKxInterfacedPersistent* source) {
    const auto* other = dynamic_cast<const TKxObjInterfaceConnector*>(source);
    if (other == nullptr) {
        TKxInterfacedPersistent::Assign(source);
        return;
    }
    if (other == this)
        return;
    SetInterfaceSourceComponent(nullptr);
    SetInterfaceSource(nullptr);
    m_neededInterfaces = other->m_neededInterfaces;
    m_interfacesToConnect = other->m_interfacesToConnect;
    for (TIntfIDToConnect& entry : m_interfacesToConnect)
        entry.cookie = 0;
    if (other->m_sourceComponent)
        SetInterfaceSourceComponent(other->m_sourceComponent.data());
    else
        SetInterfaceSource(other->m_sourceInterface.get());
}

int TKxObjInterfaceConnector::AskBoolean(int id) {
    if (id == qid::AlwaysNotify)
        return KxBooleanAnswer(m_alwaysNotify);
    return baUnknown;
}

void TKxObjInterfaceConnector::ReleaseReferences(IConnectionPointContainer*, const CONNECTDATA&) {
    // The source is going away: whatever the events say, no reference to it may survive.
    try {
        SetInterfaceSourceComponent(nullptr);
        SetInterfaceSource(nullptr);
    } catch (...) {
        DisconnectAllInterfaces(m_sourceInterface.get());
        m_sourceInterface.reset();
        m_sourceComponent = nullptr;
        throw;
    }
    if (m_sourceInterface) {
        DisconnectAllInterfaces(m_sourceInterface.get());
        m_sourceInterface.reset();
        m_sourceComponent = nullptr;
    }
}

void TKxObjInterfaceConnector::SetActive(bool value) {
    if (const auto intf = KxQuery<IKxGetSetActive>(m_sourceInterface))
        intf->SetActive(value);
}

// ---- TKxActivatableIntfSource

TKxActivatableIntfSource::TKxActivatableIntfSource(QObject* owner, TKxLifetime lifetime)
    : TKxObjInterfaceConnector(owner, lifetime) {
    AddNeededIntfID(KxInterfaceId::Of<IKxGetSetActive>());
    AddIntfIDToConnect(IKxActiveChangeSink::IID, true);
}

void TKxActivatableIntfSource::BeforeActiveChange(bool newActive) {
    if (OnBeforeActiveChange)
        OnBeforeActiveChange(newActive);
}

void TKxActivatableIntfSource::AfterActiveChange(bool newActive) {
    if (OnAfterActiveChange)
        OnAfterActiveChange(newActive);
}

} // namespace kx
