#pragma once

#include "foundation/interfaced_object.h"
#include "foundation/kx_hresult.h"
#include "foundation/kx_lists.h"

#include <atomic>
#include <climits>
#include <cstdint>
#include <memory>

namespace kx {

// An interface identifier that can also test an object for the interface at run time.
// Connection points are keyed by interface and must check that a sink really offers theirs;
// since asking for an interface is a compile-time cast in this program, the identifier
// carries the cast along with the GUID.
struct KxInterfaceId {
    KxGuid guid;
    bool (*supports)(IKxUnknown* object) = nullptr;

    template <class T> static constexpr KxInterfaceId Of() {
        return {T::IID, [](IKxUnknown* object) { return KxSupports<T>(object); }};
    }

    bool IsSupportedBy(IKxUnknown* object) const {
        return object != nullptr && supports != nullptr && supports(object);
    }
};

inline constexpr KxGuid GUID_NULL{};

// One connection of a connection point: the sink as it was advised and its cookie.
struct CONNECTDATA {
    KxIntf<IKxUnknown> Unk;
    std::uint32_t Cookie = 0;
};

class IEnumConnections : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0xB196B287, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
    // Fills up to `count` items; S_OK when all were fetched, S_FALSE otherwise.
    virtual KxHResult Next(std::uint32_t count, CONNECTDATA* items, std::uint32_t* fetched) = 0;
    virtual KxHResult Skip(std::uint32_t count) = 0;
    virtual KxHResult Reset() = 0;
    virtual KxHResult Clone(KxIntf<IEnumConnections>& clone) = 0;
};

class IConnectionPointContainer;

class IConnectionPoint : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
    virtual KxHResult GetConnectionInterface(KxGuid& iid) = 0;
    virtual KxHResult GetConnectionPointContainer(KxIntf<IConnectionPointContainer>& container) = 0;
    virtual KxHResult Advise(IKxUnknown* sink, std::uint32_t* cookie) = 0;
    virtual KxHResult Unadvise(std::uint32_t cookie) = 0;
    virtual KxHResult EnumConnections(KxIntf<IEnumConnections>& enumerator) = 0;
};

class IEnumConnectionPoints : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0xB196B285, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
    virtual KxHResult Next(std::uint32_t count, KxIntf<IConnectionPoint>* items,
                           std::uint32_t* fetched) = 0;
    virtual KxHResult Skip(std::uint32_t count) = 0;
    virtual KxHResult Reset() = 0;
    virtual KxHResult Clone(KxIntf<IEnumConnectionPoints>& clone) = 0;
};

class IConnectionPointContainer : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
    virtual KxHResult EnumConnectionPoints(KxIntf<IEnumConnectionPoints>& enumerator) = 0;
    virtual KxHResult FindConnectionPoint(const KxGuid& iid, KxIntf<IConnectionPoint>& point) = 0;
};

// Adds a connection point for a notification interface; adding one that exists does nothing.
class IKxAddConnectionPoint : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A76, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x17, 0x06}};
    virtual void AddConnectionPoint(const KxInterfaceId& iid) = 0;
};

class IKxClearConnectionPoints : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A77, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x17, 0x07}};
    virtual void ClearConnectionPoints() = 0;
};

class IKxConnectedObjListEntry : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A78, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x17, 0x08}};
    virtual void GetConnectData(CONNECTDATA& data) const = 0;
    virtual KxIntf<IKxUnknown> GetSink() const = 0;
    virtual std::uint32_t GetCookie() const = 0;
    virtual void SetSink(IKxUnknown* sink) = 0;
    virtual void SetCookie(std::uint32_t cookie) = 0;
};

// One advised sink. Unadvise sets the cookie of the entry it removes to 0, so that whoever
// still holds the entry (an enumeration in progress) can tell it is no longer connected.
class TKxConnectedObjListEntry : public TKxInterfacedObject,
                                 public virtual IKxConnectedObjListEntry {
public:
    TKxConnectedObjListEntry(IKxUnknown* sink, std::uint32_t cookie);

    void GetConnectData(CONNECTDATA& data) const override;
    KxIntf<IKxUnknown> GetSink() const override { return m_sink; }
    std::uint32_t GetCookie() const override { return m_cookie; }
    void SetSink(IKxUnknown* sink) override { m_sink = KxIntf<IKxUnknown>(sink); }
    void SetCookie(std::uint32_t cookie) override { m_cookie = cookie; }

private:
    KxIntf<IKxUnknown> m_sink;
    std::uint32_t m_cookie;
};

// The common part of both enumerators: the list (shared with its owner), the interface every
// item must offer and the current index. Enumeration starts at the last item and walks
// towards the first, so the newest connection is met first. Each step holds the list's lock
// only while it takes its item; the caller works with the item outside the lock.
class TKxEnumXxxxImpl : public TKxInterfacedObject {
protected:
    // `current` -1 starts at the last item.
    TKxEnumXxxxImpl(KxIntf<TKxInterfaceList> list, KxInterfaceId iid, int current);

