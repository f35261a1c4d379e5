#include "foundation/critical_section.h"

#include "foundation/exceptions.h"

#include <QCoreApplication>

namespace kx {

TKxCriticalSection::TKxCriticalSection(TKxLifetime lifetime) : TKxInterfacedObject(lifetime) {}

void TKxCriticalSection::Enter() {
    m_mutex.lock();
}

void TKxCriticalSection::Leave() {
    m_mutex.unlock();
}

TKxCriticalSectionLock::TKxCriticalSectionLock(IKxCriticalSection* section) : m_section(section) {
    // The translated name is only needed for the error, and locks are taken very often.
    if (section == nullptr)
        KxCheckPointer(section, QCoreApplication::translate("KxFoundation", "The Critical Section"),
                       nullptr, QStringLiteral("TKxCriticalSectionLock.Create"));
    m_section->Enter();
}

// The query takes and drops a reference at once; the lock keeps the plain pointer, as the
// object is required to outlive it anyway.
TKxCriticalSectionLock::TKxCriticalSectionLock(IKxUnknown* object)
    : TKxCriticalSectionLock(KxCheckQueryInterface<IKxCriticalSection>(
                                 object, QStringLiteral("TKxCriticalSectionLock.Create"))
                                 .get()) {}

TKxCriticalSectionLock::~TKxCriticalSectionLock() {
    m_section->Leave();
}

} // namespace kx
