#include "dbcore/display_value_buffer.h"

#include "foundation/exceptions.h"

namespace kx {
namespace {

const QString kCheckGetFieldIntf = QStringLiteral("CheckGetFieldIntf");

QString ColumnFieldName(IKxUnknown* column) {
    return KxCheckQueryInterface<IKxGetName>(column, QStringLiteral("TKxDisplayValueBuffer.Create"))
        ->GetName();
}

TKxFieldDataType ColumnFieldType(IKxUnknown* column) {
    const KxIntf<IKxGetItemByName> fields =
        KxCheckQueryInterface<IKxGetItemByName>(column, kCheckGetFieldIntf);
    return KxCheckGetItemByName<IKxFieldProperties>(fields.get(), ColumnFieldName(column),
                                                    kCheckGetFieldIntf)
        ->GetDataType();
}

} // namespace

TKxDisplayValueBuffer::TKxDisplayValueBuffer(IKxUnknown* column, std::int64_t rowOffset,
                                             unsigned cacheFlags)
    : TKxValueBuffer(nullptr, ColumnFieldType(column)), m_column(column), m_rowOffset(rowOffset),
      m_cacheFlags(cacheFlags), m_fieldName(ColumnFieldName(column)) {}

template <class T> KxIntf<T> TKxDisplayValueBuffer::FieldInterface() const {
    const KxIntf<IKxGetItemByName> fields =
        KxCheckQueryInterface<IKxGetItemByName>(m_column, kCheckGetFieldIntf);
    return KxCheckGetItemByName<T>(fields.get(), m_fieldName, kCheckGetFieldIntf);
}

void TKxDisplayValueBuffer::SynchronizePosition() {
    const KxIntf<IKxDisplayValueColumn> column = KxCheckQueryInterface<IKxDisplayValueColumn>(
        m_column, QStringLiteral("SynchronizePosition"));
    const KxIntf<IKxGetSetPosition> position = column->GetRecordsetPosition();
    KxCheckPointer(position.get(), QStringLiteral("The Position Source"),
                   KxObjectDescription::OfInterface(m_column),
                   QStringLiteral("SynchronizePosition"));
    position->SetPosition(column->GetFirstVisiblePosition() + m_rowOffset);
}

void TKxDisplayValueBuffer::InternalFetchData(bool) {
    SynchronizePosition();
    // Filling the value must not drop a display text cached a moment ago for the same row.
    const bool textValid = DisplayTextValid();
    const QString text = textValid ? TKxValueBuffer::GetDisplayText() : QString();
    if (DataType() == fdtBinary) {
        // Binary values are copied as bytes: a variant would not carry a long value.
        const KxIntf<IKxAccessValueBuffer> access = FieldInterface<IKxAccessValueBuffer>();
        KxIntf<IKxUnknown> bytes;
        KxCheckHR(
            access->AccessValueBuffer(vbaRead, KxInterfaceId::Of<ILockBytes>(), bytes, vbiCurrent),
            KxObjectDescription::OfInterface(m_column), QStringLiteral("InternalFetchData"));
        TKxValueBuffer::AssignFromIntf(bytes.get());
    } else {
        const KxVariant value = FieldInterface<IKxGetValue>()->GetValue();
        if (value.IsNull())
            SetNullFlag(true);
        else
            InternalSetValue(value);
    }
    // A cached copy is not an edit.
    SetModified(false);
    SetFetched(true);
    if (textValid)
        SetCachedDisplayText(text);
}

QString TKxDisplayValueBuffer::GetDisplayText() {
    if (!DisplayTextValid()) {
        SynchronizePosition();
        SetCachedDisplayText(FieldInterface<IKxGetDisplayText>()->GetDisplayText());
    }
    return TKxValueBuffer::GetDisplayText();
}

bool TKxDisplayValueBuffer::ExecuteOperation(int operation, IKxUnknown* parameter) {
    if (operation != opFetchData)
        return TKxValueBuffer::ExecuteOperation(operation, parameter);
    if ((m_cacheFlags & dcfCacheDisplayText) != 0)
        (void)GetDisplayText();
    if ((m_cacheFlags & dcfCacheValue) != 0)
        EnsureFetched(false);
    return true;
}

int TKxDisplayValueBuffer::AskBoolean(int id) {
    if (id != qid::NeedsData)
        return TKxValueBuffer::AskBoolean(id);
    const bool needsText = (m_cacheFlags & dcfCacheDisplayText) != 0 && !DisplayTextValid();
    const bool needsValue = (m_cacheFlags & dcfCacheValue) != 0 && !IsFetched();
    return KxBooleanAnswer(needsText || needsValue);
}

void TKxDisplayValueBuffer::AssignFromIntf(IKxUnknown* source) {
    // Only what this cell caches is taken over (cells move between rows when the grid
    // scrolls).
    if ((m_cacheFlags & dcfCacheValue) != 0)
        TKxValueBuffer::AssignFromIntf(source);
    if ((m_cacheFlags & dcfCacheDisplayText) != 0) {
        ClearDisplayCache();
        if (KxCheckAskBoolean(source, qid::DisplayTextCached, QStringLiteral("AssignFromIntf"))) {
            SetCachedDisplayText(
                KxCheckQueryInterface<IKxGetDisplayText>(source, QStringLiteral("AssignFromIntf"))
                    ->GetDisplayText());
        }
    }
}

} // namespace kx
