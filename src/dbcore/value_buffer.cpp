#include "dbcore/value_buffer.h"

#include "dbcore/blob_format.h"
#include "dbcore/field_value_text.h"
#include "foundation/exceptions.h"
#include "foundation/kx_guid.h"

#include <QCoreApplication>
#include <cstring>
#include <limits>
#include <utility>

namespace kx {
namespace {

// Large values grow in blocks of this size: they arrive in chunks from the driver.
constexpr std::uint32_t kLargeValueGranularity = 512;

QString Tr(const char* text) {
    return QCoreApplication::translate("KxDbCore", text);
}

template <class T> T ReadScalar(const unsigned char* data, std::uint64_t size) {
    T value{};
    if (data != nullptr)
        std::memcpy(&value, data, std::min<std::uint64_t>(sizeof(T), size));
    return value;
}

// The variant converted to the range of an integer kind; values outside raise instead of
// being cut to their low bytes (a BIGINT key of 5 000 000 000 stays 5 000 000 000, and 300
// written to a TINYINT column is an error, not 44).
KxVariant RangedInteger(const KxVariant& value, int dataType) {
    switch (dataType) {
    case fdtInt8:
        return value.ConvertTo(varShortInt);
    case fdtUInt8:
        return value.ConvertTo(varByte);
    case fdtInt16:
        return value.ConvertTo(varSmallint);
    case fdtUInt16:
        return value.ConvertTo(varWord);
    case fdtInt32:
        return value.ConvertTo(varInteger);
    case fdtUInt32:
        return value.ConvertTo(varLongWord);
    case fdtInt64:
        return value.ConvertTo(varInt64);
    default:
        return value.ConvertTo(varUInt64);
    }
}

} // namespace

TKxValueBuffer::TKxValueBuffer(QObject* owner, TKxFieldDataType dataType, TKxLifetime lifetime)
    : TKxMemoryLockBytes(KxIsLargeKind(dataType) ? kLargeValueGranularity : 1,
                         KxFixedDataSize(dataType), lifetime),
      m_owner(owner), m_dataType(dataType) {}

KxObjectDescription TKxValueBuffer::Described() const {
    if (m_owner)
        return KxObjectDescription(m_owner.data());
    return KxObjectDescription(this);
}

std::uint32_t TKxValueBuffer::GetFixedDataSize() const {
    return KxFixedDataSize(m_dataType);
}

bool TKxValueBuffer::IsFixedSize() const {
    return !KxIsVariableSizeKind(m_dataType);
}

void TKxValueBuffer::SetNull() {
    m_null = true;
}

bool TKxValueBuffer::IsCompressed() const {
    return KxIsCompressedBlob(GetData(), TKxMemoryLockBytes::GetDataSize());
}

void TKxValueBuffer::SetModified(bool value) {
    m_modified = value;
}

KxVariant TKxValueBuffer::GetValue() const {
    // Reading a value fetches it on first use; the buffer is a cache of the current record,
    // which is why a const read may fill it.
    auto* self = const_cast<TKxValueBuffer*>(this);
    self->EnsureFetched(false);
    if (IsNull())
        return KxVariant::Null();
    return InternalGetValue();
}

void TKxValueBuffer::SetValue(const KxVariant& value) {
    if (value.IsNull())
        SetNull();
    else
        InternalSetValue(value);
    ClearDisplayCache();
    m_fetched = true;
    SetModified(true);
}

QString TKxValueBuffer::GetDisplayText() {
    if (!m_displayTextValid) {
        EnsureFetched(true);
        SetCachedDisplayText(InternalGetDisplayText());
    }
    return m_displayText;
}

void TKxValueBuffer::SetCachedDisplayText(const QString& text) {
    m_displayText = text;
    m_displayTextValid = true;
}

void TKxValueBuffer::ClearDisplayCache() {
    m_displayText.clear();
    m_displayTextValid = false;
}

bool TKxValueBuffer::ExecuteOperation(int operation, IKxUnknown*) {
    if (operation != opInvalidate)
        return false;
    Clear(true);
    return true;
}

void TKxValueBuffer::AssignFromObj(IKxUnknown* source) {
    KxCheckPointer(source, QStringLiteral("The Object"), KxObjectDescription::OfInterface(source),
                   QStringLiteral("AssignFromObj"));
    AssignFromIntf(source);
}

void TKxValueBuffer::AssignFromIntf(IKxUnknown* source) {
    const QString routine = QStringLiteral("AssignFromIntf");
    const bool sourceNull = KxCheckAskBoolean(source, qid::IsNull, routine);
    if (sourceNull) {
        // A NULL source leaves no bytes behind: a variable-size value would otherwise keep
        // showing its old length to whoever reads the bytes.
        if (!IsFixedSize())
            SetInternalSize(0);
    } else {
        TKxMemoryLockBytes::AssignFromIntf(source);
    }
    m_null = sourceNull;
    m_fetched = KxCheckAskBoolean(source, qid::DataFetched, routine);
    SetModified(KxCheckAskBoolean(source, qid::Modified, routine));
    ClearDisplayCache();
}

void TKxValueBuffer::EnsureFetched(bool forDisplay) {
    if (!m_fetched)
        InternalFetchData(forDisplay);
}

void TKxValueBuffer::Clear(bool releaseData) {
    if (releaseData && !IsFixedSize())
        SetInternalSize(0);
    SetModified(false);
    ClearDisplayCache();
    m_fetched = false;
    m_null = true;
}

int TKxValueBuffer::AskBoolean(int id) {
    switch (id) {
    case qid::DataFetched:
        return KxBooleanAnswer(m_fetched);
    case qid::DisplayTextCached:
        return KxBooleanAnswer(m_displayTextValid);
    case qid::IsNull:
        return KxBooleanAnswer(IsNull());
    case qid::Modified:
        return KxBooleanAnswer(GetModified());
    default:
        return baUnknown;
    }
}

int TKxValueBuffer::AskInteger(int) {
    return kxUnsupportedValue;
}

void TKxValueBuffer::InternalFetchData(bool) {}

void TKxValueBuffer::DataSizeChanged(std::uint64_t) {}

KxVariant TKxValueBuffer::InternalGetValue() const {
    const unsigned char* data = Bytes();
    const std::uint64_t size = TKxMemoryLockBytes::GetDataSize();
    switch (m_dataType) {
    case fdtBool:
        return KxVariant(ReadScalar<std::uint8_t>(data, size) != 0);
    case fdtInt8:
        return KxVariant::FromInt8(ReadScalar<std::int8_t>(data, size));
    case fdtUInt8:
        return KxVariant(ReadScalar<std::uint8_t>(data, size));
    case fdtInt16:
        return KxVariant(ReadScalar<std::int16_t>(data, size));
    case fdtUInt16:
        return KxVariant(ReadScalar<std::uint16_t>(data, size));
    case fdtInt32:
        return KxVariant(ReadScalar<std::int32_t>(data, size));
    case fdtUInt32:
        return KxVariant(ReadScalar<std::uint32_t>(data, size));
    case fdtInt64:
        return KxVariant(ReadScalar<std::int64_t>(data, size));
    case fdtUInt64:
        return KxVariant(ReadScalar<std::uint64_t>(data, size));
    case fdtSingle:
        return KxVariant(ReadScalar<float>(data, size));
    case fdtDouble:
    case fdtNumeric:
        return KxVariant(ReadScalar<double>(data, size));
    case fdtDate:
    case fdtTime:
    case fdtDateTime:
        return KxVariant::FromDateTime(ReadScalar<double>(data, size));
    case fdtString:
    case fdtMemo: {
        const auto* text = reinterpret_cast<const char*>(data);
        const auto length = static_cast<qsizetype>(text == nullptr ? 0 : ::strnlen(text, size));
        return KxVariant(QString::fromUtf8(text, length));
    }
    case fdtWideString:
    case fdtWideMemo: {
        const qsizetype units = static_cast<qsizetype>(size / sizeof(char16_t));
        std::vector<char16_t> text(static_cast<std::size_t>(units));
        if (units > 0)
            std::memcpy(text.data(), data, static_cast<std::size_t>(units) * sizeof(char16_t));
        qsizetype length = 0;
        while (length < units && text[static_cast<std::size_t>(length)] != 0)
            ++length;
        return KxVariant(QString(reinterpret_cast<const QChar*>(text.data()), length));
    }
    case fdtBinary:
        // Short binary values are bookmarks and keys: they read as the numbers they hold.
        switch (size) {
        case 2:
            return KxVariant(ReadScalar<std::int16_t>(data, size));
        case 4:
            return KxVariant(ReadScalar<std::int32_t>(data, size));
        case 8:
            return KxVariant(ReadScalar<std::int64_t>(data, size));
        default:
            return KxVariant(
                QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
        }
    case fdtGUID: {
        std::uint8_t bytes[16] = {};
        if (data != nullptr)
            std::memcpy(bytes, data, std::min<std::uint64_t>(16, size));
        return KxVariant(KxGuid::FromBytes(bytes).ToString());
    }
    }
    return {};
}

void TKxValueBuffer::InternalSetValue(const KxVariant& value) {
    const QString routine = QStringLiteral("InternalSetValue");
    const auto writeScalar = [this](const auto scalar) {
        TKxMemoryLockBytes::InternalWriteAt(0, &scalar, sizeof(scalar));
    };
    const auto writeBlock = [this](const void* bytes, std::uint64_t size) {
        SetInternalSize(size);
        if (size > 0)
            std::memcpy(Memory().Data(), bytes, size);
    };
    switch (m_dataType) {
    case fdtBool:
        writeScalar(static_cast<std::uint8_t>(value.ToBool() ? 1 : 0));
        break;
    case fdtInt8:
        writeScalar(static_cast<std::int8_t>(RangedInteger(value, m_dataType).ToInt64()));
        break;
    case fdtUInt8:
        writeScalar(static_cast<std::uint8_t>(RangedInteger(value, m_dataType).ToInt64()));
        break;
    case fdtInt16:
        writeScalar(static_cast<std::int16_t>(RangedInteger(value, m_dataType).ToInt64()));
        break;
    case fdtUInt16:
        writeScalar(static_cast<std::uint16_t>(RangedInteger(value, m_dataType).ToInt64()));
        break;
    case fdtInt32:
        writeScalar(static_cast<std::int32_t>(RangedInteger(value, m_dataType).ToInt64()));
        break;
    case fdtUInt32:
        writeScalar(static_cast<std::uint32_t>(RangedInteger(value, m_dataType).ToInt64()));
        break;
    case fdtInt64:
        writeScalar(RangedInteger(value, m_dataType).ToInt64());
        break;
    case fdtUInt64:
        writeScalar(RangedInteger(value, m_dataType).ToUInt64());
        break;
    case fdtSingle:
        writeScalar(static_cast<float>(value.ConvertTo(varSingle).ToDouble()));
        break;
    case fdtDouble:
    case fdtNumeric:
        writeScalar(value.ToDouble());
        break;
    case fdtDate:
    case fdtTime:
    case fdtDateTime:
        writeScalar(value.ConvertTo(varDate).ToDouble());
        break;
    case fdtString:
    case fdtMemo: {
        const QByteArray text = value.ToString().toUtf8();
        writeBlock(text.constData(), static_cast<std::uint64_t>(text.size()) + 1);
        DataSizeChanged(static_cast<std::uint64_t>(text.size()));
        break;
    }
    case fdtWideString:
    case fdtWideMemo: {
        const QString text = value.ToString();
        writeBlock(text.utf16(), (static_cast<std::uint64_t>(text.size()) + 1) * sizeof(char16_t));
        DataSizeChanged(static_cast<std::uint64_t>(text.size()));
        break;
    }
    case fdtBinary: {
        const QByteArray bytes = value.ToBytes();
        KxCheckHR(SetSize(static_cast<std::uint64_t>(bytes.size())), Described(), routine);
        if (!bytes.isEmpty())
            std::memcpy(Memory().Data(), bytes.constData(), static_cast<std::size_t>(bytes.size()));
        DataSizeChanged(static_cast<std::uint64_t>(bytes.size()));
        break;
    }
    case fdtGUID: {
        static const QString kKept = QStringLiteral("0123456789abcdefABCDEF-");
        QString text = value.ToString();
        qsizetype first = 0;
        qsizetype last = text.size();
        while (first < last && !kKept.contains(text.at(first)))
            ++first;
        while (last > first && !kKept.contains(text.at(last - 1)))
            --last;
        KxGuid guid;
        if (!KxGuid::FromString(QLatin1Char('{') + text.mid(first, last - first) + QLatin1Char('}'),
                                guid))
            throw EHrException(hr::CO_E_ClassString, {}, routine, Described());
        std::uint8_t bytes[16];
        guid.ToBytes(bytes);
        TKxMemoryLockBytes::InternalWriteAt(0, bytes, sizeof(bytes));
        break;
    }
    default:
        KxRaise(KxUnsupportedValueText(m_dataType, QString::fromLatin1(kxFieldDataTypeTypeName)),
                routine, Described());
    }
    m_null = false;
}

QString TKxValueBuffer::InternalGetDisplayText() {
    if (IsNull())
        return {};
    if (m_dataType == fdtBinary)
        return Tr("<Binary Data, Size: %1>").arg(GetDataSize());
    return KxFieldValueDisplayText(m_dataType, InternalGetValue());
}

void TKxValueBuffer::SetInternalSize(std::uint64_t newSize) {
    if (IsFixedSize()) {
        // A fixed-size value never changes its block: the driver may hold its address.
        const std::uint64_t current = TKxMemoryLockBytes::GetDataSize();
        if (current >= newSize)
            return;
        KxRaise(Tr("Requested value buffer size (%1 Bytes) of fixed buffer is larger than "
                   "current buffer size (%2 Bytes)")
                    .arg(newSize)
                    .arg(current),
                QStringLiteral("InternalSetSize"), Described());
    }
    TKxMemoryLockBytes::SetInternalSize(newSize);
}

std::uint32_t TKxValueBuffer::InternalWriteAt(std::uint64_t offset, const void* buffer,
                                              std::uint32_t count) {
    const std::uint32_t written = TKxMemoryLockBytes::InternalWriteAt(offset, buffer, count);
    SetModified(true);
    ClearDisplayCache();
    return written;
}

TKxFieldValueBuffer::TKxFieldValueBuffer(QObject* owner, TKxFieldDataType dataType,
                                         TKxFieldBufferInfo info, TKxLifetime lifetime)
    : TKxValueBuffer(owner, dataType, lifetime), m_info(std::move(info)) {}

TKxValueBufferInstance KxCheckValueBufferInstance(int instance, const QString& routineName,
                                                  KxObjectDescription object) {
    if (instance != vbiCurrent && instance != vbiSaved)
        KxRaise(
            KxUnsupportedValueText(instance, QString::fromLatin1(kxValueBufferInstanceTypeName)),
            routineName, std::move(object));
    return static_cast<TKxValueBufferInstance>(instance);
}

} // namespace kx
