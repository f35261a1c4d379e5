#include "odbc/odbc_connection.h"

#include "dbcore/connection_string.h"
#include "dbcore/sql_property.h"
#include "foundation/temp_cursor.h"
#include "odbc/odbc_statement.h"

#include <QCoreApplication>
#include <algorithm>

namespace kx {
namespace {

SQLPOINTER AsPointer(SQLULEN value) {
    return reinterpret_cast<SQLPOINTER>(value);
}

// The main window handed to the driver manager for driver dialogs. Drivers on this platform
// show no dialogs, so there is none.
constexpr SQLPOINTER kxDriverDialogParent = nullptr;

} // namespace

// ---- sub-properties

void TOdbcTraceProperties::SetEnableTracing(bool value) {
    if (value == m_enableTracing)
        return;
    m_enableTracing = value;
    Owner().SetODBCEnableTracing();
}

void TOdbcTraceProperties::SetTraceFilename(const QString& value) {
    if (value == m_traceFilename)
        return;
    m_traceFilename = value;
    Owner().SetODBCTraceFilename();
}

bool TOdbcTraceProperties::Equals(const TOdbcTraceProperties& other) const {
    return m_enableTracing == other.m_enableTracing && m_traceFilename == other.m_traceFilename;
}

void TOdbcTraceProperties::Assign(const TOdbcTraceProperties& source) {
    SetTraceFilename(source.m_traceFilename);
    SetEnableTracing(source.m_enableTracing);
}

void TOdbcTranslateProperties::SetTranslationDLLFilename(const QString& value) {
    if (value == m_dllFilename)
        return;
    m_dllFilename = value;
    Owner().SetODBCTranslationDLLFilename();
}

void TOdbcTranslateProperties::SetTranslationAttributes(std::uint32_t value) {
    if (value == m_attributes)
        return;
    m_attributes = value;
    Owner().SetODBCTranslationAttributes();
}

bool TOdbcTranslateProperties::Equals(const TOdbcTranslateProperties& other) const {
    return m_dllFilename == other.m_dllFilename && m_attributes == other.m_attributes;
}

void TOdbcTranslateProperties::Assign(const TOdbcTranslateProperties& source) {
    SetTranslationDLLFilename(source.m_dllFilename);
    SetTranslationAttributes(source.m_attributes);
}

// ---- connection

TKxOdbcConnection::TKxOdbcConnection(QObject* owner)
    : TKxOdbcTransactionComponent(owner), m_trace(std::make_unique<TOdbcTraceProperties>(*this)),
      m_translate(std::make_unique<TOdbcTranslateProperties>(*this)) {}

TKxOdbcConnection::~TKxOdbcConnection() {
    m_directStatement.reset(); // a dependant of this connection: it goes first
    CloseBeforeDestroy();
}

int TKxOdbcConnection::AskBoolean(int id) {
    if (id == qid::CanModify)
        return KxBooleanAnswer(m_accessMode != amReadOnly);
    return baUnknown;
}

void TKxOdbcConnection::CheckInactiveProperty(const char* property) {
    CheckIsInactive(QString::fromLatin1(property) + QStringLiteral(" Property"));
}

void TKxOdbcConnection::SetAccessMode(TAccessMode value) {
    if (value == m_accessMode)
        return;
    CheckInactiveProperty("AccessMode");
    m_accessMode = value;
}

void TKxOdbcConnection::SetAttributes(TOdbcConnectionAttributes value) {
    if (value == m_attributes)
        return;
    const TOdbcConnectionAttributes changed = value ^ m_attributes;
    if (KxInSet(changed, caAsynchronOperations))
        CheckIsInactive(QStringLiteral("caAsynchronOperations Attribute"));
    m_attributes = value;
    if (KxInSet(changed, caAutoCommitTransactions)) {
        SetODBCAutoCommitTransactions();
        // Switching auto-commit on commits whatever was open.
        if (KxInSet(value, caAutoCommitTransactions))
            ResetTransactionCount();
    }
    if (KxInSet(changed, caAllowDriverDialogs))
        SetODBCAllowDriverDialogs();
    if (KxInSet(changed, caCaseSensitiveCatalogNames))
        SetODBCCaseSensitiveCatalogNames();
}

void TKxOdbcConnection::SetODBCEnvironment(TKxOdbcEnvironment* value) {
    if (value == m_environment)
        return;
    CheckInactiveProperty("ODBCEnvironment");
    m_environment = value;
}

void TKxOdbcConnection::SetConnectionString(const QString& value) {
    if (value == m_connectionString)
        return;
    CheckInactiveProperty("ConnectionString");
    m_connectionString = value;
}

void TKxOdbcConnection::SetDataSourceCatalog(const QString& value) {
    if (value == m_dataSourceCatalog)
        return;
    CheckInactiveProperty("DataSourceCatalog");
    m_dataSourceCatalog = value;
}

void TKxOdbcConnection::SetTimeoutForStatements(std::uint32_t value) {
    if (value == m_timeoutForStatements)
        return;
    CheckInactiveProperty("TimeoutForStatements");
    m_timeoutForStatements = value;
}

void TKxOdbcConnection::SetTimeoutForLogin(std::uint32_t value) {
    if (value == m_timeoutForLogin)
        return;
    CheckInactiveProperty("TimeoutForLogin");
    m_timeoutForLogin = value;
}

void TKxOdbcConnection::SetCursorOrigin(TCursorOrigin value) {
    if (value == m_cursorOrigin)
        return;
    CheckInactiveProperty("CursorOrigin");
    m_cursorOrigin = value;
}

std::uint32_t TKxOdbcConnection::NetworkPacketSize() const {
    if (!HandleAllocated())
        return m_networkPacketSize;
    SQLUINTEGER size = 0;
    const SQLRETURN rc =
        SQLGetConnectAttr(OdbcHandle(), SQL_ATTR_PACKET_SIZE, &size, SQL_IS_UINTEGER, nullptr);
    return SQL_SUCCEEDED(rc) ? size : 0;
}

void TKxOdbcConnection::SetNetworkPacketSize(std::uint32_t value) {
    if (value == m_networkPacketSize)
        return;
    m_networkPacketSize = value;
    SetODBCNetworkPacketSize();
}

void TKxOdbcConnection::SetTransactionIsolation(TTransactionIsolations value) {
    if (value == m_transactionIsolation)
        return;
    m_transactionIsolation = value;
    SetODBCTransactionIsolation();
}

void TKxOdbcConnection::SetTraceProperties(const TOdbcTraceProperties& value) {
    if (!m_trace->Equals(value))
        m_trace->Assign(value);
}

void TKxOdbcConnection::SetTranslateProperties(const TOdbcTranslateProperties& value) {
    if (!m_translate->Equals(value))
        m_translate->Assign(value);
}

void TKxOdbcConnection::Assign(const TKxOdbcConnection& source) {
    SetActive(false);
    SetODBCEnvironment(source.m_environment);
    SetAccessMode(source.m_accessMode);
    SetConnectionString(source.m_connectionString);
    SetDataSourceCatalog(source.m_dataSourceCatalog);
    SetUsername(source.m_username);
    SetPassword(source.m_password);
    SetTimeoutForStatements(source.m_timeoutForStatements);
    SetTimeoutForLogin(source.m_timeoutForLogin);
    SetCursorOrigin(source.m_cursorOrigin);
    SetNetworkPacketSize(source.m_networkPacketSize);
    SetTransactionIsolation(source.m_transactionIsolation);
    SetTraceProperties(*source.m_trace);
    SetTranslateProperties(*source.m_translate);
    SetAttributes(source.m_attributes);
}

void TKxOdbcConnection::ExecuteDirect(const QString& sqlText, SQLLEN* recordsAffected) {
    if (sqlText.isEmpty())
        return;
    // A second, nested call (from code run by the first) gets a statement of its own.
    std::unique_ptr<TKxOdbcStatementBase> nested;
    if (!m_directStatement && !m_directStatementBusy) {
        m_directStatement = std::make_unique<TKxOdbcStatementBase>();
        m_directStatement->SetKeepHandleWhenClosed(true);
    }
    TKxOdbcStatementBase* statement = m_directStatement.get();
    if (m_directStatementBusy) {
        nested = std::make_unique<TKxOdbcStatementBase>();
        statement = nested.get();
    }
    statement->SetName(QStringLiteral("ExecuteDirect"));
    statement->SetODBCConnection(this);
    m_directStatementBusy = statement == m_directStatement.get();
    try {
        statement->SQL().SetAsString(sqlText);
        statement->SetActive(true);
        if (recordsAffected != nullptr)
            *recordsAffected = statement->RecordsAffected();
        statement->SetActive(false);
    } catch (...) {
        statement->SetActive(false);
        if (statement == m_directStatement.get())
            m_directStatementBusy = false;
        throw;
    }
    if (statement == m_directStatement.get())
        m_directStatementBusy = false;
}

QString TKxOdbcConnection::IdentifierQuoteChar() {
    return DriverTraits().identifierQuote;
}

QString TKxOdbcConnection::SearchPatternEscape() {
    return DriverTraits().searchPatternEscape;
}

const TKxOdbcDriverTraits& TKxOdbcConnection::DriverTraits() {
    SetActive(true);
    if (!m_driverTraits)
        m_driverTraits = KxReadDriverTraits(OdbcHandle(), this);
    return *m_driverTraits;
}

// ---- attribute routines

void TKxOdbcConnection::ReleaseDirectStatementHandle() {
    if (m_directStatement)
        m_directStatement->ReleaseKeptHandle();
}

void TKxOdbcConnection::SetIntegerAttribute(SQLINTEGER attribute, SQLULEN value,
                                            const char* routine) {
    if (!HandleAllocated())
        return;
    // Statement defaults set on the connection reach only handles allocated afterwards.
    ReleaseDirectStatementHandle();
    CheckOdbcResult(SQLSetConnectAttr(OdbcHandle(), attribute, AsPointer(value), SQL_IS_UINTEGER),
                    this, QString::fromLatin1(routine));
}

void TKxOdbcConnection::SetTextAttribute(SQLINTEGER attribute, const QString& value,
                                         const char* routine) {
    if (!HandleAllocated())
        return;
    ReleaseDirectStatementHandle();
    QByteArray text = value.toUtf8();
    CheckOdbcResult(SQLSetConnectAttr(OdbcHandle(), attribute, text.data(),
                                      static_cast<SQLINTEGER>(text.size())),
                    this, QString::fromLatin1(routine));
}

void TKxOdbcConnection::SetODBCAllowDriverDialogs() {
    if (!HandleAllocated())
        return;
    const SQLPOINTER parent =
        KxInSet(m_attributes, caAllowDriverDialogs) ? kxDriverDialogParent : nullptr;
    CheckOdbcResult(SQLSetConnectAttr(OdbcHandle(), SQL_ATTR_QUIET_MODE, parent, SQL_IS_POINTER),
                    this, QStringLiteral("SetODBCAllowDriverDialogs"));
}

SQLULEN TKxOdbcConnection::IsolationMask(TTransactionIsolations isolations) {
    SQLULEN mask = 0;
    if (KxInSet(isolations, tiReadUncommitted))
        mask |= SQL_TXN_READ_UNCOMMITTED;
    if (KxInSet(isolations, tiReadCommitted))
        mask |= SQL_TXN_READ_COMMITTED;
    if (KxInSet(isolations, tiRepeatableRead))
        mask |= SQL_TXN_REPEATABLE_READ;
    if (KxInSet(isolations, tiSerializable))
        mask |= SQL_TXN_SERIALIZABLE;
    return mask;
}

void TKxOdbcConnection::SetODBCTransactionIsolation() {
    SetIntegerAttribute(SQL_ATTR_TXN_ISOLATION, IsolationMask(m_transactionIsolation),
                        "SetODBCTransactionIsolation");
}

void TKxOdbcConnection::SetODBCAccessMode() {
    SQLULEN value = SQL_MODE_READ_WRITE;
    switch (m_accessMode) {
    case amReadWrite:
        value = SQL_MODE_READ_WRITE;
        break;
    case amReadOnly:
        value = SQL_MODE_READ_ONLY;
        break;
    default:
        RaiseUnknownValue("TAccessMode", m_accessMode, "SetODBCAccessMode");
    }
    SetIntegerAttribute(SQL_ATTR_ACCESS_MODE, value, "SetODBCAccessMode");
}

void TKxOdbcConnection::SetODBCCursorOrigin() {
    SQLULEN value = SQL_CUR_USE_IF_NEEDED;
    switch (m_cursorOrigin) {
    case coUseODBCCursorsIfNeeded:
        value = SQL_CUR_USE_IF_NEEDED;
        break;
    case coUseODBCCursors:
        value = SQL_CUR_USE_ODBC;
        break;
    case coUseDriverCursors:
        value = SQL_CUR_USE_DRIVER;
        break;
    default:
        RaiseUnknownValue("TCursorOrigin", m_cursorOrigin, "SetODBCCursorOrigin");
    }
    SetIntegerAttribute(SQL_ATTR_ODBC_CURSORS, value, "SetODBCCursorOrigin");
}

void TKxOdbcConnection::SetODBCTimeoutForStatements() {
    SetIntegerAttribute(SQL_ATTR_CONNECTION_TIMEOUT, m_timeoutForStatements,
                        "SetODBCTimeoutForStatements");
}

void TKxOdbcConnection::SetODBCTimeoutForLogin() {
    SetIntegerAttribute(SQL_ATTR_LOGIN_TIMEOUT, m_timeoutForLogin, "SetODBCTimeoutForLogin");
}

void TKxOdbcConnection::SetODBCDataSorceCatalog() {
    SetTextAttribute(SQL_ATTR_CURRENT_CATALOG, m_dataSourceCatalog, "SetODBCDataSorceCatalog");
}

void TKxOdbcConnection::SetODBCNetworkPacketSize() {
    SetIntegerAttribute(SQL_ATTR_PACKET_SIZE, m_networkPacketSize, "SetODBCNetworkPacketSize");
}

void TKxOdbcConnection::SetODBCAsynchronOperations() {
    SetIntegerAttribute(SQL_ATTR_ASYNC_ENABLE,
                        KxInSet(m_attributes, caAsynchronOperations) ? SQL_ASYNC_ENABLE_ON
                                                                     : SQL_ASYNC_ENABLE_OFF,
                        "SetODBCAsynchronOperations");
}

void TKxOdbcConnection::SetODBCAutoCommitTransactions() {
    SetIntegerAttribute(SQL_ATTR_AUTOCOMMIT,
                        KxInSet(m_attributes, caAutoCommitTransactions) ? SQL_AUTOCOMMIT_ON
                                                                        : SQL_AUTOCOMMIT_OFF,
                        "SetODBCAutoCommitTransactions");
}

void TKxOdbcConnection::SetODBCCaseSensitiveCatalogNames() {
    SetIntegerAttribute(SQL_ATTR_METADATA_ID,
                        KxInSet(m_attributes, caCaseSensitiveCatalogNames) ? SQL_FALSE : SQL_TRUE,
                        "SetODBCCaseSensitiveCatalogNames");
}

void TKxOdbcConnection::SetODBCEnableTracing() {
    SetIntegerAttribute(SQL_ATTR_TRACE,
                        m_trace->EnableTracing() ? SQL_OPT_TRACE_ON : SQL_OPT_TRACE_OFF,
                        "SetODBCEnableTracing");
}

void TKxOdbcConnection::SetODBCTraceFilename() {
    SetTextAttribute(SQL_ATTR_TRACEFILE, m_trace->TraceFilename(), "SetODBCTraceFilename");
}

void TKxOdbcConnection::SetODBCTranslationDLLFilename() {
    SetTextAttribute(SQL_ATTR_TRANSLATE_LIB, m_translate->TranslationDLLFilename(),
                     "SetODBCTranslationDLLFilename");
}

void TKxOdbcConnection::SetODBCTranslationAttributes() {
    SetIntegerAttribute(SQL_ATTR_TRANSLATE_OPTION, m_translate->TranslationAttributes(),
                        "SetODBCTranslationAttributes");
}

// ---- opening and closing

void TKxOdbcConnection::AllocHandle() {
    if (HandleAllocated())
        return;
    if (m_environment == nullptr)
        KxRaise(QCoreApplication::translate(
                    "KxOdbc", "The %1 Property must be set before the Component can be activated")
                    .arg(QStringLiteral("ODBCEnvironment")),
                QStringLiteral("AllocHandle"), this);
    TKxTempCursor waitCursor;
    KxCheckGetInterface<IKxGetSetActive>(m_environment.data(), QStringLiteral("AllocHandle"))
        ->SetActive(true);
    AllocateOdbcHandle(&m_environment->HandleObject());

    SetODBCAllowDriverDialogs();
    SetODBCTransactionIsolation();
    if (m_accessMode != amReadWrite)
        SetODBCAccessMode();
    if (m_cursorOrigin != coUseDriverCursors)
        SetODBCCursorOrigin();
    if (m_timeoutForStatements != 0)
        SetODBCTimeoutForStatements();
    if (m_timeoutForLogin != 0)
        SetODBCTimeoutForLogin();
    if (!m_dataSourceCatalog.isEmpty())
        SetODBCDataSorceCatalog();
    if (m_networkPacketSize != 0) {
        try {
            SetODBCNetworkPacketSize();
        } catch (const EODBCError&) {
            // A stored size the driver refuses must not keep a form from loading.
            if (!IsLoading())
                throw;
        }
    }
    if (KxInSet(m_attributes, caAsynchronOperations))
        SetODBCAsynchronOperations();
    if (!KxInSet(m_attributes, caAutoCommitTransactions))
        SetODBCAutoCommitTransactions();
    if (KxInSet(m_attributes, caCaseSensitiveCatalogNames))
        SetODBCCaseSensitiveCatalogNames();
    if (!m_trace->TraceFilename().isEmpty())
        SetODBCTraceFilename();
    if (m_trace->EnableTracing())
        SetODBCEnableTracing();

    // The user name and password typed in the connection dialog reach the driver only here;
    // the connection string the program keeps (and stores) never holds them.
    QByteArray in = KxDriverConnectionString(m_connectionString, m_username, m_password).toUtf8();
    SQLCHAR out[2048] = {};
    SQLSMALLINT outLength = 0;
    const SQLRETURN rc = SQLDriverConnect(
        OdbcHandle(), nullptr, reinterpret_cast<SQLCHAR*>(in.data()),
        static_cast<SQLSMALLINT>(in.size()), out, sizeof out, &outLength,
        KxInSet(m_attributes, caAllowDriverDialogs) ? SQL_DRIVER_COMPLETE : SQL_DRIVER_NOPROMPT);
    in.fill('\0');
    CheckOdbcResult(rc, this, QStringLiteral("SQLDriverConnect"));
    m_connected = true;
    if (KxInSet(m_attributes, caCompleteConnectionString)) {
        const int length = std::clamp<int>(outLength, 0, int(sizeof out) - 1);
        QString completed = QString::fromUtf8(reinterpret_cast<const char*>(out), length);
        // The driver repeats what it was given, the added UID/PWD included; those stay out.
        QStringList added;
        if (!m_username.isEmpty() &&
            !KxConnectionStringHasKey(m_connectionString, QStringLiteral("UID")))
            added << QStringLiteral("UID");
        if (!m_password.isEmpty() &&
            !KxConnectionStringHasKey(m_connectionString, QStringLiteral("PWD")))
            added << QStringLiteral("PWD");
        m_connectionString = KxRemoveConnectionStringKeys(completed, added);
    }
    std::fill(std::begin(out), std::end(out), SQLCHAR(0));
    if (!m_translate->TranslationDLLFilename().isEmpty())
        SetODBCTranslationDLLFilename();
    if (m_translate->TranslationAttributes() != 0)
        SetODBCTranslationAttributes();
}

void TKxOdbcConnection::FreeHandle() {
    TKxTempCursor waitCursor;
    ReleaseDirectStatementHandle(); // a statement handle cannot outlive its connection
    if (m_connected) {
        // An open manual transaction is rolled back; when that fails the connection stays,
        // so nothing is committed or lost behind the user's back.
        if (!KxInSet(m_attributes, caAutoCommitTransactions))
            RollbackTransaction();
        CheckOdbcResult(SQLDisconnect(OdbcHandle()), this, QStringLiteral("ReleaseHandle"));
        m_connected = false;
    }
    // No transaction outlives its connection. A count left over from before the close would
    // keep the next run from beginning (and offering to end) its own.
    ResetTransactionCount();
    m_driverTraits.reset();
    TKxOdbcTransactionComponent::FreeHandle();
}

} // namespace kx
