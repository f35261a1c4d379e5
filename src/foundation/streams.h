#pragma once

#include "foundation/exceptions.h"
#include "foundation/interfaced_object.h"
#include "foundation/memory_buffer.h"
#include "foundation/stream_interfaces.h"

#include <cstdint>
#include <memory>

namespace kx {

// Runs the body of a platform-style interface method. Those methods never raise: whatever
// escapes the body becomes the exception's result code (E_UNEXPECTED when it carries none).
template <class TBody> KxHResult KxGuardedHResult(TBody&& body) noexcept {
    try {
        return body();
    } catch (const std::exception& e) {
        return KxExceptionToHR(e, hr::E_Unexpected);
    } catch (...) {
        return hr::E_Unexpected;
    }
}

// Block size of stream copies; large values travel through the program in blocks of this size.
inline constexpr std::uint32_t kxStreamCopyBlockSize = 65536;

// The library's stream object: bytes read and written at a current position. Unlike the
// platform interfaces it never answers result codes; every failure raises EKxException or
// EHrException. Read and Write may transfer fewer bytes than asked for (a read at the end);
// ReadBuffer and WriteBuffer transfer exactly or raise.
class TKxStream {
public:
    TKxStream() = default;
    virtual ~TKxStream();

    TKxStream(const TKxStream&) = delete;
    TKxStream& operator=(const TKxStream&) = delete;

    virtual std::uint32_t Read(void* buffer, std::uint32_t count) = 0;
    virtual std::uint32_t Write(const void* buffer, std::uint32_t count) = 0;
    // Answers the new position.
    virtual std::int64_t Seek(std::int64_t offset, TKxSeekOrigin origin) = 0;

    // By default found by seeking to the end and back.
    virtual std::int64_t Size();
    // By default a stream cannot change its size: raises STG_E_INVALIDFUNCTION.
    virtual void SetSize(std::int64_t newSize);

    std::int64_t Position() { return Seek(0, TKxSeekOrigin::Current); }
    void SetPosition(std::int64_t position) { Seek(position, TKxSeekOrigin::Begin); }

    // Raise "Read Error, bytes to read %d, bytes that have been read %d" or the write error
    // when one call transfers fewer bytes than asked for.
    void ReadBuffer(void* buffer, std::uint32_t count);
    void WriteBuffer(const void* buffer, std::uint32_t count);

    // Copies `count` bytes from `source`'s position to this stream's, in blocks of
    // kxStreamCopyBlockSize; a source that ends early raises the read error. A count of 0
    // copies the whole source from its beginning. Answers the number of bytes copied.
    std::int64_t CopyFrom(TKxStream& source, std::int64_t count);

    // Copies from `source`'s position until a read delivers less than a whole block: the copy
    // for sources that cannot tell their size, such as a decompressor. Answers the bytes copied.
    std::int64_t CopyAllFrom(TKxStream& source);

protected:
    // The position a seek arrives at; raises STG_E_INVALIDFUNCTION (with `routineName`) for
    // a position before the beginning. Seeking past the end is allowed.
    std::int64_t SeekTarget(std::int64_t offset, TKxSeekOrigin origin, std::int64_t position,
                            const QString& routineName);

    // This stream as the failing object of an exception: its dynamic class, no name.
    KxObjectDescription Describe() const;
};

// A stream over its own memory block; writing past the end grows it, a gap reads as zeros.
class TKxMemoryStream : public TKxStream {
public:
    explicit TKxMemoryStream(std::uint32_t granularity = 8192);

    std::uint32_t Read(void* buffer, std::uint32_t count) override;
    std::uint32_t Write(const void* buffer, std::uint32_t count) override;
    std::int64_t Seek(std::int64_t offset, TKxSeekOrigin origin) override;
    std::int64_t Size() override;
    // Shrinking below the position moves the position to the new end.
    void SetSize(std::int64_t newSize) override;

    const TKxMemoryBuffer& Memory() const { return m_memory; }

private:
    TKxMemoryBuffer m_memory;
    std::int64_t m_position = 0;
};

// A stream over lock bytes (a value buffer, for instance), keeping its own position. It holds
// a reference to the lock bytes for its lifetime.
class TKxLockBytesStream : public TKxStream {
public:
    explicit TKxLockBytesStream(KxIntf<ILockBytes> lockBytes, std::int64_t position = 0);

    std::uint32_t Read(void* buffer, std::uint32_t count) override;
    std::uint32_t Write(const void* buffer, std::uint32_t count) override;
    std::int64_t Seek(std::int64_t offset, TKxSeekOrigin origin) override;
    std::int64_t Size() override;
    void SetSize(std::int64_t newSize) override;

