#pragma once

#include "dbcore/sql_interfaces.h"
#include "foundation/kx_lists.h"
#include "foundation/kx_variant.h"
#include "foundation/questions.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace kx {

// How a located value is compared with the records' values.
enum TKxMatchKind : std::uint8_t { mtExact = 0, mtClosest = 1 };

// "Exact Match", "Closest Match"; empty for any other value.
QString KxMatchKindDisplayName(int kind);

// One value to look up or locate by field name.
struct TNameAndValueMatch {
    QString Name;
    KxVariant Value;
    TKxMatchKind MatchKind = mtExact;
    bool CaseSensitive = false;
};

// One match as an object: its name, its value (read and written), whether it compares case
// sensitively (question 16) and its match kind (value 3).
class TKxNameAndValueMatchObj : public TKxInterfacedObject,
                                public virtual IKxGetName,
                                public virtual IKxGetSetValue,
                                public virtual IKxAskBoolean,
                                public virtual IKxAskInteger {
public:
    explicit TKxNameAndValueMatchObj(TNameAndValueMatch match,
                                     TKxLifetime lifetime = TKxLifetime::SelfOwned);

    const TNameAndValueMatch& Match() const { return m_match; }

    QString GetName() const override { return m_match.Name; }
    KxVariant GetValue() const override { return m_match.Value; }
    void SetValue(const KxVariant& value) override { m_match.Value = value; }
    int AskBoolean(int id) override;
    int AskInteger(int id) override;

private:
    TNameAndValueMatch m_match;
};

// The matches of one look-up or locate, in the order given, reachable by index.
class TKxNameAndValueMatchList : public TKxObjectListOf<TKxNameAndValueMatchObj>,
                                 public virtual IKxGetItemByIndex {
public:
    explicit TKxNameAndValueMatchList(const std::vector<TNameAndValueMatch>& matches = {},
                                      TKxLifetime lifetime = TKxLifetime::SelfOwned);
    ~TKxNameAndValueMatchList() override;

    // Appends a match; the list owns the object.
    void AddMatch(const TNameAndValueMatch& match);
    KxHResult GetItemByIndex(int index, KxIntf<IKxUnknown>& item) override;
};

} // namespace kx
