#include "odbc/odbc_schema_recordset.h"

#include "foundation/exceptions.h"
#include "foundation/trace.h"
#include "odbc/odbc_connection.h"

#include <climits>

namespace kx {
namespace {

// One name argument of a catalog call as UTF-8 bytes for the ANSI entry point: "<None>"
// stands for no restriction and is passed as a null pointer; anything else, the empty text
// included, is passed as it stands.
class CatalogName {
public:
    explicit CatalogName(const QString& value)
        : m_none(value.compare(QStringLiteral("<None>"), Qt::CaseInsensitive) == 0),
          m_bytes(value.toUtf8()) {}

    SQLCHAR* Text() {
        // data() of an empty array is a valid empty text: an empty pattern, not a null one.
        return m_none ? nullptr : reinterpret_cast<SQLCHAR*>(m_bytes.data());
    }
    SQLSMALLINT Length() const {
        if (m_none)
            return 0;
        // Beyond the length a catalog argument can state the bytes are still terminated.
        return m_bytes.size() > SHRT_MAX ? SQLSMALLINT{SQL_NTS}
                                         : static_cast<SQLSMALLINT>(m_bytes.size());
    }

private:
    bool m_none;
    QByteArray m_bytes;
};

// The type SQLGetTypeInfo is asked for: the digits of `text` as a number, negative when its
// first non-blank character is "-", SQL_ALL_TYPES when it has no digit. A number beyond the
// range of a type code stays beyond it, for the driver to refuse.
SQLSMALLINT TypeInfoDataType(const QString& text) {
    const QString trimmed = text.trimmed();
    const bool negative = trimmed.startsWith(QLatin1Char('-'));
    int value = 0;
    for (const QChar c : trimmed) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            value = std::min(value * 10 + (c.unicode() - u'0'), SHRT_MAX);
    }
    return static_cast<SQLSMALLINT>(negative ? -value : value);
}

} // namespace

TKxOdbcSchemaRecordset::TKxOdbcSchemaRecordset(QObject* owner, TKxLifetime lifetime)
    : TKxOdbcRecordsetBase(owner, lifetime), m_schemaData(std::make_unique<TKxSchemaDataProperties>(
                                                 static_cast<IKxGetItemByName*>(this))) {
    // Nothing of a catalog result can be written back: no locks are asked for.
    SetUpdateStrategy(usReadOnly);
    // The re-execution itself is the properties' own (it runs before this handler); what a
    // changed list or pattern means to the bound controls is a changed statement.
    m_schemaData->OnAfterSchemaDataChange = [this](IKxUnknown*) { NotifySQLChange(); };
}

TKxOdbcSchemaRecordset::~TKxOdbcSchemaRecordset() {
    MarkDestroying();
    CloseBeforeDestroy();
}

void TKxOdbcSchemaRecordset::SetSchemaData(const TKxSchemaDataProperties& value) {
    m_schemaData->Assign(&value);
}

QString TKxOdbcSchemaRecordset::GetSearchPatternEscape() {
    TKxOdbcConnection* connection = ODBCConnection();
    return connection != nullptr ? connection->SearchPatternEscape() : QString();
}

bool TKxOdbcSchemaRecordset::IsSystemSchema(const QString& schema) {
    TKxOdbcConnection* connection = ODBCConnection();
    return connection != nullptr && !schema.isEmpty() &&
           connection->DriverTraits().systemSchemas.contains(schema, Qt::CaseInsensitive);
}

bool TKxOdbcSchemaRecordset::FindPublishedProperty(const QString& name,
                                                   KxIntf<IKxUnknown>& value) const {
    if (name.compare(QStringLiteral("SchemaData"), Qt::CaseInsensitive) == 0) {
        value = KxIntf<IKxUnknown>(static_cast<IKxSchemaDataProperties*>(m_schemaData.get()));
        return true;
    }
    return TKxOdbcRecordsetBase::FindPublishedProperty(name, value);
}

void TKxOdbcSchemaRecordset::ExecuteStatement() {
    if (KxIsTraceActive())
        KxTrace(QString(51, QLatin1Char('=')) + QStringLiteral("\r\n") +
                    m_schemaData->Description(),
                TKxTraceCategory::ExecutedSql);
    OpenResult([this] { InternalExecute(); });
}

