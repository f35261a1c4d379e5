#include "foundation/critical_section.h"
#include "foundation/exceptions.h"
#include "foundation/kx_lists.h"

#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace kx;

namespace {

// Raises EKxException with the expected text, or fails.
template <class F> void ExpectRaise(F&& action, const QString& message) {
    try {
        action();
        ADD_FAILURE() << "no exception, expected: " << message.toStdString();
    } catch (const EKxException& e) {
        EXPECT_EQ(e.GetMessage(), message);
    }
}

// An object that keeps a count of the living instances of its kind.
struct TCounted {
    explicit TCounted(int key, int tag = 0) : key(key), tag(tag) { ++alive; }
    virtual ~TCounted() { --alive; }
    int key;
    int tag;
    static inline int alive = 0;
};

int CompareKeys(const TCounted* a, const TCounted* b) {
    return a->key < b->key ? crLess : a->key == b->key ? crEqual : crGreater;
}

std::vector<int> Keys(const TKxObjectListOf<TCounted>& list) {
    std::vector<int> keys;
    for (int i = 0; i < list.Count(); ++i)
        keys.push_back(list[i]->key);
    return keys;
}

class TNamed : public TKxInterfacedObject, public virtual IKxGetName {
public:
    explicit TNamed(QString name) : m_name(std::move(name)) {}
    QString GetName() const override { return m_name; }

private:
    QString m_name;
};

// A section that only counts how deep it is entered.
class TCountingSection : public TKxInterfacedObject, public virtual IKxCriticalSection {
public:
    TCountingSection() : TKxInterfacedObject(TKxLifetime::OwnerOwned) {}
    void Enter() override { ++depth; }
    void Leave() override { --depth; }
    int depth = 0;
};

class ListTest : public testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(TCounted::alive, 0); }
};

} // namespace

// ---- Critical section and lock scope

TEST(CriticalSectionTest, IsReentrantForItsThreadAndExcludesOthers) {
    const auto section = KxMake<TKxCriticalSection>();
    std::atomic<bool> otherEntered{false};
    section->Enter();
    section->Enter();
    std::thread other([&] {
        TKxCriticalSectionLock lock(section.get());
        otherEntered = true;
    });
    section->Leave();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(otherEntered) << "one Leave of two must keep the section held";
    section->Leave();
    other.join();
    EXPECT_TRUE(otherEntered);
}

