#include "foundation/string_history.h"

#include "foundation/exceptions.h"
#include "foundation/storage_helpers.h"

namespace kx {
namespace {

QString TrimBlanksAndBreaks(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    const auto blank = [](QChar c) {
        return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') ||
               c == QLatin1Char('\n');
    };
    while (first < last && blank(text[first]))
        ++first;
    while (last > first && blank(text[last - 1]))
        --last;
    return text.mid(first, last - first);
}

} // namespace

TKxStringHistory::TKxStringHistory(IKxUnknown* storage, QString keyName, QString prefix,
                                   int maxCount)
    : m_storage(storage), m_keyName(std::move(keyName)), m_prefix(std::move(prefix)),
      m_maxCount(maxCount) {}

QString TKxStringHistory::ValueName(int index) const {
    return m_prefix + QString::number(index);
}

int TKxStringHistory::Count() const {
    TKxKeyPathKeeper keeper(m_storage.get());
    if (!KxOpenKeyByName(m_storage.get(), m_keyName, false))
        return 0;
    QStringList names;
    KxQuery<IKxKeyValueDirectory>(m_storage)->ReadValueNames(names);
    int count = 0;
    for (int i = 0; i < std::min<int>(names.size(), m_maxCount); ++i) {
        if (names[i].startsWith(m_prefix, Qt::CaseInsensitive))
            ++count;
    }
    return count;
}

QString TKxStringHistory::Item(int index) const {
    if (index < 0 || index >= m_maxCount)
        return {};
    TKxKeyPathKeeper keeper(m_storage.get());
    if (!KxOpenKeyByName(m_storage.get(), m_keyName, false))
        return {};
    return KxCheckQueryInterface<IKxStringStorage>(m_storage.get())
        ->ReadString(ValueName(index), {});
}

void TKxStringHistory::Add(const QString& text) {
    const QString entry = TrimBlanksAndBreaks(text);
    const int count = Count();
    int found = -1;
    for (int i = 0; i < count && found < 0; ++i) {
        if (Item(i) == entry) // file names differ by case on this platform
            found = i;
    }
    const int lastToMove = found >= 0 ? found - 1 : std::min(count, m_maxCount - 1) - 1;

    TKxKeyPathKeeper keeper(m_storage.get());
    KxOpenKeyByName(m_storage.get(), m_keyName, true);
    const auto strings = KxCheckQueryInterface<IKxStringStorage>(m_storage.get());
    for (int i = lastToMove; i >= 0; --i)
        strings->WriteString(ValueName(i + 1), strings->ReadString(ValueName(i), {}));
    strings->WriteString(ValueName(0), entry);
}

} // namespace kx
