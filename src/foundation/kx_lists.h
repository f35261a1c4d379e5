#pragma once

#include "foundation/critical_section.h"
#include "foundation/operations.h"

#include <QString>
#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

namespace kx {

// What a compare routine answers. Only these three values are accepted; any other answer
// raises "Invalid Compare Result", because a binary search or sort over a routine that
// answers something else would silently misplace items.
enum TKxCompareResult : int {
    crLess = 0,
    crEqual = 1,
    crGreater = 2,
};

// Compares two items, or a search key with an item (the key is the first argument).
using TKxListCompare = std::function<int(const void* item1, const void* item2)>;
using TKxListKeyCompare = std::function<int(const void* key, const void* item)>;

// The core of the lists: an array of untyped item pointers guarded by the list's own
// recursive lock. A list is unsorted (items stay where they are put) or sorted by its compare
// routine: then Add inserts in order (after the items that compare equal, so equal items
// keep the order in which they came) and Find / FindKey search binarily.
//
// Every method takes the lock; a caller that needs several calls to see the same state (an
// enumeration, find-then-add) holds the lock around them with TKxCriticalSectionLock, as the
// list offers IKxCriticalSection itself. Items removed from the list are disposed of (freed,
// released) only once the array is consistent again and the list's method has left its lock,
// so code run by the disposal (a destructor, a Release) may use the list.
//
// Lists answer IKxGetCount and execute opClear; other operations are not executable.
class TKxListBase : public TKxInterfacedObject,
                    public virtual IKxCriticalSection,
                    public virtual IKxGetCount,
                    public virtual IKxCanExecuteOperation,
                    public virtual IKxExecuteOperation {
public:
    ~TKxListBase() override;

    int Count() const;
    int GetCount() const override { return Count(); }

    bool Sorted() const;
    // Sorting an unsorted list orders its items by the compare routine (equal items keep
    // their order); raises "The List has no Compare Routine" when there is none.
    void SetSorted(bool sorted);
    // Sorts the items once by the compare routine, leaving the Sorted flag as it is.
    void Sort();

    void Clear();
    void Delete(int index);
    // Rearranging is for unsorted lists only; sorted ones raise
    // "Operation not supported on sorted Lists". Move takes the item out of `currentIndex`
    // and puts it at `newIndex`, rotating the items between the two positions.
    void Exchange(int index1, int index2);
    void Move(int currentIndex, int newIndex);

    void Enter() override;
    void Leave() override;

    bool CanExecuteOperation(int operation, IKxUnknown* parameter) override;
    bool ExecuteOperation(int operation, IKxUnknown* parameter) override;

protected:
    explicit TKxListBase(TKxLifetime lifetime);

    // Answers the index the item got. On a sorted list the item goes to its place by the
    // compare routine; nothing is added when the routine raises.
    int AddItem(void* item);
    // Raises on sorted lists; `index` may be Count (append).
    void InsertItem(int index, void* item);
    void* ItemAt(int index) const;
    // Identity search; -1 when the item is not in the list.
    int IndexOfItem(const void* item) const;
    // Removes and disposes the first occurrence; answers its index or -1.
    int RemoveItem(const void* item);
    // Removes the item without disposing it; the caller takes over what the list held.
    void* ExtractItem(int index);
    // Binary searches of sorted lists (unsorted ones raise "Operation not supported on
    // unsorted Lists"). Both answer whether an equal item exists; `index` is the first equal
    // item, or the place where the searched item would be inserted.
    bool FindItem(const void* item, int& index) const;
    bool FindItemKey(const void* key, const TKxListKeyCompare& compare, int& index) const;

    // Setting the routine of a sorted list re-sorts it; an empty routine is refused for a
    // sorted list ("The List has no Compare Routine").
    void SetCompareRoutine(TKxListCompare compare);

    // AcquireItem is called for every item put into the list, DisposeItem for every item the
    // list gives up (Delete, Remove, Clear, destruction) but not for extracted ones.
    // Subclasses call Clear in their own destructor: the base destructor can no longer reach
    // DisposeItem.
    virtual void AcquireItem(void* item) noexcept = 0;
    virtual void DisposeItem(void* item) noexcept = 0;

    // The list's lock, for subclasses that must do more than one step under it.
    IKxCriticalSection* ListLock() const { return &m_lock; }

private:
    int Size() const { return static_cast<int>(m_items.size()); }
    void* TakeItem(int index, const char* routineName);
    void CheckIndex(int index, int maximum, const char* routineName) const;
    void CheckUnsorted(const char* routineName) const;
    void CheckSorted(const char* routineName) const;
    void CheckHasCompare(const TKxListCompare& compare, const char* routineName) const;
    int CheckedCompare(int result, const char* routineName) const;
    std::vector<void*> SortedCopy(const TKxListCompare& compare, const char* routineName) const;
    bool Search(const void* key, const TKxListKeyCompare& compare, bool afterEqual,
                const char* routineName, int& index) const;

    mutable TKxCriticalSection m_lock{TKxLifetime::OwnerOwned};
    std::vector<void*> m_items;
    TKxListCompare m_compare;
    bool m_sorted = false;
};

// A list of objects of any class, identified by address. An owning list frees its objects
// when it gives them up, through the deleter it was created with (a plain function taking the
// item pointer); a list without deleter only refers to its objects. Extract hands an object
// back without freeing it.
//
// Items go in and out as void*; use TKxObjectListOf<T> below, which installs `delete` for T
// and converts every item back to the very type it was stored as.
class TKxObjectList : public TKxListBase {
public:
    using TKxObjectDeleter = void (*)(void* object);

