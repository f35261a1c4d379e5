#include "odbc/odbc_error.h"

#include "foundation/activation_interfaces.h"

#include <QCoreApplication>

namespace kx {
namespace {

QString Trimmed(QString text, const QString& characters) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && characters.contains(text[first]))
        ++first;
    while (last > first && characters.contains(text[last - 1]))
        --last;
    return text.mid(first, last - first);
}

SQLSMALLINT ResolveHandleType(SQLSMALLINT given, IKxUnknown* object) {
    if (given != -1)
        return given;
    if (const auto typed = KxQuery<IKxGetHandleType>(object))
        return typed->GetHandleType();
    return SQL_HANDLE_ENV;
}

SQLHANDLE ResolveHandle(SQLHANDLE given, IKxUnknown* object) {
    if (given != nullptr)
        return given;
    if (const auto handled = KxQuery<IKxGetHandle>(object))
        return reinterpret_cast<SQLHANDLE>(handled->GetHandle());
    return nullptr;
}

std::vector<TSQLErrorDesc> ReadAllRecords(SQLSMALLINT type, SQLHANDLE handle, SQLRETURN code) {
    std::vector<TSQLErrorDesc> records;
    for (SQLSMALLINT n = 1; n > 0 && HasDiagRecord(type, handle, n); ++n)
        records.push_back(ReadDiagRecord(type, handle, n, static_cast<SQLSMALLINT>(code)));
    return records;
}

} // namespace

QString KxOdbcErrorBody(SQLRETURN returnCode, const std::vector<TSQLErrorDesc>& diagnostics) {
    const QString crlf = QStringLiteral("\r\n");
    QString body = QCoreApplication::translate("KxOdbc", "Return Code") + QStringLiteral(": ") +
                   ReturnCodeText(returnCode) + QStringLiteral(" (%1)").arg(returnCode) + crlf;
    for (const TSQLErrorDesc& record : diagnostics)
        body = Trimmed(body + crlf + FormatDiagRecord(record), QStringLiteral("\r\n"));
    return Trimmed(body, QStringLiteral(" \t\r\n"));
}

EODBCError::EODBCError(SQLRETURN returnCode, TKxSeverityLevel severity, SQLHANDLE handle,
                       SQLSMALLINT handleType, const QString& routineName, IKxUnknown* object)
    : EKxException(QString(), routineName, KxObjectDescription(object), severity),
      m_returnCode(returnCode), m_handleType(ResolveHandleType(handleType, object)) {
    m_handle = ResolveHandle(handle, object);
    m_diagnostics = ReadAllRecords(m_handleType, m_handle, returnCode);
    SetMessage(KxOdbcErrorBody(returnCode, m_diagnostics));
}

const std::vector<TKxColumnDesc>& EODBCError::Columns() {
    static const std::vector<TKxColumnDesc> columns = {
        {QCoreApplication::translate("KxOdbc", "Code"), 50},
        {QCoreApplication::translate("KxOdbc", "Origin"), 70},
        {QCoreApplication::translate("KxOdbc", "Native"), 50},
        {QCoreApplication::translate("KxOdbc", "Message"), 500},
        {QCoreApplication::translate("KxOdbc", "Connection"), 100},
        {QCoreApplication::translate("KxOdbc", "Server"), 100},
    };
    return columns;
}

void EODBCError::EnumColumns(const ColumnCallback& callback) const {
    if (callback)
        callback(Columns());
}

void EODBCError::EnumRows(const RowCallback& callback) const {
    if (!callback)
        return;
    callback({QString::number(m_returnCode), QCoreApplication::translate("KxOdbc", "SQL Call"),
              QStringLiteral("0"), ReturnCodeText(m_returnCode), QString(), QString()});
    for (const TSQLErrorDesc& record : m_diagnostics) {
        callback({record.SQLState, record.ClassOrigin, QString::number(record.NativeError),
                  record.MessageText, record.ConnectionName, record.ServerName});
    }
}

bool CheckOdbcResult(SQLRETURN returnCode, IKxUnknown* object, const QString& routineName,
                     SQLHANDLE handle, SQLSMALLINT handleType) {
    if (returnCode == SQL_SUCCESS || returnCode == SQL_SUCCESS_WITH_INFO)
        return true;
    throw EODBCError(returnCode, returnCode < 0 ? svError : svInformation, handle, handleType,
                     routineName, object);
}

} // namespace kx
