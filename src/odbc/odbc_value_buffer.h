#pragma once

#include "dbcore/compression_streams.h"
#include "dbcore/record_states.h"
#include "dbcore/value_buffer.h"
#include "odbc/odbc_driver_traits.h"
#include "odbc/odbc_field_reader.h"

namespace kx {

// What a column's buffer needs to know of its recordset's current row. The recordset
// implements it; buffers reach it only while the recordset (their owner) exists.
class IKxOdbcRowAccess {
public:
    virtual ~IKxOdbcRowAccess() = default;
    virtual bool LastFetchSucceeded() const = 0;
    virtual SQLRETURN LastFetchResult() const = 0;
    virtual QString FetchErrorText() const = 0;
    virtual TKxRecordsetState RowState() = 0;
    virtual bool Scrollable() const = 0;
    virtual int RecordCountForDisplay() = 0;
    virtual TKxOdbcFieldReader& FieldReader() = 0;
    virtual const TKxOdbcDriverTraits& DriverTraits() const = 0;
    // A long value finished loading.
    virtual void FieldValueChanged(const QString& fieldName) = 0;
};

// The ODBC form of a value: its bytes in the layout the driver reads and writes (dates as
// the ODBC structures), the length/indicator (bytes, or SQL_NULL_DATA), the size the value
// takes in the database (differs from the length for compressed values) and whether the
// first part of a long value was read. The state holders keep values in this form.
class TODBCFieldStateValueBuffer : public TKxFieldValueBuffer {
public:
    TODBCFieldStateValueBuffer(QObject* owner, TKxFieldDataType dataType, TKxFieldBufferInfo info,
                               TKxLifetime lifetime = TKxLifetime::SelfOwned);

    std::uint32_t GetFixedDataSize() const override;
    bool IsFixedSize() const override { return false; }
    bool IsNull() const override { return m_indicator == SQL_NULL_DATA; }
    void SetNull() override;
    void SetValue(const KxVariant& value) override;
    void Clear(bool releaseData) override;
    void AssignFromIntf(IKxUnknown* source) override;
    // 1: the indicator, 2: the stored size.
    int AskInteger(int id) override;

    SQLLEN Indicator() const { return m_indicator; }
    std::int64_t StoredSize() const { return m_storedSize; }
    bool FirstReadDone() const { return m_firstReadDone; }
    // The value's length in bytes as the driver knows it (the indicator), 0 when NULL.
    std::uint64_t ValueSize() const;

protected:
    void DataSizeChanged(std::uint64_t length) override;
    KxVariant InternalGetValue() const override;
    void InternalSetValue(const KxVariant& value) override;
    QString InternalGetDisplayText() override;
    void SetInternalSize(std::uint64_t newSize) override;
    std::uint32_t InternalWriteAt(std::uint64_t offset, const void* buffer,
                                  std::uint32_t count) override;

    // The recordset's row, or null when this buffer has none (a state holder's) or the
    // recordset is gone.
    virtual IKxOdbcRowAccess* Row() const { return nullptr; }
    // The driver writes the indicator at every fetch (a bound buffer): clearing keeps it.
    virtual bool IndicatorIsDriven() const { return false; }
    bool IsBookmarkColumn() const { return ColumnNumber() == 0; }

    SQLLEN m_indicator = SQL_NULL_DATA;
    std::int64_t m_storedSize = 0;
    bool m_firstReadDone = false;
};

// The buffer bound to one column of the recordset's statement. Fixed-size kinds and strings
// are bound, so a fetch fills them; long kinds (memo, wide memo, binary) are read on demand:
// after a fetch only their start (the compressed-value header of binary values), the rest
// when somebody needs the whole value.
class TODBCFieldValueBuffer : public TODBCFieldStateValueBuffer {
public:
    TODBCFieldValueBuffer(IKxOdbcRowAccess* row, QObject* owner, TKxFieldDataType dataType,
                          TKxFieldBufferInfo info, TKxLifetime lifetime = TKxLifetime::SelfOwned);

    std::uint32_t GetFixedDataSize() const override;
    bool IsFixedSize() const override;
    bool IsBound() const { return m_bound; }
    // The statement's columns were unbound behind this buffer's back (SQLFreeStmt).
    void BindingDropped();

    // Binds the buffer to its column (or unbinds it); long kinds are not bound.
    virtual void BindBuffer(bool bind);
    // Reads the first part of a long value: its length, and for binary values the header.
    virtual void ReadFirstData();
    // Reads the whole of a long value (decompressing a compressed binary value).
    virtual void FetchBlobData();
    // A writer is about to replace the whole long value: empty, complete and modified.
    void PrepareForWriting();

    // Before SQLSetPos of an update or insert, for drivers that write only what they are
    // told: an unchanged column is ignored, a changed long value follows as data at
    // execution (the column number is bound as the token the driver hands back).
    void PrepareForSetPos();
    // The same for drivers that write every bound column (SQLite3's): every column carries
    // its exact stored value (an unchanged compressed value its stored bytes, not the
    // unpacked ones); an insert sends NULL for columns left empty.
    void PrepareExactForSetPos(bool inserting, TKxCompressionType compression);
    // After SQLSetPos, failed or not: indicator and binding as they were.
    void RestoreAfterSetPos();
    // Sends the long value the driver asked for, compressed when the field asks for it.
    void PutBlobData(TKxCompressionType compression);
    // After a fetch: forget the old value and read the start of the new one.
    virtual void Refetch(bool releaseData);
    void Clear(bool releaseData) override;

protected:
    void InternalFetchData(bool forDisplay) override;
    void SetInternalSize(std::uint64_t newSize) override;
    IKxOdbcRowAccess* Row() const override;
    bool IndicatorIsDriven() const override { return m_bound; }

private:
    void FetchStringData();
    void RebindIfMoved();
    TKxOdbcFieldReader::TKxReadSpace Space();
    void DecompressRest();

    // The stored form of a changed binary value: compressed when asked.
    QByteArray StoredForm(TKxCompressionType compression);
    void BindLongColumn(void* data, SQLLEN length);
    // For a driver that writes every column: the timestamp bound as its text until
    // RestoreAfterSetPos.
    void BindTimestampAsText();

    IKxOdbcRowAccess* m_row;
    std::uint32_t m_headerSize;
    SQLLEN m_savedIndicator = 0;
    // The token bound for data at execution: the driver hands its address back.
    SQLINTEGER m_columnToken = 0;
    // The exact value bound while a driver that writes every column updates the row.
    QByteArray m_exactValue;
    // The stored bytes of a compressed value, kept for such a driver: it must be handed
    // them back unchanged when another column of the row is written.
    QByteArray m_storedBytes;
    bool m_longBound = false;
    bool m_boundAsText = false;
    // A long string is being read again: its block may move, the binding follows afterwards.
    bool m_holdBinding = false;
    bool m_bound = false;
    const void* m_boundAddress = nullptr;
    SQLLEN m_boundLength = 0;
};

} // namespace kx
