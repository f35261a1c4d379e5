#include "odbc/odbc_state_holders.h"

#include "odbc/odbc_value_buffer.h"

namespace kx {

KxIntf<TKxValueBuffer> TOdbcFieldState::CreateValueBuffer(TKxFieldDataType dataType) {
    return KxIntf<TKxValueBuffer>(
        new TODBCFieldStateValueBuffer(nullptr, dataType, TKxFieldBufferInfo{}));
}

std::unique_ptr<TKxFieldStateHolder> TKxOdbcRecordsetState::CreateFieldStateHolder() {
    return std::make_unique<TOdbcFieldState>(TKxLifetime::OwnerOwned);
}

} // namespace kx
