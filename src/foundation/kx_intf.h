#pragma once

#include "foundation/kx_unknown.h"

#include <utility>

namespace kx {

// The one smart pointer of the interface model: it holds a counted reference to an object
// or interface and is the only code that calls AddRef and Release. Copying adds a
// reference, moving transfers it, destruction or reset drops it.
//
//     KxIntf<IKxGetName> named = KxQuery<IKxGetName>(someObject);  // null if not offered
//     if (named) use(named->GetName());
template <class T> class KxIntf {
public:
    KxIntf() noexcept = default;
    KxIntf(std::nullptr_t) noexcept {}

    // Takes a new reference to `raw` (which may be null).
    explicit KxIntf(T* raw) noexcept : m_ptr(raw) { AddRefPtr(); }

    KxIntf(const KxIntf& other) noexcept : m_ptr(other.m_ptr) { AddRefPtr(); }
    KxIntf(KxIntf&& other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}

    template <class U>
    requires std::is_convertible_v<U*, T*> KxIntf(const KxIntf<U>& other)
    noexcept : m_ptr(other.get()) { AddRefPtr(); }

    template <class U>
    requires std::is_convertible_v<U*, T*> KxIntf(KxIntf<U>&& other)
    noexcept : m_ptr(other.Detach()) {}

    ~KxIntf() { ReleasePtr(); }

    KxIntf& operator=(KxIntf other) noexcept {
        std::swap(m_ptr, other.m_ptr);
        return *this;
    }

    void reset() noexcept { KxIntf().swap(*this); }
    void swap(KxIntf& other) noexcept { std::swap(m_ptr, other.m_ptr); }

    // Gives up the reference without releasing it; the caller now owns it.
    T* Detach() noexcept { return std::exchange(m_ptr, nullptr); }

    T* get() const noexcept { return m_ptr; }
    T* operator->() const noexcept { return m_ptr; }
    T& operator*() const noexcept { return *m_ptr; }
    explicit operator bool() const noexcept { return m_ptr != nullptr; }

    friend bool operator==(const KxIntf& a, const KxIntf& b) noexcept { return a.m_ptr == b.m_ptr; }
    friend bool operator==(const KxIntf& a, std::nullptr_t) noexcept { return a.m_ptr == nullptr; }

private:
    void AddRefPtr() noexcept {
        if (m_ptr != nullptr)
            static_cast<IKxUnknown*>(m_ptr)->AddRef();
    }
    void ReleasePtr() noexcept {
        if (m_ptr != nullptr)
            static_cast<IKxUnknown*>(std::exchange(m_ptr, nullptr))->Release();
    }

    T* m_ptr = nullptr;
};

// Asks an object for an interface: null when the object is null or does not offer it.
// Works from any interface of the object to any other (interfaces derive virtually from
// IKxUnknown, so this is a cross cast).
template <class T, class U> KxIntf<T> KxQuery(U* object) {
    if (object == nullptr)
        return nullptr;
    return KxIntf<T>(dynamic_cast<T*>(static_cast<IKxUnknown*>(object)));
}

template <class T, class U> KxIntf<T> KxQuery(const KxIntf<U>& object) {
    return KxQuery<T>(object.get());
}

// Whether an object offers an interface, without taking a reference.
template <class T, class U> bool KxSupports(U* object) {
    return object != nullptr && dynamic_cast<T*>(static_cast<IKxUnknown*>(object)) != nullptr;
}

// Creates a self-owning object: it frees itself when the last KxIntf lets go.
template <class T, class... Args> KxIntf<T> KxMake(Args&&... args) {
    return KxIntf<T>(new T(std::forward<Args>(args)...));
}

} // namespace kx
