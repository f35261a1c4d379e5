#pragma once

#include "foundation/storage_base.h"

namespace kx {

// Typed values, binary values and the directory over a back end's strings. The encoding is
// the same for every back end:
//   integers    decimal digits              bad text reads as the default
//   booleans    "1" / "0"                   true when the text starts with one of "tT1wWyYsSqQ"
//   date-times  the locale's date and time  bad text reads as the default
//   doubles     the locale's number text    bad text reads as the default
//   variants    "<type code>,<value text>"  "0,<None>" empty, "1,NULL" null
//   binary      two hex digits per byte
// It is a mixin: the class that uses it supplies the reference count.
class TKxValueStorageImpl : public virtual IKxKeyValueDirectory,
                            public virtual IKxValueStorage,
                            public virtual IKxBinaryStorage {
public:
    TKxStorageBase* BackEnd() const { return m_backEnd.get(); }
    void SetBackEnd(KxIntf<TKxStorageBase> backEnd) { m_backEnd = std::move(backEnd); }

    // IKxKeyValueDirectory, forwarded to the back end.
    bool OpenDir(const QString& path, bool create) override;
    bool DirExists(const QString& path) override;
    void ReadSubDirNames(QStringList& names) override;
    void ReadValueNames(QStringList& names) override;
    bool DeleteValue(const QString& name) override;
    bool DeleteDir(const QString& path) override;
    QString CurrentPath() override;

    // IKxStringStorage, forwarded to the back end.
    QString ReadString(const QString& name, const QString& defaultValue) override;
    void WriteString(const QString& name, const QString& value) override;
    bool ValueExists(const QString& name) override;

    // IKxValueStorage
    int ReadInteger(const QString& name, int defaultValue) override;
    void WriteInteger(const QString& name, int value,
                      std::optional<int> defaultValue = {}) override;
    qint64 ReadInt64(const QString& name, qint64 defaultValue) override;
    void WriteInt64(const QString& name, qint64 value,
                    std::optional<qint64> defaultValue = {}) override;
    bool ReadBool(const QString& name, bool defaultValue) override;
    void WriteBool(const QString& name, bool value, std::optional<bool> defaultValue = {}) override;
    TKxDateTime ReadDateTime(const QString& name, TKxDateTime defaultValue) override;
    void WriteDateTime(const QString& name, TKxDateTime value,
                       std::optional<TKxDateTime> defaultValue = {}) override;
    double ReadFloat(const QString& name, double defaultValue) override;
    void WriteFloat(const QString& name, double value,
                    std::optional<double> defaultValue = {}) override;
    KxVariant ReadVariant(const QString& name, const KxVariant& defaultValue) override;
    void WriteVariant(const QString& name, const KxVariant& value,
                      std::optional<KxVariant> defaultValue = {}) override;
    void WriteText(const QString& name, const QString& value,
                   std::optional<QString> defaultValue = {}) override;

    // IKxBinaryStorage
    int ReadBinary(const QString& name, void* buffer, int count, bool zeroFill) override;
    int BinarySize(const QString& name) override;
    void WriteBinary(const QString& name, const QByteArray& bytes) override;

    static QString EncodeVariant(const KxVariant& value);
    static KxVariant DecodeVariant(const QString& text, const KxVariant& defaultValue);

private:
    TKxStorageBase& Checked() const;
    std::optional<QString> Stored(const QString& name);
    // Writes `text`, or deletes the value when `isDefault`.
    void WriteOrDelete(const QString& name, const QString& text, bool isDefault);

    KxIntf<TKxStorageBase> m_backEnd;
};

// The mixin as an object of its own, over any back end.
class TKxValueStorage : public TKxInterfacedObject, public TKxValueStorageImpl {
public:
    explicit TKxValueStorage(KxIntf<TKxStorageBase> backEnd) { SetBackEnd(std::move(backEnd)); }
};

} // namespace kx
