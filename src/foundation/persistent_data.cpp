#include "foundation/persistent_data.h"

#include "foundation/exceptions.h"
#include "foundation/storage_helpers.h"

#include <QCoreApplication>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxFoundation", text);
}

// How a declared value is read and written, decided by the type of its default.
enum class TValueKind { Integer, Float, DateTime, Text, Boolean, Variant };

TValueKind KindOf(const KxVariant& defaultValue) {
    switch (defaultValue.VarType()) {
    case varSmallint:
    case varInteger:
    case varByte:
        return TValueKind::Integer;
    case varSingle:
    case varDouble:
    case varCurrency:
        return TValueKind::Float;
    case varDate:
        return TValueKind::DateTime;
    case varOleStr:
    case varString:
    case varUString:
        return TValueKind::Text;
    case varBoolean:
        return TValueKind::Boolean;
    default:
        return TValueKind::Variant;
    }
}

} // namespace

TKxPersistentData::TKxPersistentData(QObject* owner) : TKxInterfacedComponent(owner) {
    SetBackEnd(KxMake<TKxIniFileStorage>());
}

TKxPersistentData::~TKxPersistentData() = default;

void TKxPersistentData::SetStorageType(int storageType) {
    if (storageType != stIniFile)
        KxRaise(Tr("This Storage Type has not been implemented yet."),
                QStringLiteral("InternalSetStorageType"), this);
    if (m_storageType == stIniFile && IniBackEnd() != nullptr)
        return;
    auto ini = KxMake<TKxIniFileStorage>();
    if (BackEnd() != nullptr)
        ini->CarryOverFrom(*BackEnd());
    ini->SetFileName(m_fileName);
    m_storageType = stIniFile;
    SetBackEnd(std::move(ini));
}

TKxIniFileStorage* TKxPersistentData::IniBackEnd() const {
    return dynamic_cast<TKxIniFileStorage*>(BackEnd());
}

QString TKxPersistentData::BaseKey() const {
    return BackEnd()->BaseKey();
}

void TKxPersistentData::SetBaseKey(const QString& baseKey) {
    BackEnd()->SetBaseKey(baseKey);
}

bool TKxPersistentData::UseRootKey() const {
    return BackEnd()->UseRootKey();
}

void TKxPersistentData::SetUseRootKey(bool use) {
    BackEnd()->SetUseRootKey(use);
}

void TKxPersistentData::SetFileName(const QString& fileName) {
    m_fileName = fileName;
    if (TKxIniFileStorage* ini = IniBackEnd())
        ini->SetFileName(fileName);
}

bool TKxPersistentData::Flush() {
    TKxIniFileStorage* ini = IniBackEnd();
    return ini == nullptr || ini->Flush();
}

void TKxPersistentData::DefineValue(int id, const QString& keyPath, const KxVariant& defaultValue,
                                    const QString& valueName) {
    if (m_values.contains(id))
        KxRaise(Tr("A Value with Id %1 already exists").arg(id), QStringLiteral("DefineValue"),
                this);
    m_values[id] = {id, QLatin1Char('\\') + KxTrimKeySeparators(keyPath.trimmed()), valueName,
                    defaultValue};
}

const TKxPersistentValue& TKxPersistentData::DeclaredValue(int id) const {
    const auto found = m_values.find(id);
    if (found == m_values.end())
        KxRaise(Tr("No Value with Id %1").arg(id), QStringLiteral("ValueNotExists"), this);
    return found->second;
}

KxVariant TKxPersistentData::ReadValue(int id) {
    const TKxPersistentValue& value = DeclaredValue(id);
    TKxKeyPathKeeper keeper(this);
    if (!OpenDir(value.KeyPath, false))
        return value.Default;
    const QString& name = value.ValueName;
    const KxVariant& fallback = value.Default;
    switch (KindOf(fallback)) {
    case TValueKind::Integer:
        return KxVariant(ReadInteger(name, fallback.ToInt()));
    case TValueKind::Float:
        return KxVariant(ReadFloat(name, fallback.ToDouble()));
    case TValueKind::DateTime:
        return KxVariant::FromDateTime(ReadDateTime(name, fallback.ToDouble()));
    case TValueKind::Text:
        return KxVariant(ReadString(name, fallback.ToString()));
    case TValueKind::Boolean:
        return KxVariant(ReadBool(name, fallback.ToBool()));
    case TValueKind::Variant:
        break;
    }
    return ReadVariant(name, fallback);
}

void TKxPersistentData::WriteValue(int id, const KxVariant& newValue) {
    const TKxPersistentValue& value = DeclaredValue(id);
    TKxKeyPathKeeper keeper(this);
    KxOpenKey(this, value.KeyPath, true);
    const QString& name = value.ValueName;
    const KxVariant& fallback = value.Default;
    switch (KindOf(fallback)) {
    case TValueKind::Integer:
        WriteInteger(name, newValue.ToInt(), fallback.ToInt());
        break;
    case TValueKind::Float:
        WriteFloat(name, newValue.ToDouble(), fallback.ToDouble());
        break;
    case TValueKind::DateTime:
        WriteDateTime(name, newValue.ToDouble(), fallback.ToDouble());
        break;
    case TValueKind::Text:
        WriteText(name, newValue.ToString(), fallback.ToString());
        break;
    case TValueKind::Boolean:
        WriteBool(name, newValue.ToBool(), fallback.ToBool());
        break;
    case TValueKind::Variant:
        WriteVariant(name, newValue, fallback);
        break;
    }
}

TKxPersistentData::State TKxPersistentData::TakeState() {
    State state;
    state.StorageGuid = m_storageFileGuid;
    for (const auto& [id, value] : m_values)
        state.Values[id] = ReadValue(id);
    return state;
}

void TKxPersistentData::RestoreState(const State& state) {
    m_storageFileGuid = state.StorageGuid;
    for (const auto& [id, value] : state.Values)
        WriteValue(id, value);
}

} // namespace kx
