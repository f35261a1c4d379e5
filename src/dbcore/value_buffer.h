#pragma once

#include "dbcore/field_data_type.h"
#include "dbcore/sql_interfaces.h"
#include "dbcore/value_interfaces.h"
#include "foundation/exceptions.h"
#include "foundation/memory_lock_bytes.h"
#include "foundation/operations.h"
#include "foundation/questions.h"

#include <QObject>
#include <QPointer>
#include <QString>

namespace kx {

// One column value in memory: its bytes (in the layout of its kind, see KxFixedDataSize),
// whether it is NULL, whether it holds the data of the current record (fetched), whether it
// was changed, and a cached display text. Fixed-size kinds own a block of exactly their size;
// text and binary kinds grow as their value does.
//
// Subclasses decide where data comes from: InternalFetchData is called the first time a
// consumer needs the value after a Clear (the driver buffer reads its column then, the grid's
// display buffer copies its field).
class TKxValueBuffer : public TKxMemoryLockBytes,
                       public virtual IKxGetDisplayText,
                       public virtual IKxExecuteOperation,
                       public virtual IKxGetSetValue,
                       public virtual IKxGetSetModified,
                       public virtual IKxAskBoolean,
                       public virtual IKxAskInteger,
                       public virtual IKxAssignFromObj {
public:
    // `owner` (may be null) is named in error messages; it is held weakly.
    TKxValueBuffer(QObject* owner, TKxFieldDataType dataType,
                   TKxLifetime lifetime = TKxLifetime::SelfOwned);

    TKxFieldDataType DataType() const { return m_dataType; }
    QObject* Owner() const { return m_owner.data(); }

    // Byte size of the kind, 0 for the variable-size kinds.
    virtual std::uint32_t GetFixedDataSize() const;
    virtual bool IsFixedSize() const;
    virtual bool IsNull() const { return m_null; }
    virtual void SetNull();
    bool IsFetched() const { return m_fetched; }
    // The bytes start with the compressed-value header (they hold a compressed body).
    bool IsCompressed() const;

    // IKxGetSetModified
    bool GetModified() const override { return m_modified; }
    void SetModified(bool value) override;

    // IKxGetSetValue. Reading fetches first; a NULL value reads as Null. Writing Null sets the
    // buffer NULL; any other value is converted to the kind (raising when it does not fit)
    // and marks the buffer fetched and modified.
    KxVariant GetValue() const override;
    void SetValue(const KxVariant& value) override;

    // IKxGetDisplayText: computed once after each change and cached.
    QString GetDisplayText() override;
    void ClearDisplayCache();
    bool DisplayTextValid() const { return m_displayTextValid; }

    // IKxExecuteOperation: opInvalidate clears the buffer.
    bool ExecuteOperation(int operation, IKxUnknown* parameter) override;

    // IKxAssignFromObj / the lock bytes' assignment: NULL state, bytes, fetched and modified
    // of another value buffer (any object answering the questions 1, 5 and 6 and ILockBytes).
    void AssignFromObj(IKxUnknown* source) override;
    void AssignFromIntf(IKxUnknown* source) override;

    void EnsureFetched(bool forDisplay);

    // Back to NULL, unfetched and unmodified; with `releaseData` the bytes of a variable-size
    // value are dropped too.
    virtual void Clear(bool releaseData);

    // IKxAskBoolean: 1 fetched, 3 display text cached, 5 null, 6 modified.
    int AskBoolean(int id) override;
    // IKxAskInteger: no values here; subclasses add theirs.
    int AskInteger(int id) override;

protected:
    // Reads the value of the current record into the buffer; `forDisplay` tells that only the
    // display text is wanted (a long binary value may then read just its start).
    virtual void InternalFetchData(bool forDisplay);
    // After a text or binary value was written: its length in characters (8-bit text: bytes)
    // or bytes.
    virtual void DataSizeChanged(std::uint64_t length);
    virtual KxVariant InternalGetValue() const;
    virtual void InternalSetValue(const KxVariant& value);
    virtual QString InternalGetDisplayText();

    void SetInternalSize(std::uint64_t newSize) override;
    std::uint32_t InternalWriteAt(std::uint64_t offset, const void* buffer,
                                  std::uint32_t count) override;

    void SetFetched(bool value) { m_fetched = value; }
    void SetNullFlag(bool value) { m_null = value; }
    void SetCachedDisplayText(const QString& text);
    KxObjectDescription Described() const;

    // The bytes as they are now, without fetching.
    const unsigned char* Bytes() const { return static_cast<const unsigned char*>(GetData()); }

private:
    QPointer<QObject> m_owner;
    bool m_modified = false;
    TKxFieldDataType m_dataType;
    bool m_null = true;
    bool m_fetched = false;
    QString m_displayText;
    bool m_displayTextValid = false;
};

// The value buffer of a recordset column; the driver's buffer derives from it and reads the
// column through the statement handle.
struct TKxFieldBufferInfo {
    std::uintptr_t statementHandle = 0;
    std::int64_t columnSize = 0; // bytes, as the driver reports it
    QString columnName;
    int columnNumber = 0; // 1-based; 0 is the bookmark column
    // A fixed-length text column (CHAR, NCHAR): the driver pads its values with blanks.
    bool blankPadded = false;
};

class TKxFieldValueBuffer : public TKxValueBuffer {
public:
    TKxFieldValueBuffer(QObject* owner, TKxFieldDataType dataType, TKxFieldBufferInfo info,
                        TKxLifetime lifetime = TKxLifetime::SelfOwned);

    const TKxFieldBufferInfo& Info() const { return m_info; }
    int ColumnNumber() const { return m_info.columnNumber; }
    const QString& ColumnName() const { return m_info.columnName; }
    std::uintptr_t StatementHandle() const { return m_info.statementHandle; }
    std::int64_t ColumnSize() const { return m_info.columnSize; }

private:
    TKxFieldBufferInfo m_info;
};

// `instance` as a buffer instance; raises "Unsupported value (%d) for "TKxValueBufferInstance""
// for anything but the current and the saved value.
TKxValueBufferInstance KxCheckValueBufferInstance(int instance, const QString& routineName,
                                                  KxObjectDescription object);

// The value buffer of the state holders: always variable-size, because a saved state is
// copied from buffers of any kind.
class TKxFieldStateBuffer : public TKxValueBuffer {
public:
    using TKxValueBuffer::TKxValueBuffer;
    bool IsFixedSize() const override { return false; }
};

} // namespace kx
