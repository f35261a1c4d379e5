#include "odbc/odbc_handle.h"

#include "odbc/odbc_error.h"

namespace kx {

void TKxOdbcHandle::Allocate(SQLSMALLINT type, const TKxOdbcHandle* parent, IKxUnknown* object) {
    Free();
    SQLHANDLE parentHandle = parent != nullptr ? parent->Get() : SQL_NULL_HANDLE;
    SQLHANDLE allocated = nullptr;
    const SQLRETURN rc = SQLAllocHandle(type, parentHandle, &allocated);
    if (!SQL_SUCCEEDED(rc))
        allocated = nullptr; // never keep what a failed allocation may have written
    CheckOdbcResult(rc, object, QStringLiteral("SQLAllocHandle"), parentHandle,
                    parent != nullptr ? parent->Type() : SQL_HANDLE_ENV);
    m_handle = allocated;
    m_type = type;
}

void TKxOdbcHandle::Free() noexcept {
    if (m_handle != nullptr)
        SQLFreeHandle(m_type, std::exchange(m_handle, nullptr));
}

} // namespace kx