    explicit TKxObjectList(TKxObjectDeleter deleter = nullptr,
                           TKxLifetime lifetime = TKxLifetime::SelfOwned);
    ~TKxObjectList() override;

    bool OwnsObjects() const { return m_deleter != nullptr; }

    int Add(void* object) { return AddItem(object); }
    void Insert(int index, void* object) { InsertItem(index, object); }
    void* Items(int index) const { return ItemAt(index); }
    int IndexOf(const void* object) const { return IndexOfItem(object); }
    int Remove(const void* object) { return RemoveItem(object); }
    void* Extract(int index) { return ExtractItem(index); }
    bool Find(const void* object, int& index) const { return FindItem(object, index); }
    bool FindKey(const void* key, const TKxListKeyCompare& compare, int& index) const {
        return FindItemKey(key, compare, index);
    }
    void SetCompare(TKxListCompare compare) { SetCompareRoutine(std::move(compare)); }

protected:
    void AcquireItem(void* object) noexcept override;
    void DisposeItem(void* object) noexcept override;

private:
    TKxObjectDeleter m_deleter;
};

// The typed face of TKxObjectList. An owning list (the default) frees its objects with
// `delete` as T, so T must be the complete type of the objects or have a virtual destructor.
//
//     TKxObjectListOf<TKxSqlParameter> parameters;  // owning
//     parameters.SetCompare(KxCompareByName);
//     parameters.SetSorted(true);
//     parameters.Add(std::move(parameter));
template <class T> class TKxObjectListOf : public TKxObjectList {
public:
    explicit TKxObjectListOf(bool ownsObjects = true, TKxLifetime lifetime = TKxLifetime::SelfOwned)
        : TKxObjectList(ownsObjects ? &DeleteObject : nullptr, lifetime) {}

    int Add(T* object) { return AddItem(object); }
    // The list takes the object over only once it is in: when Add raises, a pointer the
    // caller moved from still owns the object.
    int Add(std::unique_ptr<T>&& object) {
        const int index = AddItem(object.get());
        object.release();
        return index;
    }
    void Insert(int index, T* object) { InsertItem(index, object); }
    void Insert(int index, std::unique_ptr<T>&& object) {
        InsertItem(index, object.get());
        object.release();
    }
    T* Items(int index) const { return static_cast<T*>(ItemAt(index)); }
    T* operator[](int index) const { return Items(index); }
    int IndexOf(const T* object) const { return IndexOfItem(object); }
    int Remove(const T* object) { return RemoveItem(object); }
    T* Extract(int index) { return static_cast<T*>(ExtractItem(index)); }
    bool Find(const T* object, int& index) const { return FindItem(object, index); }

    template <class K>
    bool FindKey(const K& key, std::type_identity_t<std::function<int(const K&, const T*)>> compare,
                 int& index) const {
        return FindItemKey(
            &key,
            [&compare](const void* k, const void* item) {
                return compare(*static_cast<const K*>(k), static_cast<const T*>(item));
            },
            index);
    }

    void SetCompare(std::function<int(const T*, const T*)> compare) {
        if (!compare) {
            SetCompareRoutine(nullptr);
            return;
        }
        SetCompareRoutine([compare = std::move(compare)](const void* a, const void* b) {
            return compare(static_cast<const T*>(a), static_cast<const T*>(b));
        });
    }

private:
    static void DeleteObject(void* object) { delete static_cast<T*>(object); }
};

// A list of counted references: adding an interface takes a reference, giving an item up
// drops it. Items are kept as their IKxUnknown, so one object compares equal to itself
// whichever of its interfaces it was added or searched by. Null items are allowed.
class TKxInterfaceList : public TKxListBase {
public:
    using TKxInterfaceCompare = std::function<int(IKxUnknown* item1, IKxUnknown* item2)>;

    explicit TKxInterfaceList(TKxLifetime lifetime = TKxLifetime::SelfOwned);
    ~TKxInterfaceList() override;

    int Add(IKxUnknown* item) { return AddItem(item); }
    void Insert(int index, IKxUnknown* item) { InsertItem(index, item); }
    KxIntf<IKxUnknown> Items(int index) const;
    int IndexOf(IKxUnknown* item) const { return IndexOfItem(item); }
    int Remove(IKxUnknown* item) { return RemoveItem(item); }
    // Removes the item and hands the list's reference to the caller.
    KxIntf<IKxUnknown> Extract(int index);
    bool Find(IKxUnknown* item, int& index) const { return FindItem(item, index); }

    template <class K>
    bool FindKey(const K& key,
                 std::type_identity_t<std::function<int(const K&, IKxUnknown*)>> compare,
                 int& index) const {
        return FindItemKey(
            &key,
            [&compare](const void* k, const void* item) {
                return compare(*static_cast<const K*>(k), Unknown(item));
            },
            index);
    }

    void SetCompare(TKxInterfaceCompare compare);

protected:
    void AcquireItem(void* item) noexcept override;
    void DisposeItem(void* item) noexcept override;

private:
    static IKxUnknown* Unknown(const void* item) {
        return static_cast<IKxUnknown*>(const_cast<void*>(item));
    }
};

// Compares two texts without regard to case by ASCII rules: only a–z and A–Z are folded
// (to upper case, so "_" sorts after the letters); everything else compares by code unit.
int KxCompareNames(const QString& name1, const QString& name2);

// The compare routine of lists kept in name order: the IKxGetName texts of both items by
// KxCompareNames. Raises the standard interface errors for an item that is null or has no
// name.
int KxCompareByName(const IKxUnknown* item1, const IKxUnknown* item2);

} // namespace kx
