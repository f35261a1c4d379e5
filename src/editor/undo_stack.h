#pragma once

#include <QString>
#include <vector>

namespace kx {

// Applying an operation replaces Start..End by Text. A pair of group markers (both ends -1,
// no text) brackets operations that are undone and redone as one step.
struct TUndoOperation {
    int Start = -1;
    int End = -1;
    QString Text;

    bool IsGroupMarker() const { return Start == -1 && End == -1 && Text.isEmpty(); }
    static TUndoOperation GroupMarker() { return {}; }
};

// An unbounded stack of operations. It is a vector rather than a linked list so that a
// very deep history is freed without recursion.
class TUndoStack {
public:
    bool IsEmpty() const { return m_items.empty(); }
    int Count() const { return static_cast<int>(m_items.size()); }
    void Clear() { m_items.clear(); }
    void Push(TUndoOperation operation) { m_items.push_back(std::move(operation)); }
    TUndoOperation Pop();
    // Top of the stack; null when empty.
    TUndoOperation* Top() { return m_items.empty() ? nullptr : &m_items.back(); }

private:
    std::vector<TUndoOperation> m_items;
};

} // namespace kx
