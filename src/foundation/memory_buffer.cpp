#include "foundation/memory_buffer.h"

#include "foundation/exceptions.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>

namespace kx {
namespace {

// No object may be larger than the difference of two pointers can express; refusing such
// sizes up front also keeps the rounding below from overflowing.
constexpr std::uint64_t kMaxBlockSize = std::numeric_limits<std::ptrdiff_t>::max();

[[noreturn]] void RaiseOutOfMemory() {
    throw EHrException(hr::E_OutOfMemory, {}, QStringLiteral("TKxMemoryBuffer.SetSize"));
}

} // namespace

TKxMemoryBuffer::TKxMemoryBuffer(std::uint32_t granularity, bool zeroFill)
    : m_granularity(std::max<std::uint32_t>(granularity, 1)), m_zeroFill(zeroFill) {}

void TKxMemoryBuffer::SetSize(std::uint64_t newSize) {
    if (newSize == m_size)
        return;
    if (newSize > kMaxBlockSize)
        RaiseOutOfMemory();
    const auto roundUp = [this](std::uint64_t size) {
        return (size + m_granularity - 1) / m_granularity * m_granularity;
    };
    if (newSize > m_capacity) {
        // Growing takes at least half the old capacity again, so a value that arrives block by
        // block (long data fetched in chunks, a stream being written) costs a logarithmic
        // number of reallocations instead of one per block.
        const std::uint64_t geometric = std::min(kMaxBlockSize, m_capacity + m_capacity / 2);
        Reallocate(roundUp(std::max(newSize, geometric)));
    } else if (roundUp(newSize) <= m_capacity / 2) {
        // Memory goes back once the data fits in half the block; shrinking by less keeps the
        // block, so a size moving back and forth around one boundary does not reallocate.
        Reallocate(roundUp(newSize));
    }
    // Growing inside the old capacity uncovers bytes the buffer held before it shrank, so the
    // whole grown range is cleared, not only what was just allocated.
    if (m_zeroFill && newSize > m_size)
        std::memset(m_data.get() + m_size, 0, newSize - m_size);
    m_size = newSize;
    if (m_onChange)
        m_onChange(*this);
}

void TKxMemoryBuffer::Reallocate(std::uint64_t newCapacity) {
    if (newCapacity == 0) {
        m_data.reset();
    } else {
        void* block = std::realloc(m_data.get(), newCapacity);
        if (block == nullptr)
            RaiseOutOfMemory(); // realloc left the old block in place
        (void)m_data.release();
        m_data.reset(static_cast<unsigned char*>(block));
    }
    m_capacity = newCapacity;
}

std::uint32_t TKxMemoryBuffer::ReadAt(std::uint64_t offset, void* buffer,
                                      std::uint32_t count) const {
    if (offset >= m_size)
        return 0;
    const auto available =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(count, m_size - offset));
    if (available > 0)
        std::memcpy(buffer, m_data.get() + offset, available);
    return available;
}

void TKxMemoryBuffer::WriteAt(std::uint64_t offset, const void* buffer, std::uint32_t count) {
    if (count == 0)
        return;
    if (offset > kMaxBlockSize - count)
        RaiseOutOfMemory();
    if (offset + count > m_size)
        SetSize(offset + count);
    std::memcpy(m_data.get() + offset, buffer, count);
}

} // namespace kx
