#pragma once

#include "dbcore/record_states.h"
#include "dbcore/statement_interfaces.h"
#include "foundation/activatable_component.h"
#include "foundation/kx_timer.h"
#include "foundation/notification_sinks.h"

#include <QPointer>
#include <functional>
#include <memory>

namespace kx {

class TKxSqlProperty;

// The database-neutral base of every component that runs one SQL statement. Opening the
// component executes its statement; the operations of the operation model change its record
// state inside a before/after notification bracket; re-execution closes and reopens it,
// at once or after a delay, keeping the current position when asked. Drivers supply
// APIExecuteSQL (and, for result sets, the position store and the record count).
class TKxSqlStatementBase : public TKxHandleActivateComponent,
                            public virtual IKxActiveChangeSink,
                            public virtual IKxCreateRestrictedCopy,
                            public virtual IKxGetFirstSortField,
                            public virtual IKxSetFieldSortOrder,
                            public virtual IKxGetFieldSortOrder,
                            public virtual IKxGetSetIntfByIndex,
                            public virtual IKxExecuteOperation,
                            public virtual IKxRecordsetStateStore,
                            public virtual IKxCanExecuteOperation,
                            public virtual IKxFillNameList,
                            public virtual IKxGetRecordsetState {
public:
    explicit TKxSqlStatementBase(QObject* owner = nullptr,
                                 TKxLifetime lifetime = TKxLifetime::OwnerOwned);
    ~TKxSqlStatementBase() override;

    TKxSqlProperty& SQL() { return *m_sql; }
    const TKxSqlProperty& SQL() const { return *m_sql; }
    void SetSQL(const TKxSqlProperty& value);
    // Milliseconds between a scheduled re-execution and the re-execution; 0 re-executes at once.
    int TimedReExecutionDelay() const;
    void SetTimedReExecutionDelay(int milliseconds);
    std::function<void(TKxSqlStatementBase* sender)> OnAfterSQLChange;

    // The connection interface (index 0); only while inactive.
    void SetConnection(IKxUnknown* connection);
    KxIntf<IKxUnknown> Connection() const;

    void Assign(const TKxSqlStatementBase& source);

    // IKxGetRecordsetState, operations
    TKxRecordsetState GetRecordsetState() override { return m_state; }
    bool CanExecuteOperation(int operation, IKxUnknown* parameter) override;
    bool ExecuteOperation(int operation, IKxUnknown* parameter) override;
    virtual void ReExecute(bool notify, bool keepPosition);
    virtual void ScheduleReExecution(bool notify);
    virtual void ReOpen();
    virtual bool IsUpdatable();
    bool Executed() const { return m_executed; }

    // Sort order
    TKxSortOrder GetFieldSortOrder(const QString& fieldName) override;
    void SetFieldSortOrder(const QString& fieldName, TKxSortOrder sortOrder, bool keepOtherFields,
                           bool reExecute) override;
    bool GetFirstSortField(QString& fieldName) override;

    KxHResult CreateRestrictedCopy(const QString& fieldName, const KxVariant& value,
                                   KxIntf<IKxUnknown>& copy) override;
    KxIntf<IKxUnknown> GetIntfByIndex(int index) override;
    void SetIntfByIndex(int index, IKxUnknown* intf) override;
    KxIntf<IKxUnknown> CreateStateHolder() override { return nullptr; }
    void RestoreState(IKxUnknown*) override {}
    void FillNameList(int, IKxUnknown*) override {}

    // IKxActiveChangeSink: the statement hears its connection open and close (a closing
    // connection closes the statement through the dependants' notification).
    void BeforeActiveChange(bool) override {}
    void AfterActiveChange(bool) override {}

    // The text sent to the driver: parameters replaced, blanks and ";" stripped at both ends.
    virtual QString GetExecutableSQL();
    // Called by the SQL property on every text change.
    virtual void SQLChanged();

protected:
    // How a field name stands in the ORDER BY; a data source that quotes identifiers quotes
    // names that are not plain identifiers.
    virtual QString SortFieldText(const QString& fieldName) { return fieldName; }
    virtual void TimerReExecute();
    virtual void NotifySQLChange();
    virtual void BeforeOperation(int operation, IKxUnknown* parameter);
    virtual void AfterOperation(int operation, IKxUnknown* parameter);
    virtual void BeforePositionChange() {}
    virtual void AfterPositionChange() {}
    virtual void ResetState();
    // Refuses an empty text and, in this class, a SELECT.
    virtual void CheckPreparedSQLStatement(const QString& text);
    virtual void ExecuteStatement();
    virtual void APIExecuteSQL(const QString& text) = 0;
    // The frame of every state-changing operation: `work` runs between the before- and the
    // after-notification; an operation that would not change the state is skipped (except
    // the ones that act on the current record).
    void DoOperation(int operation, IKxUnknown* parameter, const std::function<void()>& work);
    void SetRecordsetState(TKxRecordsetState state) { m_state = state; }

    // Executes the statement; the driver classes allocate their handle first.
    void AllocHandle() override;
    void FreeHandle() override;
    void NotificationsDisabled(int kind) override;
    void NotificationsEnabled(int kind) override;
    bool FindPublishedProperty(const QString& name, KxIntf<IKxUnknown>& value) const override;

    TKxTimer& ReExecutionTimer() { return *m_timer; }

private:
    void UnlinkConnection();

    TKxRecordsetState m_state = rsInactive;
    std::unique_ptr<TKxSqlProperty> m_sql;
    std::unique_ptr<TKxTimer> m_timer;
    bool m_executed = false;
    bool m_pendingNotify = true;
    // The connection as a component, to tell whether it still exists before unadvising.
    QPointer<QObject> m_connectionObject;
    std::uint32_t m_connectionCookie = 0;
};

// Raises "The SQL text of the statement is empty" when `text` holds only blanks and breaks.
void KxCheckSQLNotEmpty(const QString& text, IKxUnknown* statement,
                        const QString& routineName = {});

} // namespace kx
