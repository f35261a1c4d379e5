#include "dbcore/db_field.h"

#include "dbcore/field_value_text.h"
#include "dbcore/recordset_attributes.h"
#include "foundation/activation_interfaces.h"
#include "foundation/exceptions.h"

#include <QCoreApplication>
#include <utility>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxDbCore", text);
}

} // namespace

TKxDBField::TKxDBField(IKxUnknown* recordset, TKxFieldCreateData createData, TKxLifetime lifetime)
    : TKxInterfacedPersistent(lifetime), m_recordset(recordset),
      m_createData(std::move(createData)) {}

TKxDBField::~TKxDBField() = default;

TKxFieldValueBuffer* TKxDBField::ExistingValueBuffer(TKxValueBufferInstance instance) const {
    return m_slots[static_cast<std::size_t>(m_slotOfInstance[instance])].get();
}

TKxFieldValueBuffer& TKxDBField::ValueBuffer(TKxValueBufferInstance instance) {
    KxIntf<TKxFieldValueBuffer>& slot =
        m_slots[static_cast<std::size_t>(m_slotOfInstance[instance])];
    if (!slot) {
        const KxIntf<IKxGetHandle> handle = KxCheckQueryInterface<IKxGetHandle>(
            m_recordset, QStringLiteral("TKxDBField.ValueBuffer"));
        TKxFieldBufferInfo info;
        info.statementHandle = handle->GetHandle();
        info.columnSize = m_createData.Size;
        info.columnName = m_createData.Name;
        info.columnNumber = m_createData.ColumnNumber;
        info.blankPadded = m_createData.BlankPadded;
        slot = CreateValueBuffer(dynamic_cast<QObject*>(m_recordset), std::move(info));
    }
    return *slot;
}

KxIntf<TKxFieldValueBuffer> TKxDBField::CreateValueBuffer(QObject* owner, TKxFieldBufferInfo info) {
    return KxMake<TKxFieldValueBuffer>(owner, m_createData.DataType, std::move(info));
}

void TKxDBField::SwapBuffers() {
    std::swap(m_slotOfInstance[0], m_slotOfInstance[1]);
}

void TKxDBField::FreeBuffers() {
    m_slots[0].reset();
    m_slots[1].reset();
}

KxVariant TKxDBField::GetValue() const {
    return const_cast<TKxDBField*>(this)->ValueBuffer(vbiCurrent).GetValue();
}

TKxRecordsetState TKxDBField::RecordsetState() const {
    const KxIntf<IKxGetRecordsetState> state = KxCheckQueryInterface<IKxGetRecordsetState>(
        m_recordset, QStringLiteral("TKxOdbcField.RecordsetState"));
    return state->GetRecordsetState();
}

void TKxDBField::AutoEdit() {
    const KxIntf<IKxGetSetAttributes> attributes = KxQuery<IKxGetSetAttributes>(m_recordset);
    if (attributes && (attributes->GetAttributes() & raAutoEdit) != 0)
        KxEditObject(m_recordset);
}

void TKxDBField::NotifyDataChange() {
    const KxIntf<IKxFieldValueChangeSink> sink = KxCheckQueryInterface<IKxFieldValueChangeSink>(
        m_recordset, QStringLiteral("TKxDBField.NotifyDataChange"));
    sink->AfterFieldValueChange(m_createData.Name);
}

void TKxDBField::SetValue(const KxVariant& value) {
    AutoEdit();
    if (!KxIsModifyingState(RecordsetState()))
        KxRaise(Tr("Not in Udatable State"), QStringLiteral("SetValue"), KxObjectDescription(this));
    ValueBuffer(vbiCurrent).SetValue(value);
    NotifyDataChange();
}

void TKxDBField::SetAsString(const QString& text) {
    SetValue(KxFieldValueFromText(text, m_createData.DataType));
}

QString TKxDBField::GetDisplayText() {
    return ValueBuffer(vbiCurrent).GetDisplayText();
}

