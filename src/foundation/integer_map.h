#pragma once

#include "foundation/interfaced_object.h"

#include <vector>

namespace kx {

// A sorted set of integers, such as the record positions selected in a grid. Items(i) is the
// i-th smallest member. Kept as a sorted array: lookups are binary searches, and a grid's
// selection is read far more often than it changes.
class TKxIntegerMap : public TKxInterfacedObject, public virtual IKxGetCount {
public:
    explicit TKxIntegerMap(TKxLifetime lifetime = TKxLifetime::SelfOwned);

    int Count() const { return static_cast<int>(m_values.size()); }
    int GetCount() const override { return Count(); }

    // Each answers whether the set changed.
    bool Add(int value);
    bool Remove(int value);
    // Adds a missing value, removes a present one; answers whether the value is now a member.
    bool Toggle(int value);
    // Adds every value from `from` to `to`, both included, in either order; answers how many
    // values were not members before.
    int AddRange(int from, int to);
    void Clear();

    bool Contains(int value) const;
    // Position of the value among the members, or -1.
    int IndexOf(int value) const;
    // Raises the out-of-range error naming "Map Index".
    int Items(int index) const;

private:
    std::vector<int> m_values;
};

} // namespace kx
