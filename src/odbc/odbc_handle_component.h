#pragma once

#include "foundation/activatable_component.h"
#include "odbc/odbc_error.h"
#include "odbc/odbc_handle.h"

namespace kx {

// An activatable component whose open state is an allocated ODBC handle. The handle itself
// is a TKxOdbcHandle, so it is freed on every path.
class TOdbcHandleAllocComponent : public TKxHandleActivateComponent,
                                  public virtual IKxGetHandleType {
public:
    explicit TOdbcHandleAllocComponent(QObject* owner = nullptr);
    ~TOdbcHandleAllocComponent() override;

    SQLSMALLINT GetHandleType() const override { return HandleType(); }
    virtual SQLSMALLINT HandleType() const = 0;
    SQLHANDLE OdbcHandle() const { return m_odbcHandle.Get(); }
    // The handle as the parent of handles allocated below it.
    const TKxOdbcHandle& HandleObject() const { return m_odbcHandle; }

protected:
    // Allocates this component's handle below `parent` (null for an environment).
    void AllocateOdbcHandle(const TKxOdbcHandle* parent);
    void FreeHandle() override;

    // Raises "Unknown Value of Property "<type>", value: <n>" for `routineName`.
    [[noreturn]] void RaiseUnknownValue(const char* typeName, int value, const char* routineName);

private:
    TKxOdbcHandle m_odbcHandle;
};

// Adds the transaction count and the transaction operations.
class TKxOdbcTransactionComponent : public TOdbcHandleAllocComponent {
public:
    using TOdbcHandleAllocComponent::TOdbcHandleAllocComponent;

    // 0 none, 1 DML only, 2 DDL commits, 3 DDL ignored, 4 all.
    virtual int TransactionSupport();
    // Never below 0: ending a transaction while none is counted (the driver may still have
    // one, for example after a statement in manual-commit mode) leaves it at 0, so the next
    // BeginTransaction is counted again.
    int TransactionCount() const { return m_transactionCount; }
    virtual void BeginTransaction();
    virtual void CommitTransaction();
    virtual void RollbackTransaction();

protected:
    // For the moments the driver ends every transaction by itself (disconnect, switching to
    // auto-commit).
    void ResetTransactionCount() { m_transactionCount = 0; }

private:
    void EndTransaction(SQLSMALLINT completion, const char* name);

    int m_transactionCount = 0;
};

} // namespace kx
