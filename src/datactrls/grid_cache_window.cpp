#include "datactrls/grid_cache_window.h"

#include "foundation/exceptions.h"

#include <QCoreApplication>
#include <algorithm>

namespace kx {

int TKxGridCacheWindow::SlotCountFor(int viewportHeight, int rowHeight) {
    return std::max(viewportHeight, 0) / std::max(rowHeight, 1) + 2;
}

void TKxGridCacheWindow::Reset(int slots, std::int64_t firstRow) {
    m_slots = std::max(slots, 0);
    m_firstRow = firstRow;
}

bool TKxGridCacheWindow::HasSlot(std::int64_t row) const {
    return row >= m_firstRow && row - m_firstRow < m_slots;
}

int TKxGridCacheWindow::SlotOfRow(std::int64_t row) const {
    if (!HasSlot(row))
        KxRaise(KxOutOfRangeText(
                    QCoreApplication::translate("KxDataCtrls", "Cache Position"),
                    static_cast<int>(std::clamp<std::int64_t>(row - m_firstRow, INT_MIN, INT_MAX)),
                    0, m_slots - 1),
                QStringLiteral("CachePosFromAbsPos"));
    return static_cast<int>(row - m_firstRow);
}

std::vector<int> TKxGridCacheWindow::MoveTo(std::int64_t firstRow) {
    std::vector<int> mapping(static_cast<std::size_t>(m_slots), -1);
    const std::int64_t delta = firstRow - m_firstRow;
    // A move by the whole window or more keeps nothing.
    if (delta > -m_slots && delta < m_slots) {
        for (int slot = 0; slot < m_slots; ++slot) {
            const std::int64_t old = slot + delta;
            if (old >= 0 && old < m_slots)
                mapping[static_cast<std::size_t>(slot)] = static_cast<int>(old);
        }
    }
    m_firstRow = firstRow;
    return mapping;
}

std::vector<int> TKxGridCacheWindow::RowInserted(std::int64_t row) const {
    std::vector<int> mapping(static_cast<std::size_t>(m_slots));
    for (int slot = 0; slot < m_slots; ++slot) {
        const std::int64_t shown = m_firstRow + slot;
        if (shown < row)
            mapping[static_cast<std::size_t>(slot)] = slot;
        else if (shown == row)
            mapping[static_cast<std::size_t>(slot)] = -1;
        else
            mapping[static_cast<std::size_t>(slot)] = slot - 1;
    }
    return mapping;
}

std::vector<int> TKxGridCacheWindow::RowRemoved(std::int64_t row) const {
    std::vector<int> mapping(static_cast<std::size_t>(m_slots));
    for (int slot = 0; slot < m_slots; ++slot) {
        const std::int64_t shown = m_firstRow + slot;
        const int from = shown < row ? slot : slot + 1;
        mapping[static_cast<std::size_t>(slot)] = from < m_slots ? from : -1;
    }
    return mapping;
}

std::vector<int> TKxGridCacheWindow::Resize(int slots) {
    slots = std::max(slots, 0);
    std::vector<int> mapping(static_cast<std::size_t>(slots), -1);
    for (int slot = 0; slot < std::min(slots, m_slots); ++slot)
        mapping[static_cast<std::size_t>(slot)] = slot;
    m_slots = slots;
    return mapping;
}

} // namespace kx