void TKxOdbcSchemaRecordset::InternalExecute() {
    const TKxSchemaDataProperties& data = *m_schemaData;
    const SQLHSTMT statement = OdbcHandle();
    CatalogName database(data.GetDatabaseName());
    CatalogName schema(data.GetSchemaName());
    CatalogName table(data.GetTableName());
    CatalogName column(data.GetColumnName());
    const auto tables = [&](const char* type) {
        QByteArray typeBytes(type);
        return SQLTables(statement, database.Text(), database.Length(), schema.Text(),
                         schema.Length(), table.Text(), table.Length(),
                         reinterpret_cast<SQLCHAR*>(typeBytes.data()),
                         static_cast<SQLSMALLINT>(typeBytes.size()));
    };

    SQLRETURN rc = SQL_SUCCESS;
    QString routine;
    switch (data.SchemaList()) {
    case slSystemTables:
        rc = tables("SYSTEM TABLE");
        routine = QStringLiteral("SQLTables");
        break;
    case slTables:
        rc = tables("TABLE");
        routine = QStringLiteral("SQLTables");
        break;
    case slViews:
        rc = tables("VIEW");
        routine = QStringLiteral("SQLTables");
        break;
    case slProcedures:
        rc = SQLProcedures(statement, database.Text(), database.Length(), schema.Text(),
                           schema.Length(), table.Text(), table.Length());
        routine = QStringLiteral("SQLProcedures");
        break;
    case slTablePrivileges:
        rc = SQLTablePrivileges(statement, database.Text(), database.Length(), schema.Text(),
                                schema.Length(), table.Text(), table.Length());
        routine = QStringLiteral("SQLTablePrivileges");
        break;
    case slColumnPrivileges:
        rc = SQLColumnPrivileges(statement, database.Text(), database.Length(), schema.Text(),
                                 schema.Length(), table.Text(), table.Length(), column.Text(),
                                 column.Length());
        routine = QStringLiteral("SQLColumnPrivileges");
        break;
    case slStatistics:
        rc = SQLStatistics(statement, database.Text(), database.Length(), schema.Text(),
                           schema.Length(), table.Text(), table.Length(), SQL_INDEX_ALL, SQL_QUICK);
        routine = QStringLiteral("SQLStatistics");
        break;
    case slColumns:
        rc = SQLColumns(statement, database.Text(), database.Length(), schema.Text(),
                        schema.Length(), table.Text(), table.Length(), column.Text(),
                        column.Length());
        routine = QStringLiteral("SQLColumns");
        break;
    case slProcedureColumns:
        rc = SQLProcedureColumns(statement, database.Text(), database.Length(), schema.Text(),
                                 schema.Length(), table.Text(), table.Length(), column.Text(),
                                 column.Length());
        routine = QStringLiteral("SQLProcedureColumns");
        break;
    case slPrimaryKeys:
        rc = SQLPrimaryKeys(statement, database.Text(), database.Length(), schema.Text(),
                            schema.Length(), table.Text(), table.Length());
        routine = QStringLiteral("SQLPrimaryKeys");
        break;
    case slForeignKeys: {
        CatalogName foreignDatabase(data.GetForeignDatabaseName());
        CatalogName foreignSchema(data.GetForeignSchemaName());
        CatalogName foreignTable(data.GetForeignTableName());
        rc = SQLForeignKeys(statement, database.Text(), database.Length(), schema.Text(),
                            schema.Length(), table.Text(), table.Length(), foreignDatabase.Text(),
                            foreignDatabase.Length(), foreignSchema.Text(), foreignSchema.Length(),
                            foreignTable.Text(), foreignTable.Length());
        routine = QStringLiteral("SQLForeignKeys");
        break;
    }
    case slTypeInfo:
        rc = SQLGetTypeInfo(statement, TypeInfoDataType(data.GetColumnName()));
        routine = QStringLiteral("SQLGetTypeInfo");
        break;
    default:
        KxRaise(KxUnknownValueText(data.SchemaList(), QLatin1String(kxSchemaListTypeName)),
                QStringLiteral("InternalExecute"), this);
    }
    // No matching object is an empty result, not a failure.
    if (rc != SQL_NO_DATA)
        CheckOdbcResult(rc, this, routine);
}

} // namespace kx
