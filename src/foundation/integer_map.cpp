#include "foundation/integer_map.h"

#include "foundation/exceptions.h"

#include <QCoreApplication>
#include <algorithm>
#include <utility>

namespace kx {

TKxIntegerMap::TKxIntegerMap(TKxLifetime lifetime) : TKxInterfacedObject(lifetime) {}

bool TKxIntegerMap::Add(int value) {
    const auto place = std::lower_bound(m_values.begin(), m_values.end(), value);
    if (place != m_values.end() && *place == value)
        return false;
    m_values.insert(place, value);
    MembersChanged(value, value);
    return true;
}

bool TKxIntegerMap::Remove(int value) {
    const auto place = std::lower_bound(m_values.begin(), m_values.end(), value);
    if (place == m_values.end() || *place != value)
        return false;
    m_values.erase(place);
    MembersChanged(value, value);
    return true;
}

bool TKxIntegerMap::Toggle(int value) {
    return Remove(value) ? false : Add(value);
}

int TKxIntegerMap::AddRange(int from, int to) {
    if (from > to)
        std::swap(from, to);
    // The members inside [from, to] are replaced by the whole run, so the array is moved once
    // however long the range is.
    const auto first = std::lower_bound(m_values.begin(), m_values.end(), from);
    const auto last = std::upper_bound(first, m_values.end(), to);
    const long long span = static_cast<long long>(to) - from + 1;
    const long long present = last - first;
    std::vector<int> merged;
    merged.reserve(m_values.size() + static_cast<std::size_t>(span - present));
    merged.insert(merged.end(), m_values.begin(), first);
    // Counted in 64 bits: stepping an int past `to` would overflow when `to` is INT_MAX.
    for (long long value = from; value <= to; ++value)
        merged.push_back(static_cast<int>(value));
    merged.insert(merged.end(), last, m_values.end());
    m_values.swap(merged);
    if (span > present)
        MembersChanged(from, to);
    return static_cast<int>(span - present);
}

void TKxIntegerMap::Clear() {
    if (m_values.empty())
        return;
    const int first = m_values.front();
    const int last = m_values.back();
    m_values.clear();
    MembersChanged(first, last);
}

bool TKxIntegerMap::CanExecuteOperation(int operation, IKxUnknown* /*parameter*/) {
    return operation == opClear;
}

bool TKxIntegerMap::ExecuteOperation(int operation, IKxUnknown* /*parameter*/) {
    if (operation != opClear)
        return false;
    Clear();
    return true;
}

bool TKxIntegerMap::Contains(int value) const {
    return std::binary_search(m_values.begin(), m_values.end(), value);
}

int TKxIntegerMap::IndexOf(int value) const {
    const auto place = std::lower_bound(m_values.begin(), m_values.end(), value);
    if (place == m_values.end() || *place != value)
        return -1;
    return static_cast<int>(place - m_values.begin());
}

int TKxIntegerMap::Items(int index) const {
    if (index < 0 || index >= Count())
        KxRaise(KxOutOfRangeText(QCoreApplication::translate("KxFoundation", "Map Index"), index, 0,
                                 Count() - 1),
                QStringLiteral("TKxIntegerMap.Items"), this);
    return m_values[static_cast<std::size_t>(index)];
}

} // namespace kx
