#pragma once

#include "foundation/kx_intf.h"

#include <QString>

namespace kx {

// A most-recent-first list of texts (the recent script files) kept as the values
// <prefix>0, <prefix>1, … of one key of a store. Texts are stored as they are: a path such
// as «R&D.sql» must come back unchanged; a menu that shows them escapes "&" itself.
class TKxStringHistory {
public:
    TKxStringHistory(IKxUnknown* storage, QString keyName, QString prefix, int maxCount = 30);

    // The number of values whose names start with the prefix (ignoring case), looking at no
    // more than the first `maxCount` names of the key.
    int Count() const;
    // An index outside 0 … maxCount − 1, or a missing entry, gives an empty text.
    QString Item(int index) const;
    // Puts `text` (trimmed of blanks and line breaks) at index 0. A text already listed
    // (compared with case: «/x/A.sql» and «/x/a.sql» are two files) moves up from where it
    // was; otherwise every entry moves down one place and the last one falls off.
    void Add(const QString& text);
    int MaxCount() const { return m_maxCount; }

private:
    QString ValueName(int index) const;

    KxIntf<IKxUnknown> m_storage;
    QString m_keyName;
    QString m_prefix;
    int m_maxCount;
};

} // namespace kx
