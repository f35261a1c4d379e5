#pragma once

#include "foundation/basic_interfaces.h"

#include <QObject>
#include <atomic>
#include <typeinfo>

namespace kx {

// Whether an object frees itself when its last reference goes, or belongs to an owner that
// frees it (then the count only tracks borrowed references, and an owner destroying the
// object while references remain is reported to the trace routine).
enum class TKxLifetime : bool {
    SelfOwned = false,
    OwnerOwned = true,
};

// The reference count shared by the three bases below.
class TKxReferenceCount {
public:
    explicit TKxReferenceCount(TKxLifetime lifetime) : m_lifetime(lifetime) {}

    // `type` is the object's dynamic type. It is remembered here because a destructor only
    // sees its own class, and the report must name the class that was referenced.
    int Increment(const std::type_info& type) {
        m_type.store(&type, std::memory_order_relaxed);
        return m_count.fetch_add(1, std::memory_order_relaxed) + 1;
    }
    // Answers the count afterwards.
    int Decrement() { return m_count.fetch_sub(1, std::memory_order_acq_rel) - 1; }
    int Count() const { return m_count.load(std::memory_order_acquire); }
    bool IsOwned() const { return m_lifetime == TKxLifetime::OwnerOwned; }

    // Called when the count has dropped to 0: true exactly once for a self-owned object, which
    // the caller then deletes. Code run by the destructor (a component closing itself and
    // notifying its sinks) may take and drop references to the object again; those must not
    // delete it a second time.
    bool BeginDestruction() { return !IsOwned() && !m_destroying.exchange(true); }

    // Sends "%s [%p] "%s" Reference Count at Destruction = %d" to the trace routine when
    // references are still counted.
    void ReportIfReferenced(const void* object, const QString& name) const;

private:
    std::atomic<int> m_count{0};
    std::atomic<const std::type_info*> m_type{nullptr};
    std::atomic<bool> m_destroying{false};
    TKxLifetime m_lifetime;
};

// A plain reference-counted object. Self-owned objects are created with KxMake (or `new`
// handed straight to a KxIntf) and die with their last reference; owner-owned ones are
// usually std::unique_ptr members of their owner.
class TKxInterfacedObject : public virtual IKxUnknown {
public:
    explicit TKxInterfacedObject(TKxLifetime lifetime = TKxLifetime::SelfOwned);
    ~TKxInterfacedObject() override;

    TKxInterfacedObject(const TKxInterfacedObject&) = delete;
    TKxInterfacedObject& operator=(const TKxInterfacedObject&) = delete;

    int AddRef() override;
    int Release() override;
    int RefCount() const { return m_refs.Count(); }
    bool IsOwned() const { return m_refs.IsOwned(); }

private:
    TKxReferenceCount m_refs;
};

// A reference-counted object whose state can be copied from another one of its kind.
class TKxInterfacedPersistent : public TKxInterfacedObject {
public:
    using TKxInterfacedObject::TKxInterfacedObject;

    // Copies `source`'s state into this object; the base accepts only null (nothing to do)
    // and raises for anything it does not know.
    virtual void Assign(const TKxInterfacedPersistent* source);
};

// A named, owned part of the program (a connection, a statement, a field). The owner is the
// QObject parent, which frees its components; components answer IKxGetName with their name.
class TKxInterfacedComponent : public QObject, public virtual IKxGetName {
public:
    explicit TKxInterfacedComponent(QObject* owner = nullptr,
                                    TKxLifetime lifetime = TKxLifetime::OwnerOwned);
    ~TKxInterfacedComponent() override;

    int AddRef() override;
    int Release() override;
    int RefCount() const { return m_refs.Count(); }

    QString Name() const { return objectName(); }
    void SetName(const QString& name) { setObjectName(name); }
    QObject* Owner() const { return parent(); }

    QString GetName() const override { return Name(); }

private:
    TKxReferenceCount m_refs;
};

} // namespace kx
