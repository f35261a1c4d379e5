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
    const QString routine = Routine("KxDecompressBlobBody");
    KxCheckPointer(value, QStringLiteral("Value"), nullptr, routine);
    KxCheckHR(value->SetSize(0), KxObjectDescription::OfInterface(value), routine);
    try {
        // The value grows as blocks arrive; memory lock bytes grow their block geometrically,
        // so this costs a logarithmic number of reallocations.
        TKxLockBytesStream target{KxIntf<ILockBytes>(value)};
        TKxDecompressorStream decompressor(body);
        target.CopyAllFrom(decompressor);
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
    // A plain value: its size is known, so the block is allocated once.
    KxCheckHR(value->SetSize(static_cast<std::uint64_t>(storedSize)),
              KxObjectDescription::OfInterface(value), routine);
    TKxLockBytesStream target{KxIntf<ILockBytes>(value)};
    if (storedSize > 0)
        target.CopyFrom(source, storedSize);
    return static_cast<std::uint64_t>(storedSize);
}

} // namespace kx
