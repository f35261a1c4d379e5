#pragma once

#include "dbcore/compression_streams.h"
#include "dbcore/record_routines.h"
#include "dbcore/record_states.h"
#include "dbcore/value_buffer.h"
#include "foundation/basic_interfaces.h"
#include "foundation/interfaced_object.h"
#include "foundation/notification_sinks.h"

#include <QString>
#include <array>

namespace kx {

// A result column as the recordset describes it when it creates its fields.
struct TKxFieldCreateData {
    QString Name;
    int ColumnNumber = 0; // 1-based
    TKxFieldDataType DataType = fdtString;
    bool NullValuesAllowed = true;
    bool Updatable = true; // false for auto-incrementing integer columns
    bool Signed = true;
    bool AutoIncrementing = false;
    TKxCompressionType BlobCompressionType = ctNone;
    std::int64_t Size = 0;    // bytes, as the driver reports it
    bool BlankPadded = false; // CHAR/NCHAR: trailing blanks are padding, not value
};

// One column of a recordset. It keeps two value buffers, the current value and the value
// saved when editing began, and moves values between them as the recordset tells it about
// edits, cancels, applies and moves (the recordset calls its sink interfaces directly, in
// field order). Buffers are created on first use and freed when the recordset closes.
//
// The field is owned by its recordset and holds it by plain pointer: it never outlives it.
class TKxDBField : public TKxInterfacedPersistent,
                   public virtual IKxSetAsString,
                   public virtual IKxGetDisplayText,
                   public virtual IKxGetSetValue,
                   public virtual IKxGetValueBufferIntf,
                   public virtual IKxOperationSink,
                   public virtual IKxPositionChangeSink,
                   public virtual IKxActiveChangeSink,
                   public virtual IKxAskBoolean,
                   public virtual IKxAskInteger,
                   public virtual IKxGetSetModified,
                   public virtual IKxFieldProperties,
                   public virtual IKxGetPosition,
                   public virtual IKxGetName {
public:
    TKxDBField(IKxUnknown* recordset, TKxFieldCreateData createData,
               TKxLifetime lifetime = TKxLifetime::OwnerOwned);
    ~TKxDBField() override;

    IKxUnknown* Recordset() const { return m_recordset; }
    const TKxFieldCreateData& CreateData() const { return m_createData; }

    // The buffer of `instance`, created on first use with the recordset's statement handle.
    TKxFieldValueBuffer& ValueBuffer(TKxValueBufferInstance instance);
    // The buffer if it exists, else null.
    TKxFieldValueBuffer* ExistingValueBuffer(TKxValueBufferInstance instance) const;
    virtual void SwapBuffers();

    // IKxGetSetValue: the current value. Writing starts editing when the recordset edits
    // automatically, refuses outside insert and edit state, and tells the recordset.
    KxVariant GetValue() const override;
    void SetValue(const KxVariant& value) override;
    // IKxSetAsString: the value a typed text stands for (empty text: NULL).
    void SetAsString(const QString& text) override;
    // IKxGetDisplayText of the current value.
    QString GetDisplayText() override;

    KxHResult GetValueBufferIntf(int instance, const KxInterfaceId& iid,
                                 KxIntf<IKxUnknown>& object) override;

    void BeforeOperation(int operation, IKxUnknown* parameter) override;
    void AfterOperation(int operation, IKxUnknown* parameter) override;
    void BeforePositionChange() override;
    void AfterPositionChange() override;
    void BeforeActiveChange(bool newActive) override;
    void AfterActiveChange(bool newActive) override;

    int AskBoolean(int id) override;
    int AskInteger(int id) override;

    bool GetModified() const override;
    void SetModified(bool value) override;

    TKxFieldDataType GetDataType() const override { return m_createData.DataType; }
    bool GetNullValuesAllowed() const override { return m_createData.NullValuesAllowed; }
    bool GetUpdatable() const override { return m_createData.Updatable; }
    std::int64_t GetPosition() const override { return m_createData.ColumnNumber; }
    QString GetName() const override { return m_createData.Name; }
    bool GetSigned() const { return m_createData.Signed; }
    bool GetAutoIncrementing() const { return m_createData.AutoIncrementing; }
    std::int64_t GetSize() const { return m_createData.Size; }
    int GetColumnWidth() const;
    int GetDisplayLength() const;

protected:
    // The buffer a field of this class reads its column with; the driver's field returns its
    // own buffer class.
    virtual KxIntf<TKxFieldValueBuffer> CreateValueBuffer(QObject* owner, TKxFieldBufferInfo info);
    virtual void AutoEdit();
    virtual void NotifyDataChange();

private:
    void FreeBuffers();
    TKxRecordsetState RecordsetState() const;

    IKxUnknown* m_recordset;
    TKxFieldCreateData m_createData;
    // Instance → slot; swapping the two entries is how a cancel restores the saved value.
    std::array<int, 2> m_slotOfInstance{0, 1};
    std::array<KxIntf<TKxFieldValueBuffer>, 2> m_slots;
};

} // namespace kx
