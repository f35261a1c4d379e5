#include "dbcore/sql_statement_base.h"

#include "dbcore/sql_property.h"
#include "dbcore/sql_statement_text.h"
#include "dbcore/sql_words.h"
#include "foundation/interface_connection.h"
#include "foundation/interface_connector.h"
#include "foundation/questions.h"
#include "foundation/streams.h"
#include "foundation/trace.h"

#include <QCoreApplication>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxDbCore", text);
}

bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
           c == QLatin1Char('\r');
}

// The notification kinds a statement interprets when notifications are switched off and on.
enum TNotificationKind { nkNone = 0, nkPosition = 1, nkRefresh = 2, nkReExecute = 3 };

} // namespace

void KxCheckSQLNotEmpty(const QString& text, IKxUnknown* statement, const QString& routineName) {
    if (std::all_of(text.begin(), text.end(), IsBlank))
        KxRaise(Tr("The SQL text of the statement is empty"),
                routineName.isEmpty() ? QStringLiteral("KxCheckSQLNotEmpty") : routineName,
                KxObjectDescription(statement));
}

TKxSqlStatementBase::TKxSqlStatementBase(QObject* owner, TKxLifetime lifetime)
    : TKxHandleActivateComponent(owner, lifetime),
      m_sql(std::make_unique<TKxSqlProperty>(static_cast<IKxUnknown*>(this))),
      m_timer(std::make_unique<TKxTimer>(300, nullptr, TKxLifetime::OwnerOwned)) {
    m_sql->SetChangeCallback([this](IKxUnknown*) { SQLChanged(); });
    m_timer->OnTimer = [this](TKxTimer*) { TimerReExecute(); };
    AddConnectionPoint(KxInterfaceId::Of<IKxSQLChangeSink>());
}

TKxSqlStatementBase::~TKxSqlStatementBase() {
    m_timer->Stop();
    CloseBeforeDestroy();
    UnlinkConnection();
}

void TKxSqlStatementBase::SetSQL(const TKxSqlProperty& value) {
    m_sql->Assign(&value);
}

int TKxSqlStatementBase::TimedReExecutionDelay() const {
    return m_timer->Interval();
}

void TKxSqlStatementBase::SetTimedReExecutionDelay(int milliseconds) {
    m_timer->SetInterval(milliseconds); // a running timer restarts with the new delay
}

// ---- connection

KxIntf<IKxUnknown> TKxSqlStatementBase::Connection() const {
    return SourceConnector()->InterfaceSource();
}

void TKxSqlStatementBase::UnlinkConnection() {
    const KxIntf<IKxUnknown> old = Connection();
    if (old && m_connectionCookie != 0 && m_connectionObject)
        DisconnectInterface(old.get(), IKxActiveChangeSink::IID, m_connectionCookie);
    m_connectionCookie = 0;
    m_connectionObject.clear();
}

void TKxSqlStatementBase::SetIntfByIndex(int index, IKxUnknown* intf) {
    if (index != 0 || Connection().get() == intf)
        return;
    SourceConnector()->CheckInterfaceCanBeConnected(intf);
    UnlinkConnection();
    SourceConnector()->SetInterfaceSource(intf);
    if (intf != nullptr) {
        // Heard as a dependant: when the connection closes, this statement closes first.
        m_connectionCookie = ConnectInterface(intf, IKxActiveChangeSink::IID);
        m_connectionObject = dynamic_cast<QObject*>(intf);
    }
}

void TKxSqlStatementBase::SetConnection(IKxUnknown* connection) {
    if (Connection().get() == connection)
        return;
    CheckIsInactive(QStringLiteral("ConnectionIntf ") + Tr("Property"));
    SetIntfByIndex(0, connection);
}

KxIntf<IKxUnknown> TKxSqlStatementBase::GetIntfByIndex(int index) {
    return index == 0 ? Connection() : KxIntf<IKxUnknown>();
}

void TKxSqlStatementBase::Assign(const TKxSqlStatementBase& source) {
    SetActive(false);
    SetConnection(source.Connection().get());
    m_sql->Assign(source.m_sql.get());
}

bool TKxSqlStatementBase::FindPublishedProperty(const QString& name,
                                                KxIntf<IKxUnknown>& value) const {
    if (name.compare(QStringLiteral("SQL"), Qt::CaseInsensitive) == 0) {
        value = KxIntf<IKxUnknown>(static_cast<IKxUnknown*>(m_sql.get()));
        return true;
    }
    return TKxHandleActivateComponent::FindPublishedProperty(name, value);
}

