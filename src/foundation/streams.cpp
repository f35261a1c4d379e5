#include "foundation/streams.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace kx {
namespace {

QString Routine(const char* name) {
    return QString::fromLatin1(name);
}

// Positions and sizes are signed in the stream object and unsigned in the platform
// interfaces; a value one side cannot express is a bad parameter, not a silent wrap.
std::int64_t ToSigned(std::uint64_t value, const char* routineName) {
    if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
        throw EHrException(hr::STG_E_InvalidParameter, {}, Routine(routineName));
    return static_cast<std::int64_t>(value);
}

std::uint64_t ToUnsigned(std::int64_t value, const char* routineName) {
    if (value < 0)
        throw EHrException(hr::STG_E_InvalidParameter, {}, Routine(routineName));
    return static_cast<std::uint64_t>(value);
}

} // namespace

// ---- TKxStream

TKxStream::~TKxStream() = default;

std::int64_t TKxStream::Size() {
    const std::int64_t position = Seek(0, TKxSeekOrigin::Current);
    const std::int64_t size = Seek(0, TKxSeekOrigin::End);
    Seek(position, TKxSeekOrigin::Begin);
    return size;
}

void TKxStream::SetSize(std::int64_t) {
    throw EHrException(hr::STG_E_InvalidFunction, {}, Routine("TKxStream.SetSize"), Describe());
}

void TKxStream::ReadBuffer(void* buffer, std::uint32_t count) {
    const std::uint32_t done = Read(buffer, count);
    if (done != count)
        KxRaise(KxReadErrorText(count, done), Routine("TKxStream.ReadBuffer"), Describe());
}

void TKxStream::WriteBuffer(const void* buffer, std::uint32_t count) {
    const std::uint32_t done = Write(buffer, count);
    if (done != count)
        KxRaise(KxWriteErrorText(count, done), Routine("TKxStream.WriteBuffer"), Describe());
}

std::int64_t TKxStream::CopyFrom(TKxStream& source, std::int64_t count) {
    if (count < 0)
        throw EHrException(hr::STG_E_InvalidParameter, {}, Routine("TKxStream.CopyFrom"),
                           Describe());
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    std::vector<unsigned char> block(std::min<std::int64_t>(count, kxStreamCopyBlockSize));
    for (std::int64_t left = count; left > 0;) {
        const auto part = static_cast<std::uint32_t>(std::min<std::int64_t>(left, block.size()));
        source.ReadBuffer(block.data(), part);
        WriteBuffer(block.data(), part);
        left -= part;
    }
    return count;
}

std::int64_t TKxStream::CopyAllFrom(TKxStream& source) {
    std::vector<unsigned char> block(kxStreamCopyBlockSize);
    std::int64_t copied = 0;
    for (;;) {
        const std::uint32_t part = source.Read(block.data(), kxStreamCopyBlockSize);
        WriteBuffer(block.data(), part);
        copied += part;
        if (part < kxStreamCopyBlockSize)
            return copied;
    }
}

std::int64_t TKxStream::SeekTarget(std::int64_t offset, TKxSeekOrigin origin, std::int64_t position,
                                   const QString& routineName) {
    std::int64_t base = 0;
    switch (origin) {
    case TKxSeekOrigin::Begin:
        break;
    case TKxSeekOrigin::Current:
        base = position;
        break;
    case TKxSeekOrigin::End:
        base = Size();
        break;
    default:
        throw EHrException(hr::STG_E_InvalidFunction, {}, routineName, Describe());
    }
    std::int64_t target = 0;
    if (__builtin_add_overflow(base, offset, &target) || target < 0)
        throw EHrException(hr::STG_E_InvalidFunction, {}, routineName, Describe());
    return target;
}

KxObjectDescription TKxStream::Describe() const {
    KxObjectDescription description;
    description.name = QStringLiteral("?");
    description.className = KxClassNameOf(*this);
    return description;
}

// ---- TKxMemoryStream

TKxMemoryStream::TKxMemoryStream(std::uint32_t granularity) : m_memory(granularity, true) {}

