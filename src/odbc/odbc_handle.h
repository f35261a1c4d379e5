#pragma once

#include "foundation/kx_intf.h"

#include <sql.h>
#include <sqlext.h>
#include <utility>

namespace kx {

// Owns one ODBC handle and frees it when it goes: the only place the program calls
// SQLFreeHandle. Handles are allocated through CheckOdbcResult like every other call, so a
// failed allocation raises with the parent handle's diagnostics (the new handle has none).
class TKxOdbcHandle {
public:
    TKxOdbcHandle() = default;
    ~TKxOdbcHandle() { Free(); }
    TKxOdbcHandle(TKxOdbcHandle&& other) noexcept
        : m_handle(std::exchange(other.m_handle, nullptr)), m_type(other.m_type) {}
    TKxOdbcHandle& operator=(TKxOdbcHandle&& other) noexcept {
        if (this != &other) {
            Free();
            m_handle = std::exchange(other.m_handle, nullptr);
            m_type = other.m_type;
        }
        return *this;
    }
    TKxOdbcHandle(const TKxOdbcHandle&) = delete;
    TKxOdbcHandle& operator=(const TKxOdbcHandle&) = delete;

    // Allocates a handle of `type` below `parent` (null for an environment), freeing the one
    // held before. `object` is the component the handle is for, named in the error.
    void Allocate(SQLSMALLINT type, const TKxOdbcHandle* parent, IKxUnknown* object);
    // The result of SQLFreeHandle is of no use to anybody, so it is not checked.
    void Free() noexcept;

    SQLHANDLE Get() const { return m_handle; }
    SQLSMALLINT Type() const { return m_type; }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    SQLHANDLE m_handle = nullptr;
    SQLSMALLINT m_type = SQL_HANDLE_ENV;
};

} // namespace kx
