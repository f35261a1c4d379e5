// Stored binary values: plain bytes, or the 24-byte header followed by a zlib stream or a
// gzip member. What a driver hands back may be anything.
//
// Input: the first byte picks how the rest is stored and read (as it is, behind the header,
// read in blocks of which size); the rest is the stored body.
//
// Properties:
//  - reading any stored value answers its bytes or raises the program's exception; a failed
//    read leaves the value empty;
//  - a value without the header reads as a copy of itself;
//  - behind the header, a zlib body reads exactly as zlib itself inflates it, and fails
//    exactly when zlib does; a gzip member that zlib reads is read the same (the reader skips
//    header fields zlib would check, so only that direction is required);
//  - the same body read through the decompressor in blocks of any size gives the same bytes;
//  - what the writer stores at any level reads back as the value written.

#include "dbcore/blob_format.h"
#include "dbcore/compression_streams.h"
#include "foundation/memory_lock_bytes.h"
#include "fuzz_support.h"

#include <QByteArray>
#include <optional>
#include <zlib.h>

using namespace kx;
using namespace kx::fuzz;

namespace {

KxIntf<TKxMemoryLockBytes> Bytes(const QByteArray& data) {
    auto bytes = KxMake<TKxMemoryLockBytes>();
    std::uint32_t done = 0;
    bytes->WriteAt(0, data.constData(), std::uint32_t(data.size()), &done);
    return bytes;
}

QByteArray Contents(const TKxMemoryLockBytes& bytes) {
    return QByteArray(static_cast<const char*>(bytes.GetData()), qsizetype(bytes.GetDataSize()));
}

QByteArray Header() {
    const TKxCompressedBlobHeader header = KxCompressedBlobHeader(0);
    return QByteArray(reinterpret_cast<const char*>(header.data()), qsizetype(header.size()));
}

// zlib's own reading of a body: a zlib stream, or a gzip member after the gzip magic.
std::optional<QByteArray> ZlibInflate(const QByteArray& body, bool& gzip) {
    gzip = body.size() >= 2 && static_cast<unsigned char>(body[0]) == 0x1F &&
           static_cast<unsigned char>(body[1]) == 0x8B;
    z_stream zs{};
    if (inflateInit2(&zs, gzip ? 15 + 16 : 15) != Z_OK)
        return std::nullopt;
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.constData()));
    zs.avail_in = static_cast<uInt>(body.size());
    QByteArray out;
    unsigned char buffer[4096];
    int result = Z_OK;
    while (result == Z_OK) {
        zs.next_out = buffer;
        zs.avail_out = sizeof buffer;
        result = inflate(&zs, Z_NO_FLUSH);
        out.append(reinterpret_cast<const char*>(buffer), qsizetype(sizeof buffer - zs.avail_out));
        if (result == Z_BUF_ERROR && zs.avail_in == 0)
            break; // the body ended before the stream did
    }
    inflateEnd(&zs);
    if (result != Z_STREAM_END)
        return std::nullopt;
    return out;
}

// Reads the stored bytes as the program does; nothing when it raised.
std::optional<QByteArray> ReadStored(const QByteArray& stored, QString& error) {
    auto storedBytes = Bytes(stored);
    auto value = Bytes(QByteArray("previous value"));
    try {
        const std::uint64_t size = KxReadStoredBlob(storedBytes.get(), value.get());
        KX_CHECK(size == value->GetDataSize(), "the size answered is the value's size");
        return Contents(*value);
    } catch (const EKxException& e) {
        error = e.GetMessage();
        KX_CHECK(!e.GetRoutineName().isEmpty(), "a read failure names its routine", error);
        KX_CHECK(value->GetDataSize() == 0, "a failed read leaves the value empty", error);
        return std::nullopt;
    }
}

// The body through the decompressor, read in blocks of `block` bytes.
std::optional<QByteArray> ReadInBlocks(const QByteArray& body, std::uint32_t block) {
    auto bodyBytes = Bytes(body);
    TKxLockBytesStream source{KxIntf<ILockBytes>(bodyBytes)};
    try {
        TKxDecompressorStream decompressor(source);
        QByteArray out;
        QByteArray buffer(qsizetype(block), '\0');
        for (;;) {
            const std::uint32_t got = decompressor.Read(buffer.data(), block);
            out.append(buffer.constData(), qsizetype(got));
            if (got < block)
                return out;
        }
    } catch (const EKxException&) {
        return std::nullopt;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::uint8_t mode = data[0];
    const QByteArray body(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    QString error;

    if ((mode & 1) == 0) {
        // As a driver handed it back.
        const std::optional<QByteArray> value = ReadStored(body, error);
        if (!KxIsCompressedBlob(body.constData(), std::uint64_t(body.size())))
            KX_CHECK(value == body, "a value without the header reads as itself", Shown(error));
    } else {
        const QByteArray stored = Header() + body;
        const std::optional<QByteArray> value = ReadStored(stored, error);
        bool gzip = false;
        const std::optional<QByteArray> reference = ZlibInflate(body, gzip);
        if (body.isEmpty()) {
            KX_CHECK(value == QByteArray(), "exactly a header is the empty value", Shown(error));
        } else if (reference) {
            KX_CHECK(value == reference, "a body zlib reads is read the same",
                     QStringLiteral("%1, %2 bytes by zlib, %3")
                         .arg(gzip ? QStringLiteral("gzip") : QStringLiteral("zlib"))
                         .arg(reference->size())
                         .arg(value ? QStringLiteral("%1 bytes here").arg(value->size()) : error));
        } else if (!gzip) {
            KX_CHECK(!value.has_value(), "a zlib body that zlib refuses is refused",
                     QStringLiteral("read %1 bytes").arg(value->size()));
        }
        if (!body.isEmpty()) {
            const std::uint32_t block = 1 + (mode >> 1) * 37;
            KX_CHECK(ReadInBlocks(body, block) == value, "any block size gives the same bytes",
                     QStringLiteral("block %1").arg(block));
        }
    }

    // What the writer stores reads back.
    const auto type = static_cast<TKxCompressionType>((mode >> 1) % kxCompressionTypeCount);
    auto source = Bytes(body);
    auto written = Bytes(QByteArray());
    TKxLockBytesStream in{KxIntf<ILockBytes>(source)};
    TKxLockBytesStream out{KxIntf<ILockBytes>(written)};
    const std::int64_t storedSize = KxWriteCompressedBlob(in, out, type);
    KX_CHECK(storedSize == std::int64_t(written->GetDataSize()),
             "the stored size is what was written");
    KX_CHECK(ReadStored(Contents(*written), error) == body, "a written value reads back",
             QStringLiteral("level %1").arg(int(type)));
    return 0;
}
