#include "datactrls/grid_rows.h"

#include <algorithm>
#include <climits>

namespace kx {

void TKxGridRows::SetRowHeight(int height) {
    height = std::clamp(height, kMinRowHeight, kMaxRowHeight);
    if (height == m_rowHeight)
        return;
    const std::int64_t firstRow = FirstVisibleRow();
    m_rowHeight = height;
    SetScrollOffset((firstRow - 1) * m_rowHeight);
}

void TKxGridRows::SetForwardOnly(bool value) {
    m_forwardOnly = value;
    SetScrollOffset(m_scrollOffset);
}

void TKxGridRows::SetRecordCount(std::int64_t count) {
    m_recordCount = count < 0 ? 0 : count;
    // A result that shrank (a re-execution) must not leave the view past its last row.
    SetScrollOffset(m_scrollOffset);
}

void TKxGridRows::SetPendingInsertRow(std::int64_t row) {
    m_pendingInsertRow = row < 0 ? 0 : row;
    SetScrollOffset(m_scrollOffset);
}

std::int64_t TKxGridRows::RowCount() const {
    if (m_forwardOnly)
        return m_recordCount > 0 ? 1 : 0;
    return m_recordCount + (m_pendingInsertRow > 0 ? 1 : 0);
}

std::int64_t TKxGridRows::CurrentRow() const {
    if (m_pendingInsertRow > 0)
        return m_pendingInsertRow;
    return m_forwardOnly ? 1 : m_currentPosition;
}

std::int64_t TKxGridRows::PositionOfRow(std::int64_t row) const {
    if (m_forwardOnly)
        return m_currentPosition;
    if (m_pendingInsertRow > 0) {
        if (row == m_pendingInsertRow)
            return 0;
        if (row > m_pendingInsertRow)
            return row - 1;
    }
    return row;
}

std::int64_t TKxGridRows::RowOfPosition(std::int64_t position) const {
    if (m_forwardOnly)
        return 1;
    if (m_pendingInsertRow > 0 && position >= m_pendingInsertRow)
        return position + 1;
    return position;
}

std::int64_t TKxGridRows::ScrollRange() const {
    const std::int64_t rows = RowCount();
    return rows > 0 ? rows * m_rowHeight - 1 : 0;
}

std::int64_t TKxGridRows::SetScrollOffset(std::int64_t offset) {
    m_scrollOffset = std::clamp<std::int64_t>(offset, 0, ScrollRange());
    return m_scrollOffset;
}

std::int64_t TKxGridRows::OffsetShowingRow(std::int64_t row, int viewportHeight) const {
    const std::int64_t top = (row - 1) * m_rowHeight;
    const std::int64_t bottom = top + m_rowHeight;
    if (top < m_scrollOffset)
        return top;
    if (bottom > m_scrollOffset + viewportHeight)
        return std::max<std::int64_t>(0, bottom - viewportHeight);
    return m_scrollOffset;
}

std::int64_t TKxGridRows::ScrollBarScale() const {
    const std::int64_t range = ScrollRange();
    return range <= INT_MAX ? 1 : range / INT_MAX + 1;
}

int TKxGridRows::ScrollBarMaximum() const {
    return static_cast<int>(ScrollRange() / ScrollBarScale());
}

int TKxGridRows::ScrollBarValue() const {
    return static_cast<int>(m_scrollOffset / ScrollBarScale());
}

std::int64_t TKxGridRows::SetScrollBarValue(int value) {
    // The last unit reaches the very end, so the last row can always be scrolled to.
    if (value >= ScrollBarMaximum())
        return SetScrollOffset(ScrollRange());
    return SetScrollOffset(static_cast<std::int64_t>(value) * ScrollBarScale());
}

} // namespace kx
