#pragma once

#include "dbcore/sql_interfaces.h"
#include "foundation/interfaced_object.h"
#include "foundation/kx_lists.h"
#include "foundation/kx_variant.h"

#include <QString>

namespace kx {

class TKxSqlParameterList;

// A named value that replaces the markers ":Name" of a statement text before execution.
class TKxSqlParameter : public TKxInterfacedObject,
                        public virtual IKxGetName,
                        public virtual IKxGetSetValue {
public:
    // Owned by its list. A parameter found in a text starts Null.
    TKxSqlParameter(TKxSqlParameterList* list, QString name, KxVariant value = KxVariant::Null());

    TKxSqlParameterList* List() const { return m_list; }
    QString GetName() const override { return m_name; }
    KxVariant GetValue() const override { return m_value; }
    // Stores the value (even an equal one) and tells the list, which may schedule the
    // statement's re-execution.
    void SetValue(const KxVariant& value) override;
    // Stores the value without telling anyone.
    virtual void AssignValue(const KxVariant& value);

private:
    TKxSqlParameterList* m_list;
    QString m_name;
    KxVariant m_value;
};

// The parameters of a statement, sorted by name; names are unique without regard to case
// (ASCII rules), so ":CustId" and ":CUSTID" are one parameter, named as first written.
//
// The list is rebuilt from the statement text whenever the text changes (UpdateFromSQL),
// keeping the values of the parameters that are still there. Changing a value schedules the
// owner's re-execution, so a control editing a parameter refreshes the result by itself.
class TKxSqlParameterList : public TKxInterfacedPersistent,
                            public virtual IKxGetCount,
                            public virtual IKxGetItemByName,
                            public virtual IKxGetItemByIndex {
public:
    // `owner` is the statement (or null for a list of its own); it receives
    // roScheduleReExecution after value changes and is named in errors.
    explicit TKxSqlParameterList(IKxUnknown* owner = nullptr,
                                 TKxLifetime lifetime = TKxLifetime::OwnerOwned);
    ~TKxSqlParameterList() override;

    IKxUnknown* Owner() const { return m_owner; }
    // Where UpdateFromSQL reads the text. Without a source the list asks its owner for its
    // published "SQL" property; with neither, UpdateFromSQL does nothing.
    void SetSQLSource(IKxGetAsString* source) { m_sqlSource = source; }

    int Count() const { return m_parameters.Count(); }
    int GetCount() const override { return Count(); }
    TKxSqlParameter* Items(int index) const { return m_parameters.Items(index); }

    // Binary search by name, case-insensitive; false for an empty name.
    bool FindParameter(const QString& name, TKxSqlParameter*& parameter) const;
    // An integral, floating or currency index is a position in the sorted list (the list's
    // index error when outside); text is a name ("A parameter with name '%s' doesn't exist");
    // any other kind raises "Unsupported Datatype used for indexing, vartype: %d".
    TKxSqlParameter* GetParameter(const KxVariant& index) const;
    TKxSqlParameter* GetParameter(const QString& name) const {
        return GetParameter(KxVariant(name));
    }
    TKxSqlParameter* GetParameter(int index) const {
        return GetParameter(KxVariant(std::int32_t(index)));
    }
    // Adds a Null parameter; answers the existing one when the name is already there.
    TKxSqlParameter* AddParameter(const QString& name);
    void Clear() { m_parameters.Clear(); }

    // Both raise GetParameter's errors instead of answering a failure code.
    KxHResult GetItemByName(const QString& name, KxIntf<IKxUnknown>& item) override;
    KxHResult GetItemByIndex(int index, KxIntf<IKxUnknown>& item) override;

    // From another parameter list: the same names with the same values, and the flag.
    void Assign(const TKxInterfacedPersistent* source) override;
    // Copies, without notification, the values of the source's parameters whose names are
    // here; all other parameters keep their values.
    virtual void AssignValues(const TKxSqlParameterList& source);
    // Rebuilds the list from the SQL text (see SetSQLSource); surviving parameters keep their
    // values, vanished ones are dropped, new ones are Null. Schedules nothing.
    virtual void UpdateFromSQL();
    // The same from a given text.
    void UpdateFromSQLText(const QString& text);
    // Called by a parameter's SetValue: unless the owner is loading or the flag is off,
    // executes roScheduleReExecution on the owner.
    virtual void OnParameterValueChanged(TKxSqlParameter* parameter);

    // `text` with every marker replaced by its value as an SQL literal. A Null or Empty value
    // keeps the meaning of what stands before its marker: "= :p" (and an ordering such as
    // ">= :p") becomes " IS NULL ", "<> :p" and "!= :p" become " IS NOT NULL ", while the
    // assignment of an UPDATE's SET list and a marker after no comparison at all (VALUES
    // lists, function arguments) get the literal NULL. Markers without a parameter raise
    // "Failed to prepare the SQL Statement because the following Parameters are unresolved
    // or have no Value assigned to them: " with their names, and nothing is returned.
    QString ResolveParameters(const QString& text) const;

    bool ReExecuteAfterParamValueChange() const { return m_reExecuteAfterParamValueChange; }
    void SetReExecuteAfterParamValueChange(bool value) { m_reExecuteAfterParamValueChange = value; }

private:
    IKxUnknown* m_owner;
    IKxGetAsString* m_sqlSource = nullptr;
    TKxObjectListOf<TKxSqlParameter> m_parameters{true, TKxLifetime::OwnerOwned};
    bool m_reExecuteAfterParamValueChange = true;
};

// Whether `owner` says it is being loaded (IKxComponentLoading). Nothing is scheduled on a
// statement while it is read from its stored form.
bool KxIsOwnerLoading(IKxUnknown* owner);

} // namespace kx
