#include "foundation/memory_lock_bytes.h"

#include "foundation/exceptions.h"
#include "foundation/streams.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace kx {

// Zero fill is always on: lock bytes are read by offset, and a gap left by a write past the
// end must not expose whatever the allocator had in that memory before.
TKxMemoryLockBytes::TKxMemoryLockBytes(std::uint32_t granularity, std::uint64_t initialSize,
                                       TKxLifetime lifetime)
    : TKxInterfacedObject(lifetime), m_memory(granularity, true) {
    m_memory.SetSize(initialSize);
}

KxHResult TKxMemoryLockBytes::ReadAt(std::uint64_t offset, void* buffer, std::uint32_t count,
                                     std::uint32_t* done) {
    std::uint32_t transferred = 0;
    const KxHResult result = KxGuardedHResult([&] {
        if (buffer == nullptr && count > 0)
            return hr::STG_E_InvalidPointer;
        transferred = m_memory.ReadAt(offset, buffer, count);
        return hr::S_Ok;
    });
    if (done != nullptr)
        *done = transferred;
    return result;
}

KxHResult TKxMemoryLockBytes::WriteAt(std::uint64_t offset, const void* buffer, std::uint32_t count,
                                      std::uint32_t* done) {
    std::uint32_t transferred = 0;
    const KxHResult result = KxGuardedHResult([&] {
        if (buffer == nullptr && count > 0)
            return hr::STG_E_InvalidPointer;
        transferred = InternalWriteAt(offset, buffer, count);
        return hr::S_Ok;
    });
    if (done != nullptr)
        *done = transferred;
    return result;
}

KxHResult TKxMemoryLockBytes::Flush() {
    return hr::S_Ok;
}

KxHResult TKxMemoryLockBytes::SetSize(std::uint64_t newSize) {
    return KxGuardedHResult([&] {
        SetInternalSize(newSize);
        return hr::S_Ok;
    });
}

KxHResult TKxMemoryLockBytes::Stat(KxStatStg* stat, std::uint32_t) {
    if (stat == nullptr)
        return hr::STG_E_InvalidPointer;
    stat->cbSize = m_memory.Size();
    return hr::S_Ok;
}

void TKxMemoryLockBytes::AssignFromIntf(IKxUnknown* source) {
    const QString routine = QStringLiteral("AssignFromIntf");
    const KxIntf<ILockBytes> bytes = KxCheckQueryInterface<ILockBytes>(source, routine);
    if (bytes.get() == static_cast<ILockBytes*>(this))
        return;
    KxStatStg stat;
    KxCheckHR(bytes->Stat(&stat, 0), KxObjectDescription::OfInterface(source), routine);
    SetInternalSize(stat.cbSize);
    if (m_memory.Size() != stat.cbSize)
        throw EHrException(hr::STG_E_MediumFull, {}, routine, this);
    auto* data = static_cast<unsigned char*>(m_memory.Data());
    for (std::uint64_t offset = 0; offset < stat.cbSize;) {
        const auto wanted = static_cast<std::uint32_t>(std::min<std::uint64_t>(
            stat.cbSize - offset, std::numeric_limits<std::uint32_t>::max()));
        std::uint32_t done = 0;
        KxCheckHR(bytes->ReadAt(offset, data + offset, wanted, &done),
                  KxObjectDescription::OfInterface(source), routine);
        // A source that delivers less than its own size is a broken source, not an end.
        if (done == 0)
            throw EHrException(hr::STG_E_ReadFault, {}, routine,
                               KxObjectDescription::OfInterface(source));
        offset += done;
    }
}

void TKxMemoryLockBytes::SetInternalSize(std::uint64_t newSize) {
    m_memory.SetSize(newSize);
}

std::uint32_t TKxMemoryLockBytes::InternalWriteAt(std::uint64_t offset, const void* buffer,
                                                  std::uint32_t count) {
    if (count == 0)
        return 0;
    if (offset > std::numeric_limits<std::uint64_t>::max() - count)
        throw EHrException(hr::STG_E_MediumFull, {}, QStringLiteral("InternalWriteAt"), this);
    const std::uint64_t end = offset + count;
    if (end > m_memory.Size())
        SetInternalSize(end);
    if (end > m_memory.Size()) // an override that did not grow must not be written past
        throw EHrException(hr::STG_E_MediumFull, {}, QStringLiteral("InternalWriteAt"), this);
    std::memcpy(static_cast<unsigned char*>(m_memory.Data()) + offset, buffer, count);
    return count;
}

} // namespace kx
