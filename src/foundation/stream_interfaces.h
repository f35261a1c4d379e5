#pragma once

#include "foundation/kx_hresult.h"
#include "foundation/kx_intf.h"

#include <cstdint>

namespace kx {

// The platform-style byte interfaces the program implements itself: sequential streams,
// seekable streams and lock bytes (a byte array addressed by offset). Their methods never
// raise; they answer a result code, and `done` counts (which may be null) say how much was
// actually transferred.

struct KxStatStg {
    std::uint64_t cbSize = 0;
};

enum class TKxSeekOrigin : int { Begin = 0, Current = 1, End = 2 };

class ISequentialStream : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x0C733A30, 0x2A1C, 0x11CE, {0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D}};
    virtual KxHResult Read(void* buffer, std::uint32_t count, std::uint32_t* done) = 0;
    virtual KxHResult Write(const void* buffer, std::uint32_t count, std::uint32_t* done) = 0;
};

class IStream : public virtual ISequentialStream {
public:
    static constexpr KxGuid IID{
        0x0000000C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
    virtual KxHResult Seek(std::int64_t move, TKxSeekOrigin origin, std::uint64_t* newPosition) = 0;
    virtual KxHResult SetSize(std::uint64_t newSize) = 0;
    virtual KxHResult CopyTo(IStream* destination, std::uint64_t count, std::uint64_t* read,
                             std::uint64_t* written) = 0;
    virtual KxHResult Commit(std::uint32_t flags) = 0;
    virtual KxHResult Revert() = 0;
    virtual KxHResult Stat(KxStatStg* stat, std::uint32_t flags) = 0;
    virtual KxHResult Clone(KxIntf<IStream>& clone) = 0;
};

class ILockBytes : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x0000000A, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
    virtual KxHResult ReadAt(std::uint64_t offset, void* buffer, std::uint32_t count,
                             std::uint32_t* done) = 0;
    virtual KxHResult WriteAt(std::uint64_t offset, const void* buffer, std::uint32_t count,
                              std::uint32_t* done) = 0;
    virtual KxHResult Flush() = 0;
    virtual KxHResult SetSize(std::uint64_t newSize) = 0;
    virtual KxHResult Stat(KxStatStg* stat, std::uint32_t flags) = 0;
};

} // namespace kx
