#pragma once

#include "foundation/exceptions.h"
#include "foundation/streams.h"

#include <cstdint>
#include <exception>
#include <vector>
#include <zlib.h>

namespace kx {

// How hard binary values are compressed when stored. The ordinals are stored in settings.
enum TKxCompressionType : std::uint8_t {
    ctNone = 0,
    ctFastest = 1,
    ctMedium = 2,
    ctMaximum = 3,
};

inline constexpr int kxCompressionTypeCount = 4;

// "None", "Fastest", "Medium", "Maximum" (translatable); raises the unknown-value error for
// anything else.
QString KxCompressionTypeName(TKxCompressionType type);

// The zlib level of a type: 0, 1, Z_DEFAULT_COMPRESSION, 9. A value outside the enumeration
// (an ordinal read from a damaged setting) raises, naming `routineName`.
int KxCompressionLevel(TKxCompressionType type, const QString& routineName = {});

// A failure reported by zlib: "Compression Error (%d), %s, Message: %s" with zlib's result
// code, its fixed name and its (translatable) message.
class EKxCompressionError : public EKxException {
public:
    EKxCompressionError(int zlibCode, QString routineName, KxObjectDescription object = nullptr);

    int ZLibCode() const { return m_zlibCode; }

    // "Z_DATA_ERROR" and the like; "?" for a code zlib does not define.
    static QString CodeName(int zlibCode);
    // "data error" and the like; "Unknown Error Code" for a code zlib does not define.
    static QString CodeMessage(int zlibCode);

private:
    int m_zlibCode;
};

class EKxCompressError : public EKxCompressionError {
public:
    using EKxCompressionError::EKxCompressionError;
};

class EKxDecompressError : public EKxCompressionError {
public:
    using EKxCompressionError::EKxCompressionError;
};

// Size of the work buffer each stream keeps, and of the blocks callers copy in.
inline constexpr std::uint32_t kxZStreamBufferSize = 65536;

// Common part of the compressor and the decompressor: the other stream, zlib's stream record,
// the work buffer and a running CRC-32. They implement the platform's sequential stream
// interface, so whatever speaks that interface can read or write through them.
//
// The other stream is called directly when it is one of the program's stream objects behind
// a TKxStreamAdapter: its own failure (a driver error, say) then reaches the caller as it was
// raised, instead of shrinking to a bare result code on the way through the interface.
class TKxIZStreamBase : public TKxISequentialStream {
public:
    explicit TKxIZStreamBase(KxIntf<ISequentialStream> other);
    ~TKxIZStreamBase() override;

    // The raising forms of Read and Write for C++ callers (the stream-class face below).
    std::uint32_t ReadDirect(void* buffer, std::uint32_t count);
    std::uint32_t WriteDirect(const void* buffer, std::uint32_t count);

    std::uint32_t Crc32() const { return m_crc; }

protected:
    // Reads once from the other stream; answers what arrived (0 at its end).
    std::uint32_t ReadOther(void* buffer, std::uint32_t count, const QString& routineName);
    // Reads until `count` bytes arrived or the other stream ends; answers what arrived.
    std::uint32_t ReadOtherFully(void* buffer, std::uint32_t count, const QString& routineName);
    // Writes all `count` bytes or raises the write error.
    void WriteOther(const void* buffer, std::uint32_t count, const QString& routineName);

    z_stream m_zs{};
    std::vector<unsigned char> m_buffer;
    std::uint32_t m_crc;

private:
    KxIntf<ISequentialStream> m_other;
    TKxStream* m_otherObject = nullptr;
};

// Write-only: what is written is compressed (zlib format, RFC 1950) and passed on to the
// destination in blocks of the work buffer's size. Finish must be called once everything is
// written; it completes the zlib stream and raises when that fails. Destroying the compressor
// only frees zlib's state: an unfinished compressor leaves an incomplete body, and a caller
// that forgets Finish gets that instead of an error report that could not be raised anyway.
class TKxICompressorStream : public TKxIZStreamBase {
public:
    TKxICompressorStream(KxIntf<ISequentialStream> destination, int level);
    ~TKxICompressorStream() override;

    void Finish();
    bool Finished() const { return m_finished; }

protected:
    void InternalWrite(const void* buffer, std::uint32_t count, std::uint32_t& done) override;

private:
    void FlushOutput(const QString& routineName);

    bool m_finished = false;
};

// Read-only: reads a zlib stream, or a gzip member (RFC 1952) when the source starts with the
// gzip magic bytes, and answers the decompressed bytes. A read answers fewer bytes than asked
// for only at the end of the compressed data. A body that ends before its compressed stream
// does raises the data error, and a gzip member's trailer (CRC-32 and size) is checked when
// its end is reached.
class TKxIDecompressorStream : public TKxIZStreamBase {
public:
    explicit TKxIDecompressorStream(KxIntf<ISequentialStream> source);
    ~TKxIDecompressorStream() override;

    bool GZipMode() const { return m_gzip; }
    std::uint64_t TotalOut() const { return m_totalOut; }

protected:
    void InternalRead(void* buffer, std::uint32_t count, std::uint32_t& done) override;

private:
    void ReadGZipFileHeader();
    std::uint8_t ReadHeaderByte(const QString& routineName);
    void ReadHeaderBytes(void* buffer, std::uint32_t count, const QString& routineName);
    void Refill();
    void CheckGZipTrailer();

    bool m_initialized = false;
    bool m_gzip = false;
    bool m_sourceEnded = false;
    bool m_streamEnded = false;
    std::uint64_t m_totalOut = 0;
    std::exception_ptr m_trailerFailure;
};

// The stream-class face of the two streams, for code that works with TKxStream. Read and
// Write call the inner stream directly, so its exceptions arrive with their own text.
class TKxZStreamBase : public TKxIStreamAdapter {
public:
    std::uint32_t Read(void* buffer, std::uint32_t count) override;
    std::uint32_t Write(const void* buffer, std::uint32_t count) override;

protected:
    explicit TKxZStreamBase(KxIntf<TKxIZStreamBase> inner);

    TKxIZStreamBase& Inner() const { return *m_inner; }

private:
    KxIntf<TKxIZStreamBase> m_inner;
};

// Compresses what is written to it into `destination`, which must outlive it.
class TKxCompressorStream : public TKxZStreamBase {
public:
    TKxCompressorStream(TKxStream& destination, TKxCompressionType compressionType);

    // Completes the zlib stream; see TKxICompressorStream::Finish.
    void Finish();
};

// Reads `source` (which must outlive it) as a compressed body and answers its bytes.
class TKxDecompressorStream : public TKxZStreamBase {
public:
    explicit TKxDecompressorStream(TKxStream& source);
};

} // namespace kx
