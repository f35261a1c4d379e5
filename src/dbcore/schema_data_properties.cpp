#include "dbcore/schema_data_properties.h"

#include "dbcore/record_states.h"
#include "foundation/activation_interfaces.h"
#include "foundation/exceptions.h"

#include <QCoreApplication>
#include <array>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxDbCore", text);
}

struct SchemaListNames {
    const char* value;
    const char* display;
};

constexpr std::array<SchemaListNames, kxLastSchemaList + 1> kSchemaLists{{
    {"slSystemTables", QT_TRANSLATE_NOOP("KxDbCore", "System Tables")},
    {"slTables", QT_TRANSLATE_NOOP("KxDbCore", "Tables")},
    {"slViews", QT_TRANSLATE_NOOP("KxDbCore", "Views")},
    {"slProcedures", QT_TRANSLATE_NOOP("KxDbCore", "Procedures")},
    {"slTablePrivileges", QT_TRANSLATE_NOOP("KxDbCore", "Table Privileges")},
    {"slColumnPrivileges", QT_TRANSLATE_NOOP("KxDbCore", "Column Privileges")},
    {"slStatistics", QT_TRANSLATE_NOOP("KxDbCore", "Statistics")},
    {"slColumns", QT_TRANSLATE_NOOP("KxDbCore", "Columns")},
    {"slProcedureColumns", QT_TRANSLATE_NOOP("KxDbCore", "Procedure Columns")},
    {"slPrimaryKeys", QT_TRANSLATE_NOOP("KxDbCore", "Primary Keys")},
    {"slForeignKeys", QT_TRANSLATE_NOOP("KxDbCore", "Foreign Keys")},
    {"slTypeInfo", QT_TRANSLATE_NOOP("KxDbCore", "Type Info")},
}};

bool IsSchemaList(int list) {
    return list >= 0 && list <= kxLastSchemaList;
}

} // namespace

// ---- TKxCascadedContentsProperties

TKxCascadedContentsProperties::TKxCascadedContentsProperties(IKxUnknown* owner,
                                                             TKxLifetime lifetime)
    : TKxInterfacedPersistent(lifetime), m_owner(owner) {}

bool TKxCascadedContentsProperties::GetEnabled() const {
    return !m_keyValueName.isEmpty() && !m_parentReferenceValueName.isEmpty();
}

void TKxCascadedContentsProperties::FillNameList(int listKind, IKxUnknown* target) {
    if (const KxIntf<IKxFillNameList> names = KxQuery<IKxFillNameList>(m_owner))
        names->FillNameList(listKind, target);
}

void TKxCascadedContentsProperties::Assign(const TKxInterfacedPersistent* source) {
    const auto* other = dynamic_cast<const TKxCascadedContentsProperties*>(source);
    if (other == nullptr) {
        TKxInterfacedPersistent::Assign(source);
        return;
    }
    m_keyValueName = other->m_keyValueName;
    m_parentReferenceValueName = other->m_parentReferenceValueName;
}

// ---- TKxSchemaList

QString KxSchemaListDisplayName(int list) {
    return IsSchemaList(list) ? Tr(kSchemaLists[static_cast<std::size_t>(list)].display)
                              : QString();
}

QString KxSchemaListValueName(int list) {
    return IsSchemaList(list) ? QLatin1String(kSchemaLists[static_cast<std::size_t>(list)].value)
                              : QString();
}

// ---- TKxSchemaDataProperties

TKxSchemaDataProperties::TKxSchemaDataProperties(IKxUnknown* owner, TKxLifetime lifetime)
    : TKxInterfacedPersistent(lifetime), m_owner(owner) {}

void TKxSchemaDataProperties::AfterPropertyValueChange() {
    if (m_reExecute && KxGetIntfActive(m_owner, false))
        KxExecuteDataOperation(m_owner, roReExecuteStatement, static_cast<IKxUnknown*>(this),
                               QStringLiteral("AfterPropertyValueChange"));
    if (OnAfterSchemaDataChange)
        OnAfterSchemaDataChange(static_cast<IKxUnknown*>(this));
}

void TKxSchemaDataProperties::SetSchemaListValue(TKxSchemaList value) {
    if (value == m_schemaList)
        return;
    m_schemaList = value;
    AfterPropertyValueChange();
}

void TKxSchemaDataProperties::SetSchemaList(int value) {
    if (!IsSchemaList(value))
        KxRaise(KxUnsupportedValueText(value, QLatin1String(kxSchemaListTypeName)),
                QStringLiteral("SetSchemaList"), this);
    SetSchemaListValue(static_cast<TKxSchemaList>(value));
}

void TKxSchemaDataProperties::ChangeName(QString& name, const QString& value) {
    if (value == name)
        return;
    name = value;
    AfterPropertyValueChange();
}

void TKxSchemaDataProperties::SetDatabaseName(const QString& value) {
    ChangeName(m_databaseName, value);
}

void TKxSchemaDataProperties::SetSchemaName(const QString& value) {
    ChangeName(m_schemaName, value);
}

void TKxSchemaDataProperties::SetTableName(const QString& value) {
    ChangeName(m_tableName, value);
}

void TKxSchemaDataProperties::SetColumnName(const QString& value) {
    ChangeName(m_columnName, value);
}

void TKxSchemaDataProperties::SetForeignDatabaseName(const QString& value) {
    ChangeName(m_foreignDatabaseName, value);
}

void TKxSchemaDataProperties::SetForeignSchemaName(const QString& value) {
    ChangeName(m_foreignSchemaName, value);
}

void TKxSchemaDataProperties::SetForeignTableName(const QString& value) {
    ChangeName(m_foreignTableName, value);
}

QString TKxSchemaDataProperties::Description() const {
    return Tr("List:\t%1\r\rDatabase:\t%2\rSchema:\t%3\rTable/Proc:\t%4\rColumnname:\t%5\r"
              "FK Database:\t%6\rFK Schema:\t%7\rFK Table:\t%8")
        .arg(KxSchemaListDisplayName(m_schemaList), m_databaseName, m_schemaName, m_tableName,
             m_columnName, m_foreignDatabaseName, m_foreignSchemaName, m_foreignTableName);
}

void TKxSchemaDataProperties::Assign(const TKxInterfacedPersistent* source) {
    const auto* other = dynamic_cast<const TKxSchemaDataProperties*>(source);
    if (other == nullptr) {
        TKxInterfacedPersistent::Assign(source);
        return;
    }
    SetSchemaListValue(other->m_schemaList);
    SetDatabaseName(other->m_databaseName);
    SetSchemaName(other->m_schemaName);
    SetTableName(other->m_tableName);
    SetColumnName(other->m_columnName);
    SetForeignDatabaseName(other->m_foreignDatabaseName);
    SetForeignSchemaName(other->m_foreignSchemaName);
    SetForeignTableName(other->m_foreignTableName);
    m_reExecute = other->m_reExecute;
}

} // namespace kx
