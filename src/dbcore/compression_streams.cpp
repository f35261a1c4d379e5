#include "dbcore/compression_streams.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxCompression", text);
}

QString Routine(const char* name) {
    return QString::fromLatin1(name);
}

// zlib allocates through the program's own allocator, so its memory shows up wherever the
// program's does; a count × size that overflows is refused rather than wrapped.
voidpf KxZAlloc(voidpf, uInt items, uInt size) {
    std::size_t bytes = 0;
    if (__builtin_mul_overflow(static_cast<std::size_t>(items), static_cast<std::size_t>(size),
                               &bytes))
        return Z_NULL;
    return std::malloc(bytes);
}

void KxZFree(voidpf, voidpf block) {
    std::free(block);
}

std::uint32_t LittleEndian32(const unsigned char* bytes) {
    return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
           std::uint32_t(bytes[3]) << 24;
}

// Sets an interface method's `done` count from zlib's output position however the method is
// left, so a caller told about a failure also learns how much had arrived before it.
class TDoneFromOutput {
public:
    TDoneFromOutput(const z_stream& zs, std::uint32_t count, std::uint32_t& done)
        : m_zs(zs), m_count(count), m_done(done) {}
    ~TDoneFromOutput() { m_done = m_count - m_zs.avail_out; }

private:
    const z_stream& m_zs;
    std::uint32_t m_count;
    std::uint32_t& m_done;
};

} // namespace

// ---- Compression types

QString KxCompressionTypeName(TKxCompressionType type) {
    switch (type) {
    case ctNone:
        return Tr("None");
    case ctFastest:
        return Tr("Fastest");
    case ctMedium:
        return Tr("Medium");
    case ctMaximum:
        return Tr("Maximum");
    }
    KxRaise(KxUnknownValueText(int(type), QStringLiteral("TKxCompressionType")),
            Routine("KxCompressionTypeName"));
}

int KxCompressionLevel(TKxCompressionType type, const QString& routineName) {
    switch (type) {
    case ctNone:
        return Z_NO_COMPRESSION;
    case ctFastest:
        return Z_BEST_SPEED;
    case ctMedium:
        return Z_DEFAULT_COMPRESSION;
    case ctMaximum:
        return Z_BEST_COMPRESSION;
    }
    KxRaise(KxUnknownValueText(int(type), QStringLiteral("TKxCompressionType")),
            routineName.isEmpty() ? Routine("KxCompressionLevel") : routineName);
}

// ---- Errors

EKxCompressionError::EKxCompressionError(int zlibCode, QString routineName,
                                         KxObjectDescription object)
    : EKxException(Tr("Compression Error (%1), %2, Message: %3")
                       .arg(zlibCode)
                       .arg(CodeName(zlibCode), CodeMessage(zlibCode)),
                   std::move(routineName), std::move(object)),
      m_zlibCode(zlibCode) {}

QString EKxCompressionError::CodeName(int zlibCode) {
    switch (zlibCode) {
    case Z_OK:
        return QStringLiteral("Z_OK");
    case Z_STREAM_END:
        return QStringLiteral("Z_STREAM_END");
    case Z_NEED_DICT:
        return QStringLiteral("Z_NEED_DICT");
    case Z_ERRNO:
        return QStringLiteral("Z_ERRNO");
    case Z_STREAM_ERROR:
        return QStringLiteral("Z_STREAM_ERROR");
    case Z_DATA_ERROR:
        return QStringLiteral("Z_DATA_ERROR");
    case Z_MEM_ERROR:
        return QStringLiteral("Z_MEM_ERROR");
    case Z_BUF_ERROR:
        return QStringLiteral("Z_BUF_ERROR");
    case Z_VERSION_ERROR:
        return QStringLiteral("Z_VERSION_ERROR");
    default:
        return QStringLiteral("?");
    }
}

QString EKxCompressionError::CodeMessage(int zlibCode) {
    switch (zlibCode) {
    case Z_OK:
        return Tr("operation successful");
    case Z_STREAM_END:
        return Tr("stream end");
    case Z_NEED_DICT:
        return Tr("need dictionary");
    case Z_ERRNO:
        return Tr("file error");
    case Z_STREAM_ERROR:
        return Tr("stream error");
    case Z_DATA_ERROR:
        return Tr("data error");
    case Z_MEM_ERROR:
        return Tr("insufficient memory");
    case Z_BUF_ERROR:
        return Tr("buffer error");
    case Z_VERSION_ERROR:
        return Tr("incompatible version");
    default:
        return Tr("Unknown Error Code");
    }
}

