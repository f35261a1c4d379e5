#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace kx {

// The rows a grid column keeps display values for: the rows on screen plus two, starting at
// the first (partly) visible row. Scrolling, inserting and deleting move the window over the
// rows; the values already read move with their rows, and only the slots that come into view
// are empty and have to be read.
class TKxGridCacheWindow {
public:
    // Slots for a viewport of `viewportHeight` pixels and rows of `rowHeight` pixels.
    static int SlotCountFor(int viewportHeight, int rowHeight);

    int SlotCount() const { return m_slots; }
    std::int64_t FirstRow() const { return m_firstRow; }
    void Reset(int slots, std::int64_t firstRow);

    // Whether `row` has a slot; its slot, or raises "Cache Position" out of range
    // (routine CachePosFromAbsPos) when it has none.
    bool HasSlot(std::int64_t row) const;
    int SlotOfRow(std::int64_t row) const;

    // How the slots map after the window moved to start at `firstRow`: for each new slot the
    // old slot whose value it keeps, or -1 when it is a row that comes into view.
    std::vector<int> MoveTo(std::int64_t firstRow);
    // After a row was inserted at `row` (rows from it move down one) or removed there (rows
    // below move up one): the same mapping; the slot of the new row, and the slot that comes
    // in at the bottom after a removal, are -1.
    std::vector<int> RowInserted(std::int64_t row) const;
    std::vector<int> RowRemoved(std::int64_t row) const;
    // A new slot count (a resize or a new row height): existing slots keep their rows, new
    // ones at the end are empty.
    std::vector<int> Resize(int slots);

private:
    int m_slots = 0;
    std::int64_t m_firstRow = 1;
};

} // namespace kx
