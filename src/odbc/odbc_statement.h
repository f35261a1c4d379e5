#pragma once

#include "dbcore/sql_statement_base.h"
#include "foundation/storage_interfaces.h"
#include "odbc/odbc_error.h"
#include "odbc/odbc_handle.h"

#include <memory>

namespace kx {

class TKxOdbcConnection;
class TKxOdbcStatementBase;

// A statement setting that can be taken from the connection instead (the default). While it
// is, setting it sets the connection's value; the statement handle gets the value only when
// the statement has its own.
class TStmtCNAwareSubProperty {
public:
    // `statement` may be null: a stored copy of the settings without a statement.
    explicit TStmtCNAwareSubProperty(TKxOdbcStatementBase* statement) : m_statement(statement) {}
    virtual ~TStmtCNAwareSubProperty() = default;
    TStmtCNAwareSubProperty(const TStmtCNAwareSubProperty&) = delete;
    TStmtCNAwareSubProperty& operator=(const TStmtCNAwareSubProperty&) = delete;

    bool UseValueFromConnection() const { return m_useValueFromConnection; }
    void SetUseValueFromConnection(bool value);

    // Sends the own value to the statement handle when it is set and not the connection's.
    virtual void Apply() = 0;

protected:
    TKxOdbcStatementBase* Statement() const { return m_statement; }
    // The connection whose value is used, or null.
    TKxOdbcConnection* SourceConnection() const;
    // Sets the value again to what the getter answers now.
    virtual void Reapply() = 0;

private:
    TKxOdbcStatementBase* m_statement;
    bool m_useValueFromConnection = true;
};

class TStmtTimeoutProperties : public TStmtCNAwareSubProperty {
public:
    using TStmtCNAwareSubProperty::TStmtCNAwareSubProperty;
    std::uint32_t TimeoutForStatements() const;
    void SetTimeoutForStatements(std::uint32_t value);
    bool Equals(const TStmtTimeoutProperties& other) const;
    void Assign(const TStmtTimeoutProperties& source);
    void Apply() override;

protected:
    void Reapply() override { SetTimeoutForStatements(TimeoutForStatements()); }

private:
    std::uint32_t m_value = 0;
};

class TStmtAsyncOperationProperties : public TStmtCNAwareSubProperty {
public:
    using TStmtCNAwareSubProperty::TStmtCNAwareSubProperty;
    bool AsynchronOperations() const;
    void SetAsynchronOperations(bool value);
    bool Equals(const TStmtAsyncOperationProperties& other) const;
    void Assign(const TStmtAsyncOperationProperties& source);
    void Apply() override;

protected:
    void Reapply() override { SetAsynchronOperations(AsynchronOperations()); }

private:
    bool m_value = false;
};

class TStmtCatalogNameCaseProperties : public TStmtCNAwareSubProperty {
public:
    using TStmtCNAwareSubProperty::TStmtCNAwareSubProperty;
    bool CaseSensitiveCatalogNames() const;
    void SetCaseSensitiveCatalogNames(bool value);
    bool Equals(const TStmtCatalogNameCaseProperties& other) const;
    void Assign(const TStmtCatalogNameCaseProperties& source);
    void Apply() override;

protected:
    void Reapply() override { SetCaseSensitiveCatalogNames(CaseSensitiveCatalogNames()); }

private:
    bool m_value = false;
};

// Runs one modifying statement on a connection: opening allocates a statement handle,
// applies the statement attributes and executes the text with SQLExecDirect; closing frees
// the handle. Parameters are substituted into the text before; nothing is bound.
class TKxOdbcStatementBase : public TKxSqlStatementBase,
                             public virtual IKxGetHandleType,
                             public virtual IKxCreateCopyQI {
public:
    explicit TKxOdbcStatementBase(QObject* owner = nullptr,
                                  TKxLifetime lifetime = TKxLifetime::OwnerOwned);
    ~TKxOdbcStatementBase() override;

    SQLSMALLINT GetHandleType() const override { return SQL_HANDLE_STMT; }
    SQLHANDLE OdbcHandle() const { return m_handle.Get(); }

    TKxOdbcConnection* ODBCConnection() const;
    void SetODBCConnection(TKxOdbcConnection* connection);
    bool UseSQLEscapeSequences() const { return m_useSQLEscapeSequences; }
    void SetUseSQLEscapeSequences(bool value);
    TStmtTimeoutProperties& TimeoutProperties() { return *m_timeout; }
    TStmtAsyncOperationProperties& AsynchronOperationProperties() { return *m_async; }
    TStmtCatalogNameCaseProperties& CatalogNameCaseProperties() { return *m_catalogCase; }

    // The records the last statement affected; -1 when the driver cannot say.
    SQLLEN RecordsAffected() const;

    void Assign(const TKxOdbcStatementBase& source);

    // A new, self-owned statement of the same class with this one's settings, connection,
    // SQL text and parameters.
    KxHResult CreateCopyQI(KxIntf<IKxUnknown>& copy) override;

    // Sends one statement attribute while a handle is allocated.
    void SetStatementAttribute(SQLINTEGER attribute, SQLULEN value, const char* routineName);

    // Keeps the ODBC handle when the statement closes (only its cursor is closed), for the
    // next opening: a script of many small statements through one statement then allocates
    // one handle instead of one per statement. The keeper frees it with ReleaseKeptHandle
    // before the connection goes or changes the defaults new handles take from it.
    void SetKeepHandleWhenClosed(bool keep) { m_keepHandle = keep; }
    void ReleaseKeptHandle();

protected:
    void AllocHandle() override;
    void FreeHandle() override;
    void APIExecuteSQL(const QString& text) override;
    // Called right after the handle is allocated; recordsets send more.
    virtual void ApplyStatementAttributes();
    // An unconnected, self-owned instance of this object's class, for CreateCopyQI.
    virtual KxIntf<TKxOdbcStatementBase> CreateSameClass() const;

private:
    TKxOdbcHandle m_handle;
    bool m_useSQLEscapeSequences = true;
    bool m_keepHandle = false;
    std::unique_ptr<TStmtTimeoutProperties> m_timeout;
    std::unique_ptr<TStmtAsyncOperationProperties> m_async;
    std::unique_ptr<TStmtCatalogNameCaseProperties> m_catalogCase;
};

// A stored copy of a statement's settings (with or without its SQL text).
class TKxOdbcStatementProperties : public TKxInterfacedPersistent,
                                   public virtual IKxAssignToObj,
                                   public virtual IKxAssignFromObj,
                                   public virtual IKxLoadStoreData {
public:
    explicit TKxOdbcStatementProperties(bool includeSQL,
                                        TKxLifetime lifetime = TKxLifetime::SelfOwned);
    ~TKxOdbcStatementProperties() override;

    bool IncludeSQL() const { return m_includeSQL; }
    QString SQL;
    bool ReExecuteAfterSQLChange = false;
    bool UseSQLEscapeSequences = true;
    int TimedReExecutionDelay = 300;
    TStmtTimeoutProperties& TimeoutProperties() { return *m_timeout; }
    TStmtAsyncOperationProperties& AsyncOperationProperties() { return *m_async; }
    TStmtCatalogNameCaseProperties& CatalogNameCaseProperties() { return *m_catalogCase; }

    void AssignFromObj(IKxUnknown* source) override;
    void AssignToObj(IKxUnknown* destination) override;
    void LoadData(IKxUnknown* storage) override;
    void StoreData(IKxUnknown* storage) override;

private:
    bool m_includeSQL;
    std::unique_ptr<TStmtTimeoutProperties> m_timeout;
    std::unique_ptr<TStmtAsyncOperationProperties> m_async;
    std::unique_ptr<TStmtCatalogNameCaseProperties> m_catalogCase;
};

} // namespace kx
