#pragma once

#include "dbcore/record_interfaces.h"
#include "dbcore/statement_interfaces.h"
#include "foundation/interfaced_object.h"

#include <QString>
#include <functional>

namespace kx {

// The self reference a recordset publishes as "CascadedContentsProperties": the key field
// and the field that holds the parent's key. Cascaded deletion and child insertion need both.
class TKxCascadedContentsProperties : public TKxInterfacedPersistent,
                                      public virtual IKxCascadedContents,
                                      public virtual IKxFillNameList {
public:
    // `owner` is the recordset, which owns these properties and outlives them.
    explicit TKxCascadedContentsProperties(IKxUnknown* owner,
                                           TKxLifetime lifetime = TKxLifetime::OwnerOwned);

    IKxUnknown* Owner() const { return m_owner; }
    const QString& KeyValueName() const { return m_keyValueName; }
    void SetKeyValueName(const QString& value) { m_keyValueName = value; }
    const QString& ParentReferenceValueName() const { return m_parentReferenceValueName; }
    void SetParentReferenceValueName(const QString& value) { m_parentReferenceValueName = value; }

    QString GetKeyValueName() const override { return m_keyValueName; }
    QString GetParentReferenceValueName() const override { return m_parentReferenceValueName; }
    bool GetEnabled() const override;
    // The owner's names, so a property editor offers the recordset's fields.
    void FillNameList(int listKind, IKxUnknown* target) override;
    void Assign(const TKxInterfacedPersistent* source) override;

private:
    IKxUnknown* m_owner;
    QString m_keyValueName;
    QString m_parentReferenceValueName;
};

// The catalog lists a schema recordset can read.
enum TKxSchemaList : int {
    slSystemTables = 0,
    slTables = 1,
    slViews = 2,
    slProcedures = 3,
    slTablePrivileges = 4,
    slColumnPrivileges = 5,
    slStatistics = 6,
    slColumns = 7,
    slProcedureColumns = 8,
    slPrimaryKeys = 9,
    slForeignKeys = 10,
    slTypeInfo = 11,
};
inline constexpr int kxLastSchemaList = slTypeInfo;
inline constexpr const char* kxSchemaListTypeName = "TKxSchemaList";

// "System Tables" … "Type Info"; empty outside the lists.
QString KxSchemaListDisplayName(int list);
// "slSystemTables" … "slTypeInfo"; empty outside the lists.
QString KxSchemaListValueName(int list);

using TKxNotifyEvent = std::function<void(IKxUnknown* sender)>;

// The catalog list and name patterns of a schema recordset. A changed value re-reads an
// open recordset at once (unless ReExecuteAfterPropertyValueChange is off) and is then
// announced.
class TKxSchemaDataProperties : public TKxInterfacedPersistent,
                                public virtual IKxSchemaDataProperties {
public:
    explicit TKxSchemaDataProperties(IKxUnknown* owner,
                                     TKxLifetime lifetime = TKxLifetime::OwnerOwned);

    IKxUnknown* Owner() const { return m_owner; }

    TKxSchemaList SchemaList() const { return m_schemaList; }
    void SetSchemaListValue(TKxSchemaList value);
    bool ReExecuteAfterPropertyValueChange() const { return m_reExecute; }
    void SetReExecuteAfterPropertyValueChange(bool value) { m_reExecute = value; }

    int GetSchemaList() const override { return m_schemaList; }
    // Raises "Unsupported value (%d) for "TKxSchemaList"" outside 0 … 11.
    void SetSchemaList(int value) override;
    QString GetDatabaseName() const override { return m_databaseName; }
    void SetDatabaseName(const QString& value) override;
    QString GetSchemaName() const override { return m_schemaName; }
    void SetSchemaName(const QString& value) override;
    QString GetTableName() const override { return m_tableName; }
    void SetTableName(const QString& value) override;
    QString GetColumnName() const override { return m_columnName; }
    void SetColumnName(const QString& value) override;
    QString GetForeignDatabaseName() const override { return m_foreignDatabaseName; }
    void SetForeignDatabaseName(const QString& value) override;
    QString GetForeignSchemaName() const override { return m_foreignSchemaName; }
    void SetForeignSchemaName(const QString& value) override;
    QString GetForeignTableName() const override { return m_foreignTableName; }
    void SetForeignTableName(const QString& value) override;

    // The schema recordset's description: the list and the seven names.
    QString Description() const;
    void Assign(const TKxInterfacedPersistent* source) override;

    TKxNotifyEvent OnAfterSchemaDataChange;

private:
    void ChangeName(QString& name, const QString& value);
    void AfterPropertyValueChange();

    IKxUnknown* m_owner;
    TKxSchemaList m_schemaList = slTables;
    QString m_databaseName = QStringLiteral("<None>");
    QString m_schemaName = QStringLiteral("<None>");
    QString m_tableName = QStringLiteral("%");
    QString m_columnName = QStringLiteral("%");
    QString m_foreignDatabaseName = QStringLiteral("<None>");
    QString m_foreignSchemaName = QStringLiteral("<None>");
    QString m_foreignTableName = QStringLiteral("%");
    bool m_reExecute = true;
};

} // namespace kx
