#include "computed_field.h"

namespace kx::test {
namespace {

class ComputedBuffer : public TKxFieldValueBuffer {
public:
    ComputedBuffer(TComputedField::TValueSource source, QObject* owner, TKxFieldDataType type,
                   TKxFieldBufferInfo info)
        : TKxFieldValueBuffer(owner, type, std::move(info)), m_source(std::move(source)) {}

protected:
    void InternalFetchData(bool) override {
        const KxVariant value = m_source(*this);
        if (value.IsNull())
            SetNullFlag(true);
        else
            InternalSetValue(value);
        SetFetched(true);
    }

private:
    TComputedField::TValueSource m_source;
};

} // namespace

TComputedField::TComputedField(IKxUnknown* recordset, TKxFieldCreateData data, TValueSource source)
    : TKxDBField(recordset, std::move(data)), m_source(std::move(source)) {}

KxIntf<TKxFieldValueBuffer> TComputedField::CreateValueBuffer(QObject* owner,
                                                              TKxFieldBufferInfo info) {
    return KxMake<ComputedBuffer>(m_source, owner, GetDataType(), std::move(info));
}

} // namespace kx::test
