#pragma once

#include <memory>
#include <vector>

namespace kx {

class TCustomEditor;
class TFastObjectContainer;

// An item that a container owns. Items are created by the container (Add) or, as working
// ranges, without one; an item without a container is owned by whoever made it.
class TFastContainerItem {
public:
    TFastContainerItem() = default;
    TFastContainerItem(const TFastContainerItem&) = delete;
    TFastContainerItem& operator=(const TFastContainerItem&) = delete;
    virtual ~TFastContainerItem() = default;

    TFastObjectContainer* Container() const { return m_container; }
    // Moves the item from its container's list to another container's list. An item
    // without a container has no owner the container could take over, so it stays put.
    void SetContainer(TFastObjectContainer* container);

protected:
    // Called when a container takes the item over.
    virtual void Joined(TFastObjectContainer& container);

private:
    friend class TFastObjectContainer;
    TFastObjectContainer* m_container = nullptr;
};

// Owns its items. Temporary items are created and freed in LIFO order, so removal checks
// the last slot before searching.
class TFastObjectContainer {
public:
    explicit TFastObjectContainer(TCustomEditor* editor);
    TFastObjectContainer(const TFastObjectContainer&) = delete;
    TFastObjectContainer& operator=(const TFastObjectContainer&) = delete;
    // Destroys the items from the last to the first.
    virtual ~TFastObjectContainer();

    TCustomEditor* Editor() const { return m_editor; }
    int Count() const { return static_cast<int>(m_items.size()); }
    TFastContainerItem* Items(int index) const;
    bool Destroying() const { return m_destroying; }

    template <class T, class... Args> T* Add(Args&&... args) {
        auto item = std::make_unique<T>(std::forward<Args>(args)...);
        T* result = item.get();
        Adopt(std::move(item));
        return result;
    }
    // Frees an item this container owns; unknown items are ignored.
    void Destroy(TFastContainerItem* item);

private:
    friend class TFastContainerItem;
    void Adopt(std::unique_ptr<TFastContainerItem> item);
    std::unique_ptr<TFastContainerItem> Extract(TFastContainerItem* item);

    TCustomEditor* m_editor;
    std::vector<std::unique_ptr<TFastContainerItem>> m_items;
    bool m_destroying = false;
};

// The container of an editor; its items are ranges.
class TMCRanges : public TFastObjectContainer {
public:
    using TFastObjectContainer::TFastObjectContainer;
};

} // namespace kx
