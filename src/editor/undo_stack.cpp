#include "editor/undo_stack.h"

namespace kx {

TUndoOperation TUndoStack::Pop() {
    if (m_items.empty())
        return {};
    TUndoOperation result = std::move(m_items.back());
    m_items.pop_back();
    return result;
}

} // namespace kx
