#include "editor/range_container.h"

#include <algorithm>

namespace kx {

void TFastContainerItem::SetContainer(TFastObjectContainer* container) {
    if (container == m_container || !m_container || !container)
        return;
    container->Adopt(m_container->Extract(this));
}

void TFastContainerItem::Joined(TFastObjectContainer&) {}

TFastObjectContainer::TFastObjectContainer(TCustomEditor* editor) : m_editor(editor) {}

TFastObjectContainer::~TFastObjectContainer() {
    m_destroying = true;
    while (!m_items.empty()) {
        std::unique_ptr<TFastContainerItem> item = std::move(m_items.back());
        m_items.pop_back();
        item.reset();
    }
}

TFastContainerItem* TFastObjectContainer::Items(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return m_items[static_cast<size_t>(index)].get();
}

void TFastObjectContainer::Adopt(std::unique_ptr<TFastContainerItem> item) {
    if (!item)
        return;
    item->m_container = this;
    TFastContainerItem* raw = item.get();
    m_items.push_back(std::move(item));
    raw->Joined(*this);
}

std::unique_ptr<TFastContainerItem> TFastObjectContainer::Extract(TFastContainerItem* item) {
    if (!item || m_items.empty())
        return nullptr;
    auto found = m_items.end() - 1;
    if (found->get() != item)
        found = std::find_if(m_items.begin(), m_items.end(),
                             [item](const auto& owned) { return owned.get() == item; });
    if (found == m_items.end())
        return nullptr;
    std::unique_ptr<TFastContainerItem> result = std::move(*found);
    m_items.erase(found);
    result->m_container = nullptr;
    return result;
}

void TFastObjectContainer::Destroy(TFastContainerItem* item) {
    if (m_destroying)
        return;
    Extract(item).reset();
}

} // namespace kx
