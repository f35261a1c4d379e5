#pragma once

#include <cstdint>

namespace kx {

// Which record each row of the data grid shows, and where the rows are: the grid's geometry
// without a widget. Rows are numbered from 1; row r shows the record at position r, except
// that while a record is being inserted the rows from the pending insert row down move one
// further. Vertical scrolling is in pixels and 64 bits wide, so a result of any size can be
// scrolled; the scroll bar, whose range is an int, works in scaled units above that.
class TKxGridRows {
public:
    static constexpr int kMinRowHeight = 10;
    static constexpr int kMaxRowHeight = 150;

    int RowHeight() const { return m_rowHeight; }
    // Clamped to 10 … 150. Keeps the first visible row at the top.
    void SetRowHeight(int height);

    bool ForwardOnly() const { return m_forwardOnly; }
    // Each of these can change the rows' extent: the scroll offset is kept within it.
    void SetForwardOnly(bool value);
    // The recordset's count; a negative (unknown) count counts as no rows.
    void SetRecordCount(std::int64_t count);
    std::int64_t RecordCount() const { return m_recordCount; }
    void SetCurrentPosition(std::int64_t position) { m_currentPosition = position; }

    // The row at which a record being inserted is shown; 0 when none is.
    std::int64_t PendingInsertRow() const { return m_pendingInsertRow; }
    void SetPendingInsertRow(std::int64_t row);

    // A forward-only cursor shows only its current record.
    std::int64_t RowCount() const;
    std::int64_t CurrentRow() const;
    // The record position row `row` shows; 0 for the pending insert row (the new record).
    std::int64_t PositionOfRow(std::int64_t row) const;
    // The row that shows the record at `position`.
    std::int64_t RowOfPosition(std::int64_t position) const;

    // Pixel offset of the first visible pixel row, 0 … ScrollRange().
    std::int64_t ScrollOffset() const { return m_scrollOffset; }
    // Clamped into the range; answers the offset set.
    std::int64_t SetScrollOffset(std::int64_t offset);
    // The largest offset: all rows' pixels less one, 0 without rows.
    std::int64_t ScrollRange() const;
    std::int64_t FirstVisibleRow() const { return m_scrollOffset / m_rowHeight + 1; }
    // The row under the viewport's pixel row `y`.
    std::int64_t RowAtY(int y) const { return (y + m_scrollOffset) / m_rowHeight + 1; }
    // The viewport's pixel row where `row` starts (negative above the viewport).
    std::int64_t YOfRow(std::int64_t row) const { return (row - 1) * m_rowHeight - m_scrollOffset; }
    // The offset nearest to the current one that shows all of `row` in a viewport of
    // `viewportHeight` pixels.
    std::int64_t OffsetShowingRow(std::int64_t row, int viewportHeight) const;

    // The scroll bar's range and value: pixels while they fit an int, else scaled.
    int ScrollBarMaximum() const;
    int ScrollBarValue() const;
    // Answers the offset the value stands for.
    std::int64_t SetScrollBarValue(int value);

    // Pixels per scroll-bar unit: 1 while the range fits, else enough to make it fit. The
    // scroll bar's steps are given in these units.
    std::int64_t ScrollBarScale() const;

private:
    int m_rowHeight = 20;
    bool m_forwardOnly = false;
    std::int64_t m_recordCount = 0;
    std::int64_t m_currentPosition = 0;
    std::int64_t m_pendingInsertRow = 0;
    std::int64_t m_scrollOffset = 0;
};

} // namespace kx