    ILockBytes* LockBytes() const { return m_lockBytes.get(); }

private:
    KxIntf<ILockBytes> m_lockBytes;
    std::int64_t m_position;
};

// An implementation of the platform's sequential stream interface. Descendants override
// InternalRead and InternalWrite, which may raise; the public methods turn exceptions into
// result codes. The direction a descendant does not override raises EHrException with
// STG_E_INVALIDFUNCTION and the routine name "InternalRead" or "InternalWrite".
class TKxISequentialStream : public TKxInterfacedObject, public virtual ISequentialStream {
public:
    explicit TKxISequentialStream(TKxLifetime lifetime = TKxLifetime::SelfOwned);

    // `done` receives what InternalRead or InternalWrite reported, also when it then failed.
    KxHResult Read(void* buffer, std::uint32_t count, std::uint32_t* done) override;
    KxHResult Write(const void* buffer, std::uint32_t count, std::uint32_t* done) override;

protected:
    virtual void InternalRead(void* buffer, std::uint32_t count, std::uint32_t& done);
    virtual void InternalWrite(const void* buffer, std::uint32_t count, std::uint32_t& done);

    // Raises EHrException with STG_E_INVALIDFUNCTION, naming `routineName` and this object.
    [[noreturn]] void RaiseInvalidFunction(const char* routineName) const;
};

// An implementation of the platform's seekable stream interface. Beyond reading and writing,
// descendants override the operations they support; the others answer STG_E_INVALIDFUNCTION.
// CopyTo works for every descendant through InternalRead and the destination's Write.
class TKxIStreamBase : public TKxISequentialStream, public virtual IStream {
public:
    using TKxISequentialStream::TKxISequentialStream;

    KxHResult Seek(std::int64_t move, TKxSeekOrigin origin, std::uint64_t* newPosition) override;
    KxHResult SetSize(std::uint64_t newSize) override;
    KxHResult CopyTo(IStream* destination, std::uint64_t count, std::uint64_t* read,
                     std::uint64_t* written) override;
    // Nothing is buffered or transacted: committing has nothing to do unless overridden,
    // and there is never anything to revert.
    KxHResult Commit(std::uint32_t flags) override;
    KxHResult Revert() override;
    KxHResult Stat(KxStatStg* stat, std::uint32_t flags) override;
    KxHResult Clone(KxIntf<IStream>& clone) override;

protected:
    // Answer the new position.
    virtual std::uint64_t InternalSeek(std::int64_t move, TKxSeekOrigin origin);
    virtual void InternalSetSize(std::uint64_t newSize);
    virtual void InternalCommit(std::uint32_t flags);
    virtual std::uint64_t InternalGetSize();
    virtual KxIntf<IStream> InternalClone();
};

// The platform's stream interface over a stream object, which it either borrows (the caller
// keeps it alive for the adapter's lifetime) or owns.
class TKxStreamAdapter : public TKxIStreamBase {
public:
    explicit TKxStreamAdapter(TKxStream& stream, TKxLifetime lifetime = TKxLifetime::SelfOwned);
    explicit TKxStreamAdapter(std::unique_ptr<TKxStream> stream,
                              TKxLifetime lifetime = TKxLifetime::SelfOwned);
    ~TKxStreamAdapter() override;

    TKxStream& Stream() const { return *m_stream; }

protected:
    void InternalRead(void* buffer, std::uint32_t count, std::uint32_t& done) override;
    void InternalWrite(const void* buffer, std::uint32_t count, std::uint32_t& done) override;
    std::uint64_t InternalSeek(std::int64_t move, TKxSeekOrigin origin) override;
    void InternalSetSize(std::uint64_t newSize) override;
    std::uint64_t InternalGetSize() override;

private:
    std::unique_ptr<TKxStream> m_owned;
    TKxStream* m_stream;
};

// A stream object over the platform's sequential or seekable stream interface. A failing
// call raises EHrException (KxCheckHR) with the adapter's routine name; seeking, the size and
// SetSize raise STG_E_INVALIDFUNCTION when the interface is sequential only. The interface is
// released when the adapter is destroyed.
class TKxIStreamAdapter : public TKxStream {
public:
    explicit TKxIStreamAdapter(KxIntf<ISequentialStream> stream);
    ~TKxIStreamAdapter() override;

    std::uint32_t Read(void* buffer, std::uint32_t count) override;
    std::uint32_t Write(const void* buffer, std::uint32_t count) override;
    std::int64_t Seek(std::int64_t offset, TKxSeekOrigin origin) override;
    std::int64_t Size() override;
    void SetSize(std::int64_t newSize) override;

    ISequentialStream* Intf() const { return m_stream.get(); }

private:
    IStream* CheckSeekable(const char* routineName) const;

    KxIntf<ISequentialStream> m_stream;
    KxIntf<IStream> m_seekable;
};

} // namespace kx