std::uint32_t TKxMemoryStream::Read(void* buffer, std::uint32_t count) {
    const std::uint32_t done =
        m_memory.ReadAt(static_cast<std::uint64_t>(m_position), buffer, count);
    m_position += done;
    return done;
}

std::uint32_t TKxMemoryStream::Write(const void* buffer, std::uint32_t count) {
    m_memory.WriteAt(static_cast<std::uint64_t>(m_position), buffer, count);
    m_position += count;
    return count;
}

std::int64_t TKxMemoryStream::Seek(std::int64_t offset, TKxSeekOrigin origin) {
    m_position = SeekTarget(offset, origin, m_position, Routine("TKxMemoryStream.Seek"));
    return m_position;
}

std::int64_t TKxMemoryStream::Size() {
    return static_cast<std::int64_t>(m_memory.Size());
}

void TKxMemoryStream::SetSize(std::int64_t newSize) {
    m_memory.SetSize(ToUnsigned(newSize, "TKxMemoryStream.SetSize"));
    m_position = std::min(m_position, newSize);
}

// ---- TKxLockBytesStream

TKxLockBytesStream::TKxLockBytesStream(KxIntf<ILockBytes> lockBytes, std::int64_t position)
    : m_lockBytes(std::move(lockBytes)), m_position(position) {
    KxCheckPointer(m_lockBytes.get(), QStringLiteral("Lock Bytes"), Describe(),
                   Routine("TKxLockBytesStream.Create"));
    if (m_position < 0)
        throw EHrException(hr::STG_E_InvalidParameter, {}, Routine("TKxLockBytesStream.Create"),
                           Describe());
}

std::uint32_t TKxLockBytesStream::Read(void* buffer, std::uint32_t count) {
    std::uint32_t done = 0;
    KxCheckHR(m_lockBytes->ReadAt(static_cast<std::uint64_t>(m_position), buffer, count, &done),
              Describe(), Routine("TKxLockBytesStream.Read"));
    m_position += done;
    return done;
}

std::uint32_t TKxLockBytesStream::Write(const void* buffer, std::uint32_t count) {
    std::uint32_t done = 0;
    KxCheckHR(m_lockBytes->WriteAt(static_cast<std::uint64_t>(m_position), buffer, count, &done),
              Describe(), Routine("TKxLockBytesStream.Write"));
    m_position += done;
    return done;
}

std::int64_t TKxLockBytesStream::Seek(std::int64_t offset, TKxSeekOrigin origin) {
    m_position = SeekTarget(offset, origin, m_position, Routine("TKxLockBytesStream.Seek"));
    return m_position;
}

std::int64_t TKxLockBytesStream::Size() {
    KxStatStg stat;
    KxCheckHR(m_lockBytes->Stat(&stat, 0), Describe(), Routine("TKxLockBytesStream.Size"));
    return ToSigned(stat.cbSize, "TKxLockBytesStream.Size");
}

void TKxLockBytesStream::SetSize(std::int64_t newSize) {
    KxCheckHR(m_lockBytes->SetSize(ToUnsigned(newSize, "TKxLockBytesStream.SetSize")), Describe(),
              Routine("TKxLockBytesStream.SetSize"));
}

// ---- TKxISequentialStream

TKxISequentialStream::TKxISequentialStream(TKxLifetime lifetime) : TKxInterfacedObject(lifetime) {}

KxHResult TKxISequentialStream::Read(void* buffer, std::uint32_t count, std::uint32_t* done) {
    std::uint32_t transferred = 0;
    const KxHResult result = KxGuardedHResult([&] {
        if (buffer == nullptr && count > 0)
            return hr::STG_E_InvalidPointer;
        InternalRead(buffer, count, transferred);
        return hr::S_Ok;
    });
    if (done != nullptr)
        *done = transferred;
    return result;
}