// ---- TKxIZStreamBase

TKxIZStreamBase::TKxIZStreamBase(KxIntf<ISequentialStream> other)
    : m_buffer(kxZStreamBufferSize), m_crc(crc32(0L, Z_NULL, 0)), m_other(std::move(other)) {
    KxCheckPointer(m_other.get(), QStringLiteral("Stream"), KxObjectDescription(this),
                   Routine("Create"));
    if (auto* adapter = dynamic_cast<TKxStreamAdapter*>(m_other.get()))
        m_otherObject = &adapter->Stream();
    m_zs.zalloc = KxZAlloc;
    m_zs.zfree = KxZFree;
    m_zs.opaque = Z_NULL;
}

TKxIZStreamBase::~TKxIZStreamBase() = default;

std::uint32_t TKxIZStreamBase::ReadDirect(void* buffer, std::uint32_t count) {
    std::uint32_t done = 0;
    InternalRead(buffer, count, done);
    return done;
}

std::uint32_t TKxIZStreamBase::WriteDirect(const void* buffer, std::uint32_t count) {
    std::uint32_t done = 0;
    InternalWrite(buffer, count, done);
    return done;
}

std::uint32_t TKxIZStreamBase::ReadOther(void* buffer, std::uint32_t count,
                                         const QString& routineName) {
    if (m_otherObject != nullptr)
        return m_otherObject->Read(buffer, count);
    std::uint32_t done = 0;
    KxCheckHR(m_other->Read(buffer, count, &done), KxObjectDescription::OfInterface(m_other.get()),
              routineName);
    return std::min(done, count);
}

std::uint32_t TKxIZStreamBase::ReadOtherFully(void* buffer, std::uint32_t count,
                                              const QString& routineName) {
    auto* bytes = static_cast<unsigned char*>(buffer);
    std::uint32_t got = 0;
    while (got < count) {
        const std::uint32_t part = ReadOther(bytes + got, count - got, routineName);
        if (part == 0)
            break;
        got += part;
    }
    return got;
}

void TKxIZStreamBase::WriteOther(const void* buffer, std::uint32_t count,
                                 const QString& routineName) {
    if (count == 0)
        return;
    if (m_otherObject == nullptr) {
        KxWriteExact(m_other.get(), buffer, count, routineName);
        return;
    }
    const std::uint32_t done = m_otherObject->Write(buffer, count);
    if (done != count)
        KxRaise(KxWriteErrorText(count, done), routineName, KxObjectDescription(this));
}

// ---- TKxICompressorStream

TKxICompressorStream::TKxICompressorStream(KxIntf<ISequentialStream> destination, int level)
    : TKxIZStreamBase(std::move(destination)) {
    // The macro passes the version of the zlib headers this program was built with, which is
    // the library it is linked against; the stream layout itself is the same in every release.
    const int result = deflateInit(&m_zs, level);
    if (result < 0)
        throw EKxCompressError(result, Routine("TKxICompressorStream.Create"),
                               KxObjectDescription(this));
    m_zs.next_out = m_buffer.data();
    m_zs.avail_out = kxZStreamBufferSize;
}

TKxICompressorStream::~TKxICompressorStream() {
    deflateEnd(&m_zs);
}

void TKxICompressorStream::InternalWrite(const void* buffer, std::uint32_t count,
                                         std::uint32_t& done) {
    done = 0;
    const QString routine = Routine("InternalWrite");
    // Data written after the end of the stream would be lost without a word.
    if (m_finished)
        throw EKxCompressError(Z_STREAM_ERROR, routine, KxObjectDescription(this));
    m_zs.next_in = static_cast<Bytef*>(const_cast<void*>(buffer));
    m_zs.avail_in = count;
    while (m_zs.avail_in > 0) {
        const int result = deflate(&m_zs, Z_NO_FLUSH);
        done = count - m_zs.avail_in;
        if (result < 0)
            throw EKxCompressError(result, routine, KxObjectDescription(this));
        if (m_zs.avail_out == 0)
            FlushOutput(routine);
    }
    m_zs.next_in = Z_NULL;
    done = count;
}

