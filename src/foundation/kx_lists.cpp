#include "foundation/kx_lists.h"

#include "foundation/exceptions.h"

#include <QCoreApplication>
#include <algorithm>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxFoundation", text);
}

} // namespace

// ---- TKxListBase

TKxListBase::TKxListBase(TKxLifetime lifetime) : TKxInterfacedObject(lifetime) {}

TKxListBase::~TKxListBase() = default;

int TKxListBase::Count() const {
    TKxCriticalSectionLock lock(&m_lock);
    return Size();
}

bool TKxListBase::Sorted() const {
    TKxCriticalSectionLock lock(&m_lock);
    return m_sorted;
}

void TKxListBase::SetSorted(bool sorted) {
    TKxCriticalSectionLock lock(&m_lock);
    if (sorted == m_sorted)
        return;
    if (sorted)
        m_items = SortedCopy(m_compare, "TKxListBase.SetSorted");
    m_sorted = sorted;
}

void TKxListBase::Sort() {
    TKxCriticalSectionLock lock(&m_lock);
    m_items = SortedCopy(m_compare, "TKxListBase.Sort");
}

void TKxListBase::SetCompareRoutine(TKxListCompare compare) {
    TKxCriticalSectionLock lock(&m_lock);
    if (m_sorted)
        m_items = SortedCopy(compare, "TKxListBase.SetCompare");
    m_compare = std::move(compare);
}

void TKxListBase::Clear() {
    std::vector<void*> removed;
    {
        TKxCriticalSectionLock lock(&m_lock);
        removed.swap(m_items);
    }
    // Newest first, so that an item never outlives the ones added before it.
    for (auto it = removed.rbegin(); it != removed.rend(); ++it)
        DisposeItem(*it);
}

void TKxListBase::Delete(int index) {
    DisposeItem(TakeItem(index, "TKxListBase.Delete"));
}

void* TKxListBase::ExtractItem(int index) {
    return TakeItem(index, "TKxListBase.Extract");
}

void* TKxListBase::TakeItem(int index, const char* routineName) {
    TKxCriticalSectionLock lock(&m_lock);
    CheckIndex(index, Size() - 1, routineName);
    void* item = m_items[index];
    m_items.erase(m_items.begin() + index);
    return item;
}

void TKxListBase::Exchange(int index1, int index2) {
    TKxCriticalSectionLock lock(&m_lock);
    CheckUnsorted("TKxListBase.Exchange");
    CheckIndex(index1, Size() - 1, "TKxListBase.Exchange");
    CheckIndex(index2, Size() - 1, "TKxListBase.Exchange");
    std::swap(m_items[index1], m_items[index2]);
}

void TKxListBase::Move(int currentIndex, int newIndex) {
    TKxCriticalSectionLock lock(&m_lock);
    CheckUnsorted("TKxListBase.Move");
    CheckIndex(currentIndex, Size() - 1, "TKxListBase.Move");
    CheckIndex(newIndex, Size() - 1, "TKxListBase.Move");
    const auto current = m_items.begin() + currentIndex;
    const auto target = m_items.begin() + newIndex;
    if (currentIndex < newIndex)
        std::rotate(current, current + 1, target + 1);
    else
        std::rotate(target, current, current + 1);
}

int TKxListBase::AddItem(void* item) {
    TKxCriticalSectionLock lock(&m_lock);
    int index = Size();
    if (m_sorted)
        Search(item, m_compare, true, "TKxListBase.Add", index);
    m_items.insert(m_items.begin() + index, item);
    AcquireItem(item);
    return index;
}

void TKxListBase::InsertItem(int index, void* item) {
    TKxCriticalSectionLock lock(&m_lock);
    CheckUnsorted("TKxListBase.Insert");
    CheckIndex(index, Size(), "TKxListBase.Insert");
    m_items.insert(m_items.begin() + index, item);
    AcquireItem(item);
}

void* TKxListBase::ItemAt(int index) const {
    TKxCriticalSectionLock lock(&m_lock);
    CheckIndex(index, Size() - 1, "TKxListBase.Items");
    return m_items[index];
}