KxHResult TKxISequentialStream::Write(const void* buffer, std::uint32_t count,
                                      std::uint32_t* done) {
    std::uint32_t transferred = 0;
    const KxHResult result = KxGuardedHResult([&] {
        if (buffer == nullptr && count > 0)
            return hr::STG_E_InvalidPointer;
        InternalWrite(buffer, count, transferred);
        return hr::S_Ok;
    });
    if (done != nullptr)
        *done = transferred;
    return result;
}

void TKxISequentialStream::InternalRead(void*, std::uint32_t, std::uint32_t&) {
    RaiseInvalidFunction("InternalRead");
}

void TKxISequentialStream::InternalWrite(const void*, std::uint32_t, std::uint32_t&) {
    RaiseInvalidFunction("InternalWrite");
}

void TKxISequentialStream::RaiseInvalidFunction(const char* routineName) const {
    throw EHrException(hr::STG_E_InvalidFunction, {}, Routine(routineName),
                       KxObjectDescription(this));
}

// ---- TKxIStreamBase

KxHResult TKxIStreamBase::Seek(std::int64_t move, TKxSeekOrigin origin,
                               std::uint64_t* newPosition) {
    return KxGuardedHResult([&] {
        const std::uint64_t position = InternalSeek(move, origin);
        if (newPosition != nullptr)
            *newPosition = position;
        return hr::S_Ok;
    });
}

KxHResult TKxIStreamBase::SetSize(std::uint64_t newSize) {
    return KxGuardedHResult([&] {
        InternalSetSize(newSize);
        return hr::S_Ok;
    });
}

KxHResult TKxIStreamBase::CopyTo(IStream* destination, std::uint64_t count, std::uint64_t* read,
                                 std::uint64_t* written) {
    std::uint64_t totalRead = 0;
    std::uint64_t totalWritten = 0;
    const KxHResult result = KxGuardedHResult([&] {
        if (destination == nullptr)
            return hr::STG_E_InvalidPointer;
        std::vector<unsigned char> block(std::min<std::uint64_t>(count, kxStreamCopyBlockSize));
        while (totalRead < count) {
            const auto wanted = static_cast<std::uint32_t>(
                std::min<std::uint64_t>(count - totalRead, block.size()));
            std::uint32_t got = 0;
            InternalRead(block.data(), wanted, got);
            totalRead += got;
            std::uint32_t put = 0;
            const KxHResult writeResult =
                got > 0 ? destination->Write(block.data(), got, &put) : hr::S_Ok;
            totalWritten += put;
            if (KxFailed(writeResult))
                return writeResult;
            if (put < got)
                return hr::STG_E_MediumFull;
            if (got < wanted)
                break; // the end of this stream
        }
        return hr::S_Ok;
    });
    if (read != nullptr)
        *read = totalRead;
    if (written != nullptr)
        *written = totalWritten;
    return result;
}

KxHResult TKxIStreamBase::Commit(std::uint32_t flags) {
    return KxGuardedHResult([&] {
        InternalCommit(flags);
        return hr::S_Ok;
    });
}

KxHResult TKxIStreamBase::Revert() {
    return hr::S_Ok;
}

KxHResult TKxIStreamBase::Stat(KxStatStg* stat, std::uint32_t) {
    return KxGuardedHResult([&] {
        if (stat == nullptr)
            return hr::STG_E_InvalidPointer;
        stat->cbSize = InternalGetSize();
        return hr::S_Ok;
    });
}

KxHResult TKxIStreamBase::Clone(KxIntf<IStream>& clone) {
    clone.reset();
    return KxGuardedHResult([&] {
        clone = InternalClone();
        return hr::S_Ok;
    });
}

std::uint64_t TKxIStreamBase::InternalSeek(std::int64_t, TKxSeekOrigin) {
    RaiseInvalidFunction("InternalSeek");
}

void TKxIStreamBase::InternalSetSize(std::uint64_t) {
    RaiseInvalidFunction("InternalSetSize");
}

void TKxIStreamBase::InternalCommit(std::uint32_t) {}

std::uint64_t TKxIStreamBase::InternalGetSize() {
    RaiseInvalidFunction("InternalGetSize");
}

KxIntf<IStream> TKxIStreamBase::InternalClone() {
    RaiseInvalidFunction("InternalClone");
}

