#include "odbc/odbc_recordset_properties.h"

#include "foundation/storage_helpers.h"
#include "foundation/storage_interfaces.h"

#include <algorithm>

namespace kx {
namespace {

int ReadClamped(IKxValueStorage& values, const char* name, int defaultValue, int maximum) {
    return std::clamp(values.ReadInteger(QString::fromLatin1(name), defaultValue), 0, maximum);
}

std::uint8_t ReadByte(IKxBinaryStorage& values, const char* name, std::uint8_t defaultValue) {
    std::uint8_t value = defaultValue;
    if (values.ReadBinary(QString::fromLatin1(name), &value, 1, false) != 1)
        return defaultValue;
    return value;
}

void WriteByte(IKxUnknown* storage, IKxBinaryStorage& values, const char* name, std::uint8_t value,
               std::uint8_t defaultValue) {
    if (value == defaultValue)
        KxDeleteValue(storage, QString::fromLatin1(name));
    else
        values.WriteBinary(QString::fromLatin1(name),
                           QByteArray(reinterpret_cast<const char*>(&value), 1));
}

} // namespace

TKxOdbcRecordsetProperties::TKxOdbcRecordsetProperties(bool includeSQL, TKxLifetime lifetime)
    : TKxOdbcStatementProperties(includeSQL, lifetime) {}

void TKxOdbcRecordsetProperties::AssignFromObj(IKxUnknown* source) {
    TKxOdbcStatementProperties::AssignFromObj(source);
    if (auto* other = dynamic_cast<TKxOdbcRecordsetProperties*>(source)) {
        Attributes = other->Attributes;
        UpdateStrategy = other->UpdateStrategy;
        PositionedUpdateSimulation = other->PositionedUpdateSimulation;
        CursorSensitivity = other->CursorSensitivity;
        CursorType = other->CursorType;
        KeysetSize = other->KeysetSize;
        MaxRecordsReturned = other->MaxRecordsReturned;
        MaxFieldDataSize = other->MaxFieldDataSize;
        BlobCompressionType = other->BlobCompressionType;
        RecordCountStrategies = other->RecordCountStrategies;
    } else if (auto* recordset = dynamic_cast<TKxOdbcRecordsetBase*>(source)) {
        Attributes = recordset->Attributes();
        UpdateStrategy = recordset->UpdateStrategy();
        PositionedUpdateSimulation = recordset->PositionedUpdateSimulation();
        CursorSensitivity = recordset->CursorSensitivity();
        CursorType = recordset->CursorType();
        KeysetSize = recordset->KeysetSize();
        MaxRecordsReturned = recordset->MaxRecordsReturned();
        MaxFieldDataSize = recordset->MaxFieldDataSize();
        BlobCompressionType = recordset->BlobCompressionType();
        RecordCountStrategies = recordset->RecordCountStrategies();
    }
}

void TKxOdbcRecordsetProperties::AssignToObj(IKxUnknown* destination) {
    TKxOdbcStatementProperties::AssignToObj(destination);
    auto* recordset = dynamic_cast<TKxOdbcRecordsetBase*>(destination);
    if (recordset == nullptr)
        return;
    recordset->SetAttributes(Attributes);
    recordset->SetUpdateStrategy(UpdateStrategy);
    recordset->SetPositionedUpdateSimulation(PositionedUpdateSimulation);
    recordset->SetCursorSensitivity(CursorSensitivity);
    recordset->SetCursorType(CursorType);
    recordset->SetKeysetSize(KeysetSize);
    recordset->SetMaxRecordsReturned(MaxRecordsReturned);
    recordset->SetMaxFieldDataSize(MaxFieldDataSize);
    recordset->SetBlobCompressionType(BlobCompressionType);
    recordset->SetRecordCountStrategies(RecordCountStrategies);
}

void TKxOdbcRecordsetProperties::LoadData(IKxUnknown* storage) {
    TKxOdbcStatementProperties::LoadData(storage);
    const auto values = KxCheckQueryInterface<IKxValueStorage>(
        storage, QStringLiteral("TKxOdbcRecordsetProperties.LoadData"));
    UpdateStrategy =
        static_cast<TUpdateStrategy>(ReadClamped(*values, "Update Strategy", usMinimalLock, 3));
    PositionedUpdateSimulation = static_cast<TPositionedUpdateSimulation>(
        ReadClamped(*values, "Positioned Update Simulation", pusAllowNonUniqueUpdate, 2));
    CursorSensitivity = static_cast<TCursorSensitivity>(
        ReadClamped(*values, "Cursor Sensitivity", csUnspecified, 2));
    CursorType = static_cast<TKxCursorType>(ReadClamped(*values, "Cursor Type", ctKeyset, 3));
    KeysetSize = static_cast<std::uint32_t>(ReadClamped(*values, "Keyset Size", 0, INT_MAX));
    MaxRecordsReturned =
        static_cast<std::uint32_t>(ReadClamped(*values, "Maximum Records Returned", 0, INT_MAX));
    MaxFieldDataSize =
        static_cast<std::uint32_t>(ReadClamped(*values, "Maximum Field Data Size", 0, INT_MAX));
    BlobCompressionType = static_cast<TKxCompressionType>(
        ReadClamped(*values, "BLOB Compression Type", ctMaximum, 3));
    const auto binary = KxCheckQueryInterface<IKxBinaryStorage>(
        storage, QStringLiteral("TKxOdbcRecordsetProperties.LoadData"));
    Attributes = ReadByte(*binary, "Attributes", kxDefaultRecordsetAttributes);
    RecordCountStrategies = ReadByte(*binary, "Count Strategies", kxDefaultRecordCountStrategies);
}

void TKxOdbcRecordsetProperties::StoreData(IKxUnknown* storage) {
    TKxOdbcStatementProperties::StoreData(storage);
    const auto values = KxCheckQueryInterface<IKxValueStorage>(
        storage, QStringLiteral("TKxOdbcRecordsetProperties.StoreData"));
    values->WriteInteger(QStringLiteral("Update Strategy"), UpdateStrategy, usMinimalLock);
    values->WriteInteger(QStringLiteral("Positioned Update Simulation"), PositionedUpdateSimulation,
                         pusAllowNonUniqueUpdate);
    values->WriteInteger(QStringLiteral("Cursor Sensitivity"), CursorSensitivity, csUnspecified);
    values->WriteInteger(QStringLiteral("Cursor Type"), CursorType, ctKeyset);
    values->WriteInteger(QStringLiteral("Keyset Size"), static_cast<int>(KeysetSize), 0);
    values->WriteInteger(QStringLiteral("Maximum Records Returned"),
                         static_cast<int>(MaxRecordsReturned), 0);
    values->WriteInteger(QStringLiteral("Maximum Field Data Size"),
                         static_cast<int>(MaxFieldDataSize), 0);
    values->WriteInteger(QStringLiteral("BLOB Compression Type"), BlobCompressionType, ctMaximum);
    const auto binary = KxCheckQueryInterface<IKxBinaryStorage>(
        storage, QStringLiteral("TKxOdbcRecordsetProperties.StoreData"));
    WriteByte(storage, *binary, "Attributes", static_cast<std::uint8_t>(Attributes),
              kxDefaultRecordsetAttributes);
    WriteByte(storage, *binary, "Count Strategies", RecordCountStrategies,
              kxDefaultRecordCountStrategies);
}

} // namespace kx