void TKxICompressorStream::Finish() {
    if (m_finished)
        return;
    const QString routine = Routine("TKxICompressorStream.FinishCompression");
    m_zs.next_in = Z_NULL;
    m_zs.avail_in = 0;
    for (;;) {
        const int result = deflate(&m_zs, Z_FINISH);
        if (result < 0)
            throw EKxCompressError(result, routine, KxObjectDescription(this));
        FlushOutput(routine);
        if (result == Z_STREAM_END)
            break;
    }
    m_finished = true;
}

void TKxICompressorStream::FlushOutput(const QString& routineName) {
    const std::uint32_t produced = kxZStreamBufferSize - m_zs.avail_out;
    m_zs.next_out = m_buffer.data();
    m_zs.avail_out = kxZStreamBufferSize;
    WriteOther(m_buffer.data(), produced, routineName);
}

// ---- TKxIDecompressorStream

TKxIDecompressorStream::TKxIDecompressorStream(KxIntf<ISequentialStream> source)
    : TKxIZStreamBase(std::move(source)) {
    const QString routine = Routine("Create");
    const std::uint32_t got = ReadOtherFully(m_buffer.data(), 2, routine);
    int result = Z_OK;
    if (got == 2 && m_buffer[0] == 0x1F && m_buffer[1] == 0x8B) {
        m_gzip = true;
        ReadGZipFileHeader();
        m_zs.next_in = Z_NULL;
        m_zs.avail_in = 0;
        result = inflateInit2(&m_zs, -MAX_WBITS);
    } else {
        m_sourceEnded = got < 2;
        m_zs.next_in = m_buffer.data();
        m_zs.avail_in = got;
        result = inflateInit(&m_zs);
    }
    if (result < 0)
        throw EKxDecompressError(result, routine, KxObjectDescription(this));
    m_initialized = true;
}

TKxIDecompressorStream::~TKxIDecompressorStream() {
    if (m_initialized)
        inflateEnd(&m_zs);
}

std::uint8_t TKxIDecompressorStream::ReadHeaderByte(const QString& routineName) {
    std::uint8_t byte = 0;
    ReadHeaderBytes(&byte, 1, routineName);
    return byte;
}

void TKxIDecompressorStream::ReadHeaderBytes(void* buffer, std::uint32_t count,
                                             const QString& routineName) {
    const std::uint32_t got = ReadOtherFully(buffer, count, routineName);
    if (got != count)
        KxRaise(KxReadErrorText(count, got), routineName, KxObjectDescription(this));
}

void TKxIDecompressorStream::ReadGZipFileHeader() {
    const QString routine = Routine("TKxIDecompressorStream.ReadGZipFileHeader");
    // Method, flags, modification time, extra flags, operating system. None of them changes
    // how the member is read, so none is checked; a wrong method shows up as a data error.
    unsigned char fixed[8];
    ReadHeaderBytes(fixed, sizeof fixed, routine);
    const std::uint8_t flags = fixed[1];
    if (flags & 4) {
        unsigned char length[2];
        ReadHeaderBytes(length, 2, routine);
        std::uint32_t left = length[0] | std::uint32_t(length[1]) << 8;
        while (left > 0) {
            const std::uint32_t part = std::min<std::uint32_t>(left, kxZStreamBufferSize);
            ReadHeaderBytes(m_buffer.data(), part, routine);
            left -= part;
        }
    }
    if (flags & 8)
        while (ReadHeaderByte(routine) != 0) {
        }
    if (flags & 16)
        while (ReadHeaderByte(routine) != 0) {
        }
    if (flags & 2) {
        unsigned char headerCrc[2];
        ReadHeaderBytes(headerCrc, 2, routine);
    }
}

void TKxIDecompressorStream::Refill() {
    const std::uint32_t got = ReadOther(m_buffer.data(), kxZStreamBufferSize, Routine("Read"));
    m_zs.next_in = m_buffer.data();
    m_zs.avail_in = got;
    if (got == 0)
        m_sourceEnded = true;
}