int TKxListBase::IndexOfItem(const void* item) const {
    TKxCriticalSectionLock lock(&m_lock);
    const auto found = std::find(m_items.begin(), m_items.end(), item);
    return found == m_items.end() ? -1 : static_cast<int>(found - m_items.begin());
}

int TKxListBase::RemoveItem(const void* item) {
    void* removed = nullptr;
    int index = -1;
    {
        TKxCriticalSectionLock lock(&m_lock);
        index = IndexOfItem(item);
        if (index < 0)
            return -1;
        removed = TakeItem(index, "TKxListBase.Remove");
    }
    DisposeItem(removed);
    return index;
}

bool TKxListBase::FindItem(const void* item, int& index) const {
    TKxCriticalSectionLock lock(&m_lock);
    CheckSorted("TKxListBase.Find");
    return Search(item, m_compare, false, "TKxListBase.Find", index);
}

bool TKxListBase::FindItemKey(const void* key, const TKxListKeyCompare& compare, int& index) const {
    TKxCriticalSectionLock lock(&m_lock);
    CheckSorted("TKxListBase.FindKey");
    return Search(key, compare, false, "TKxListBase.FindKey", index);
}

// Binary search for the first item not less than the key (or, with `afterEqual`, the first
// item greater than it: where a new equal item goes).
bool TKxListBase::Search(const void* key, const TKxListKeyCompare& compare, bool afterEqual,
                         const char* routineName, int& index) const {
    int low = 0;
    int high = Size() - 1;
    bool found = false;
    while (low <= high) {
        const int middle = low + (high - low) / 2;
        const int result = CheckedCompare(compare(key, m_items[middle]), routineName);
        if (result == crGreater || (afterEqual && result == crEqual)) {
            low = middle + 1;
        } else {
            high = middle - 1;
            found = found || result == crEqual;
        }
    }
    index = low;
    return found;
}

// A stable merge sort into a copy: the list keeps its order when the compare routine raises,
// and a routine that contradicts itself cannot make the sort run off the array (which the
// standard sorts allow themselves to do).
std::vector<void*> TKxListBase::SortedCopy(const TKxListCompare& compare,
                                           const char* routineName) const {
    CheckHasCompare(compare, routineName);
    std::vector<void*> items = m_items;
    std::vector<void*> merged(items.size());
    const std::size_t count = items.size();
    for (std::size_t width = 1; width < count; width *= 2) {
        for (std::size_t low = 0; low < count; low += 2 * width) {
            const std::size_t middle = std::min(low + width, count);
            const std::size_t high = std::min(low + 2 * width, count);
            std::size_t left = low;
            std::size_t right = middle;
            std::size_t out = low;
            while (left < middle && right < high) {
                const bool rightFirst =
                    CheckedCompare(compare(items[right], items[left]), routineName) == crLess;
                merged[out++] = rightFirst ? items[right++] : items[left++];
            }
            out = std::copy(items.begin() + left, items.begin() + middle, merged.begin() + out) -
                  merged.begin();
            std::copy(items.begin() + right, items.begin() + high, merged.begin() + out);
        }
        items.swap(merged);
    }
    return items;
}

void TKxListBase::Enter() {
    m_lock.Enter();
}

void TKxListBase::Leave() {
    m_lock.Leave();
}

bool TKxListBase::CanExecuteOperation(int operation, IKxUnknown* /*parameter*/) {
    return operation == opClear;
}

bool TKxListBase::ExecuteOperation(int operation, IKxUnknown* /*parameter*/) {
    if (operation != opClear)
        return false;
    Clear();
    return true;
}

void TKxListBase::CheckIndex(int index, int maximum, const char* routineName) const {
    if (index < 0 || index > maximum)
        KxRaise(KxOutOfRangeText(Tr("List Index"), index, 0, maximum),
                QString::fromLatin1(routineName), this);
}

void TKxListBase::CheckUnsorted(const char* routineName) const {
    if (m_sorted)
        KxRaise(Tr("Operation not supported on sorted Lists"), QString::fromLatin1(routineName),
                this);
}

