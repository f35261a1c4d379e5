#pragma once

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>

namespace kx {

// A growable block of bytes. Its capacity is a multiple of the allocation granularity and
// grows geometrically (by at least half), so a buffer that grows byte by byte or block by
// block (a value being edited, a 100 MB value being fetched) reallocates a logarithmic number
// of times. Shrinking to half the capacity or less gives memory back, and size 0 holds no
// memory at all.
//
// The data may move whenever the size changes; owners that hand the address to somebody
// else (a driver buffer bound to a column) set the change callback and pass the new address
// on.
class TKxMemoryBuffer {
public:
    // Called after every change of the size, with the buffer's new state.
    using TChangeEvent = std::function<void(const TKxMemoryBuffer& buffer)>;

    // A granularity of 0 counts as 1. With `zeroFill`, bytes that become part of the data by
    // growing read as 0, also where the buffer had held data before it shrank.
    explicit TKxMemoryBuffer(std::uint32_t granularity = 1, bool zeroFill = false);

    TKxMemoryBuffer(const TKxMemoryBuffer&) = delete;
    TKxMemoryBuffer& operator=(const TKxMemoryBuffer&) = delete;

    void* Data() { return m_data.get(); }
    const void* Data() const { return m_data.get(); }
    std::uint64_t Size() const { return m_size; }
    std::uint64_t Capacity() const { return m_capacity; }
    std::uint32_t Granularity() const { return m_granularity; }
    bool ZeroFill() const { return m_zeroFill; }

    // Keeps the first min(old, new) bytes. Raises EHrException with E_OutOfMemory (routine
    // "TKxMemoryBuffer.SetSize") when the memory cannot be had; the buffer is then unchanged.
    void SetSize(std::uint64_t newSize);
    void Clear() { SetSize(0); }

    void SetOnChange(TChangeEvent onChange) { m_onChange = std::move(onChange); }

    // Copies up to `count` bytes from `offset` and answers how many there were: fewer near
    // the end, 0 at or past it.
    std::uint32_t ReadAt(std::uint64_t offset, void* buffer, std::uint32_t count) const;

    // Copies `count` bytes to `offset`, growing the buffer when they reach past its end.
    void WriteAt(std::uint64_t offset, const void* buffer, std::uint32_t count);

private:
    struct TFree {
        void operator()(void* block) const { std::free(block); }
    };

    void Reallocate(std::uint64_t newCapacity);

    std::unique_ptr<unsigned char, TFree> m_data;
    std::uint64_t m_size = 0;
    std::uint64_t m_capacity = 0;
    std::uint32_t m_granularity;
    bool m_zeroFill;
    TChangeEvent m_onChange;
};

} // namespace kx
