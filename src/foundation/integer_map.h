#pragma once

#include "foundation/basic_interfaces.h"
#include "foundation/interfaced_object.h"
#include "foundation/operations.h"

#include <vector>

namespace kx {

// A sorted set of integers, such as the record positions selected in a grid. Items(i) is the
// i-th smallest member. Kept as a sorted array: lookups are binary searches, and a grid's
// selection is read far more often than it changes. Like the lists it executes opClear, so a
// routine that deletes the selected records can empty the selection it was given.
class TKxIntegerMap : public TKxInterfacedObject,
                      public virtual IKxGetCount,
                      public virtual IKxGetIntegerByIndex,
                      public virtual IKxCanExecuteOperation,
                      public virtual IKxExecuteOperation {
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
    int GetIntegerByIndex(int index) const override { return Items(index); }

    bool CanExecuteOperation(int operation, IKxUnknown* parameter) override;
    bool ExecuteOperation(int operation, IKxUnknown* parameter) override;

protected:
    // Called after the members from `first` to `last` (both included) may have changed, so
    // that a view can repaint just those; not called when nothing changed.
    virtual void MembersChanged(int /*first*/, int /*last*/) {}

private:
    std::vector<int> m_values;
};

} // namespace kx
