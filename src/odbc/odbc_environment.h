#pragma once

#include "odbc/odbc_enums.h"
#include "odbc/odbc_handle_component.h"

#include <functional>

namespace kx {

// The ODBC environment: one per application; its open state is the allocated environment
// handle with the ODBC version and connection pooling applied.
class TKxOdbcEnvironment : public TKxOdbcTransactionComponent {
public:
    explicit TKxOdbcEnvironment(QObject* owner = nullptr);
    ~TKxOdbcEnvironment() override;

    SQLSMALLINT HandleType() const override { return SQL_HANDLE_ENV; }
    // An environment commits and rolls back every connection, whatever the drivers support.
    int TransactionSupport() override { return 4; }

    TODBCVersion ODBCVersion() const { return m_odbcVersion; }
    void SetODBCVersion(TODBCVersion value);
    TConnectionPooling ConnectionPooling() const { return m_connectionPooling; }
    void SetConnectionPooling(TConnectionPooling value);
    TConnectionPoolSelectStrategy ConnectionPoolSelectStrategy() const { return m_selectStrategy; }
    void SetConnectionPoolSelectStrategy(TConnectionPoolSelectStrategy value);

    // Copies the three settings; closes this environment first.
    void Assign(const TKxOdbcEnvironment& source);

protected:
    void AllocHandle() override;

private:
    void SetODBCConnectionPooling();
    void SetODBCODBCVersion();
    void SetODBCConnectionPoolSelectStrategy();

    TODBCVersion m_odbcVersion = odbc3x;
    TConnectionPooling m_connectionPooling = cpOff;
    TConnectionPoolSelectStrategy m_selectStrategy = ssExactMatch;
};

// Lists the user (kind 0) or system (kind 1) data sources: every entry is formatted by
// `format` — "%s" once (the name) or twice (name, description) — and handed to `addItem`.
// The environment is opened for the listing and closed again when it was closed before.
void ODBCEnumDSN(TKxOdbcEnvironment* environment, int kind, const QString& format,
                 const std::function<void(const QString& text)>& addItem);

} // namespace kx
