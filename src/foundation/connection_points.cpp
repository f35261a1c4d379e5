#include "foundation/connection_points.h"

#include "foundation/exceptions.h"
#include "foundation/streams.h"
#include "foundation/trace.h"

namespace kx {

// ---- TKxConnectedObjListEntry

TKxConnectedObjListEntry::TKxConnectedObjListEntry(IKxUnknown* sink, std::uint32_t cookie)
    : m_sink(sink), m_cookie(cookie) {}

void TKxConnectedObjListEntry::GetConnectData(CONNECTDATA& data) const {
    data.Unk = m_sink;
    data.Cookie = m_cookie;
}

// ---- TKxEnumXxxxImpl

TKxEnumXxxxImpl::TKxEnumXxxxImpl(KxIntf<TKxInterfaceList> list, KxInterfaceId iid, int current)
    : m_list(std::move(list)), m_iid(iid), m_current(current < 0 ? m_list->Count() - 1 : current) {}

KxIntf<IKxUnknown> TKxEnumXxxxImpl::NextItem() {
    TKxCriticalSectionLock lock(static_cast<IKxCriticalSection*>(m_list.get()));
    if (m_current < 0 || m_current >= m_list->Count())
        return nullptr;
    KxIntf<IKxUnknown> item = m_list->Items(m_current);
    if (!m_iid.IsSupportedBy(item.get()))
        return nullptr;
    --m_current;
    return item;
}

KxHResult TKxEnumXxxxImpl::DoSkip(std::uint32_t count) {
    return KxGuardedHResult([&] {
        const std::int64_t next = std::int64_t{m_current} - count;
        m_current = next < -1 ? -1 : static_cast<int>(next);
        return hr::S_Ok;
    });
}

KxHResult TKxEnumXxxxImpl::DoReset() {
    return KxGuardedHResult([&] {
        m_current = m_list->Count() - 1;
        return hr::S_Ok;
    });
}

// ---- TKxEnumConnectionPointsImpl

TKxEnumConnectionPointsImpl::TKxEnumConnectionPointsImpl(KxIntf<TKxInterfaceList> points,
                                                         int current)
    : TKxEnumXxxxImpl(std::move(points), KxInterfaceId::Of<IConnectionPoint>(), current) {}

KxHResult TKxEnumConnectionPointsImpl::Next(std::uint32_t count, KxIntf<IConnectionPoint>* items,
                                            std::uint32_t* fetched) {
    return KxGuardedHResult([&] {
        std::uint32_t done = 0;
        while (done < count) {
            KxIntf<IConnectionPoint> point = KxQuery<IConnectionPoint>(NextItem());
            if (!point)
                break;
            items[done++] = std::move(point);
        }
        if (fetched != nullptr)
            *fetched = done;
        return done == count ? hr::S_Ok : hr::S_False;
    });
}

KxHResult TKxEnumConnectionPointsImpl::Clone(KxIntf<IEnumConnectionPoints>& clone) {
    return KxGuardedHResult([&] {
        // Positioned on the same item: -1 would mean "start over", so an exhausted
        // enumerator's clone gets an index no item has.
        clone = KxMake<TKxEnumConnectionPointsImpl>(m_list, m_current < 0 ? INT_MAX : m_current);
        return hr::S_Ok;
    });
}

// ---- TKxEnumConnectionsImpl

TKxEnumConnectionsImpl::TKxEnumConnectionsImpl(KxIntf<TKxInterfaceList> entries, int current)
    : TKxEnumXxxxImpl(std::move(entries), KxInterfaceId::Of<IKxConnectedObjListEntry>(), current) {}

KxHResult TKxEnumConnectionsImpl::Next(std::uint32_t count, CONNECTDATA* items,
                                       std::uint32_t* fetched) {
    return KxGuardedHResult([&] {
        std::uint32_t done = 0;
        while (done < count) {
            const auto entry = KxQuery<IKxConnectedObjListEntry>(NextItem());
            if (!entry)
                break;
            entry->GetConnectData(items[done++]);
        }
        if (fetched != nullptr)
            *fetched = done;
        return done == count ? hr::S_Ok : hr::S_False;
    });
}

KxHResult TKxEnumConnectionsImpl::Clone(KxIntf<IEnumConnections>& clone) {
    return KxGuardedHResult([&] {
        clone = KxMake<TKxEnumConnectionsImpl>(m_list, m_current < 0 ? INT_MAX : m_current);
        return hr::S_Ok;
    });
}

// ---- TKxConnectionPointImpl

TKxConnectionPointImpl::TKxConnectionPointImpl(IConnectionPointContainer* container,
                                               const KxInterfaceId& iid,
                                               std::shared_ptr<std::atomic<int>> advised)
    : m_container(container), m_iid(iid), m_entries(KxMake<TKxInterfaceList>()),
      m_advised(std::move(advised)) {}

TKxConnectionPointImpl::~TKxConnectionPointImpl() {
    const int left = m_entries->Count();
    if (m_advised)
        *m_advised -= left;
    if (left != 0)
        KxTrace(QStringLiteral("Assertion failed: ConnectedObjects.Count = 0 (%1 [%2], %3 left)")
                    .arg(m_iid.guid.ToString(), KxPointerText(this))
                    .arg(left),
                TKxTraceCategory::ReferenceCount);
}

KxHResult TKxConnectionPointImpl::GetConnectionInterface(KxGuid& iid) {
    iid = m_iid.guid;
    return hr::S_Ok;
}

KxHResult
TKxConnectionPointImpl::GetConnectionPointContainer(KxIntf<IConnectionPointContainer>& container) {
    return KxGuardedHResult([&] {
        container = KxQuery<IConnectionPointContainer>(m_container);
        return container ? hr::S_Ok : hr::E_NoInterface;
    });
}

KxHResult TKxConnectionPointImpl::Advise(IKxUnknown* sink, std::uint32_t* cookie) {
    return KxGuardedHResult([&] {
        TKxCriticalSectionLock lock(static_cast<IKxCriticalSection*>(m_entries.get()));
        if (!m_iid.IsSupportedBy(sink))
            return hr::CONNECT_E_CannotConnect;
        const std::uint32_t newCookie = m_cookieCounter + 1;
        const KxIntf<IKxUnknown> entry = KxMake<TKxConnectedObjListEntry>(sink, newCookie);
        m_entries->Add(entry.get());
        if (m_advised)
            ++*m_advised;
        m_cookieCounter = newCookie;
        if (cookie != nullptr)
            *cookie = newCookie;
        return hr::S_Ok;
    });
}

KxHResult TKxConnectionPointImpl::Unadvise(std::uint32_t cookie) {
    return KxGuardedHResult([&] {
        KxIntf<IKxUnknown> removed;
        {
            TKxCriticalSectionLock lock(static_cast<IKxCriticalSection*>(m_entries.get()));
            for (int index = m_entries->Count() - 1; index >= 0; --index) {
                const auto entry = KxCheckQueryInterface<IKxConnectedObjListEntry>(
                    m_entries->Items(index).get(),
                    QStringLiteral("TKxConnectionPointImpl.Unadvise"));
                if (entry->GetCookie() == cookie) {
                    entry->SetCookie(0);
                    // The sink is released once the lock is left: its destructor may
                    // well unadvise something else.
                    removed = m_entries->Extract(index);
                    if (m_advised)
                        --*m_advised;
                    break;
                }
            }
        }
        return removed ? hr::S_Ok : hr::CONNECT_E_NoConnection;
    });
}

KxHResult TKxConnectionPointImpl::EnumConnections(KxIntf<IEnumConnections>& enumerator) {
    return KxGuardedHResult([&] {
        enumerator = KxMake<TKxEnumConnectionsImpl>(m_entries);
        return hr::S_Ok;
    });
}

// ---- TKxConnectionPointContainerImpl

TKxConnectionPointContainerImpl::TKxConnectionPointContainerImpl(IConnectionPointContainer* outer,
                                                                 TKxLifetime lifetime)
    : TKxInterfacedObject(lifetime), m_outer(outer), m_points(KxMake<TKxInterfaceList>()) {}

TKxConnectionPointContainerImpl::~TKxConnectionPointContainerImpl() {
    ClearConnectionPoints();
}

void TKxConnectionPointContainerImpl::AddConnectionPoint(const KxInterfaceId& iid) {
    TKxCriticalSectionLock lock(static_cast<IKxCriticalSection*>(m_points.get()));
    KxIntf<IConnectionPoint> existing;
    if (FindConnectionPoint(iid.guid, existing) != hr::CONNECT_E_NoConnection)
        return;
    const KxIntf<IKxUnknown> point = KxMake<TKxConnectionPointImpl>(
        m_outer != nullptr ? m_outer : static_cast<IConnectionPointContainer*>(this), iid,
        m_advised);
    m_points->Add(point.get());
}

void TKxConnectionPointContainerImpl::ClearConnectionPoints() {
    std::vector<KxIntf<IKxUnknown>> released;
    {
        TKxCriticalSectionLock lock(static_cast<IKxCriticalSection*>(m_points.get()));
        while (m_points->Count() > 0) {
            KxIntf<IKxUnknown> point = m_points->Extract(m_points->Count() - 1);
            if (auto* impl = dynamic_cast<TKxConnectionPointImpl*>(point.get()))
                impl->DetachContainer();
            released.push_back(std::move(point));
        }
    }
}

KxHResult
TKxConnectionPointContainerImpl::EnumConnectionPoints(KxIntf<IEnumConnectionPoints>& enumerator) {
    return KxGuardedHResult([&] {
        enumerator = KxMake<TKxEnumConnectionPointsImpl>(m_points);
        return hr::S_Ok;
    });
}

KxHResult TKxConnectionPointContainerImpl::FindConnectionPoint(const KxGuid& iid,
                                                               KxIntf<IConnectionPoint>& point) {
    return KxGuardedHResult([&] {
        TKxCriticalSectionLock lock(static_cast<IKxCriticalSection*>(m_points.get()));
        for (int index = 0; index < m_points->Count(); ++index) {
            KxIntf<IConnectionPoint> candidate = KxQuery<IConnectionPoint>(m_points->Items(index));
            KxGuid candidateIid;
            if (candidate && candidate->GetConnectionInterface(candidateIid) == hr::S_Ok &&
                candidateIid == iid) {
                point = std::move(candidate);
                return hr::S_Ok;
            }
        }
        return hr::CONNECT_E_NoConnection;
    });
}

} // namespace kx
