#include "odbc/odbc_statement.h"

#include "dbcore/sql_property.h"
#include "foundation/exceptions.h"
#include "foundation/interface_connector.h"
#include "foundation/storage_helpers.h"
#include "foundation/streams.h"
#include "foundation/temp_cursor.h"
#include "odbc/odbc_call_in_flight.h"
#include "odbc/odbc_connection.h"

#include <QCoreApplication>

namespace kx {
namespace {

SQLPOINTER AsPointer(SQLULEN value) {
    return reinterpret_cast<SQLPOINTER>(value);
}

TOdbcConnectionAttributes WithAttribute(TOdbcConnectionAttributes set,
                                        TOdbcConnectionAttribute attribute, bool on) {
    return on ? (set | KxSetOf(attribute)) : (set & ~KxSetOf(attribute));
}

} // namespace

// ---- sub-properties

TKxOdbcConnection* TStmtCNAwareSubProperty::SourceConnection() const {
    return m_useValueFromConnection && m_statement != nullptr ? m_statement->ODBCConnection()
                                                              : nullptr;
}

void TStmtCNAwareSubProperty::SetUseValueFromConnection(bool value) {
    if (value == m_useValueFromConnection)
        return;
    m_useValueFromConnection = value;
    Reapply();
}

std::uint32_t TStmtTimeoutProperties::TimeoutForStatements() const {
    if (const TKxOdbcConnection* connection = SourceConnection())
        return connection->TimeoutForStatements();
    return m_value;
}

void TStmtTimeoutProperties::SetTimeoutForStatements(std::uint32_t value) {
    if (value == TimeoutForStatements() && value == m_value)
        return;
    if (Statement() != nullptr)
        Statement()->CheckIsInactive(QStringLiteral("TimeoutForStatements Property"));
    if (TKxOdbcConnection* connection = SourceConnection())
        connection->SetTimeoutForStatements(value);
    if (Statement() != nullptr && Statement()->Active())
        Statement()->SetStatementAttribute(SQL_ATTR_QUERY_TIMEOUT, value,
                                           "SetODBCTimeoutForStatements");
    m_value = value;
}

bool TStmtTimeoutProperties::Equals(const TStmtTimeoutProperties& other) const {
    return UseValueFromConnection() == other.UseValueFromConnection() &&
           TimeoutForStatements() == other.TimeoutForStatements();
}

void TStmtTimeoutProperties::Assign(const TStmtTimeoutProperties& source) {
    SetUseValueFromConnection(source.UseValueFromConnection());
    SetTimeoutForStatements(source.TimeoutForStatements());
}

void TStmtTimeoutProperties::Apply() {
    if (!UseValueFromConnection() && TimeoutForStatements() != 0)
        Statement()->SetStatementAttribute(SQL_ATTR_QUERY_TIMEOUT, TimeoutForStatements(),
                                           "SetODBCTimeoutForStatements");
}

bool TStmtAsyncOperationProperties::AsynchronOperations() const {
    if (const TKxOdbcConnection* connection = SourceConnection())
        return KxInSet(connection->Attributes(), caAsynchronOperations);
    return m_value;
}

void TStmtAsyncOperationProperties::SetAsynchronOperations(bool value) {
    if (value == AsynchronOperations() && value == m_value)
        return;
    if (TKxOdbcConnection* connection = SourceConnection())
        connection->SetAttributes(
            WithAttribute(connection->Attributes(), caAsynchronOperations, value));
    if (Statement() != nullptr && Statement()->Active())
        Statement()->SetStatementAttribute(SQL_ATTR_ASYNC_ENABLE,
                                           value ? SQL_ASYNC_ENABLE_ON : SQL_ASYNC_ENABLE_OFF,
                                           "SetODBCAsynchronOperations");
    m_value = value;
}

bool TStmtAsyncOperationProperties::Equals(const TStmtAsyncOperationProperties& other) const {
    return UseValueFromConnection() == other.UseValueFromConnection() &&
           AsynchronOperations() == other.AsynchronOperations();
}

void TStmtAsyncOperationProperties::Assign(const TStmtAsyncOperationProperties& source) {
    SetUseValueFromConnection(source.UseValueFromConnection());
    SetAsynchronOperations(source.AsynchronOperations());
}

void TStmtAsyncOperationProperties::Apply() {
    if (!UseValueFromConnection() && AsynchronOperations())
        Statement()->SetStatementAttribute(SQL_ATTR_ASYNC_ENABLE, SQL_ASYNC_ENABLE_ON,
                                           "SetODBCAsynchronOperations");
}

bool TStmtCatalogNameCaseProperties::CaseSensitiveCatalogNames() const {
    if (const TKxOdbcConnection* connection = SourceConnection())
        return KxInSet(connection->Attributes(), caCaseSensitiveCatalogNames);
    return m_value;
}

void TStmtCatalogNameCaseProperties::SetCaseSensitiveCatalogNames(bool value) {
    if (value == CaseSensitiveCatalogNames() && value == m_value)
        return;
    if (TKxOdbcConnection* connection = SourceConnection())
        connection->SetAttributes(
            WithAttribute(connection->Attributes(), caCaseSensitiveCatalogNames, value));
    if (Statement() != nullptr && Statement()->Active())
        Statement()->SetStatementAttribute(SQL_ATTR_METADATA_ID, value ? SQL_FALSE : SQL_TRUE,
                                           "SetODBCCaseSensitiveCatalogNames");
    m_value = value;
}

bool TStmtCatalogNameCaseProperties::Equals(const TStmtCatalogNameCaseProperties& other) const {
    return UseValueFromConnection() == other.UseValueFromConnection() &&
           CaseSensitiveCatalogNames() == other.CaseSensitiveCatalogNames();
}

void TStmtCatalogNameCaseProperties::Assign(const TStmtCatalogNameCaseProperties& source) {
    SetUseValueFromConnection(source.UseValueFromConnection());
    SetCaseSensitiveCatalogNames(source.CaseSensitiveCatalogNames());
}

void TStmtCatalogNameCaseProperties::Apply() {
    if (!UseValueFromConnection() && CaseSensitiveCatalogNames())
        Statement()->SetStatementAttribute(SQL_ATTR_METADATA_ID, SQL_FALSE,
                                           "SetODBCCaseSensitiveCatalogNames");
}

// ---- statement

TKxOdbcStatementBase::TKxOdbcStatementBase(QObject* owner, TKxLifetime lifetime)
    : TKxSqlStatementBase(owner, lifetime),
      m_timeout(std::make_unique<TStmtTimeoutProperties>(this)),
      m_async(std::make_unique<TStmtAsyncOperationProperties>(this)),
      m_catalogCase(std::make_unique<TStmtCatalogNameCaseProperties>(this)) {
    SourceConnector()->AddNeededIntfID(KxInterfaceId::Of<IKxGetHandle>());
}

TKxOdbcStatementBase::~TKxOdbcStatementBase() {
    CloseBeforeDestroy();
}

TKxOdbcConnection* TKxOdbcStatementBase::ODBCConnection() const {
    return dynamic_cast<TKxOdbcConnection*>(Connection().get());
}

void TKxOdbcStatementBase::SetODBCConnection(TKxOdbcConnection* connection) {
    if (connection == ODBCConnection())
        return;
    CheckIsInactive(QStringLiteral("ODBCConnection Property"));
    SetConnection(connection != nullptr ? static_cast<IKxUnknown*>(connection) : nullptr);
}

void TKxOdbcStatementBase::SetUseSQLEscapeSequences(bool value) {
    if (value == m_useSQLEscapeSequences)
        return;
    CheckIsInactive(QStringLiteral("UseSQLEscapeSequences Property"));
    m_useSQLEscapeSequences = value;
}

void TKxOdbcStatementBase::SetStatementAttribute(SQLINTEGER attribute, SQLULEN value,
                                                 const char* routineName) {
    if (!m_handle)
        return;
    CheckOdbcResult(SQLSetStmtAttr(m_handle.Get(), attribute, AsPointer(value), SQL_IS_UINTEGER),
                    this, QString::fromLatin1(routineName));
}

SQLLEN TKxOdbcStatementBase::RecordsAffected() const {
    SQLLEN count = -1;
    if (!m_handle || !SQL_SUCCEEDED(SQLRowCount(m_handle.Get(), &count)))
        return -1;
    return count;
}

void TKxOdbcStatementBase::Assign(const TKxOdbcStatementBase& source) {
    TKxSqlStatementBase::Assign(source);
    if (source.ODBCConnection() != nullptr)
        SetODBCConnection(source.ODBCConnection());
    SetUseSQLEscapeSequences(source.m_useSQLEscapeSequences);
    if (!m_timeout->Equals(*source.m_timeout))
        m_timeout->Assign(*source.m_timeout);
    if (!m_async->Equals(*source.m_async))
        m_async->Assign(*source.m_async);
    if (!m_catalogCase->Equals(*source.m_catalogCase))
        m_catalogCase->Assign(*source.m_catalogCase);
}

KxIntf<TKxOdbcStatementBase> TKxOdbcStatementBase::CreateSameClass() const {
    return KxIntf<TKxOdbcStatementBase>(new TKxOdbcStatementBase(nullptr, TKxLifetime::SelfOwned));
}

KxHResult TKxOdbcStatementBase::CreateCopyQI(KxIntf<IKxUnknown>& copy) {
    copy.reset();
    return KxGuardedHResult([&]() -> KxHResult {
        KxIntf<TKxOdbcStatementBase> created = CreateSameClass();
        created->Assign(*this);
        copy = created;
        return hr::S_Ok;
    });
}

void TKxOdbcStatementBase::ApplyStatementAttributes() {
    m_timeout->Apply();
    m_async->Apply();
    m_catalogCase->Apply();
}

void TKxOdbcStatementBase::AllocHandle() {
    TKxTempCursor waitCursor;
    if (!m_handle) {
        TKxOdbcConnection* connection = ODBCConnection();
        if (connection == nullptr)
            KxRaise(
                QCoreApplication::translate(
                    "KxOdbc", "The %1 Property must be set before the Component can be activated")
                    .arg(QStringLiteral("ODBCConnection")),
                QStringLiteral("AllocHandle"), this);
        connection->SetActive(true);
        m_handle.Allocate(SQL_HANDLE_STMT, &connection->HandleObject(), this);
        ApplyStatementAttributes();
    }
    SetHandle(reinterpret_cast<std::uintptr_t>(m_handle.Get()));
    TKxSqlStatementBase::AllocHandle();
}

void TKxOdbcStatementBase::FreeHandle() {
    if (m_keepHandle && m_handle) {
        // A kept handle must come back as fresh as a new one: no open cursor (a failed
        // close is no reason to keep a handle in an unknown state).
        if (!SQL_SUCCEEDED(SQLFreeStmt(m_handle.Get(), SQL_CLOSE)))
            m_handle.Free();
    } else {
        m_handle.Free();
    }
    TKxSqlStatementBase::FreeHandle();
}

void TKxOdbcStatementBase::ReleaseKeptHandle() {
    if (!Active())
        m_handle.Free();
}

void TKxOdbcStatementBase::APIExecuteSQL(const QString& text) {
    QByteArray bytes = text.toUtf8();
    SQLHSTMT handle = m_handle.Get();
    const SQLRETURN rc = KxRunCancellableCall(handle, [&] {
        return SQLExecDirect(handle, reinterpret_cast<SQLCHAR*>(bytes.data()),
                             static_cast<SQLINTEGER>(bytes.size()));
    });
    // An UPDATE or DELETE that touched no row is not a failure.
    if (rc != SQL_NO_DATA)
        CheckOdbcResult(rc, this, QStringLiteral("APIExecuteSQL"));
}

// ---- stored properties

TKxOdbcStatementProperties::TKxOdbcStatementProperties(bool includeSQL, TKxLifetime lifetime)
    : TKxInterfacedPersistent(lifetime), m_includeSQL(includeSQL),
      m_timeout(std::make_unique<TStmtTimeoutProperties>(nullptr)),
      m_async(std::make_unique<TStmtAsyncOperationProperties>(nullptr)),
      m_catalogCase(std::make_unique<TStmtCatalogNameCaseProperties>(nullptr)) {}

TKxOdbcStatementProperties::~TKxOdbcStatementProperties() = default;

void TKxOdbcStatementProperties::AssignFromObj(IKxUnknown* source) {
    if (auto* other = dynamic_cast<TKxOdbcStatementProperties*>(source)) {
        if (m_includeSQL)
            SQL = other->SQL;
        ReExecuteAfterSQLChange = other->ReExecuteAfterSQLChange;
        UseSQLEscapeSequences = other->UseSQLEscapeSequences;
        TimedReExecutionDelay = other->TimedReExecutionDelay;
        m_timeout->Assign(*other->m_timeout);
        m_async->Assign(*other->m_async);
        m_catalogCase->Assign(*other->m_catalogCase);
        return;
    }
    auto* statement = dynamic_cast<TKxOdbcStatementBase*>(source);
    if (statement == nullptr)
        KxRaiseNoInterface(IKxAssignFromObj::IID, KxObjectDescription(source),
                           QStringLiteral("TKxOdbcStatementProperties.AssignFromObj"),
                           "TKxOdbcStatementProperties.AssignFromObj");
    if (m_includeSQL)
        SQL = statement->SQL().GetAsString();
    ReExecuteAfterSQLChange = statement->SQL().ReExecuteAfterSQLChange();
    UseSQLEscapeSequences = statement->UseSQLEscapeSequences();
    TimedReExecutionDelay = statement->TimedReExecutionDelay();
    m_timeout->Assign(statement->TimeoutProperties());
    m_async->Assign(statement->AsynchronOperationProperties());
    m_catalogCase->Assign(statement->CatalogNameCaseProperties());
}

void TKxOdbcStatementProperties::AssignToObj(IKxUnknown* destination) {
    auto* statement = dynamic_cast<TKxOdbcStatementBase*>(destination);
    if (statement == nullptr)
        KxRaiseNoInterface(IKxAssignToObj::IID, KxObjectDescription(destination),
                           QStringLiteral("TKxOdbcStatementProperties.AssignToObj"),
                           "TKxOdbcStatementProperties.AssignToObj");
    if (m_includeSQL)
        statement->SQL().SetAsString(SQL);
    statement->SQL().SetReExecuteAfterSQLChange(ReExecuteAfterSQLChange);
    statement->SetUseSQLEscapeSequences(UseSQLEscapeSequences);
    statement->SetTimedReExecutionDelay(TimedReExecutionDelay);
    statement->TimeoutProperties().Assign(*m_timeout);
    statement->AsynchronOperationProperties().Assign(*m_async);
    statement->CatalogNameCaseProperties().Assign(*m_catalogCase);
}

void TKxOdbcStatementProperties::LoadData(IKxUnknown* storage) {
    const auto values = KxCheckQueryInterface<IKxValueStorage>(
        storage, QStringLiteral("TKxOdbcStatementProperties.LoadData"));
    if (m_includeSQL)
        SQL = values->ReadString(QStringLiteral("SQL"), {});
    ReExecuteAfterSQLChange = values->ReadBool(QStringLiteral("Reexecute After SQl Change"), false);
    UseSQLEscapeSequences = values->ReadBool(QStringLiteral("Use SQL Escape Sequences"), true);
    TimedReExecutionDelay = values->ReadInteger(QStringLiteral("Timed ReExecution Delay"), 300);
    m_timeout->SetUseValueFromConnection(
        values->ReadBool(QStringLiteral("Use Timeout from Connection"), true));
    m_timeout->SetTimeoutForStatements(static_cast<std::uint32_t>(
        std::max(0, values->ReadInteger(QStringLiteral("Timeout for Statements"), 0))));
    m_async->SetUseValueFromConnection(
        values->ReadBool(QStringLiteral("Use Asynchron from Connection"), true));
    m_async->SetAsynchronOperations(
        values->ReadBool(QStringLiteral("Asynchron Operations"), false));
    m_catalogCase->SetUseValueFromConnection(
        values->ReadBool(QStringLiteral("Use catalogcase from Connection"), true));
    m_catalogCase->SetCaseSensitiveCatalogNames(
        values->ReadBool(QStringLiteral("Case sensitive Catalog Names"), false));
}

void TKxOdbcStatementProperties::StoreData(IKxUnknown* storage) {
    const auto values = KxCheckQueryInterface<IKxValueStorage>(
        storage, QStringLiteral("TKxOdbcStatementProperties.StoreData"));
    if (m_includeSQL) {
        // Stored exactly (not case-folded like other texts): a change of case is a change.
        if (SQL.isEmpty())
            KxDeleteValue(storage, QStringLiteral("SQL"));
        else
            values->WriteString(QStringLiteral("SQL"), SQL);
    }
    values->WriteBool(QStringLiteral("Reexecute After SQl Change"), ReExecuteAfterSQLChange, false);
    values->WriteBool(QStringLiteral("Use SQL Escape Sequences"), UseSQLEscapeSequences, true);
    values->WriteInteger(QStringLiteral("Timed ReExecution Delay"), TimedReExecutionDelay, 300);
    values->WriteBool(QStringLiteral("Use Timeout from Connection"),
                      m_timeout->UseValueFromConnection(), true);
    values->WriteInteger(QStringLiteral("Timeout for Statements"),
                         static_cast<int>(m_timeout->TimeoutForStatements()), 0);
    values->WriteBool(QStringLiteral("Use Asynchron from Connection"),
                      m_async->UseValueFromConnection(), true);
    values->WriteBool(QStringLiteral("Asynchron Operations"), m_async->AsynchronOperations(),
                      false);
    values->WriteBool(QStringLiteral("Use catalogcase from Connection"),
                      m_catalogCase->UseValueFromConnection(), true);
    values->WriteBool(QStringLiteral("Case sensitive Catalog Names"),
                      m_catalogCase->CaseSensitiveCatalogNames(), false);
}

} // namespace kx
