#pragma once

#include "dbcore/db_field.h"

#include <functional>

namespace kx::test {

// A field of a recordset double whose buffers read their value, the first time it is asked
// after a move, from a function of the buffer (its column name and number), as the driver's
// buffers read their column.
class TComputedField : public TKxDBField {
public:
    using TValueSource = std::function<KxVariant(const TKxFieldValueBuffer& buffer)>;

    TComputedField(IKxUnknown* recordset, TKxFieldCreateData data, TValueSource source);

protected:
    KxIntf<TKxFieldValueBuffer> CreateValueBuffer(QObject* owner, TKxFieldBufferInfo info) override;

private:
    TValueSource m_source;
};

} // namespace kx::test
