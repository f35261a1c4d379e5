#include "dbcore/name_value_match.h"

#include <QCoreApplication>
#include <memory>

namespace kx {

QString KxMatchKindDisplayName(int kind) {
    switch (kind) {
    case mtExact:
        return QCoreApplication::translate("KxDbCore", "Exact Match");
    case mtClosest:
        return QCoreApplication::translate("KxDbCore", "Closest Match");
    default:
        return {};
    }
}

TKxNameAndValueMatchObj::TKxNameAndValueMatchObj(TNameAndValueMatch match, TKxLifetime lifetime)
    : TKxInterfacedObject(lifetime), m_match(std::move(match)) {}

int TKxNameAndValueMatchObj::AskBoolean(int id) {
    if (id == qid::CaseSensitiveMatch)
        return KxBooleanAnswer(m_match.CaseSensitive);
    return baUnknown;
}

int TKxNameAndValueMatchObj::AskInteger(int id) {
    if (id == vid::MatchKind)
        return m_match.MatchKind;
    return kxUnsupportedValue;
}

TKxNameAndValueMatchList::TKxNameAndValueMatchList(const std::vector<TNameAndValueMatch>& matches,
                                                   TKxLifetime lifetime)
    : TKxObjectListOf<TKxNameAndValueMatchObj>(true, lifetime) {
    for (const TNameAndValueMatch& match : matches)
        AddMatch(match);
}

TKxNameAndValueMatchList::~TKxNameAndValueMatchList() {
    Clear();
}

void TKxNameAndValueMatchList::AddMatch(const TNameAndValueMatch& match) {
    // Owned by the list: references handed out by index only borrow the object.
    Add(std::make_unique<TKxNameAndValueMatchObj>(match, TKxLifetime::OwnerOwned));
}

KxHResult TKxNameAndValueMatchList::GetItemByIndex(int index, KxIntf<IKxUnknown>& item) {
    item.reset();
    if (index < 0 || index >= Count())
        return hr::E_InvalidArg;
    item = KxIntf<IKxUnknown>(static_cast<IKxUnknown*>(Items(index)));
    return hr::S_Ok;
}

} // namespace kx