void TKxIDecompressorStream::InternalRead(void* buffer, std::uint32_t count, std::uint32_t& done) {
    done = 0;
    // A member whose trailer did not match stays failed: later reads must not look like a
    // clean end of the data.
    if (m_trailerFailure)
        std::rethrow_exception(m_trailerFailure);
    if (count == 0 || m_streamEnded)
        return;
    const QString routine = Routine("Read");
    m_zs.next_out = static_cast<Bytef*>(buffer);
    m_zs.avail_out = count;
    {
        TDoneFromOutput setDone(m_zs, count, done);
        while (m_zs.avail_out > 0) {
            if (m_zs.avail_in == 0 && !m_sourceEnded)
                Refill();
            // The compressed stream has not ended but its bytes have: a truncated body is a
            // damaged value, not a shorter one.
            if (m_zs.avail_in == 0)
                throw EKxDecompressError(Z_DATA_ERROR, routine, KxObjectDescription(this));
            const int result = inflate(&m_zs, Z_NO_FLUSH);
            if (result == Z_STREAM_END) {
                m_streamEnded = true;
                break;
            }
            // A stream made with a preset dictionary cannot be read without it; going on
            // would read the rest of the source without producing a byte.
            if (result < 0 || result == Z_NEED_DICT)
                throw EKxDecompressError(result, routine, KxObjectDescription(this));
        }
    }
    if (m_gzip)
        m_crc = crc32(m_crc, static_cast<const Bytef*>(buffer), done);
    m_totalOut += done;
    if (m_gzip && m_streamEnded) {
        try {
            CheckGZipTrailer();
        } catch (...) {
            m_trailerFailure = std::current_exception();
            throw;
        }
    }
}

void TKxIDecompressorStream::CheckGZipTrailer() {
    const QString routine = Routine("Read");
    // The trailer follows the deflate data: part of it may still be in the work buffer.
    unsigned char trailer[8];
    std::uint32_t have = std::min<std::uint32_t>(m_zs.avail_in, sizeof trailer);
    if (have > 0) {
        std::memcpy(trailer, m_zs.next_in, have);
        m_zs.next_in += have;
        m_zs.avail_in -= have;
    }
    if (have < sizeof trailer && !m_sourceEnded)
        have += ReadOtherFully(trailer + have, sizeof trailer - have, routine);
    if (have < sizeof trailer)
        throw EKxDecompressError(Z_DATA_ERROR, routine, KxObjectDescription(this));
    if (LittleEndian32(trailer) != m_crc)
        KxRaise(Tr("Incorrect checksum"), routine, KxObjectDescription(this));
    // The size field holds the length modulo 2^32.
    if (LittleEndian32(trailer + 4) != static_cast<std::uint32_t>(m_totalOut))
        KxRaise(Tr("Incorrect uncompressed data length"), routine, KxObjectDescription(this));
}

// ---- Stream-class face

TKxZStreamBase::TKxZStreamBase(KxIntf<TKxIZStreamBase> inner)
    : TKxIStreamAdapter(KxIntf<ISequentialStream>(inner)), m_inner(std::move(inner)) {}

std::uint32_t TKxZStreamBase::Read(void* buffer, std::uint32_t count) {
    return m_inner->ReadDirect(buffer, count);
}

std::uint32_t TKxZStreamBase::Write(const void* buffer, std::uint32_t count) {
    return m_inner->WriteDirect(buffer, count);
}

namespace {

KxIntf<ISequentialStream> Borrow(TKxStream& stream) {
    return KxIntf<ISequentialStream>(KxMake<TKxStreamAdapter>(stream));
}

} // namespace

TKxCompressorStream::TKxCompressorStream(TKxStream& destination, TKxCompressionType compressionType)
    : TKxZStreamBase(KxMake<TKxICompressorStream>(
          Borrow(destination),
          KxCompressionLevel(compressionType, Routine("TKxCompressorStream.Create")))) {}

void TKxCompressorStream::Finish() {
    static_cast<TKxICompressorStream&>(Inner()).Finish();
}

TKxDecompressorStream::TKxDecompressorStream(TKxStream& source)
    : TKxZStreamBase(KxMake<TKxIDecompressorStream>(Borrow(source))) {}

} // namespace kx
