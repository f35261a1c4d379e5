#pragma once

#include "dbcore/sql_interfaces.h"
#include "dbcore/sql_parameters.h"
#include "dbcore/sql_partitioner.h"
#include "dbcore/sql_string_list.h"
#include "dbcore/statement_interfaces.h"
#include "foundation/interfaced_object.h"

#include <functional>
#include <memory>

namespace kx {

// Called after every change of the text, with the property's owner (the statement's
// SQLChanged: its sinks and OnAfterSQLChange).
using TKxSqlChangeCallback = std::function<void(IKxUnknown* owner)>;

// The SQL text of a statement with its clauses and parameters. The property is owned by its
// statement; the statement learns of text changes through the change callback.
//
// On every change of the text the property first rebuilds the parameter list, then calls the
// callback, then — with ReExecuteAfterSQLChange — schedules the owner's re-execution unless
// the owner is loading.
//
// The clause interfaces are the partitioner's work; the property answers them itself by
// passing each call on, so a holder of the property reaches the parts and a holder of the
// parts reaches the property through OwnerProperty().
class TKxSqlProperty : public TKxInterfacedPersistent,
                       public virtual IKxSqlStatementParts,
                       public virtual IKxGetSetTableName,
                       public virtual IKxGetAsString,
                       public virtual IKxSetAsString,
                       public virtual IKxFillNameList {
public:
    explicit TKxSqlProperty(IKxUnknown* owner = nullptr, TKxSqlChangeCallback onChange = {});
    ~TKxSqlProperty() override;

    IKxUnknown* Owner() const { return m_owner; }
    void SetChangeCallback(TKxSqlChangeCallback onChange) { m_onChange = std::move(onChange); }

    // The text as lines; changing it through the list counts as a change of the text.
    TKxStringList& SQLText() { return m_sqlText; }
    const TKxStringList& SQLText() const { return m_sqlText; }
    // Copies the other list's text.
    void SetSQLText(const TKxStringList& value);

    QString GetAsString() const override { return m_partitioner->GetAsString(); }
    void SetAsString(const QString& value) override { m_partitioner->SetAsString(value); }

    QString GetSQLSelectedFields() const override { return m_partitioner->GetSQLSelectedFields(); }
    void SetSQLSelectedFields(const QString& value) override {
        m_partitioner->SetSQLSelectedFields(value);
    }
    QString GetSQLWhere() const override { return m_partitioner->GetSQLWhere(); }
    void SetSQLWhere(const QString& value) override { m_partitioner->SetSQLWhere(value); }
    QString GetSQLGroupBy() const override { return m_partitioner->GetSQLGroupBy(); }
    void SetSQLGroupBy(const QString& value) override { m_partitioner->SetSQLGroupBy(value); }
    QString GetSQLHaving() const override { return m_partitioner->GetSQLHaving(); }
    void SetSQLHaving(const QString& value) override { m_partitioner->SetSQLHaving(value); }
    QString GetSQLOrderBy() const override { return m_partitioner->GetSQLOrderBy(); }
    void SetSQLOrderBy(const QString& value) override { m_partitioner->SetSQLOrderBy(value); }
    QString GetSQLForUpdateOf() const override { return m_partitioner->GetSQLForUpdateOf(); }
    void SetSQLForUpdateOf(const QString& value) override {
        m_partitioner->SetSQLForUpdateOf(value);
    }
    QString GetTableName() const override { return m_partitioner->GetTableName(); }
    void SetTableName(const QString& value) override { m_partitioner->SetTableName(value); }

    TKxSQLStatmentPartitioner& Partitioner() const { return *m_partitioner; }

    TKxSqlParameterList& SQLParameter() const { return *m_parameters; }
    // Copies the names, values and flag of the other list.
    void SetSQLParameter(const TKxSqlParameterList& value) { m_parameters->Assign(&value); }

    bool ReExecuteAfterSQLChange() const { return m_reExecuteAfterSQLChange; }
    void SetReExecuteAfterSQLChange(bool value) { m_reExecuteAfterSQLChange = value; }

    // The text (lines joined with CR LF) with every parameter marker replaced; raises the
    // unresolved-parameters error (routine "ResolveSQLParamValues") when a marker has no
    // parameter.
    void ResolveSQLParamValues(QString& text) const;
    QString ResolveSQLParamValues() const;

    // Name lists are the statement's business: passed on to the owner, nothing without one.
    void FillNameList(int listKind, IKxUnknown* target) override;

    // From another SQL property: ReExecuteAfterSQLChange, the text, then the parameters.
    void Assign(const TKxInterfacedPersistent* source) override;

protected:
    // The text list's change event.
    virtual void SQLChanged();

private:
    IKxUnknown* m_owner;
    TKxStringList m_sqlText;
    std::unique_ptr<TKxSQLStatmentPartitioner> m_partitioner;
    std::unique_ptr<TKxSqlParameterList> m_parameters;
    TKxSqlChangeCallback m_onChange;
    bool m_reExecuteAfterSQLChange = false;
};

} // namespace kx
