#pragma once

#include "foundation/exceptions.h"
#include "foundation/tabular_details.h"
#include "odbc/odbc_diagnostics.h"

#include <vector>

namespace kx {

// The ODBC handle type of a component's handle (SQL_HANDLE_ENV, _DBC or _STMT).
class IKxGetHandleType : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1AD0, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1C, 0x00}};
    virtual SQLSMALLINT GetHandleType() const = 0;
};

// A failed ODBC call: the return code, the handle it concerns and a snapshot of every
// diagnostic record the driver manager held for that handle when the call failed. Its
// message is the return-code line followed by one line per record; the exception dialog
// shows the records as a table.
class EODBCError : public EKxException, public virtual IKxTabularDetails {
public:
    EODBCError(SQLRETURN returnCode, TKxSeverityLevel severity, SQLHANDLE handle,
               SQLSMALLINT handleType, const QString& routineName, IKxUnknown* object);

    SQLRETURN ReturnCode() const { return m_returnCode; }
    SQLHANDLE Handle() const { return m_handle; }
    SQLSMALLINT HandleType() const { return m_handleType; }
    const std::vector<TSQLErrorDesc>& Diagnostics() const { return m_diagnostics; }

    // "Code" 50, "Origin" 70, "Native" 50, "Message" 500, "Connection" 100, "Server" 100.
    static const std::vector<TKxColumnDesc>& Columns();
    void EnumColumns(const ColumnCallback& callback) const override;
    // The call's own row first, then one row per diagnostic record.
    void EnumRows(const RowCallback& callback) const override;

private:
    SQLRETURN m_returnCode;
    SQLHANDLE m_handle;
    SQLSMALLINT m_handleType;
    std::vector<TSQLErrorDesc> m_diagnostics;
};

// The one check every ODBC return code passes: true for SQL_SUCCESS and
// SQL_SUCCESS_WITH_INFO, EODBCError for anything else. `object` is the component the call was
// made for (its handle and handle type are used unless `handle` / `handleType` are given,
// as when a failed allocation is reported through the parent's diagnostics).
bool CheckOdbcResult(SQLRETURN returnCode, IKxUnknown* object, const QString& routineName,
                     SQLHANDLE handle = nullptr, SQLSMALLINT handleType = -1);

// The message body of a failure: "Return Code: <text> (<code>)" and the records.
QString KxOdbcErrorBody(SQLRETURN returnCode, const std::vector<TSQLErrorDesc>& diagnostics);

} // namespace kx
