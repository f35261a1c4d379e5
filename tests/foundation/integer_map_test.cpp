#include "foundation/exceptions.h"
#include "foundation/integer_map.h"

#include <climits>
#include <gtest/gtest.h>
#include <vector>

using namespace kx;

namespace {

std::vector<int> Members(const TKxIntegerMap& map) {
    std::vector<int> members;
    for (int i = 0; i < map.Count(); ++i)
        members.push_back(map.Items(i));
    return members;
}

} // namespace

TEST(IntegerMapTest, KeepsEachValueOnceInAscendingOrder) {
    TKxIntegerMap map;
    EXPECT_TRUE(map.Add(7));
    EXPECT_TRUE(map.Add(-3));
    EXPECT_TRUE(map.Add(12));
    EXPECT_FALSE(map.Add(7));
    EXPECT_TRUE(map.Add(0));
    EXPECT_EQ(Members(map), (std::vector<int>{-3, 0, 7, 12}));
    EXPECT_TRUE(map.Contains(12));
    EXPECT_FALSE(map.Contains(8));
    EXPECT_EQ(map.IndexOf(7), 2);
    EXPECT_EQ(map.IndexOf(8), -1);

    EXPECT_TRUE(map.Remove(-3));
    EXPECT_FALSE(map.Remove(-3));
    EXPECT_FALSE(map.Remove(100));
    EXPECT_EQ(Members(map), (std::vector<int>{0, 7, 12}));

    EXPECT_TRUE(map.Toggle(5));
    EXPECT_FALSE(map.Toggle(7));
    EXPECT_EQ(Members(map), (std::vector<int>{0, 5, 12}));

    map.Clear();
    EXPECT_EQ(map.Count(), 0);
    EXPECT_FALSE(map.Contains(0));
}

TEST(IntegerMapTest, AddRangeMergesWithMembers) {
    TKxIntegerMap map;
    map.Add(1);
    map.Add(4);
    map.Add(9);
    EXPECT_EQ(map.AddRange(3, 6), 3) << "4 was already a member";
    EXPECT_EQ(Members(map), (std::vector<int>{1, 3, 4, 5, 6, 9}));
    EXPECT_EQ(map.AddRange(10, 8), 2) << "bounds may come in either order";
    EXPECT_EQ(Members(map), (std::vector<int>{1, 3, 4, 5, 6, 8, 9, 10}));
    EXPECT_EQ(map.AddRange(4, 5), 0);
    EXPECT_EQ(map.AddRange(0, 0), 1);
    EXPECT_EQ(Members(map), (std::vector<int>{0, 1, 3, 4, 5, 6, 8, 9, 10}));

    TKxIntegerMap edges;
    EXPECT_EQ(edges.AddRange(INT_MAX - 1, INT_MAX), 2);
    EXPECT_EQ(edges.AddRange(INT_MIN, INT_MIN + 1), 2);
    EXPECT_EQ(Members(edges), (std::vector<int>{INT_MIN, INT_MIN + 1, INT_MAX - 1, INT_MAX}));
}

TEST(IntegerMapTest, IndexErrorsNameTheMapIndex) {
    TKxIntegerMap map;
    map.AddRange(10, 12);
    for (int index : {-1, 3}) {
        try {
            map.Items(index);
            ADD_FAILURE() << "index " << index << " was accepted";
        } catch (const EKxException& e) {
            EXPECT_EQ(e.GetMessage(),
                      QStringLiteral("Map Index out of range: %1. The Value must be in Interval "
                                     "[0, 2]")
                          .arg(index));
        }
    }
}

// A map that records which ranges it reported as changed.
class TWatchedMap : public TKxIntegerMap {
public:
    std::vector<std::pair<int, int>> changes;

protected:
    void MembersChanged(int first, int last) override { changes.emplace_back(first, last); }
};

TEST(IntegerMapTest, AnswersAsASelectionAndReportsOnlyRealChanges) {
    const auto map = KxMake<TWatchedMap>();
    map->AddRange(1, 4);
    const KxIntf<IKxGetCount> counted = KxQuery<IKxGetCount>(map);
    const KxIntf<IKxGetIntegerByIndex> indexed = KxQuery<IKxGetIntegerByIndex>(map);
    ASSERT_TRUE(counted && indexed);
    EXPECT_EQ(counted->GetCount(), 4);
    EXPECT_EQ(indexed->GetIntegerByIndex(2), 3);

    // Adding a member twice, removing a stranger and clearing nothing report nothing.
    map->changes.clear();
    map->Add(2);
    map->Remove(9);
    map->AddRange(2, 3);
    EXPECT_TRUE(map->changes.empty());
    map->Toggle(9);
    map->Remove(1);
    EXPECT_EQ(map->changes, (std::vector<std::pair<int, int>>{{9, 9}, {1, 1}}));

    // opClear empties it, reporting the span that was selected.
    map->changes.clear();
    EXPECT_TRUE(KxQuery<IKxCanExecuteOperation>(map)->CanExecuteOperation(opClear, nullptr));
    EXPECT_FALSE(KxQuery<IKxCanExecuteOperation>(map)->CanExecuteOperation(opInvalidate, nullptr));
    EXPECT_TRUE(KxQuery<IKxExecuteOperation>(map)->ExecuteOperation(opClear, nullptr));
    EXPECT_EQ(map->Count(), 0);
    EXPECT_EQ(map->changes, (std::vector<std::pair<int, int>>{{2, 9}}));
    map->changes.clear();
    map->Clear();
    EXPECT_TRUE(map->changes.empty());
}