KxHResult TKxDBField::GetValueBufferIntf(int instance, const KxInterfaceId& iid,
                                         KxIntf<IKxUnknown>& object) {
    object.reset();
    const TKxValueBufferInstance checked =
        KxCheckValueBufferInstance(instance, QStringLiteral("GetValueBufferIntf"), this);
    TKxFieldValueBuffer* buffer = ExistingValueBuffer(checked);
    if (buffer == nullptr)
        return hr::E_Fail;
    if (!iid.IsSupportedBy(buffer))
        return hr::E_NoInterface;
    object = KxIntf<IKxUnknown>(static_cast<IKxUnknown*>(static_cast<TKxValueBuffer*>(buffer)));
    return hr::S_Ok;
}

void TKxDBField::BeforeOperation(int, IKxUnknown*) {}

void TKxDBField::AfterOperation(int operation, IKxUnknown*) {
    switch (operation) {
    case roEdit:
    case roInsert: {
        TKxFieldValueBuffer& current = ValueBuffer(vbiCurrent);
        current.EnsureFetched(false);
        ValueBuffer(vbiSaved).AssignFromIntf(static_cast<TKxValueBuffer*>(&current));
        if (operation == roInsert) {
            current.SetValue(KxVariant::Null());
            current.SetModified(false);
        }
        break;
    }
    case roCancelChanges:
        SwapBuffers();
        if (TKxFieldValueBuffer* saved = ExistingValueBuffer(vbiSaved))
            saved->Clear(true);
        break;
    case roApplyChanges:
        if (TKxFieldValueBuffer* saved = ExistingValueBuffer(vbiSaved))
            saved->Clear(true);
        if (TKxFieldValueBuffer* current = ExistingValueBuffer(vbiCurrent))
            current->SetModified(false);
        break;
    case roRefreshCurrent:
        if (TKxFieldValueBuffer* current = ExistingValueBuffer(vbiCurrent))
            current->Clear(true);
        break;
    default:
        break;
    }
}

void TKxDBField::BeforePositionChange() {}

void TKxDBField::AfterPositionChange() {
    // The new record's data is read when somebody asks for it.
    if (TKxFieldValueBuffer* current = ExistingValueBuffer(vbiCurrent))
        current->Clear(true);
}

void TKxDBField::BeforeActiveChange(bool) {}

void TKxDBField::AfterActiveChange(bool newActive) {
    if (!newActive)
        FreeBuffers();
}

int TKxDBField::AskBoolean(int id) {
    switch (id) {
    case qid::DataFetched:
    case qid::DisplayTextCached:
    case qid::IsNull:
        return ValueBuffer(vbiCurrent).AskBoolean(id);
    case qid::Signed:
        return KxBooleanAnswer(m_createData.Signed);
    case qid::AutoIncrement:
        return KxBooleanAnswer(m_createData.AutoIncrementing);
    default:
        return baUnknown;
    }
}

int TKxDBField::AskInteger(int id) {
    switch (id) {
    case vid::ColumnSize:
        return static_cast<int>(std::min<std::int64_t>(m_createData.Size, INT_MAX));
    case vid::DisplayLength:
        return GetDisplayLength();
    case vid::DefaultColumnWidth:
        return GetColumnWidth();
    default:
        return kxUnsupportedValue;
    }
}

bool TKxDBField::GetModified() const {
    return const_cast<TKxDBField*>(this)->ValueBuffer(vbiCurrent).GetModified();
}

void TKxDBField::SetModified(bool value) {
    ValueBuffer(vbiCurrent).SetModified(value);
}

int TKxDBField::GetColumnWidth() const {
    return KxDefaultColumnWidth(m_createData.DataType, m_createData.Size);
}

int TKxDBField::GetDisplayLength() const {
    return KxDisplayLength(m_createData.DataType, m_createData.Size);
}

} // namespace kx