void TKxListBase::CheckSorted(const char* routineName) const {
    if (!m_sorted)
        KxRaise(Tr("Operation not supported on unsorted Lists"), QString::fromLatin1(routineName),
                this);
}

void TKxListBase::CheckHasCompare(const TKxListCompare& compare, const char* routineName) const {
    if (!compare)
        KxRaise(Tr("The List has no Compare Routine"), QString::fromLatin1(routineName), this);
}

int TKxListBase::CheckedCompare(int result, const char* routineName) const {
    if (result != crLess && result != crEqual && result != crGreater)
        KxRaise(Tr("Invalid Compare Result"), QString::fromLatin1(routineName), this);
    return result;
}

// ---- TKxObjectList

TKxObjectList::TKxObjectList(TKxObjectDeleter deleter, TKxLifetime lifetime)
    : TKxListBase(lifetime), m_deleter(deleter) {}

TKxObjectList::~TKxObjectList() {
    Clear();
}

void TKxObjectList::AcquireItem(void* /*object*/) noexcept {}

void TKxObjectList::DisposeItem(void* object) noexcept {
    if (m_deleter != nullptr && object != nullptr)
        m_deleter(object);
}

// ---- TKxInterfaceList

TKxInterfaceList::TKxInterfaceList(TKxLifetime lifetime) : TKxListBase(lifetime) {}

TKxInterfaceList::~TKxInterfaceList() {
    Clear();
}

KxIntf<IKxUnknown> TKxInterfaceList::Items(int index) const {
    // The reference is taken under the lock, so no other thread can drop the item between.
    TKxCriticalSectionLock lock(ListLock());
    return KxIntf<IKxUnknown>(Unknown(ItemAt(index)));
}

KxIntf<IKxUnknown> TKxInterfaceList::Extract(int index) {
    KxIntf<IKxUnknown> item(Unknown(ExtractItem(index)));
    // The new KxIntf counted a reference of its own; the list's one goes with the item.
    if (item)
        item->Release();
    return item;
}

void TKxInterfaceList::SetCompare(TKxInterfaceCompare compare) {
    if (!compare) {
        SetCompareRoutine(nullptr);
        return;
    }
    SetCompareRoutine([compare = std::move(compare)](const void* a, const void* b) {
        return compare(Unknown(a), Unknown(b));
    });
}

// The array slots of this list are counted references just like KxIntf objects, so the list
// counts them itself.
void TKxInterfaceList::AcquireItem(void* item) noexcept {
    if (item != nullptr)
        Unknown(item)->AddRef();
}

void TKxInterfaceList::DisposeItem(void* item) noexcept {
    if (item != nullptr)
        Unknown(item)->Release();
}

// ---- Compare routines

int KxCompareNames(const QString& name1, const QString& name2) {
    const auto fold = [](QChar c) {
        const char16_t unit = c.unicode();
        return unit >= u'a' && unit <= u'z' ? char16_t(unit - (u'a' - u'A')) : unit;
    };
    const qsizetype length = std::min(name1.size(), name2.size());
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t a = fold(name1[i]);
        const char16_t b = fold(name2[i]);
        if (a != b)
            return a < b ? crLess : crGreater;
    }
    if (name1.size() == name2.size())
        return crEqual;
    return name1.size() < name2.size() ? crLess : crGreater;
}

namespace {

QString NameOf(const IKxUnknown* item) {
    const QString routine = QStringLiteral("KxCompareByName");
    KxCheckPointer(item, Tr("The Object"), nullptr, routine);
    // A plain cast, not a counted query: compare routines run on items of object lists,
    // which may hold counted objects whose count is 0.
    const auto* named = dynamic_cast<const IKxGetName*>(item);
    if (named == nullptr)
        KxRaiseNoInterface(IKxGetName::IID, KxObjectDescription::OfInterface(item), routine,
                           "KxCompareByName");
    return named->GetName();
}

} // namespace

int KxCompareByName(const IKxUnknown* item1, const IKxUnknown* item2) {
    return KxCompareNames(NameOf(item1), NameOf(item2));
}

} // namespace kx
