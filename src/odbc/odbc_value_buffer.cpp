#include "odbc/odbc_value_buffer.h"

#include "dbcore/blob_format.h"
#include "foundation/temp_cursor.h"
#include "odbc/odbc_blob_streams.h"
#include "odbc/odbc_diagnostics.h"
#include "odbc/odbc_error.h"
#include "odbc/odbc_sql_types.h"

#include <QCoreApplication>
#include <cmath>
#include <cstring>

namespace kx {
namespace {

// A memo's first read takes this much: most notes are complete after it, and a long text
// costs no more than its length until somebody needs it whole.
constexpr std::uint64_t kMemoFirstRead = 256;

template <class T> T ReadStruct(const void* data, std::uint64_t size) {
    T value{};
    if (data != nullptr)
        std::memcpy(&value, data, std::min<std::uint64_t>(sizeof(T), size));
    return value;
}

// Passes a stream's bytes on and keeps a copy of them.
class TStoredBytesTee : public TKxStream {
public:
    TStoredBytesTee(TKxStream& source, QByteArray& copy) : m_source(source), m_copy(copy) {}
    std::uint32_t Read(void* buffer, std::uint32_t count) override {
        const std::uint32_t done = m_source.Read(buffer, count);
        m_copy.append(static_cast<const char*>(buffer), static_cast<qsizetype>(done));
        return done;
    }
    std::uint32_t Write(const void* buffer, std::uint32_t count) override {
        return m_source.Write(buffer, count);
    }
    std::int64_t Seek(std::int64_t offset, TKxSeekOrigin origin) override {
        return m_source.Seek(offset, origin);
    }

private:
    TKxStream& m_source;
    QByteArray& m_copy;
};

} // namespace

// ---- TODBCFieldStateValueBuffer

TODBCFieldStateValueBuffer::TODBCFieldStateValueBuffer(QObject* owner, TKxFieldDataType dataType,
                                                       TKxFieldBufferInfo info,
                                                       TKxLifetime lifetime)
    : TKxFieldValueBuffer(owner, dataType, std::move(info), lifetime) {}

std::uint32_t TODBCFieldStateValueBuffer::GetFixedDataSize() const {
    return static_cast<std::uint32_t>(KxOdbcBufferBytes(DataType(), 0));
}

std::uint64_t TODBCFieldStateValueBuffer::ValueSize() const {
    return m_indicator > 0 ? static_cast<std::uint64_t>(m_indicator) : 0;
}

void TODBCFieldStateValueBuffer::SetNull() {
    if (KxIsLargeKind(DataType()) && !IsBookmarkColumn())
        SetInternalSize(0);
    m_indicator = SQL_NULL_DATA;
    TKxFieldValueBuffer::SetNull();
}

void TODBCFieldStateValueBuffer::SetValue(const KxVariant& value) {
    TKxFieldValueBuffer::SetValue(value);
    m_firstReadDone = true;
    m_storedSize = 0;
}

void TODBCFieldStateValueBuffer::Clear(bool releaseData) {
    TKxFieldValueBuffer::Clear(releaseData);
    if (!IndicatorIsDriven())
        m_indicator = SQL_NULL_DATA;
    m_storedSize = 0;
    m_firstReadDone = false;
}

void TODBCFieldStateValueBuffer::AssignFromIntf(IKxUnknown* source) {
    const KxIntf<IKxAskInteger> integers =
        KxCheckQueryInterface<IKxAskInteger>(source, QStringLiteral("AssignFromIntf"));
    m_indicator = integers->AskInteger(1);
    TKxFieldValueBuffer::AssignFromIntf(source);
    m_indicator = integers->AskInteger(1);
    m_storedSize = integers->AskInteger(2);
}

int TODBCFieldStateValueBuffer::AskInteger(int id) {
    switch (id) {
    case 1:
        return static_cast<int>(
            std::clamp<SQLLEN>(m_indicator, std::numeric_limits<int>::min(), INT_MAX));
    case 2:
        return static_cast<int>(std::min<std::int64_t>(m_storedSize, INT_MAX));
    default:
        return TKxFieldValueBuffer::AskInteger(id);
    }
}

void TODBCFieldStateValueBuffer::DataSizeChanged(std::uint64_t length) {
    // Text lengths arrive in characters; the driver counts bytes.
    m_indicator = static_cast<SQLLEN>(KxIsWideKind(DataType()) ? 2 * length : length);
}

void TODBCFieldStateValueBuffer::SetInternalSize(std::uint64_t newSize) {
    TKxFieldValueBuffer::SetInternalSize(newSize);
    if (TKxMemoryLockBytes::GetDataSize() == 0)
        m_indicator = SQL_NULL_DATA;
}

std::uint32_t TODBCFieldStateValueBuffer::InternalWriteAt(std::uint64_t offset, const void* buffer,
                                                          std::uint32_t count) {
    const std::uint32_t written = TKxFieldValueBuffer::InternalWriteAt(offset, buffer, count);
    m_indicator = static_cast<SQLLEN>(TKxMemoryLockBytes::GetDataSize());
    return written;
}

KxVariant TODBCFieldStateValueBuffer::InternalGetValue() const {
    const void* data = GetData();
    const std::uint64_t size = TKxMemoryLockBytes::GetDataSize();
    switch (DataType()) {
    case fdtDate:
        return KxVariant::FromDateTime(KxDateTimeFromOdbc(ReadStruct<SQL_DATE_STRUCT>(data, size)));
    case fdtTime:
        return KxVariant::FromDateTime(KxDateTimeFromOdbc(ReadStruct<SQL_TIME_STRUCT>(data, size)));
    case fdtDateTime:
        return KxVariant::FromDateTime(
            KxDateTimeFromOdbc(ReadStruct<SQL_TIMESTAMP_STRUCT>(data, size)));
    default:
        return TKxFieldValueBuffer::InternalGetValue();
    }
}

void TODBCFieldStateValueBuffer::InternalSetValue(const KxVariant& value) {
    const auto writeStruct = [this](const auto& odbc) {
        if (TKxMemoryLockBytes::GetDataSize() < sizeof odbc)
            TKxMemoryLockBytes::SetInternalSize(sizeof odbc);
        std::memcpy(Memory().Data(), &odbc, sizeof odbc);
        m_indicator = static_cast<SQLLEN>(sizeof odbc);
        SetNullFlag(false);
    };
    switch (DataType()) {
    case fdtDate:
        writeStruct(KxOdbcDateOf(value.ConvertTo(varDate).ToDouble()));
        return;
    case fdtTime:
        writeStruct(KxOdbcTimeOf(value.ConvertTo(varDate).ToDouble()));
        return;
    case fdtDateTime:
        writeStruct(KxOdbcTimestampOf(value.ConvertTo(varDate).ToDouble()));
        return;
    default:
        TKxFieldValueBuffer::InternalSetValue(value);
        // Text and binary values set their length as they are written.
        if (!KxIsVariableSizeKind(DataType()))
            m_indicator = static_cast<SQLLEN>(KxFixedDataSize(DataType()));
        return;
    }
}

QString TODBCFieldStateValueBuffer::InternalGetDisplayText() {
    IKxOdbcRowAccess* row = Row();
    if (row == nullptr || row->LastFetchSucceeded() || row->RowState() == rsInsert) {
        if (IsNull())
            return {};
        if (DataType() != fdtBinary)
            return TKxFieldValueBuffer::InternalGetDisplayText();
        const std::uint64_t size = ValueSize();
        if (IsBookmarkColumn()) {
            const void* data = GetData();
            switch (size) {
            case 2:
                return QString::number(ReadStruct<std::uint16_t>(data, size));
            case 4:
                return QString::number(ReadStruct<std::uint32_t>(data, size));
            case 8:
                return QString::number(ReadStruct<std::uint64_t>(data, size));
            default:
                return TKxFieldValueBuffer::InternalGetDisplayText();
            }
        }
        const int ratio =
            size == 0 ? 0
                      : static_cast<int>(std::lround(
                            (1.0 - static_cast<double>(m_storedSize) / static_cast<double>(size)) *
                            100.0));
        return QCoreApplication::translate(
                   "KxOdbc",
                   "<binary data, size: %1 bytes, stored size: %2 bytes, compression ratio: %3%>")
            .arg(size)
            .arg(m_storedSize)
            .arg(ratio);
    }
    // No current row: a scrollable result shows why, as long as it has rows at all.
    if (row->Scrollable()) {
        if (row->RecordCountForDisplay() <= 0)
            return {};
        QString text = QStringLiteral("<") + ReturnCodeText(row->LastFetchResult());
        if (!row->FetchErrorText().isEmpty())
            text += QStringLiteral(": ") + row->FetchErrorText();
        return text + QStringLiteral(">");
    }
    return {};
}

// ---- TODBCFieldValueBuffer

TODBCFieldValueBuffer::TODBCFieldValueBuffer(IKxOdbcRowAccess* row, QObject* owner,
                                             TKxFieldDataType dataType, TKxFieldBufferInfo info,
                                             TKxLifetime lifetime)
    : TODBCFieldStateValueBuffer(owner, dataType, std::move(info), lifetime), m_row(row),
      m_headerSize(dataType == fdtBinary ? kxCompressedBlobHeaderSize : 0) {
    // Bound kinds own their block from the start: the driver writes into it at every fetch.
    if (IsFixedSize())
        TKxMemoryLockBytes::SetInternalSize(GetFixedDataSize());
}

IKxOdbcRowAccess* TODBCFieldValueBuffer::Row() const {
    return Owner() != nullptr ? m_row : nullptr;
}

std::uint32_t TODBCFieldValueBuffer::GetFixedDataSize() const {
    if (StatementHandle() == 0 || ColumnNumber() < 0)
        return 0;
    if (IsBookmarkColumn())
        return static_cast<std::uint32_t>(std::max<std::int64_t>(ColumnSize(), 0));
    return static_cast<std::uint32_t>(KxOdbcBufferBytes(DataType(), ColumnSize()));
}

bool TODBCFieldValueBuffer::IsFixedSize() const {
    return !KxIsLargeKind(DataType()) || IsBookmarkColumn();
}

void TODBCFieldValueBuffer::SetInternalSize(std::uint64_t newSize) {
    if (KxIsStringKind(DataType())) {
        // A bound string keeps at least its bound block (the driver writes up to that many
        // bytes at every fetch) and grows beyond it for a value longer than the column says.
        TKxMemoryLockBytes::SetInternalSize(std::max<std::uint64_t>(newSize, GetFixedDataSize()));
    } else {
        TODBCFieldStateValueBuffer::SetInternalSize(newSize);
    }
    RebindIfMoved();
}

void TODBCFieldValueBuffer::RebindIfMoved() {
    if (m_bound && !m_holdBinding &&
        (GetData() != m_boundAddress ||
         static_cast<SQLLEN>(TKxMemoryLockBytes::GetDataSize()) < m_boundLength))
        BindBuffer(true);
}

void TODBCFieldValueBuffer::BindBuffer(bool bind) {
    const auto statement = reinterpret_cast<SQLHSTMT>(StatementHandle());
    if (KxIsLargeKind(DataType()) && !IsBookmarkColumn()) {
        // Long values are read on demand with SQLGetData; a fetch moves none of their data.
        m_bound = false;
        return;
    }
    const SQLSMALLINT cType = IsBookmarkColumn() ? SQL_C_VARBOOKMARK : KxOdbcCType(DataType());
    void* data = nullptr;
    SQLLEN length = 0;
    if (bind) {
        if (TKxMemoryLockBytes::GetDataSize() < GetFixedDataSize())
            TKxMemoryLockBytes::SetInternalSize(GetFixedDataSize());
        data = Memory().Data();
        length = static_cast<SQLLEN>(TKxMemoryLockBytes::GetDataSize());
        // Binding again to the same block changes nothing, and some drivers (SQLite3's)
        // reset the indicator of the row already fetched when a column is bound.
        if (m_bound && data == m_boundAddress && length == m_boundLength)
            return;
    }
    // SQLite3's driver writes the indicator when a column is bound; the value this buffer
    // holds (a fetched one, or one put back by a cancel) must not change by binding it.
    const SQLLEN indicator = m_indicator;
    CheckOdbcResult(SQLBindCol(statement, static_cast<SQLUSMALLINT>(ColumnNumber()), cType, data,
                               length, &m_indicator),
                    dynamic_cast<IKxUnknown*>(Owner()), QStringLiteral("BindBuffer"), statement,
                    SQL_HANDLE_STMT);
    m_indicator = indicator;
    m_bound = bind;
    m_boundAddress = data;
    m_boundLength = length;
}

void TODBCFieldValueBuffer::BindingDropped() {
    m_bound = false;
    m_longBound = false;
    m_boundAddress = nullptr;
    m_boundLength = 0;
}

TKxOdbcFieldReader::TKxReadSpace TODBCFieldValueBuffer::Space() {
    return [this](std::uint64_t bytes) {
        if (TKxMemoryLockBytes::GetDataSize() < bytes)
            SetInternalSize(bytes);
        return Memory().Data();
    };
}

void TODBCFieldValueBuffer::InternalFetchData(bool forDisplay) {
    IKxOdbcRowAccess* row = Row();
    if (row == nullptr) {
        SetFetched(true);
        return;
    }
    if (!row->LastFetchSucceeded()) {
        // No row arrived: what the bound block still holds is the previous row's value, and
        // a failed row must not pass it off as its own.
        m_indicator = SQL_NULL_DATA;
        SetNullFlag(true);
        SetFetched(true);
        return;
    }
    if (KxIsLargeKind(DataType()) && !IsBookmarkColumn()) {
        ReadFirstData();
        // Showing a binary value takes its start only, unless it is compressed: its size
        // is known once it is unpacked.
        if (!(forDisplay && DataType() == fdtBinary && !IsCompressed()))
            FetchBlobData();
        return;
    }
    if (KxIsStringKind(DataType()))
        FetchStringData();
    SetNullFlag(IsNull());
    m_storedSize = std::max<SQLLEN>(0, m_indicator);
    SetFetched(true);
}

void TODBCFieldValueBuffer::FetchStringData() {
    if (IsNull())
        return;
    const int charSize = KxOdbcCharSize(DataType());
    const SQLLEN placeable = static_cast<SQLLEN>(m_boundLength) - charSize;
    if (m_indicator == SQL_NO_TOTAL || m_indicator > placeable) {
        // The value is longer than the column's declared size (SQLite does not enforce
        // VARCHAR(n)): the bound buffer holds a cut value, so read it again whole.
        IKxOdbcRowAccess* row = Row();
        if (!row->DriverTraits().CanGetDataOfBoundColumns())
            KxRaise(QCoreApplication::translate(
                        "KxOdbc", "The value of column %1 is longer than its declared size "
                                  "and the driver cannot read it again")
                        .arg(ColumnName()),
                    QStringLiteral("InternalFetchData"), Described());
        // Binding the column again while the value is read would start it over at some
        // drivers (SQLite3's resets the read offset of a column it binds): the read goes into
        // the growing block unbound, and the column is bound to it once it is complete.
        TKxOdbcFieldReader::TKxReadResult result;
        m_holdBinding = true;
        try {
            result = row->FieldReader().Read(static_cast<SQLUSMALLINT>(ColumnNumber()),
                                             KxOdbcCType(DataType()), Space(),
                                             QStringLiteral("InternalFetchData"));
        } catch (...) {
            m_holdBinding = false;
            RebindIfMoved();
            throw;
        }
        m_holdBinding = false;
        RebindIfMoved();
        m_indicator = result.isNull ? SQL_NULL_DATA : static_cast<SQLLEN>(result.bytes);
        if (result.isNull)
            return;
    }
    auto* data = static_cast<unsigned char*>(Memory().Data());
    std::uint64_t count = static_cast<std::uint64_t>(m_indicator) / charSize;
    if (Info().blankPadded) {
        const auto isBlank = [&](std::uint64_t i) {
            if (charSize == 1)
                return data[i] == ' ';
            char16_t unit = 0;
            std::memcpy(&unit, data + 2 * i, 2);
            return unit == u' ';
        };
        while (count > 0 && isBlank(count - 1))
            --count;
    }
    std::memset(data + count * charSize, 0, static_cast<std::size_t>(charSize));
    m_indicator = static_cast<SQLLEN>(count * charSize);
}

void TODBCFieldValueBuffer::ReadFirstData() {
    if (FirstReadDone() || IsBookmarkColumn() || !KxIsLargeKind(DataType()))
        return;
    IKxOdbcRowAccess* row = Row();
    if (row != nullptr && row->LastFetchSucceeded()) {
        const std::uint64_t limit = DataType() == fdtBinary ? m_headerSize : kMemoFirstRead;
        const auto result = row->FieldReader().Read(static_cast<SQLUSMALLINT>(ColumnNumber()),
                                                    KxOdbcCType(DataType()), Space(),
                                                    QStringLiteral("ReadFirstData"), limit);
        if (result.isNull) {
            SetInternalSize(0);
            m_indicator = SQL_NULL_DATA;
            SetFetched(true);
        } else {
            const int charSize = KxOdbcCharSize(DataType());
            TKxMemoryLockBytes::SetInternalSize(result.bytes + charSize);
            // Until the rest is read, the length is what the driver says it is.
            m_indicator = result.length >= 0 ? static_cast<SQLLEN>(result.length)
                                             : static_cast<SQLLEN>(result.bytes);
            m_storedSize = m_indicator;
            if (result.complete) {
                // A value that is only the header is the empty value, compressed.
                if (DataType() == fdtBinary && IsCompressed() &&
                    result.bytes == kxCompressedBlobHeaderSize) {
                    TKxMemoryLockBytes::SetInternalSize(0);
                    m_indicator = 0;
                }
                SetFetched(true);
            }
            SetNullFlag(false);
        }
    } else {
        TKxMemoryLockBytes::SetInternalSize(0);
        SetFetched(true);
    }
    m_firstReadDone = true;
}

void TODBCFieldValueBuffer::FetchBlobData() {
    if (IsFetched() || IsBookmarkColumn() || !KxIsLargeKind(DataType()))
        return;
    ReadFirstData();
    if (IsFetched())
        return;
    IKxOdbcRowAccess* row = Row();
    if (DataType() == fdtBinary && IsCompressed()) {
        DecompressRest();
    } else {
        const int charSize = KxOdbcCharSize(DataType());
        const std::uint64_t held = TKxMemoryLockBytes::GetDataSize() - charSize;
        const auto result = row->FieldReader().Read(static_cast<SQLUSMALLINT>(ColumnNumber()),
                                                    KxOdbcCType(DataType()), Space(),
                                                    QStringLiteral("FetchBlobData"), 0, held);
        TKxMemoryLockBytes::SetInternalSize(result.bytes + charSize);
        m_indicator = static_cast<SQLLEN>(result.bytes);
        m_storedSize = static_cast<std::int64_t>(result.bytes);
    }
    ClearDisplayCache();
    SetModified(false);
    SetFetched(true);
    row->FieldValueChanged(ColumnName());
}

void TODBCFieldValueBuffer::DecompressRest() {
    TKxTempCursor waitCursor;
    IKxOdbcRowAccess* row = Row();
    TKxOdbcFieldReader& reader = row->FieldReader();
    const auto column = static_cast<SQLUSMALLINT>(ColumnNumber());
    // The header is in the buffer; the body follows it in the column.
    reader.Skip(column, SQL_C_BINARY, kxCompressedBlobHeaderSize, QStringLiteral("FetchBlobData"));
    TOdbcBlobReadStream body(dynamic_cast<IKxUnknown*>(Owner()), reader, column);
    const std::int64_t stored = m_storedSize;
    if (row->DriverTraits().setPosWritesEveryBoundColumn) {
        // Such a driver writes this column with any change of the row: keep what is stored.
        m_storedBytes = QByteArray(static_cast<const char*>(GetData()), kxCompressedBlobHeaderSize);
        TStoredBytesTee tee(body, m_storedBytes);
        KxDecompressBlobBody(tee, static_cast<ILockBytes*>(this));
    } else {
        KxDecompressBlobBody(body, static_cast<ILockBytes*>(this));
    }
    m_storedSize = body.TotalSize() >= 0 ? body.TotalSize() + kxCompressedBlobHeaderSize : stored;
    m_indicator = static_cast<SQLLEN>(TKxMemoryLockBytes::GetDataSize());
}

void TODBCFieldValueBuffer::PrepareForWriting() {
    TKxMemoryLockBytes::SetInternalSize(0);
    m_indicator = 0;
    m_firstReadDone = true;
    SetFetched(true);
    m_storedSize = 0;
    SetModified(true);
    ClearDisplayCache();
}

// ---- positioned updates

void TODBCFieldValueBuffer::BindLongColumn(void* data, SQLLEN length) {
    const auto statement = reinterpret_cast<SQLHSTMT>(StatementHandle());
    CheckOdbcResult(SQLBindCol(statement, static_cast<SQLUSMALLINT>(ColumnNumber()),
                               KxOdbcCType(DataType()), data, length, &m_indicator),
                    dynamic_cast<IKxUnknown*>(Owner()), QStringLiteral("BindBlobBuffer"), statement,
                    SQL_HANDLE_STMT);
    m_longBound = data != nullptr;
}

void TODBCFieldValueBuffer::PrepareForSetPos() {
    const bool isLong = KxIsLargeKind(DataType()) && !IsBookmarkColumn();
    m_savedIndicator = m_indicator;
    if (isLong) {
        m_columnToken = ColumnNumber();
        BindLongColumn(&m_columnToken, sizeof m_columnToken);
    }
    if (!GetModified()) {
        m_indicator = SQL_COLUMN_IGNORE;
    } else if (isLong) {
        // An empty value is sent as an empty value, not as NULL.
        m_indicator =
            IsNull() ? SQL_NULL_DATA : SQL_LEN_DATA_AT_EXEC(static_cast<SQLLEN>(ValueSize()));
    }
}

QByteArray TODBCFieldValueBuffer::StoredForm(TKxCompressionType compression) {
    const auto* data = static_cast<const char*>(GetData());
    const qsizetype size = static_cast<qsizetype>(ValueSize());
    if (DataType() != fdtBinary || compression == ctNone || data == nullptr)
        return QByteArray(data, data == nullptr ? 0 : size);
    TKxLockBytesStream source(KxIntf<ILockBytes>(static_cast<ILockBytes*>(this)));
    TKxMemoryStream packed;
    KxWriteCompressedBlob(source, packed, compression);
    QByteArray stored(static_cast<qsizetype>(packed.Size()), '\0');
    packed.SetPosition(0);
    packed.ReadBuffer(stored.data(), static_cast<std::uint32_t>(stored.size()));
    return stored;
}

void TODBCFieldValueBuffer::PrepareExactForSetPos(bool inserting, TKxCompressionType compression) {
    const bool isLong = KxIsLargeKind(DataType()) && !IsBookmarkColumn();
    const bool leftEmpty = inserting && !GetModified();
    // The whole value is needed: a text longer than its column, a long value not read yet.
    if (!leftEmpty)
        EnsureFetched(false);
    m_savedIndicator = m_indicator;
    if (!isLong) {
        if (leftEmpty)
            m_indicator = SQL_NULL_DATA; // a column the user left empty is NULL in the new row
        else if (DataType() == fdtDateTime && !IsNull())
            BindTimestampAsText();
        return;
    }
    const bool null = leftEmpty || IsNull();
    if (null)
        m_exactValue.clear();
    else if (GetModified())
        m_exactValue = StoredForm(compression);
    else if (!m_storedBytes.isEmpty())
        m_exactValue = m_storedBytes;
    else
        m_exactValue =
            QByteArray(static_cast<const char*>(GetData()), static_cast<qsizetype>(ValueSize()));
    if (GetModified() && !null && DataType() == fdtBinary && compression != ctNone)
        m_storedSize = m_exactValue.size();
    // The byte array keeps a terminating zero after its data, which text columns need.
    BindLongColumn(m_exactValue.data(), static_cast<SQLLEN>(m_exactValue.size()) + 1);
    m_indicator = null ? SQL_NULL_DATA : static_cast<SQLLEN>(m_exactValue.size());
}

void TODBCFieldValueBuffer::BindTimestampAsText() {
    // SQLite3's driver writes a bound timestamp structure as text with the minutes only (it
    // takes the structure's size for the column size), and it writes every column with any
    // change of the row: the timestamp goes as text, with its fraction, in the driver's own
    // layout.
    const auto stamp =
        ReadStruct<SQL_TIMESTAMP_STRUCT>(GetData(), TKxMemoryLockBytes::GetDataSize());
    QString text = QString::asprintf("%04d-%02u-%02u %02u:%02u:%02u", stamp.year, stamp.month,
                                     stamp.day, stamp.hour, stamp.minute, stamp.second);
    if (stamp.fraction != 0) {
        QString fraction = QString::asprintf("%09u", static_cast<unsigned>(stamp.fraction));
        while (fraction.size() > 3 && fraction.endsWith(QLatin1Char('0')))
            fraction.chop(1);
        text += QLatin1Char('.') + fraction;
    }
    m_exactValue = text.toLatin1();
    const auto statement = reinterpret_cast<SQLHSTMT>(StatementHandle());
    CheckOdbcResult(SQLBindCol(statement, static_cast<SQLUSMALLINT>(ColumnNumber()), SQL_C_CHAR,
                               m_exactValue.data(), static_cast<SQLLEN>(m_exactValue.size()) + 1,
                               &m_indicator),
                    dynamic_cast<IKxUnknown*>(Owner()), QStringLiteral("BindTimestampAsText"),
                    statement, SQL_HANDLE_STMT);
    m_boundAsText = true;
    m_indicator = static_cast<SQLLEN>(m_exactValue.size());
}

void TODBCFieldValueBuffer::RestoreAfterSetPos() {
    m_indicator = m_savedIndicator;
    if (m_boundAsText) {
        // Back to the structure (binding keeps the indicator as it is).
        m_boundAsText = false;
        m_bound = false;
        BindBuffer(true);
        m_exactValue.clear();
    }
    if (m_longBound || (KxIsLargeKind(DataType()) && !IsBookmarkColumn())) {
        BindLongColumn(nullptr, 0);
        m_exactValue.clear();
    }
}

void TODBCFieldValueBuffer::PutBlobData(TKxCompressionType compression) {
    const auto statement = reinterpret_cast<SQLHSTMT>(StatementHandle());
    auto* owner = dynamic_cast<IKxUnknown*>(Owner());
    if (DataType() == fdtBinary && compression != ctNone) {
        TKxTempCursor waitCursor;
        TKxLockBytesStream source(KxIntf<ILockBytes>(static_cast<ILockBytes*>(this)));
        TOdbcBlobWriteStream destination(owner, statement);
        m_storedSize = KxWriteCompressedBlob(source, destination, compression);
        ClearDisplayCache();
        return;
    }
    // While the update runs the indicator says "data at execution"; the length is the one
    // it held before.
    const SQLLEN length = std::max<SQLLEN>(m_savedIndicator, 0);
    KxOdbcPutData(statement, GetData(), length, owner, QStringLiteral("PutBlobData"));
    m_storedSize = length;
}

void TODBCFieldValueBuffer::Clear(bool releaseData) {
    TODBCFieldStateValueBuffer::Clear(releaseData);
    m_storedBytes.clear();
}

void TODBCFieldValueBuffer::Refetch(bool releaseData) {
    Clear(releaseData);
    ReadFirstData();
}

} // namespace kx
