#pragma once

#include "foundation/ini_file_storage.h"
#include "foundation/value_storage.h"

#include <map>

namespace kx {

enum TPDStorageType : int { stIniFile = 0, stRegistry = 1, stStorageFile = 2 };

// One declared setting: where it lives, its name and its default (whose variant type also
// says how the value is read and written).
struct TKxPersistentValue {
    int Id = 0;
    QString KeyPath; // "\" + the path given, trimmed of separators
    QString ValueName;
    KxVariant Default;
};

// The program's settings store: a component that owns one back end and a table of declared
// values, so callers read and write settings by id. It offers the store's interfaces
// (IKxKeyValueDirectory, IKxValueStorage, IKxBinaryStorage) for direct use.
//
// Only the INI back end exists: the registry and compound-file stores have no counterpart
// on this platform and raise the "not implemented" error.
class TKxPersistentData : public TKxInterfacedComponent, public TKxValueStorageImpl {
public:
    explicit TKxPersistentData(QObject* owner = nullptr);
    ~TKxPersistentData() override;

    TPDStorageType StorageType() const { return m_storageType; }
    // Raises "This Storage Type has not been implemented yet." (routine
    // "InternalSetStorageType") for every type but stIniFile.
    void SetStorageType(int storageType);
    QString BaseKey() const;
    void SetBaseKey(const QString& baseKey);
    QString FileName() const { return m_fileName; }
    void SetFileName(const QString& fileName);
    bool UseRootKey() const;
    void SetUseRootKey(bool use);
    QString StorageFileGuid() const { return m_storageFileGuid; }
    void SetStorageFileGuid(const QString& guid) { m_storageFileGuid = guid; }

    // Raises "A Value with Id %d already exists" (routine "DefineValue").
    void DefineValue(int id, const QString& keyPath, const KxVariant& defaultValue,
                     const QString& valueName);
    // Both raise "No Value with Id %d" (routine "ValueNotExists") for an undeclared id.
    KxVariant ReadValue(int id);
    void WriteValue(int id, const KxVariant& value);
    const TKxPersistentValue& DeclaredValue(int id) const;

    // The current values of all declared ids, to be given back later (which writes them).
    struct State {
        QString StorageGuid;
        std::map<int, KxVariant> Values;
    };
    State TakeState();
    void RestoreState(const State& state);

    // Writes pending changes of the INI file now.
    bool Flush();

private:
    TKxIniFileStorage* IniBackEnd() const;

    TPDStorageType m_storageType = stIniFile;
    QString m_fileName;
    QString m_storageFileGuid;
    std::map<int, TKxPersistentValue> m_values;
};

} // namespace kx
