#pragma once

#include "foundation/basic_interfaces.h"
#include "foundation/interfaced_object.h"
#include "foundation/memory_buffer.h"
#include "foundation/stream_interfaces.h"

namespace kx {

// Direct access to the bytes of an in-memory object, for C++ code that needs no result
// codes. The pointer is valid until the object's size next changes.
class IKxMemoryBufferAccess : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1A58, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x15, 0x08}};
    virtual const void* GetData() const = 0;
    virtual std::uint64_t GetDataSize() const = 0;
};

// Lock bytes over a growable memory block: read and write at any offset, writing past the end
// grows the block, and a gap left by such a write reads as zeros, never as stale memory.
// Every value buffer derives from it; the protected hooks are where a buffer refuses size
// changes (a fixed-size kind) or notices that it was written to.
class TKxMemoryLockBytes : public TKxInterfacedObject,
                           public virtual ILockBytes,
                           public virtual IKxMemoryBufferAccess,
                           public virtual IKxAssignFromIntf {
public:
    // The block starts with `initialSize` zero bytes and grows in steps of `granularity`.
    explicit TKxMemoryLockBytes(std::uint32_t granularity = 1, std::uint64_t initialSize = 0,
                                TKxLifetime lifetime = TKxLifetime::SelfOwned);

    // ILockBytes. Reading at or past the end succeeds with 0 bytes; Flush has nothing to do.
    KxHResult ReadAt(std::uint64_t offset, void* buffer, std::uint32_t count,
                     std::uint32_t* done) override;
    KxHResult WriteAt(std::uint64_t offset, const void* buffer, std::uint32_t count,
                      std::uint32_t* done) override;
    KxHResult Flush() override;
    KxHResult SetSize(std::uint64_t newSize) override;
    KxHResult Stat(KxStatStg* stat, std::uint32_t flags) override;

    // IKxMemoryBufferAccess
    const void* GetData() const override { return m_memory.Data(); }
    std::uint64_t GetDataSize() const override { return m_memory.Size(); }

    // Makes this object's bytes a copy of those of `source`'s ILockBytes (raising the interface
    // error when it has none, or the result-code error when reading it fails). The size goes
    // through SetInternalSize, so a buffer that refuses size changes refuses the copy as well;
    // the bytes do not go through InternalWriteAt, because a copy is not an edit.
    void AssignFromIntf(IKxUnknown* source) override;

protected:
    // The one place the size changes; raising here makes SetSize and WriteAt fail with the
    // exception's result code and leaves the data as it was.
    virtual void SetInternalSize(std::uint64_t newSize);

    // Writes all `count` bytes at `offset`, growing through SetInternalSize first when they
    // reach past the end, and answers the number written.
    virtual std::uint32_t InternalWriteAt(std::uint64_t offset, const void* buffer,
                                          std::uint32_t count);

    TKxMemoryBuffer& Memory() { return m_memory; }
    const TKxMemoryBuffer& Memory() const { return m_memory; }

private:
    TKxMemoryBuffer m_memory;
};

} // namespace kx