// ---- opening and closing

void TKxSqlStatementBase::AllocHandle() {
    ExecuteStatement();
    m_executed = true;
}

void TKxSqlStatementBase::FreeHandle() {
    m_timer->Stop();
    ResetState();
    TKxHandleActivateComponent::FreeHandle();
}

void TKxSqlStatementBase::ResetState() {
    m_executed = false;
    m_state = rsInactive;
}

QString TKxSqlStatementBase::GetExecutableSQL() {
    return KxStripChars(m_sql->ResolveSQLParamValues(), u" \t\n\r;");
}

void TKxSqlStatementBase::CheckPreparedSQLStatement(const QString& text) {
    KxCheckSQLNotEmpty(text, this, QStringLiteral("CheckPreparedSQLStatement"));
    if (KxFirstWord(text).compare(QStringLiteral("SELECT"), Qt::CaseInsensitive) == 0)
        KxRaise(Tr("Only Modifying SQL Statements can be executed with this Component."),
                QStringLiteral("CheckPreparedSQLStatement"), this);
}

void TKxSqlStatementBase::ExecuteStatement() {
    const QString text = GetExecutableSQL();
    CheckPreparedSQLStatement(text);
    if (KxIsTraceActive())
        KxTrace(QString(51, QLatin1Char('=')) + QStringLiteral("\r\n") + text,
                TKxTraceCategory::ExecutedSql);
    APIExecuteSQL(text);
}

// ---- operations

namespace {

TKxSinkParameters OperationParameters(int operation, IKxUnknown* parameter) {
    TKxSinkParameters parameters{KxVariant(operation)};
    if (parameter != nullptr)
        parameters.emplace_back(KxIntf<IKxUnknown>(parameter));
    return parameters;
}

} // namespace

void TKxSqlStatementBase::BeforeOperation(int operation, IKxUnknown* parameter) {
    NotifySinks(IKxOperationSink::IID, KxCallSinkBeforeOperation,
                OperationParameters(operation, parameter));
}

void TKxSqlStatementBase::AfterOperation(int operation, IKxUnknown* parameter) {
    NotifySinks(IKxOperationSink::IID, KxCallSinkAfterOperation,
                OperationParameters(operation, parameter));
}

void TKxSqlStatementBase::DoOperation(int operation, IKxUnknown* parameter,
                                      const std::function<void()>& work) {
    const TKxRecordsetState newState = RecordsetStateAfterOperation(operation);
    const bool actsOnRecord = operation == roDelete ||
                              (operation >= roRefreshCurrent && operation <= roLeaveModifyingState);
    if (newState == m_state && !actsOnRecord)
        return;
    BeforeOperation(operation, parameter);
    if (work)
        work();
    m_state = newState;
    AfterOperation(operation, parameter);
}

bool TKxSqlStatementBase::IsUpdatable() {
    return KxAskBoolean(Connection().get(), qid::CanModify, false);
}

bool TKxSqlStatementBase::CanExecuteOperation(int operation, IKxUnknown*) {
    switch (operation) {
    case roReExecuteStatement:
    case roScheduleReExecution:
        return m_state == rsInactive || m_state == rsBrowse;
    default:
        return false;
    }
}

bool TKxSqlStatementBase::ExecuteOperation(int operation, IKxUnknown* parameter) {
    switch (operation) {
    case roReExecuteStatement:
        ReExecute(parameter == nullptr, true);
        return true;
    case roScheduleReExecution:
        ScheduleReExecution(parameter == nullptr);
        return true;
    default:
        return false;
    }
}

void TKxSqlStatementBase::ReOpen() {
    SetActive(false);
    SetActive(true);
}

void TKxSqlStatementBase::ReExecute(bool notify, bool keepPosition) {
    if (!Active()) {
        m_timer->Stop();
        keepPosition = false;
    }
    if (notify)
        DisableNotifications(nkReExecute);
    else
        keepPosition = false;
    KxIntf<IKxUnknown> holder;
    if (keepPosition)
        holder = CreateStateHolder();

    // The restore and the closing bracket run whatever ReOpen did; its error is passed on
    // afterwards, so bound controls always learn how the re-execution ended.
    std::exception_ptr failure;
    try {
        ReOpen();
    } catch (...) {
        failure = std::current_exception();
    }
    try {
        if (keepPosition && Active())
            RestoreState(holder.get());
    } catch (...) {
        if (!failure)
            failure = std::current_exception();
    }
    if (notify) {
        EnableNotifications(nkReExecute);
        if (!Active()) {
            NotifySinks(IKxActiveChangeSink::IID, KxCallSinkBeforeActiveChange, {KxVariant(false)});
            NotifySinks(IKxActiveChangeSink::IID, KxCallSinkAfterActiveChange, {KxVariant(false)});
        }
    }
    holder.reset();
    if (failure)
        std::rethrow_exception(failure);
}

