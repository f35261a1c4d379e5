#pragma once

#include "dbcore/record_interfaces.h"
#include "dbcore/schema_data_properties.h"
#include "odbc/odbc_recordset.h"

#include <memory>

namespace kx {

// A recordset whose result comes from an ODBC catalog function instead of an SQL text: the
// list and name patterns in SchemaData choose the function and its arguments. Cursor
// attributes, fields, moving and counting are the recordset's; a catalog result is never
// updatable. A changed SchemaData value re-reads an open recordset at once (unless its
// ReExecuteAfterPropertyValueChange is off) and is announced as a change of the statement.
//
// A name passed as "<None>" (any case) is no restriction at all (a null argument); every
// other value, also the empty string, is passed to the driver as it stands, which takes
// the pattern arguments as search patterns ("_" and "%" are wildcards).
//
// Copies (CreateCopyQI) stay plain statements on purpose: a catalog call cannot be narrowed
// by a WHERE, so a lookup or a count on a copy must fail rather than read unfiltered rows.
class TKxOdbcSchemaRecordset : public TKxOdbcRecordsetBase,
                               public virtual IKxCatalogPatternEscape,
                               public virtual IKxCatalogSystemSchemas {
public:
    explicit TKxOdbcSchemaRecordset(QObject* owner = nullptr,
                                    TKxLifetime lifetime = TKxLifetime::OwnerOwned);
    ~TKxOdbcSchemaRecordset() override;

    TKxSchemaDataProperties& SchemaData() { return *m_schemaData; }
    const TKxSchemaDataProperties& SchemaData() const { return *m_schemaData; }
    // Copies the values (re-reading an open recordset as each one changes).
    void SetSchemaData(const TKxSchemaDataProperties& value);

    // Catalog results are read-only whatever the update strategy says.
    bool IsUpdatable() override { return false; }
    // The connection's escape; empty without a connection.
    QString GetSearchPatternEscape() override;
    // A schema of the connection's database's own; false without a connection.
    bool IsSystemSchema(const QString& schema) override;

protected:
    // Runs the catalog call on the allocated handle; there is no SQL text to check or send.
    void ExecuteStatement() override;
    bool CountsWithSelectStatement() const override { return false; }
    bool FindPublishedProperty(const QString& name, KxIntf<IKxUnknown>& value) const override;

private:
    void InternalExecute();

    std::unique_ptr<TKxSchemaDataProperties> m_schemaData;
};

} // namespace kx
