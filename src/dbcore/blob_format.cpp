#include "dbcore/blob_format.h"

#include <algorithm>
#include <cstring>

namespace kx {
namespace {

QString Routine(const char* name) {
    return QString::fromLatin1(name);
}

// Counts what passes on to the destination: the stored size of a value is what was written,
// whether or not the destination can tell its own position.
class TCountingStream : public TKxStream {
public:
    explicit TCountingStream(TKxStream& target) : m_target(target) {}

    std::uint32_t Read(void*, std::uint32_t) override {
        throw EHrException(hr::STG_E_InvalidFunction, {}, Routine("TCountingStream.Read"),
                           Describe());
    }
    std::uint32_t Write(const void* buffer, std::uint32_t count) override {
        const std::uint32_t done = m_target.Write(buffer, count);
        m_written += done;
        return done;
    }
    std::int64_t Seek(std::int64_t offset, TKxSeekOrigin origin) override {
        if (offset != 0 || origin != TKxSeekOrigin::Current)
            throw EHrException(hr::STG_E_InvalidFunction, {}, Routine("TCountingStream.Seek"),
                               Describe());
        return m_written;
    }

    std::int64_t Written() const { return m_written; }

private:
    TKxStream& m_target;
    std::int64_t m_written = 0;
};

} // namespace

TKxCompressedBlobHeader KxCompressedBlobHeader(std::int32_t value) {
    TKxCompressedBlobHeader header{};
    std::uint8_t marker[16];
    kxCompressedBlobMarker.ToBytes(marker);
    std::memcpy(header.data(), marker, sizeof marker);
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        header[16 + i] = static_cast<std::uint8_t>(bits >> (8 * i));
    return header; // the second integer stays 0
}

bool KxIsCompressedBlob(const void* data, std::uint64_t size) {
    if (data == nullptr || size < kxCompressedBlobHeaderSize)
        return false;
    std::uint8_t marker[16];
    kxCompressedBlobMarker.ToBytes(marker);
    return std::memcmp(data, marker, sizeof marker) == 0;
}

bool KxIsCompressedBlob(ILockBytes* stored) {
    if (stored == nullptr)
        return false;
    std::uint8_t header[kxCompressedBlobHeaderSize];
    std::uint32_t done = 0;
    KxCheckHR(stored->ReadAt(0, header, sizeof header, &done),
              KxObjectDescription::OfInterface(stored), Routine("KxIsCompressedBlob"));
    return KxIsCompressedBlob(header, std::min<std::uint32_t>(done, sizeof header));
}

std::int64_t KxWriteCompressedBlob(TKxStream& source, TKxStream& destination,
                                   TKxCompressionType compressionType) {
    TCountingStream counted(destination);
    const TKxCompressedBlobHeader header = KxCompressedBlobHeader(0);
    counted.WriteBuffer(header.data(), kxCompressedBlobHeaderSize);
    TKxCompressorStream compressor(counted, compressionType);
    compressor.CopyAllFrom(source);
    compressor.Finish();
    return counted.Written();
}

std::uint64_t KxDecompressBlobBody(TKxStream& body, ILockBytes* value) {
    KxCheckPointer(value, QStringLiteral("Value"), nullptr, Routine("KxDecompressBlobBody"));
    try {
        TKxGrowingLockBytesStream target{KxIntf<ILockBytes>(value)};
        TKxDecompressorStream decompressor(body);
        target.CopyAllFrom(decompressor);
        target.Finish();
        return static_cast<std::uint64_t>(target.Size());
    } catch (...) {
        value->SetSize(0);
        throw;
    }
}

std::uint64_t KxReadStoredBlob(ILockBytes* stored, ILockBytes* value) {
    const QString routine = Routine("KxReadStoredBlob");
    KxCheckPointer(stored, QStringLiteral("Stored Value"), nullptr, routine);
    KxCheckPointer(value, QStringLiteral("Value"), nullptr, routine);
    if (stored == value)
        throw EHrException(hr::E_InvalidArg, {}, routine, KxObjectDescription::OfInterface(value));
    TKxLockBytesStream source{KxIntf<ILockBytes>(stored)};
    const std::int64_t storedSize = source.Size();
    if (KxIsCompressedBlob(stored)) {
        if (storedSize == kxCompressedBlobHeaderSize) {
            KxCheckHR(value->SetSize(0), KxObjectDescription::OfInterface(value), routine);
            return 0;
        }
        source.SetPosition(kxCompressedBlobHeaderSize);
        return KxDecompressBlobBody(source, value);
    }
    TKxGrowingLockBytesStream target{KxIntf<ILockBytes>(value)};
    target.Reserve(static_cast<std::uint64_t>(storedSize));
    if (storedSize > 0)
        target.CopyFrom(source, storedSize);
    target.Finish();
    return static_cast<std::uint64_t>(storedSize);
}

// ---- TKxGrowingLockBytesStream

TKxGrowingLockBytesStream::TKxGrowingLockBytesStream(KxIntf<ILockBytes> lockBytes)
    : m_lockBytes(std::move(lockBytes)) {
    KxCheckPointer(m_lockBytes.get(), QStringLiteral("Lock Bytes"), Describe(),
                   Routine("TKxGrowingLockBytesStream.Create"));
    SetLockBytesSize(0, "TKxGrowingLockBytesStream.Create");
}

TKxGrowingLockBytesStream::~TKxGrowingLockBytesStream() {
    if (m_reserved != m_size)
        m_lockBytes->SetSize(m_size);
}

void TKxGrowingLockBytesStream::SetLockBytesSize(std::uint64_t size, const char* routineName) {
    KxCheckHR(m_lockBytes->SetSize(size), Describe(), Routine(routineName));
    m_reserved = size;
}

void TKxGrowingLockBytesStream::Reserve(std::uint64_t size) {
    if (size > m_reserved)
        SetLockBytesSize(size, "TKxGrowingLockBytesStream.Reserve");
}

void TKxGrowingLockBytesStream::Finish() {
    if (m_reserved != m_size)
        SetLockBytesSize(m_size, "TKxGrowingLockBytesStream.Finish");
}

std::uint32_t TKxGrowingLockBytesStream::Read(void* buffer, std::uint32_t count) {
    // Only what was written is data; the room reserved beyond it is not.
    const auto position = static_cast<std::uint64_t>(m_position);
    if (position >= m_size)
        return 0;
    const auto wanted =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(count, m_size - position));
    std::uint32_t done = 0;
    KxCheckHR(m_lockBytes->ReadAt(position, buffer, wanted, &done), Describe(),
              Routine("TKxGrowingLockBytesStream.Read"));
    m_position += done;
    return done;
}

std::uint32_t TKxGrowingLockBytesStream::Write(const void* buffer, std::uint32_t count) {
    const auto position = static_cast<std::uint64_t>(m_position);
    const std::uint64_t end = position + count;
    if (end > m_reserved)
        SetLockBytesSize(std::max(end, m_reserved + std::max<std::uint64_t>(m_reserved / 4,
                                                                            kxStreamCopyBlockSize)),
                         "TKxGrowingLockBytesStream.Write");
    std::uint32_t done = 0;
    KxCheckHR(m_lockBytes->WriteAt(position, buffer, count, &done), Describe(),
              Routine("TKxGrowingLockBytesStream.Write"));
    m_position += done;
    m_size = std::max(m_size, position + done);
    return done;
}

std::int64_t TKxGrowingLockBytesStream::Seek(std::int64_t offset, TKxSeekOrigin origin) {
    m_position = SeekTarget(offset, origin, m_position, Routine("TKxGrowingLockBytesStream.Seek"));
    return m_position;
}

std::int64_t TKxGrowingLockBytesStream::Size() {
    return static_cast<std::int64_t>(m_size);
}

} // namespace kx
