#include "foundation/interfaced_object.h"

#include "foundation/class_name.h"
#include "foundation/exceptions.h"
#include "foundation/trace.h"

namespace kx {

void TKxReferenceCount::ReportIfReferenced(const void* object, const QString& name) const {
    const int count = Count();
    if (count == 0)
        return;
    const std::type_info* type = m_type.load(std::memory_order_relaxed);
    const QString className = type != nullptr ? KxClassName(*type) : QStringLiteral("?");
    KxTrace(QStringLiteral("%1 [%2] \"%3\" Reference Count at Destruction = %4")
                .arg(className, KxPointerText(object), name)
                .arg(count),
            TKxTraceCategory::ReferenceCount);
}

TKxInterfacedObject::TKxInterfacedObject(TKxLifetime lifetime) : m_refs(lifetime) {}

TKxInterfacedObject::~TKxInterfacedObject() {
    m_refs.ReportIfReferenced(this, {});
}

int TKxInterfacedObject::AddRef() {
    return m_refs.Increment(typeid(*this));
}

int TKxInterfacedObject::Release() {
    const int remaining = m_refs.Decrement();
    if (remaining == 0 && m_refs.BeginDestruction())
        delete this;
    return remaining;
}

void TKxInterfacedPersistent::Assign(const TKxInterfacedPersistent* source) {
    if (source == nullptr)
        return;
    KxRaise(QStringLiteral("Cannot assign a %1 to a %2")
                .arg(KxClassNameOf(*source), KxClassNameOf(*this)),
            QStringLiteral("TKxInterfacedPersistent.Assign"), this);
}

TKxInterfacedComponent::TKxInterfacedComponent(QObject* owner, TKxLifetime lifetime)
    : QObject(owner), m_refs(lifetime) {}

TKxInterfacedComponent::~TKxInterfacedComponent() {
    m_refs.ReportIfReferenced(this, objectName());
}

int TKxInterfacedComponent::AddRef() {
    return m_refs.Increment(typeid(*this));
}

int TKxInterfacedComponent::Release() {
    const int remaining = m_refs.Decrement();
    if (remaining == 0 && m_refs.BeginDestruction())
        delete this;
    return remaining;
}

} // namespace kx
