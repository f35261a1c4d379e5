#include "odbc/odbc_diagnostics.h"

#include <QCoreApplication>
#include <QStringList>

namespace kx {

QString ReturnCodeText(int returnCode) {
    const char* text = nullptr;
    switch (returnCode) {
    case SQL_SUCCESS:
        text = QT_TRANSLATE_NOOP("KxOdbc", "Success");
        break;
    case SQL_SUCCESS_WITH_INFO:
        text = QT_TRANSLATE_NOOP("KxOdbc", "Success with Info");
        break;
    case SQL_STILL_EXECUTING:
        text = QT_TRANSLATE_NOOP("KxOdbc", "Still Executing");
        break;
    case SQL_NEED_DATA:
        text = QT_TRANSLATE_NOOP("KxOdbc", "Data Needed");
        break;
    case SQL_NO_DATA:
        text = QT_TRANSLATE_NOOP("KxOdbc", "No Data");
        break;
    case SQL_ERROR:
        text = QT_TRANSLATE_NOOP("KxOdbc", "Error");
        break;
    case SQL_INVALID_HANDLE:
        text = QT_TRANSLATE_NOOP("KxOdbc", "Invalid Handle");
        break;
    default:
        text = QT_TRANSLATE_NOOP("KxOdbc", "Unknown Return Code");
        break;
    }
    return QCoreApplication::translate("KxOdbc", text);
}

SQLINTEGER GetDiagInteger(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT recNumber,
                          SQLSMALLINT diagIdentifier) {
    SQLINTEGER value = 0;
    const SQLRETURN rc = SQLGetDiagField(handleType, handle, recNumber, diagIdentifier, &value,
                                         SQL_IS_INTEGER, nullptr);
    return SQL_SUCCEEDED(rc) ? value : 0;
}

QString GetDiagString(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT recNumber,
                      SQLSMALLINT diagIdentifier) {
    SQLCHAR buffer[1024] = {};
    SQLSMALLINT length = 0;
    const SQLRETURN rc = SQLGetDiagField(handleType, handle, recNumber, diagIdentifier, buffer,
                                         sizeof buffer, &length);
    if (!SQL_SUCCEEDED(rc))
        return {};
    // A truncated text reports its full length; only what is in the buffer is real.
    const int available = static_cast<int>(sizeof buffer) - 1;
    const int used = length < 0 ? 0 : (length > available ? available : length);
    return QString::fromUtf8(reinterpret_cast<const char*>(buffer), used);
}

bool HasDiagRecord(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT recNumber) {
    if (handle == nullptr)
        return false;
    SQLCHAR state[10] = {};
    SQLSMALLINT length = 0;
    return SQL_SUCCEEDED(SQLGetDiagField(handleType, handle, recNumber, SQL_DIAG_SQLSTATE, state,
                                         sizeof state, &length));
}

TSQLErrorDesc ReadDiagRecord(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT recNumber,
                             SQLSMALLINT returnCode) {
    TSQLErrorDesc record;
    record.ReturnCode = returnCode;
    record.SQLState = GetDiagString(handleType, handle, recNumber, SQL_DIAG_SQLSTATE);
    record.ClassOrigin = GetDiagString(handleType, handle, recNumber, SQL_DIAG_CLASS_ORIGIN);
    record.SubclassOrigin = GetDiagString(handleType, handle, recNumber, SQL_DIAG_SUBCLASS_ORIGIN);
    record.MessageText = GetDiagString(handleType, handle, recNumber, SQL_DIAG_MESSAGE_TEXT);
    record.ConnectionName = GetDiagString(handleType, handle, recNumber, SQL_DIAG_CONNECTION_NAME);
    record.ServerName = GetDiagString(handleType, handle, recNumber, SQL_DIAG_SERVER_NAME);
    record.NativeError = GetDiagInteger(handleType, handle, recNumber, SQL_DIAG_NATIVE);
    return record;
}

QString FormatDiagRecord(const TSQLErrorDesc& record) {
    QStringList parts;
    for (const QString& part :
         {record.SQLState, record.ClassOrigin, QString::number(record.NativeError),
          record.MessageText, record.ConnectionName, record.ServerName}) {
        if (!part.isEmpty())
            parts.append(part);
    }
    QString text = parts.join(QStringLiteral(", "));
    qsizetype first = 0;
    qsizetype last = text.size();
    const auto trimmed = [](QChar c) { return c == QLatin1Char(',') || c == QLatin1Char(' '); };
    while (first < last && trimmed(text[first]))
        ++first;
    while (last > first && trimmed(text[last - 1]))
        --last;
    return text.mid(first, last - first);
}

} // namespace kx
