#pragma once

#include <QString>
#include <sql.h>
#include <sqlext.h>

namespace kx {

// One diagnostic record of the driver manager, with the return code of the failed call.
struct TSQLErrorDesc {
    SQLSMALLINT ReturnCode = 0;
    QString SQLState;
    QString ClassOrigin;
    QString SubclassOrigin;
    QString MessageText;
    QString ConnectionName;
    QString ServerName;
    SQLINTEGER NativeError = 0;
};

// "Success", "Error", "No Data" … and "Unknown Return Code" for anything else.
QString ReturnCodeText(int returnCode);

// Single diagnostic fields; a failed read gives 0 or an empty text. Reading diagnostics never
// changes them, so several readers see the same records.
SQLINTEGER GetDiagInteger(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT recNumber,
                          SQLSMALLINT diagIdentifier);
QString GetDiagString(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT recNumber,
                      SQLSMALLINT diagIdentifier);
bool HasDiagRecord(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT recNumber);
TSQLErrorDesc ReadDiagRecord(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT recNumber,
                             SQLSMALLINT returnCode);

// SQLState, ClassOrigin, NativeError, MessageText, ConnectionName and ServerName joined by
// ", ", empty texts left out, commas and blanks trimmed from both ends.
QString FormatDiagRecord(const TSQLErrorDesc& record);

} // namespace kx
