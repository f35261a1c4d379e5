#pragma once

#include "dbcore/db_field.h"
#include "dbcore/record_interfaces.h"
#include "dbcore/schema_data_properties.h"
#include "dbcore/sql_interfaces.h"
#include "dbcore/statement_interfaces.h"
#include "foundation/activatable_component.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace kx::test {

// The rows a memory recordset shows. Copies of a recordset (CreateCopyQI, restricted copies)
// share the table, so what one of them deletes is gone for all, as in a database.
struct TMemoryTable {
    using Row = std::vector<KxVariant>;

    QStringList columns;
    std::vector<std::shared_ptr<Row>> rows;
    // Every deleted row, in the order of deletion.
    std::vector<Row> deleted;
    // Deleting a row for which this answers true fails with "Row cannot be deleted".
    std::function<bool(const Row&)> refuseDelete;

    int Column(const QString& name) const;
    void AddRow(Row values);
};

// A recordset over a TMemoryTable for tests of code that knows recordsets only by their
// interfaces: positions 1 … count, the four record states and the recordset operations,
// fields that read the current row lazily like the driver's fields, notifications through
// connection points (so interface sources can connect to it), "SQL" and
// "CascadedContentsProperties" properties, copies, and a state store that keeps the
// position only.
//
// The WHERE part understands conditions of the form «COLUMN = 'text'» or «COLUMN = number»,
// joined by AND and optionally parenthesised; that is all the look-up tests need.
class TMemoryRecordset : public TKxHandleActivateComponent,
                         public virtual IKxGetItemByName,
                         public virtual IKxGetCount,
                         public virtual IKxGetSetPosition,
                         public virtual IKxScrollableCursor,
                         public virtual IKxGetRecordsetState,
                         public virtual IKxCanExecuteOperation,
                         public virtual IKxExecuteOperation,
                         public virtual IKxRecordsetStateStore,
                         public virtual IKxFillNameList,
                         public virtual IKxCreateCopyQI,
                         public virtual IKxCreateRestrictedCopy,
                         public virtual IKxAskBoolean,
                         public virtual IKxFieldValueChangeSink {
public:
    explicit TMemoryRecordset(std::shared_ptr<TMemoryTable> table, QObject* owner = nullptr,
                              TKxLifetime lifetime = TKxLifetime::OwnerOwned);
    ~TMemoryRecordset() override;

    TMemoryTable& Table() const { return *m_table; }
    TKxCascadedContentsProperties& Cascaded() { return *m_cascaded; }

    // Questions 13 (confirm deletions) and 18 (active and scrollable).
    bool confirmDeletions = true;
    bool scrollable = true;
    // Operations CanExecuteOperation refuses whatever the state.
    std::vector<int> refusedOperations;
    // Every operation executed, in order, and every EnableNotifications kind.
    std::vector<int> executed;
    std::vector<int> enabledKinds;
    QString sqlWhere;

    // The current row's value of `column`; NULL without a current row.
    KxVariant CurrentValue(const QString& column) const;
    // The values of `column` over the rows the recordset shows.
    std::vector<KxVariant> ColumnValues(const QString& column) const;

    KxHResult GetItemByName(const QString& name, KxIntf<IKxUnknown>& item) override;
    int GetCount() const override;
    std::int64_t GetPosition() const override { return m_position; }
    void SetPosition(std::int64_t value) override;
    bool IsBOF() const override { return m_bof; }
    bool IsEOF() const override { return m_eof; }
    void MoveToNext() override;
    void MoveToPrevious() override;
    void MoveToFirst() override;
    void MoveToLast() override;
    TKxRecordsetState GetRecordsetState() override;
    bool CanExecuteOperation(int operation, IKxUnknown* parameter) override;
    bool ExecuteOperation(int operation, IKxUnknown* parameter) override;
    KxIntf<IKxUnknown> CreateStateHolder() override;
    void RestoreState(IKxUnknown* holder) override;
    void FillNameList(int listKind, IKxUnknown* target) override;
    KxHResult CreateCopyQI(KxIntf<IKxUnknown>& copy) override;
    KxHResult CreateRestrictedCopy(const QString& fieldName, const KxVariant& value,
                                   KxIntf<IKxUnknown>& copy) override;
    int AskBoolean(int id) override;
    void AfterFieldValueChange(const QString& fieldName) override;

protected:
    void AllocHandle() override;
    void FreeHandle() override;
    void NotificationsEnabled(int kind) override;
    bool FindPublishedProperty(const QString& name, KxIntf<IKxUnknown>& value) const override;

private:
    class Sql;
    struct Restriction {
        QString column;
        KxVariant value;
    };

    bool Matches(const TMemoryTable::Row& row) const;
    void Rebuild();
    void MoveTo(std::int64_t position);
    void Delete();
    void Apply();
    KxIntf<TMemoryRecordset> NewCopy() const;

    std::shared_ptr<TMemoryTable> m_table;
    std::vector<std::shared_ptr<TMemoryTable::Row>> m_view;
    std::vector<std::unique_ptr<TKxDBField>> m_fields;
    std::unique_ptr<TKxCascadedContentsProperties> m_cascaded;
    std::unique_ptr<Sql> m_sql;
    std::vector<Restriction> m_restrictions;
    TKxRecordsetState m_state = rsBrowse;
    std::int64_t m_position = 0;
    bool m_bof = true;
    bool m_eof = true;
};

// A selection of record positions as a grid publishes it ("SelectedPositions"): a set that
// counts, answers its positions by index and empties itself on opClear.
class TMemorySelection : public TKxConnectableComponent {
public:
    explicit TMemorySelection(std::vector<int> positions);
    ~TMemorySelection() override;

    std::vector<int>& Positions();

protected:
    bool FindPublishedProperty(const QString& name, KxIntf<IKxUnknown>& value) const override;

private:
    class Set;
    KxIntf<Set> m_set;
};

} // namespace kx::test
