#pragma once

#include "dbcore/state_holders.h"

namespace kx {

// A field's values taken from an ODBC recordset: kept in the driver's form, so the length,
// the stored size and the first-read flag come back with them.
class TOdbcFieldState : public TKxFieldStateHolder {
public:
    using TKxFieldStateHolder::TKxFieldStateHolder;

protected:
    KxIntf<TKxValueBuffer> CreateValueBuffer(TKxFieldDataType dataType) override;
};

// Position, state and field values of an ODBC recordset.
class TKxOdbcRecordsetState : public TKxRecordsetStateHolder {
public:
    using TKxRecordsetStateHolder::TKxRecordsetStateHolder;

protected:
    std::unique_ptr<TKxFieldStateHolder> CreateFieldStateHolder() override;
};

} // namespace kx
