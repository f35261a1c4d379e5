#pragma once

#include "foundation/date_time.h"
#include "foundation/kx_intf.h"
#include "foundation/kx_variant.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace kx {

// The settings store is a tree of keys, each holding named string values, reached through
// these interfaces. Paths are "\"-separated ("/" is accepted); a path starting with a
// separator is absolute (below the base key), any other is relative to the current path.

class IKxKeyValueDirectory : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1AB0, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1A, 0x00}};
    // Makes the key current; without `create` only an existing key can be opened.
    virtual bool OpenDir(const QString& path, bool create) = 0;
    virtual bool DirExists(const QString& path) = 0;
    // Names of the current key's sub-keys and values.
    virtual void ReadSubDirNames(QStringList& names) = 0;
    virtual void ReadValueNames(QStringList& names) = 0;
    virtual bool DeleteValue(const QString& name) = 0;
    // Deletes a key with everything below it.
    virtual bool DeleteDir(const QString& path) = 0;
    virtual QString CurrentPath() = 0;
};

class IKxStringStorage : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1AB1, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1A, 0x01}};
    // Values live in the current key. A missing value reads as `defaultValue`.
    virtual QString ReadString(const QString& name, const QString& defaultValue) = 0;
    virtual void WriteString(const QString& name, const QString& value) = 0;
    virtual bool ValueExists(const QString& name) = 0;
};

// Typed values over the string store. Reads never raise: bad or missing data gives the
// default. Writes given a default delete the value instead when the new value equals it, so
// the store holds only what differs from the defaults.
class IKxValueStorage : public virtual IKxStringStorage {
public:
    static constexpr KxGuid IID{
        0x6B9C1AB2, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1A, 0x02}};
    virtual int ReadInteger(const QString& name, int defaultValue) = 0;
    virtual void WriteInteger(const QString& name, int value,
                              std::optional<int> defaultValue = {}) = 0;
    virtual qint64 ReadInt64(const QString& name, qint64 defaultValue) = 0;
    virtual void WriteInt64(const QString& name, qint64 value,
                            std::optional<qint64> defaultValue = {}) = 0;
    virtual bool ReadBool(const QString& name, bool defaultValue) = 0;
    virtual void WriteBool(const QString& name, bool value,
                           std::optional<bool> defaultValue = {}) = 0;
    virtual TKxDateTime ReadDateTime(const QString& name, TKxDateTime defaultValue) = 0;
    virtual void WriteDateTime(const QString& name, TKxDateTime value,
                               std::optional<TKxDateTime> defaultValue = {}) = 0;
    virtual double ReadFloat(const QString& name, double defaultValue) = 0;
    virtual void WriteFloat(const QString& name, double value,
                            std::optional<double> defaultValue = {}) = 0;
    virtual KxVariant ReadVariant(const QString& name, const KxVariant& defaultValue) = 0;
    virtual void WriteVariant(const QString& name, const KxVariant& value,
                              std::optional<KxVariant> defaultValue = {}) = 0;
    // Strings equal to their default ignoring letter case are deleted too.
    virtual void WriteText(const QString& name, const QString& value,
                           std::optional<QString> defaultValue = {}) = 0;
};

class IKxBinaryStorage : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1AB3, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1A, 0x03}};
    // Reads up to `count` bytes into `buffer` and answers how many were stored; with
    // `zeroFill` the rest of the buffer is cleared.
    virtual int ReadBinary(const QString& name, void* buffer, int count, bool zeroFill) = 0;
    // The number of bytes stored under `name` (0 when there is no such value).
    virtual int BinarySize(const QString& name) = 0;
    virtual void WriteBinary(const QString& name, const QByteArray& bytes) = 0;
};

// Objects that save themselves, always in the storage's current key.
class IKxLoadStoreData : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1AB4, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1A, 0x04}};
    virtual void LoadData(IKxUnknown* storage) = 0;
    virtual void StoreData(IKxUnknown* storage) = 0;
};

} // namespace kx
