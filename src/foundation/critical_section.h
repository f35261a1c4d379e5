#pragma once

#include "foundation/interfaced_object.h"

#include <QRecursiveMutex>

namespace kx {

// A lock that the thread holding it may enter again; each Enter is matched by one Leave.
// Objects whose state is shared (lists, connection points) offer it so that a caller can
// keep several of their calls together under one bracket.
class IKxCriticalSection : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A40, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x14, 0x00}};
    virtual void Enter() = 0;
    virtual void Leave() = 0;
};

// The recursive lock as an object. Objects that guard themselves usually hold one as an
// owner-owned member and forward their own IKxCriticalSection to it.
class TKxCriticalSection : public TKxInterfacedObject, public virtual IKxCriticalSection {
public:
    explicit TKxCriticalSection(TKxLifetime lifetime = TKxLifetime::SelfOwned);

    void Enter() override;
    void Leave() override;

private:
    QRecursiveMutex m_mutex;
};

// Enters a critical section on creation and leaves it on destruction, also when an exception
// unwinds through the scope:
//
//     TKxCriticalSectionLock lock(list);  // any object that offers IKxCriticalSection
//
// The scope ends the bracket, so the lock needs no reference count of its own; to end it
// somewhere else, hold the lock in a std::optional or std::unique_ptr. Like std::lock_guard
// it does not keep the locked object alive: the object must outlive the lock. Locking a
// section given as IKxCriticalSection takes no reference at all, so an object may lock itself
// while it is being destroyed.
class TKxCriticalSectionLock {
public:
    // Raises "The Critical Section Pointer is nil" for a null section.
    explicit TKxCriticalSectionLock(IKxCriticalSection* section);
    // Locks an object's IKxCriticalSection; raises the standard interface errors when the
    // object is null or does not offer it.
    explicit TKxCriticalSectionLock(IKxUnknown* object);
    ~TKxCriticalSectionLock();

    TKxCriticalSectionLock(const TKxCriticalSectionLock&) = delete;
    TKxCriticalSectionLock& operator=(const TKxCriticalSectionLock&) = delete;

private:
    IKxCriticalSection* m_section;
};

} // namespace kx