void TKxSqlStatementBase::ScheduleReExecution(bool notify) {
    m_pendingNotify = notify;
    if (m_timer->Interval() != 0)
        m_timer->Restart();
    else
        TimerReExecute();
}

void TKxSqlStatementBase::TimerReExecute() {
    m_timer->Stop();
    ReExecute(m_pendingNotify, true);
}

void TKxSqlStatementBase::NotificationsDisabled(int kind) {
    switch (kind) {
    case nkPosition:
        BeforePositionChange();
        break;
    case nkRefresh:
        BeforeOperation(roRefreshCurrent, nullptr);
        break;
    case nkReExecute:
        BeforeOperation(roReExecuteStatement, nullptr);
        break;
    default:
        break;
    }
}

void TKxSqlStatementBase::NotificationsEnabled(int kind) {
    switch (kind) {
    case nkPosition:
        AfterPositionChange();
        break;
    case nkRefresh:
        AfterOperation(roRefreshCurrent, nullptr);
        break;
    case nkReExecute:
        AfterOperation(roReExecuteStatement, nullptr);
        break;
    default:
        break;
    }
}

// ---- SQL text

void TKxSqlStatementBase::NotifySQLChange() {
    NotifySinks(IKxSQLChangeSink::IID, KxCallSinkAfterSQLChange);
}

void TKxSqlStatementBase::SQLChanged() {
    NotifySQLChange();
    if (OnAfterSQLChange)
        OnAfterSQLChange(this);
}

// ---- sort order

TKxSortOrder TKxSqlStatementBase::GetFieldSortOrder(const QString& fieldName) {
    // The quoted form is what a title click writes; the plain one what a user may have typed.
    const QString orderBy = m_sql->GetSQLOrderBy();
    const TKxSortOrder quoted = KxFieldSortOrder(orderBy, SortFieldText(fieldName));
    return quoted != soNone ? quoted : KxFieldSortOrder(orderBy, fieldName);
}

void TKxSqlStatementBase::SetFieldSortOrder(const QString& fieldName, TKxSortOrder sortOrder,
                                            bool keepOtherFields, bool reExecute) {
    const QString current = m_sql->GetSQLOrderBy();
    const QString changed =
        KxOrderByWithField(current, SortFieldText(fieldName), sortOrder, keepOtherFields);
    if (changed.compare(current, Qt::CaseInsensitive) == 0)
        return;
    m_sql->SetSQLOrderBy(changed);
    if (reExecute)
        ReExecute(true, true);
}

bool TKxSqlStatementBase::GetFirstSortField(QString& fieldName) {
    return KxFirstSortField(m_sql->GetSQLOrderBy(), fieldName);
}

KxHResult TKxSqlStatementBase::CreateRestrictedCopy(const QString& fieldName,
                                                    const KxVariant& value,
                                                    KxIntf<IKxUnknown>& copy) {
    copy.reset();
    if (fieldName.isEmpty())
        return hr::E_InvalidArg;
    return KxGuardedHResult([&]() -> KxHResult {
        const auto copier = KxQuery<IKxCreateCopyQI>(static_cast<IKxUnknown*>(this));
        if (!copier)
            return hr::E_NoInterface;
        KxIntf<IKxUnknown> created;
        const KxHResult result = copier->CreateCopyQI(created);
        if (KxFailed(result))
            return result;
        KxIntf<IKxUnknown> sql;
        const KxHResult found = KxGetPropertyIntf(created.get(), QStringLiteral("SQL"),
                                                  KxInterfaceId::Of<IKxSqlStatementParts>(), sql);
        if (KxFailed(found))
            return found;
        const auto parts = KxQuery<IKxSqlStatementParts>(sql);
        parts->SetSQLWhere(AddWhereCondition(parts->GetSQLWhere(), fieldName, QStringLiteral("="),
                                             value, QStringLiteral("AND")));
        copy = created;
        return hr::S_Ok;
    });
}

} // namespace kx
