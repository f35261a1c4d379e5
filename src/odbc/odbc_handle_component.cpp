#include "odbc/odbc_handle_component.h"

namespace kx {

TOdbcHandleAllocComponent::TOdbcHandleAllocComponent(QObject* owner)
    : TKxHandleActivateComponent(owner) {}

TOdbcHandleAllocComponent::~TOdbcHandleAllocComponent() {
    CloseBeforeDestroy();
}

void TOdbcHandleAllocComponent::AllocateOdbcHandle(const TKxOdbcHandle* parent) {
    m_odbcHandle.Allocate(HandleType(), parent, this);
    SetHandle(reinterpret_cast<std::uintptr_t>(m_odbcHandle.Get()));
}

void TOdbcHandleAllocComponent::FreeHandle() {
    m_odbcHandle.Free();
    TKxHandleActivateComponent::FreeHandle();
}

void TOdbcHandleAllocComponent::RaiseUnknownValue(const char* typeName, int value,
                                                  const char* routineName) {
    KxRaise(KxUnknownPropertyValueText(QString::fromLatin1(typeName), value),
            QString::fromLatin1(routineName), this);
}

int TKxOdbcTransactionComponent::TransactionSupport() {
    CheckIsActive(QStringLiteral("TransactionSupport Property"));
    SQLUSMALLINT capable = 0;
    CheckOdbcResult(SQLGetInfo(OdbcHandle(), SQL_TXN_CAPABLE, &capable, sizeof capable, nullptr),
                    this, QStringLiteral("GetTransactionSupport"));
    switch (capable) {
    case SQL_TC_NONE:
        return 0;
    case SQL_TC_DML:
        return 1;
    case SQL_TC_DDL_COMMIT:
        return 2;
    case SQL_TC_DDL_IGNORE:
        return 3;
    case SQL_TC_ALL:
        return 4;
    default:
        RaiseUnknownValue("SQL_TXN_CAPABLE", capable, "GetTransactionSupport");
    }
}

void TKxOdbcTransactionComponent::BeginTransaction() {
    CheckIsActive(QStringLiteral("BeginTransaction Method"));
    ++m_transactionCount;
}

void TKxOdbcTransactionComponent::EndTransaction(SQLSMALLINT completion, const char* name) {
    CheckIsActive(QString::fromLatin1(name) + QStringLiteral(" Method"));
    CheckOdbcResult(SQLEndTran(HandleType(), OdbcHandle(), completion), this,
                    QString::fromLatin1(name));
    if (m_transactionCount > 0)
        --m_transactionCount;
}

void TKxOdbcTransactionComponent::CommitTransaction() {
    EndTransaction(SQL_COMMIT, "CommitTransaction");
}

void TKxOdbcTransactionComponent::RollbackTransaction() {
    EndTransaction(SQL_ROLLBACK, "RollbackTransaction");
}

} // namespace kx
