#include "odbc/odbc_environment.h"

#include "foundation/scope_objects.h"

#include <QCoreApplication>

namespace kx {
namespace {

SQLPOINTER AsPointer(SQLULEN value) {
    return reinterpret_cast<SQLPOINTER>(value);
}

} // namespace

TKxOdbcEnvironment::TKxOdbcEnvironment(QObject* owner) : TKxOdbcTransactionComponent(owner) {}

TKxOdbcEnvironment::~TKxOdbcEnvironment() {
    CloseBeforeDestroy();
}

void TKxOdbcEnvironment::SetODBCVersion(TODBCVersion value) {
    if (value == m_odbcVersion)
        return;
    CheckIsInactive(QStringLiteral("ODBCVersion Property"));
    m_odbcVersion = value;
}

void TKxOdbcEnvironment::SetConnectionPooling(TConnectionPooling value) {
    if (value == m_connectionPooling)
        return;
    CheckIsInactive(QStringLiteral("ConnectionPooling Property"));
    m_connectionPooling = value;
}

void TKxOdbcEnvironment::SetConnectionPoolSelectStrategy(TConnectionPoolSelectStrategy value) {
    if (value == m_selectStrategy)
        return;
    m_selectStrategy = value;
    SetODBCConnectionPoolSelectStrategy();
}

void TKxOdbcEnvironment::Assign(const TKxOdbcEnvironment& source) {
    SetActive(false);
    SetODBCVersion(source.m_odbcVersion);
    SetConnectionPooling(source.m_connectionPooling);
    SetConnectionPoolSelectStrategy(source.m_selectStrategy);
}

void TKxOdbcEnvironment::AllocHandle() {
    if (HandleAllocated())
        return;
    if (m_connectionPooling != cpOff)
        SetODBCConnectionPooling();
    AllocateOdbcHandle(nullptr);
    SetODBCODBCVersion();
    SetODBCConnectionPoolSelectStrategy();
}

void TKxOdbcEnvironment::SetODBCConnectionPooling() {
    SQLULEN value = SQL_CP_OFF;
    switch (m_connectionPooling) {
    case cpOff:
        value = SQL_CP_OFF;
        break;
    case cpOnePoolPerDriver:
        value = SQL_CP_ONE_PER_DRIVER;
        break;
    case cpOnePoolPerEnvironment:
        value = SQL_CP_ONE_PER_HENV;
        break;
    default:
        RaiseUnknownValue("TConnectionPooling", m_connectionPooling, "SetODBCConnectionPooling");
    }
    // Pooling is a setting of the process, made before the environment exists.
    CheckOdbcResult(SQLSetEnvAttr(SQL_NULL_HENV, SQL_ATTR_CONNECTION_POOLING, AsPointer(value), 0),
                    this, QStringLiteral("SetODBCConnectionPooling"), SQL_NULL_HENV,
                    SQL_HANDLE_ENV);
}

void TKxOdbcEnvironment::SetODBCODBCVersion() {
    if (!HandleAllocated())
        return;
    SQLULEN value = SQL_OV_ODBC3;
    switch (m_odbcVersion) {
    case odbc2x:
        value = SQL_OV_ODBC2;
        break;
    case odbc3x:
        value = SQL_OV_ODBC3;
        break;
    default:
        RaiseUnknownValue("TOdbcVersion", m_odbcVersion, "SetODBCODBCVersion");
    }
    CheckOdbcResult(SQLSetEnvAttr(OdbcHandle(), SQL_ATTR_ODBC_VERSION, AsPointer(value), 0), this,
                    QStringLiteral("SetODBCODBCVersion"));
}

void TKxOdbcEnvironment::SetODBCConnectionPoolSelectStrategy() {
    if (!HandleAllocated())
        return;
    SQLULEN value = SQL_CP_STRICT_MATCH;
    switch (m_selectStrategy) {
    case ssExactMatch:
        value = SQL_CP_STRICT_MATCH;
        break;
    case ssRelaxedMatch:
        value = SQL_CP_RELAXED_MATCH;
        break;
    default:
        RaiseUnknownValue("TConnectionPoolSelectStrategy", m_selectStrategy,
                          "SetODBCConnectionPoolSelectStrategy");
    }
    CheckOdbcResult(SQLSetEnvAttr(OdbcHandle(), SQL_ATTR_CP_MATCH, AsPointer(value), 0), this,
                    QStringLiteral("SetODBCConnectionPoolSelectStrategy"));
}

void ODBCEnumDSN(TKxOdbcEnvironment* environment, int kind, const QString& format,
                 const std::function<void(const QString& text)>& addItem) {
    const QString routine = QStringLiteral("ODBCEnumDSN");
    SQLUSMALLINT direction = SQL_FETCH_FIRST_USER;
    switch (kind) {
    case dkUser:
        direction = SQL_FETCH_FIRST_USER;
        break;
    case dkSystem:
        direction = SQL_FETCH_FIRST_SYSTEM;
        break;
    default:
        KxRaise(KxUnknownPropertyValueText(QStringLiteral("TDSNKind"), kind), routine, environment);
    }
    if (environment == nullptr || !addItem || format.isEmpty())
        return;
    const qsizetype placeholders = format.count(QStringLiteral("%s"));
    if (placeholders != 1 && placeholders != 2)
        KxRaise(QCoreApplication::translate("KxOdbc", "Invalid number of format parameters"),
                routine, environment);

    TKxActiveKeeper keeper(environment, true);
    SQLCHAR name[512];
    SQLCHAR description[512];
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT descriptionLength = 0;
    // The listing ends with the first call that does not succeed (SQL_NO_DATA at the end).
    while (SQL_SUCCEEDED(SQLDataSources(environment->OdbcHandle(), direction, name, sizeof name,
                                        &nameLength, description, sizeof description,
                                        &descriptionLength))) {
        direction = SQL_FETCH_NEXT;
        QString text = format;
        text.replace(text.indexOf(QStringLiteral("%s")), 2,
                     QString::fromUtf8(reinterpret_cast<const char*>(name)));
        if (placeholders == 2)
            text.replace(text.indexOf(QStringLiteral("%s")), 2,
                         QString::fromUtf8(reinterpret_cast<const char*>(description)));
        addItem(text);
    }
}

} // namespace kx
