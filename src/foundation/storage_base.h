#pragma once

#include "foundation/interfaced_object.h"
#include "foundation/kx_guid.h"
#include "foundation/storage_interfaces.h"

#include <QStringList>
#include <cstdint>
#include <optional>

namespace kx {

// The classic root keys of the settings tree. The INI back end only uses the root's name as
// the first part of every section name.
enum TKxRootKey : std::uint32_t {
    HKEY_CLASSES_ROOT = 0x80000000u,
    HKEY_CURRENT_USER = 0x80000001u,
    HKEY_LOCAL_MACHINE = 0x80000002u,
    HKEY_USERS = 0x80000003u,
    HKEY_CURRENT_CONFIG = 0x80000005u,
    HKEY_DYN_DATA = 0x80000006u,
};

// "HKEY_CURRENT_USER" …, or an empty text for a value that is not a root key.
QString KxRootKeyName(std::uint32_t rootKey);

// Key-path rules shared by every back end: "/" becomes "\", blanks at both ends go, and
// empty parts vanish, so "\A//B\" and "A\B" name the same key.
QStringList KxSplitKeyPath(const QString& path);
bool KxIsAbsoluteKeyPath(const QString& path);
QString KxTrimKeySeparators(const QString& text);

// The part of the store every back end shares: root key, base key, current path and storage
// GUID, and the path resolution of the directory interface. A back end supplies the
// primitives below, always on full keys (root name, base key and path joined by "\").
class TKxStorageBase : public TKxInterfacedObject,
                       public virtual IKxKeyValueDirectory,
                       public virtual IKxStringStorage {
public:
    TKxStorageBase();

    std::uint32_t RootKey() const { return m_rootKey; }
    // Raises "Invalid Root Key "%d"" (routine "SetRootKey") for anything but a root key.
    void SetRootKey(std::uint32_t rootKey);
    QString BaseKey() const { return m_baseKey; }
    void SetBaseKey(const QString& baseKey);
    bool UseRootKey() const { return m_useRootKey; }
    void SetUseRootKey(bool use) { m_useRootKey = use; }
    const KxGuid& StorageGuid() const { return m_storageGuid; }
    void SetStorageGuid(const KxGuid& guid) { m_storageGuid = guid; }

    // Takes base key, current path and storage GUID over from the back end this one replaces.
    void CarryOverFrom(const TKxStorageBase& previous);

    // The full key of a path: resolved against the current path when relative.
    QString FullKey(const QString& path) const;

    // IKxKeyValueDirectory
    bool OpenDir(const QString& path, bool create) override;
    bool DirExists(const QString& path) override;
    void ReadSubDirNames(QStringList& names) override;
    void ReadValueNames(QStringList& names) override;
    bool DeleteValue(const QString& name) override;
    bool DeleteDir(const QString& path) override;
    // "\" followed by the current path below the base key ("\" for the base key itself).
    QString CurrentPath() override;

    // IKxStringStorage
    QString ReadString(const QString& name, const QString& defaultValue) override;
    void WriteString(const QString& name, const QString& value) override;
    bool ValueExists(const QString& name) override;

protected:
    virtual bool KeyOpen(const QString& fullKey, bool create) = 0;
    virtual bool KeyExists(const QString& fullKey) = 0;
    virtual QStringList SubKeyNames(const QString& fullKey) = 0;
    virtual QStringList ValueNames(const QString& fullKey) = 0;
    virtual std::optional<QString> ReadValue(const QString& fullKey, const QString& name) = 0;
    virtual void WriteValue(const QString& fullKey, const QString& name, const QString& value) = 0;
    virtual bool RemoveValue(const QString& fullKey, const QString& name) = 0;
    virtual bool RemoveKey(const QString& fullKey) = 0;

private:
    // The key path below the base key that `path` names, as its parts.
    QStringList Resolve(const QString& path) const;
    QString FullKeyOf(const QStringList& parts) const;

    std::uint32_t m_rootKey = HKEY_CURRENT_USER;
    QString m_baseKey;
    bool m_useRootKey = true;
    QStringList m_currentPath;
    KxGuid m_storageGuid;
};

} // namespace kx