TEST(CriticalSectionTest, LockScopeLeavesWhenAnExceptionPasses) {
    TCountingSection section;
    try {
        TKxCriticalSectionLock outer(&section);
        TKxCriticalSectionLock inner(static_cast<IKxUnknown*>(&section));
        EXPECT_EQ(section.depth, 2);
        throw std::runtime_error("passing through");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(section.depth, 0);
}

TEST(CriticalSectionTest, LockRefusesObjectsWithoutSection) {
    const auto named = KxMake<TNamed>(QStringLiteral("N"));
    ExpectRaise([&] { TKxCriticalSectionLock lock(static_cast<IKxUnknown*>(named.get())); },
                QStringLiteral("The Object doesn't support the Interface: ") +
                    IKxCriticalSection::IID.ToString());
    ExpectRaise([] { TKxCriticalSectionLock lock(static_cast<IKxCriticalSection*>(nullptr)); },
                QStringLiteral("The Critical Section Pointer is nil"));
}

TEST(CriticalSectionTest, ListOffersItsLockToCallers) {
    const auto list = KxMake<TKxObjectListOf<TCounted>>();
    std::atomic<bool> added{false};
    std::thread other;
    {
        TKxCriticalSectionLock lock(static_cast<IKxUnknown*>(list.get()));
        other = std::thread([&] {
            list->Add(std::make_unique<TCounted>(1));
            added = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_FALSE(added);
        EXPECT_EQ(list->Count(), 0);
    }
    other.join();
    EXPECT_EQ(list->Count(), 1);
}

// ---- Unsorted lists

TEST_F(ListTest, UnsortedListKeepsPlacesAndRearranges) {
    TKxObjectListOf<TCounted> list;
    for (int key : {1, 2, 3, 4})
        EXPECT_EQ(list.Add(std::make_unique<TCounted>(key)), key - 1);
    list.Insert(0, std::make_unique<TCounted>(0));
    list.Insert(5, std::make_unique<TCounted>(5));
    EXPECT_EQ(Keys(list), (std::vector<int>{0, 1, 2, 3, 4, 5}));

    list.Move(1, 4);
    EXPECT_EQ(Keys(list), (std::vector<int>{0, 2, 3, 4, 1, 5}));
    list.Move(4, 1);
    EXPECT_EQ(Keys(list), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    list.Exchange(0, 5);
    EXPECT_EQ(Keys(list), (std::vector<int>{5, 1, 2, 3, 4, 0}));

    list.SetCompare(CompareKeys);
    list.Sort();
    EXPECT_EQ(Keys(list), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_FALSE(list.Sorted());
}

TEST_F(ListTest, IndexErrorsNameTheListIndexAndValidRange) {
    TKxObjectListOf<TCounted> list;
    ExpectRaise(
        [&] { list.Delete(0); },
        QStringLiteral("List Index out of range: 0. The Value must be in Interval [0, -1]"));
    list.Add(std::make_unique<TCounted>(1));
    list.Add(std::make_unique<TCounted>(2));
    ExpectRaise([&] { list.Items(2); },
                QStringLiteral("List Index out of range: 2. The Value must be in Interval [0, 1]"));
    ExpectRaise(
        [&] { list.Items(-1); },
        QStringLiteral("List Index out of range: -1. The Value must be in Interval [0, 1]"));
    ExpectRaise([&] { list.Exchange(0, 2); },
                QStringLiteral("List Index out of range: 2. The Value must be in Interval [0, 1]"));
    // Inserting may append, so Count itself is a valid place.
    ExpectRaise([&] { list.Insert(3, std::make_unique<TCounted>(9)); },
                QStringLiteral("List Index out of range: 3. The Value must be in Interval [0, 2]"));
    list.Insert(2, std::make_unique<TCounted>(3));
    try {
        list.Delete(3);
        ADD_FAILURE() << "Delete(3) was accepted";
    } catch (const EKxException& e) {
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("TKxListBase.Delete"));
    }
    EXPECT_EQ(Keys(list), (std::vector<int>{1, 2, 3}));
}

TEST_F(ListTest, KeySearchesNeedASortedList) {
    TKxObjectListOf<TCounted> list;
    list.SetCompare(CompareKeys);
    TCounted probe(1);
    int index = -1;
    ExpectRaise([&] { list.Find(&probe, index); },
                QStringLiteral("Operation not supported on unsorted Lists"));
    ExpectRaise(
        [&] {
            list.FindKey<int>(
                1, [](const int&, const TCounted*) { return 1; }, index);
        },
        QStringLiteral("Operation not supported on unsorted Lists"));
}

// ---- Sorted lists

TEST_F(ListTest, SortedListInsertsInOrderAndEqualItemsInArrivalOrder) {
    TKxObjectListOf<TCounted> list;
    list.SetCompare(CompareKeys);
    list.SetSorted(true);
    const int keys[] = {5, 1, 5, 3, 5, 0, 9};
    for (int i = 0; i < 7; ++i)
        list.Add(std::make_unique<TCounted>(keys[i], i));
    EXPECT_EQ(Keys(list), (std::vector<int>{0, 1, 3, 5, 5, 5, 9}));
    EXPECT_EQ(list[3]->tag, 0);
    EXPECT_EQ(list[4]->tag, 2);
    EXPECT_EQ(list[5]->tag, 4);
    EXPECT_EQ(list.Add(std::make_unique<TCounted>(5, 7)), 6);
}

TEST_F(ListTest, BinarySearchHitsAndMissesAtBothEnds) {
    TKxObjectListOf<TCounted> list;
    list.SetCompare(CompareKeys);
    list.SetSorted(true);
    const auto find = [&](int key, int& index) {
        return list.FindKey<int>(
            key,
            [](const int& k, const TCounted* item) {
                return k < item->key ? crLess : k == item->key ? crEqual : crGreater;
            },
            index);
    };
    int index = -1;
    EXPECT_FALSE(find(7, index));
    EXPECT_EQ(index, 0);

    for (int key : {30, 10, 20, 20, 40})
        list.Add(std::make_unique<TCounted>(key));
    EXPECT_FALSE(find(5, index));
    EXPECT_EQ(index, 0);
    EXPECT_TRUE(find(10, index));
    EXPECT_EQ(index, 0);
    EXPECT_TRUE(find(20, index));
    EXPECT_EQ(index, 1) << "the first of equal items";
    EXPECT_FALSE(find(25, index));
    EXPECT_EQ(index, 3);
    EXPECT_TRUE(find(40, index));
    EXPECT_EQ(index, 4);
    EXPECT_FALSE(find(45, index));
    EXPECT_EQ(index, 5);

    TCounted probe(30);
    EXPECT_TRUE(list.Find(&probe, index));
    EXPECT_EQ(index, 3);
}

TEST_F(ListTest, SortedListsRefuseRearranging) {
    TKxObjectListOf<TCounted> list;
    list.SetCompare(CompareKeys);
    list.Add(std::make_unique<TCounted>(2));
    list.Add(std::make_unique<TCounted>(1));
    list.SetSorted(true);
    EXPECT_EQ(Keys(list), (std::vector<int>{1, 2}));
    const QString refused = QStringLiteral("Operation not supported on sorted Lists");
    ExpectRaise([&] { list.Exchange(0, 1); }, refused);
    ExpectRaise([&] { list.Move(0, 1); }, refused);
    ExpectRaise([&] { list.Insert(0, std::make_unique<TCounted>(0)); }, refused);
    EXPECT_EQ(Keys(list), (std::vector<int>{1, 2}));

    // A new routine re-sorts a sorted list; a sorted list cannot do without one.
    list.SetCompare([](const TCounted* a, const TCounted* b) { return CompareKeys(b, a); });
    EXPECT_EQ(Keys(list), (std::vector<int>{2, 1}));
    ExpectRaise([&] { list.SetCompare(nullptr); },
                QStringLiteral("The List has no Compare Routine"));
    list.SetSorted(false);
    list.Exchange(0, 1);
    EXPECT_EQ(Keys(list), (std::vector<int>{1, 2}));
}

TEST_F(ListTest, InvalidCompareResultsAreRefusedWithoutDamage) {
    TKxObjectListOf<TCounted> list;
    list.Add(std::make_unique<TCounted>(2));
    list.Add(std::make_unique<TCounted>(1));
    list.Add(std::make_unique<TCounted>(3));
    int answer = crLess;
    list.SetCompare([&](const TCounted* a, const TCounted* b) {
        return a->key == 3 || b->key == 3 ? answer : CompareKeys(a, b);
    });

    for (int invalid : {-1, 3}) {
        answer = invalid;
        ExpectRaise([&] { list.SetSorted(true); }, QStringLiteral("Invalid Compare Result"));
        EXPECT_FALSE(list.Sorted());
        EXPECT_EQ(Keys(list), (std::vector<int>{2, 1, 3})) << "order must be untouched";
    }

    answer = crGreater;
    list.SetSorted(true);
    answer = 7;
    auto refused = std::make_unique<TCounted>(3);
    ExpectRaise([&] { list.Add(std::move(refused)); }, QStringLiteral("Invalid Compare Result"));
    ASSERT_NE(refused, nullptr) << "the caller keeps an object the list refused";
    EXPECT_EQ(list.Count(), 3);
}

// ---- Ownership and references

TEST_F(ListTest, OwningListFreesWhatItGivesUp) {
    {
        TKxObjectListOf<TCounted> list;
        for (int key = 0; key < 5; ++key)
            list.Add(std::make_unique<TCounted>(key));
        list.Delete(0);
        EXPECT_EQ(TCounted::alive, 4);
        TCounted* second = list[1];
        EXPECT_EQ(list.Remove(second), 1);
        EXPECT_EQ(TCounted::alive, 3);
        TCounted outsider(9);
        EXPECT_EQ(list.Remove(&outsider), -1);
        std::unique_ptr<TCounted> extracted(list.Extract(0));
        EXPECT_EQ(TCounted::alive, 4);
        EXPECT_EQ(list.Count(), 2);
    }
    EXPECT_EQ(TCounted::alive, 0);

    TCounted kept(1);
    {
        TKxObjectListOf<TCounted> borrowing(false);
        borrowing.Add(&kept);
        borrowing.Add(&kept);
        EXPECT_EQ(borrowing.Remove(&kept), 0);
        borrowing.Clear();
    }
    EXPECT_EQ(TCounted::alive, 1);
}

// Items are freed after the list is consistent again, so a destructor may use the list.
TEST_F(ListTest, DisposedItemsSeeTheListWithoutThem) {
    struct TProbe : TCounted {
        TProbe(TKxObjectListOf<TProbe>& list, std::vector<int>& seen)
            : TCounted(0), list(list), seen(seen) {}
        ~TProbe() override { seen.push_back(list.Count()); }
        TKxObjectListOf<TProbe>& list;
        std::vector<int>& seen;
    };
    std::vector<int> seen;
    TKxObjectListOf<TProbe> list;
    for (int i = 0; i < 3; ++i)
        list.Add(std::make_unique<TProbe>(list, seen));
    list.Delete(1);
    list.Clear();
    EXPECT_EQ(seen, (std::vector<int>{2, 0, 0}));
}

TEST_F(ListTest, InterfaceListHoldsAndReleasesReferences) {
    const auto a = KxMake<TNamed>(QStringLiteral("a"));
    const auto b = KxMake<TNamed>(QStringLiteral("b"));
    {
        const auto list = KxMake<TKxInterfaceList>();
        list->Add(a.get());
        list->Add(b.get());
        list->Add(a.get());
        list->Add(nullptr);
        EXPECT_EQ(a->RefCount(), 3);
        // One object is one item whichever of its interfaces is used.
        const KxIntf<IKxGetName> named = KxQuery<IKxGetName>(b);
        EXPECT_EQ(list->IndexOf(named.get()), 1);

        EXPECT_EQ(list->Items(0).get(), static_cast<IKxUnknown*>(a.get()));
        EXPECT_EQ(a->RefCount(), 3) << "the item reference was dropped again";

        list->Delete(2);
        EXPECT_EQ(a->RefCount(), 2);
        KxIntf<IKxUnknown> extracted = list->Extract(0);
        EXPECT_EQ(a->RefCount(), 2) << "the list's reference went with the item";
        extracted.reset();
        EXPECT_EQ(a->RefCount(), 1);
        EXPECT_EQ(b->RefCount(), 3);
    }
    EXPECT_EQ(b->RefCount(), 1);
}

TEST_F(ListTest, InterfaceListSortedByName) {
    const auto list = KxMake<TKxInterfaceList>();
    list->SetCompare(KxCompareByName);
    list->SetSorted(true);
    for (const char* name : {"Zeta", "alpha", "a_", "aZ", "BETA", "beta"})
        list->Add(KxMake<TNamed>(QString::fromLatin1(name)).get());
    QStringList names;
    for (int i = 0; i < list->Count(); ++i)
        names << KxQuery<IKxGetName>(list->Items(i))->GetName();
    // Letters fold to upper case, which sorts "_" after them.
    EXPECT_EQ(names.join(QLatin1Char(' ')), QStringLiteral("alpha aZ a_ BETA beta Zeta"));

    int index = -1;
    const auto byName = [](const QString& key, IKxUnknown* item) {
        return KxCompareNames(key, KxQuery<IKxGetName>(item)->GetName());
    };
    EXPECT_TRUE(list->FindKey<QString>(QStringLiteral("ZETA"), byName, index));
    EXPECT_EQ(index, 5);
    EXPECT_TRUE(list->FindKey<QString>(QStringLiteral("Beta"), byName, index));
    EXPECT_EQ(index, 3);

    // ASCII rules: letters beyond ASCII are not folded.
    EXPECT_EQ(KxCompareNames(QStringLiteral("\u00E4"), QStringLiteral("\u00C4")), crGreater);
    EXPECT_EQ(KxCompareNames(QStringLiteral("abc"), QStringLiteral("ABCD")), crLess);

    const auto nameless = KxMake<TKxInterfaceList>();
    ExpectRaise([&] { list->Add(nameless.get()); },
                QStringLiteral("The Object doesn't support the Interface: ") +
                    IKxGetName::IID.ToString());
    EXPECT_EQ(list->Count(), 6);
}

TEST_F(ListTest, OwningObjectListSortedByName) {
    TKxObjectListOf<TNamed> list;
    list.SetCompare(KxCompareByName);
    list.SetSorted(true);
    list.Add(std::make_unique<TNamed>(QStringLiteral("Zeta")));
    list.Add(std::make_unique<TNamed>(QStringLiteral("alpha")));
    EXPECT_EQ(list[0]->GetName(), QStringLiteral("alpha"));
    int index = -1;
    EXPECT_TRUE(list.FindKey<QString>(
        QStringLiteral("ZETA"),
        [](const QString& key, const TNamed* item) { return KxCompareNames(key, item->GetName()); },
        index));
    EXPECT_EQ(index, 1);
}

// ---- Interfaces

TEST_F(ListTest, ListsAnswerCountAndExecuteOnlyClear) {
    const auto list = KxMake<TKxObjectListOf<TCounted>>();
    list->Add(std::make_unique<TCounted>(1));
    list->Add(std::make_unique<TCounted>(2));
    IKxUnknown* object = static_cast<IKxUnknown*>(list.get());
    EXPECT_EQ(KxQuery<IKxGetCount>(object)->GetCount(), 2);

    EXPECT_FALSE(KxCanExecuteOperation(object, opFetchData));
    EXPECT_FALSE(KxTryExecuteOperation(object, opFetchData));
    EXPECT_EQ(list->Count(), 2);

    EXPECT_TRUE(KxTryExecuteOperation(object, opClear));
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(TCounted::alive, 0);
}
