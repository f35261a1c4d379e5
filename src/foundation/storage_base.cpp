#include "foundation/storage_base.h"

#include "foundation/exceptions.h"

#include <QCoreApplication>

namespace kx {

QString KxRootKeyName(std::uint32_t rootKey) {
    switch (rootKey) {
    case HKEY_CLASSES_ROOT:
        return QStringLiteral("HKEY_CLASSES_ROOT");
    case HKEY_CURRENT_USER:
        return QStringLiteral("HKEY_CURRENT_USER");
    case HKEY_LOCAL_MACHINE:
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    case HKEY_USERS:
        return QStringLiteral("HKEY_USERS");
    case HKEY_CURRENT_CONFIG:
        return QStringLiteral("HKEY_CURRENT_CONFIG");
    case HKEY_DYN_DATA:
        return QStringLiteral("HKEY_DYN_DATA");
    default:
        return {};
    }
}

QStringList KxSplitKeyPath(const QString& path) {
    QString normalised = path.trimmed();
    normalised.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return normalised.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

bool KxIsAbsoluteKeyPath(const QString& path) {
    const QString trimmed = path.trimmed();
    return trimmed.startsWith(QLatin1Char('\\')) || trimmed.startsWith(QLatin1Char('/'));
}

QString KxTrimKeySeparators(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    const auto isSeparator = [](QChar c) {
        return c == QLatin1Char('\\') || c == QLatin1Char('/');
    };
    while (first < last && isSeparator(text[first]))
        ++first;
    while (last > first && isSeparator(text[last - 1]))
        --last;
    return text.mid(first, last - first);
}

TKxStorageBase::TKxStorageBase() = default;

void TKxStorageBase::SetRootKey(std::uint32_t rootKey) {
    if (KxRootKeyName(rootKey).isEmpty())
        KxRaise(QCoreApplication::translate("KxFoundation", "Invalid Root Key \"%1\"")
                    .arg(static_cast<int>(rootKey)),
                QStringLiteral("SetRootKey"), this);
    m_rootKey = rootKey;
}

void TKxStorageBase::SetBaseKey(const QString& baseKey) {
    m_baseKey = KxTrimKeySeparators(baseKey);
}

void TKxStorageBase::CarryOverFrom(const TKxStorageBase& previous) {
    m_baseKey = previous.m_baseKey;
    m_currentPath = previous.m_currentPath;
    m_storageGuid = previous.m_storageGuid;
}

QStringList TKxStorageBase::Resolve(const QString& path) const {
    QStringList parts = KxIsAbsoluteKeyPath(path) ? QStringList() : m_currentPath;
    parts += KxSplitKeyPath(path);
    return parts;
}

QString TKxStorageBase::FullKeyOf(const QStringList& parts) const {
    QString key =
        KxTrimKeySeparators(m_baseKey + QLatin1Char('\\') + parts.join(QLatin1Char('\\')));
    if (m_useRootKey)
        key = KxRootKeyName(m_rootKey) + QLatin1Char('\\') + key;
    return KxTrimKeySeparators(key);
}

QString TKxStorageBase::FullKey(const QString& path) const {
    return FullKeyOf(Resolve(path));
}

bool TKxStorageBase::OpenDir(const QString& path, bool create) {
    const QStringList resolved = Resolve(path);
    if (resolved.join(QLatin1Char('\\'))
            .compare(m_currentPath.join(QLatin1Char('\\')), Qt::CaseInsensitive) == 0)
        return true;
    if (!KeyOpen(FullKeyOf(resolved), create))
        return false;
    m_currentPath = resolved;
    return true;
}

bool TKxStorageBase::DirExists(const QString& path) {
    return KeyExists(FullKey(path));
}

void TKxStorageBase::ReadSubDirNames(QStringList& names) {
    names = SubKeyNames(FullKeyOf(m_currentPath));
}

void TKxStorageBase::ReadValueNames(QStringList& names) {
    names = ValueNames(FullKeyOf(m_currentPath));
}

bool TKxStorageBase::DeleteValue(const QString& name) {
    return RemoveValue(FullKeyOf(m_currentPath), name);
}

bool TKxStorageBase::DeleteDir(const QString& path) {
    return RemoveKey(FullKey(path));
}

QString TKxStorageBase::CurrentPath() {
    return QLatin1Char('\\') + m_currentPath.join(QLatin1Char('\\'));
}

QString TKxStorageBase::ReadString(const QString& name, const QString& defaultValue) {
    return ReadValue(FullKeyOf(m_currentPath), name).value_or(defaultValue);
}

void TKxStorageBase::WriteString(const QString& name, const QString& value) {
    WriteValue(FullKeyOf(m_currentPath), name, value);
}

bool TKxStorageBase::ValueExists(const QString& name) {
    return ReadValue(FullKeyOf(m_currentPath), name).has_value();
}

} // namespace kx