// ---- TKxStreamAdapter

TKxStreamAdapter::TKxStreamAdapter(TKxStream& stream, TKxLifetime lifetime)
    : TKxIStreamBase(lifetime), m_stream(&stream) {}

TKxStreamAdapter::TKxStreamAdapter(std::unique_ptr<TKxStream> stream, TKxLifetime lifetime)
    : TKxIStreamBase(lifetime), m_owned(std::move(stream)), m_stream(m_owned.get()) {
    KxCheckPointer(m_stream, QStringLiteral("Stream"), KxObjectDescription(this),
                   Routine("TKxStreamAdapter.Create"));
}

TKxStreamAdapter::~TKxStreamAdapter() = default;

void TKxStreamAdapter::InternalRead(void* buffer, std::uint32_t count, std::uint32_t& done) {
    done = m_stream->Read(buffer, count);
}

void TKxStreamAdapter::InternalWrite(const void* buffer, std::uint32_t count, std::uint32_t& done) {
    done = m_stream->Write(buffer, count);
}

std::uint64_t TKxStreamAdapter::InternalSeek(std::int64_t move, TKxSeekOrigin origin) {
    return static_cast<std::uint64_t>(m_stream->Seek(move, origin));
}

void TKxStreamAdapter::InternalSetSize(std::uint64_t newSize) {
    m_stream->SetSize(ToSigned(newSize, "TKxStreamAdapter.SetSize"));
}

std::uint64_t TKxStreamAdapter::InternalGetSize() {
    return static_cast<std::uint64_t>(m_stream->Size());
}

// ---- TKxIStreamAdapter

TKxIStreamAdapter::TKxIStreamAdapter(KxIntf<ISequentialStream> stream)
    : m_stream(std::move(stream)), m_seekable(KxQuery<IStream>(m_stream)) {
    KxCheckPointer(m_stream.get(), QStringLiteral("Stream"), Describe(),
                   Routine("TKxIStreamAdapter.Create"));
}

TKxIStreamAdapter::~TKxIStreamAdapter() = default;

std::uint32_t TKxIStreamAdapter::Read(void* buffer, std::uint32_t count) {
    std::uint32_t done = 0;
    KxCheckHR(m_stream->Read(buffer, count, &done), Describe(), Routine("TKxIStreamAdapter.Read"));
    return done;
}

std::uint32_t TKxIStreamAdapter::Write(const void* buffer, std::uint32_t count) {
    std::uint32_t done = 0;
    KxCheckHR(m_stream->Write(buffer, count, &done), Describe(),
              Routine("TKxIStreamAdapter.Write"));
    return done;
}

std::int64_t TKxIStreamAdapter::Seek(std::int64_t offset, TKxSeekOrigin origin) {
    std::uint64_t position = 0;
    KxCheckHR(CheckSeekable("TKxIStreamAdapter.Seek")->Seek(offset, origin, &position), Describe(),
              Routine("TKxIStreamAdapter.Seek"));
    return ToSigned(position, "TKxIStreamAdapter.Seek");
}

std::int64_t TKxIStreamAdapter::Size() {
    KxStatStg stat;
    KxCheckHR(CheckSeekable("TKxIStreamAdapter.Size")->Stat(&stat, 0), Describe(),
              Routine("TKxIStreamAdapter.Size"));
    return ToSigned(stat.cbSize, "TKxIStreamAdapter.Size");
}

void TKxIStreamAdapter::SetSize(std::int64_t newSize) {
    IStream* seekable = CheckSeekable("TKxIStreamAdapter.SetSize");
    KxCheckHR(seekable->SetSize(ToUnsigned(newSize, "TKxIStreamAdapter.SetSize")), Describe(),
              Routine("TKxIStreamAdapter.SetSize"));
}

IStream* TKxIStreamAdapter::CheckSeekable(const char* routineName) const {
    if (!m_seekable)
        throw EHrException(hr::STG_E_InvalidFunction, {}, Routine(routineName), Describe());
    return m_seekable.get();
}

} // namespace kx