    // The next item that offers the enumerated interface; null when the enumeration ended
    // (or the item at the current index lacks the interface, which also ends it).
    KxIntf<IKxUnknown> NextItem();
    KxHResult DoSkip(std::uint32_t count);
    KxHResult DoReset();

    KxIntf<TKxInterfaceList> m_list;
    KxInterfaceId m_iid;
    int m_current;
};

class TKxEnumConnectionPointsImpl : public TKxEnumXxxxImpl, public virtual IEnumConnectionPoints {
public:
    explicit TKxEnumConnectionPointsImpl(KxIntf<TKxInterfaceList> points, int current = -1);

    KxHResult Next(std::uint32_t count, KxIntf<IConnectionPoint>* items,
                   std::uint32_t* fetched) override;
    KxHResult Skip(std::uint32_t count) override { return DoSkip(count); }
    KxHResult Reset() override { return DoReset(); }
    KxHResult Clone(KxIntf<IEnumConnectionPoints>& clone) override;
};

class TKxEnumConnectionsImpl : public TKxEnumXxxxImpl, public virtual IEnumConnections {
public:
    explicit TKxEnumConnectionsImpl(KxIntf<TKxInterfaceList> entries, int current = -1);

    KxHResult Next(std::uint32_t count, CONNECTDATA* items, std::uint32_t* fetched) override;
    KxHResult Skip(std::uint32_t count) override { return DoSkip(count); }
    KxHResult Reset() override { return DoReset(); }
    KxHResult Clone(KxIntf<IEnumConnections>& clone) override;
};

class TKxConnectionPointContainerImpl;

// The connection point of one notification interface. It knows its container without
// holding a reference (the container holds the point); the container detaches its points
// when it lets them go, after which the point answers E_NOINTERFACE for its container.
class TKxConnectionPointImpl : public TKxInterfacedObject, public virtual IConnectionPoint {
public:
    // `advised` (may be null) counts the sinks advised at every point of one container.
    TKxConnectionPointImpl(IConnectionPointContainer* container, const KxInterfaceId& iid,
                           std::shared_ptr<std::atomic<int>> advised = {});
    // Every sink must have been unadvised by now. One that was not is reported to the trace
    // routine (the reference count category) and released.
    ~TKxConnectionPointImpl() override;

    KxHResult GetConnectionInterface(KxGuid& iid) override;
    KxHResult GetConnectionPointContainer(KxIntf<IConnectionPointContainer>& container) override;
    KxHResult Advise(IKxUnknown* sink, std::uint32_t* cookie) override;
    KxHResult Unadvise(std::uint32_t cookie) override;
    KxHResult EnumConnections(KxIntf<IEnumConnections>& enumerator) override;

    const KxInterfaceId& InterfaceId() const { return m_iid; }
    int ConnectionCount() const { return m_entries->Count(); }
    void DetachContainer() { m_container = nullptr; }

private:
    IConnectionPointContainer* m_container;
    KxInterfaceId m_iid;
    KxIntf<TKxInterfaceList> m_entries;
    std::uint32_t m_cookieCounter = 0;
    std::shared_ptr<std::atomic<int>> m_advised;
};

// The connection points of a connectable object, in the order they were added. An object that
// forwards its IConnectionPointContainer to a container it holds passes itself as `outer`, so
// that its points name the object rather than the helper as their container; the object
// clears the points before it dies.
class TKxConnectionPointContainerImpl : public TKxInterfacedObject,
                                        public virtual IKxAddConnectionPoint,
                                        public virtual IKxClearConnectionPoints,
                                        public virtual IConnectionPointContainer {
public:
    explicit TKxConnectionPointContainerImpl(IConnectionPointContainer* outer = nullptr,
                                             TKxLifetime lifetime = TKxLifetime::SelfOwned);
    ~TKxConnectionPointContainerImpl() override;

    void AddConnectionPoint(const KxInterfaceId& iid) override;
    void ClearConnectionPoints() override;
    KxHResult EnumConnectionPoints(KxIntf<IEnumConnectionPoints>& enumerator) override;
    KxHResult FindConnectionPoint(const KxGuid& iid, KxIntf<IConnectionPoint>& point) override;
    // Whether any sink is advised at any point: a notification nobody hears costs nothing
    // then (a recordset tells of every row it moves to).
    bool HasAdvisedSinks() const { return m_advised->load(std::memory_order_relaxed) > 0; }

private:
    IConnectionPointContainer* m_outer;
    KxIntf<TKxInterfaceList> m_points;
    std::shared_ptr<std::atomic<int>> m_advised = std::make_shared<std::atomic<int>>(0);
};

} // namespace kx
