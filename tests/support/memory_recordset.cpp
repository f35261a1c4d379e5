#include "memory_recordset.h"

#include "computed_field.h"
#include "dbcore/value_buffer.h"
#include "foundation/exceptions.h"
#include "foundation/interface_connection.h"
#include "foundation/kx_lists.h"

#include <QRegularExpression>
#include <algorithm>

namespace kx::test {

int TMemoryTable::Column(const QString& name) const {
    for (int i = 0; i < columns.size(); ++i) {
        if (columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void TMemoryTable::AddRow(Row values) {
    values.resize(static_cast<std::size_t>(columns.size()));
    rows.push_back(std::make_shared<Row>(std::move(values)));
}

namespace {

class PositionHolder : public TKxInterfacedObject {
public:
    explicit PositionHolder(std::int64_t position) : position(position) {}
    std::int64_t position;
};

// A literal of the tiny WHERE language: 'text' or a number.
KxVariant Literal(const QString& text) {
    if (text.size() >= 2 && text.startsWith(QLatin1Char('\'')) && text.endsWith(QLatin1Char('\'')))
        return KxVariant(text.mid(1, text.size() - 2));
    return KxVariant(static_cast<std::int64_t>(text.toLongLong()));
}

bool SameValue(const KxVariant& a, const KxVariant& b) {
    if (a.IsNull() || b.IsNull())
        return false;
    if (a.IsNumeric() && b.IsNumeric())
        return a.ToInt64() == b.ToInt64();
    return a.ToString() == b.ToString();
}

} // namespace

// The SQL text parts; only WHERE means something to the memory recordset.
class TMemoryRecordset::Sql : public TKxInterfacedObject,
                              public virtual IKxSqlStatementParts,
                              public virtual IKxGetAsString,
                              public virtual IKxGetTableName {
public:
    explicit Sql(TMemoryRecordset* owner)
        : TKxInterfacedObject(TKxLifetime::OwnerOwned), m_owner(owner) {}

    QString GetSQLSelectedFields() const override { return QStringLiteral("*"); }
    void SetSQLSelectedFields(const QString&) override {}
    QString GetSQLWhere() const override { return m_owner->sqlWhere; }
    void SetSQLWhere(const QString& value) override { m_owner->sqlWhere = value; }
    QString GetSQLGroupBy() const override { return {}; }
    void SetSQLGroupBy(const QString&) override {}
    QString GetSQLHaving() const override { return {}; }
    void SetSQLHaving(const QString&) override {}
    QString GetSQLOrderBy() const override { return {}; }
    void SetSQLOrderBy(const QString&) override {}
    QString GetSQLForUpdateOf() const override { return {}; }
    void SetSQLForUpdateOf(const QString&) override {}
    QString GetAsString() const override {
        QString text = QStringLiteral("SELECT * FROM MEMORY");
        if (!m_owner->sqlWhere.isEmpty())
            text += QStringLiteral(" WHERE ") + m_owner->sqlWhere;
        return text;
    }
    QString GetTableName() const override { return QStringLiteral("MEMORY"); }

private:
    TMemoryRecordset* m_owner;
};

TMemoryRecordset::TMemoryRecordset(std::shared_ptr<TMemoryTable> table, QObject* owner,
                                   TKxLifetime lifetime)
    : TKxHandleActivateComponent(owner, lifetime), m_table(std::move(table)),
      m_cascaded(
          std::make_unique<TKxCascadedContentsProperties>(static_cast<IKxGetItemByName*>(this))),
      m_sql(std::make_unique<Sql>(this)) {
    AddConnectionPoint(KxInterfaceId::Of<IKxPositionChangeSink>());
    AddConnectionPoint(KxInterfaceId::Of<IKxOperationSink>());
    AddConnectionPoint(KxInterfaceId::Of<IKxFieldValueChangeSink>());
    for (int i = 0; i < m_table->columns.size(); ++i) {
        TKxFieldCreateData data;
        data.Name = m_table->columns.at(i);
        data.ColumnNumber = i + 1;
        data.DataType = fdtString;
        data.Size = 100;
        m_fields.push_back(
            std::make_unique<TComputedField>(static_cast<IKxGetItemByName*>(this), std::move(data),
                                             [this](const TKxFieldValueBuffer& buffer) {
                                                 return CurrentValue(buffer.ColumnName());
                                             }));
    }
}

TMemoryRecordset::~TMemoryRecordset() {
    // Closing through the notifications would take and drop references to this object,
    // which for a copy that frees itself starts its destruction a second time. Nobody can
    // be told any more anyway: a copy has no sinks.
    if (GetActive())
        FreeHandle();
    CloseBeforeDestroy();
}

KxVariant TMemoryRecordset::CurrentValue(const QString& column) const {
    const int index = m_table->Column(column);
    if (index < 0 || m_position < 1 || m_position > static_cast<std::int64_t>(m_view.size()))
        return KxVariant::Null();
    return (*m_view[static_cast<std::size_t>(m_position - 1)])[static_cast<std::size_t>(index)];
}

std::vector<KxVariant> TMemoryRecordset::ColumnValues(const QString& column) const {
    const int index = m_table->Column(column);
    std::vector<KxVariant> values;
    for (const auto& row : m_view)
        values.push_back((*row)[static_cast<std::size_t>(index)]);
    return values;
}

bool TMemoryRecordset::Matches(const TMemoryTable::Row& row) const {
    for (const Restriction& restriction : m_restrictions) {
        const int index = m_table->Column(restriction.column);
        if (index < 0 || !SameValue(row[static_cast<std::size_t>(index)], restriction.value))
            return false;
    }
    if (sqlWhere.isEmpty())
        return true;
    static const QRegularExpression condition(
        QStringLiteral(R"(^\s*(\w+)\s*=\s*('[^']*'|-?\d+)\s*$)"));
    for (QString part : sqlWhere.split(QStringLiteral(" AND "))) {
        part.remove(QLatin1Char('(')).remove(QLatin1Char(')'));
        const QRegularExpressionMatch match = condition.match(part);
        if (!match.hasMatch())
            KxRaise(QStringLiteral("Unsupported condition: %1").arg(part),
                    QStringLiteral("Matches"));
        const int index = m_table->Column(match.captured(1));
        if (index < 0 ||
            !SameValue(row[static_cast<std::size_t>(index)], Literal(match.captured(2))))
            return false;
    }
    return true;
}

void TMemoryRecordset::Rebuild() {
    m_view.clear();
    for (const auto& row : m_table->rows) {
        if (Matches(*row))
            m_view.push_back(row);
    }
}

void TMemoryRecordset::AllocHandle() {
    Rebuild();
    SetHandle(0x4D454D);
    m_state = rsBrowse;
    m_position = m_view.empty() ? 0 : 1;
    m_bof = true;
    m_eof = m_view.empty();
    for (const auto& field : m_fields)
        field->AfterActiveChange(true);
}

void TMemoryRecordset::FreeHandle() {
    for (const auto& field : m_fields)
        field->AfterActiveChange(false);
    m_view.clear();
    m_position = 0;
    m_bof = m_eof = true;
    TKxHandleActivateComponent::FreeHandle();
}

void TMemoryRecordset::NotificationsEnabled(int kind) {
    enabledKinds.push_back(kind);
    // Kind 3 asks for the records again, as after a re-execution.
    if (kind == 3 && GetActive()) {
        Rebuild();
        MoveTo(std::min<std::int64_t>(std::max<std::int64_t>(m_position, 1),
                                      static_cast<std::int64_t>(m_view.size())));
    }
}

bool TMemoryRecordset::FindPublishedProperty(const QString& name, KxIntf<IKxUnknown>& value) const {
    static const TKxPublishedIntf<TMemoryRecordset> table[] = {
        {"SQL",
         [](const TMemoryRecordset& r) {
             return KxIntf<IKxUnknown>(static_cast<IKxSqlStatementParts*>(r.m_sql.get()));
         }},
        {"CascadedContentsProperties",
         [](const TMemoryRecordset& r) {
             return KxIntf<IKxUnknown>(static_cast<IKxCascadedContents*>(r.m_cascaded.get()));
         }},
    };
    return KxFindPublishedIntf(*this, table, name, value) ||
           TKxHandleActivateComponent::FindPublishedProperty(name, value);
}

KxHResult TMemoryRecordset::GetItemByName(const QString& name, KxIntf<IKxUnknown>& item) {
    item.reset();
    for (const auto& field : m_fields) {
        if (field->GetName().compare(name, Qt::CaseInsensitive) == 0) {
            item = KxIntf<IKxUnknown>(static_cast<IKxGetName*>(field.get()));
            return hr::S_Ok;
        }
    }
    return hr::E_InvalidArg;
}

int TMemoryRecordset::GetCount() const {
    return static_cast<int>(m_view.size());
}

void TMemoryRecordset::MoveTo(std::int64_t position) {
    NotifySinks(IKxPositionChangeSink::IID, KxCallSinkBeforePositionChange);
    if (KxIsModifyingState(m_state))
        Apply();
    m_position = position;
    for (const auto& field : m_fields)
        field->AfterPositionChange();
    NotifySinks(IKxPositionChangeSink::IID, KxCallSinkAfterPositionChange);
}

void TMemoryRecordset::SetPosition(std::int64_t value) {
    if (value < 1 || value > GetCount())
        KxRaise(QStringLiteral("Position %1 out of range").arg(value),
                QStringLiteral("SetPosition"), this);
    m_bof = m_eof = false;
    MoveTo(value);
}

void TMemoryRecordset::MoveToNext() {
    if (m_position >= GetCount()) {
        m_eof = true;
        return;
    }
    m_bof = false;
    MoveTo(m_position + 1);
}

void TMemoryRecordset::MoveToPrevious() {
    if (m_position <= 1) {
        m_bof = true;
        return;
    }
    m_eof = false;
    MoveTo(m_position - 1);
}

void TMemoryRecordset::MoveToFirst() {
    if (GetCount() == 0)
        return;
    m_bof = true;
    m_eof = false;
    MoveTo(1);
}

void TMemoryRecordset::MoveToLast() {
    if (GetCount() == 0)
        return;
    m_eof = true;
    m_bof = false;
    MoveTo(GetCount());
}

TKxRecordsetState TMemoryRecordset::GetRecordsetState() {
    return GetActive() ? m_state : rsInactive;
}

bool TMemoryRecordset::CanExecuteOperation(int operation, IKxUnknown*) {
    if (std::find(refusedOperations.begin(), refusedOperations.end(), operation) !=
        refusedOperations.end())
        return false;
    const bool browsing = GetActive() && m_state == rsBrowse;
    switch (operation) {
    case roEdit:
    case roDelete:
        return browsing && GetCount() > 0;
    case roInsert:
        return browsing;
    case roApplyChanges:
    case roCancelChanges:
        return GetActive() && KxIsModifyingState(m_state);
    case roReExecuteStatement:
    case roRefreshCurrent:
        return GetActive();
    case roLeaveModifyingState:
    case roSetSimplestConfiguration:
        return true;
    default:
        return false;
    }
}

void TMemoryRecordset::Delete() {
    const std::shared_ptr<TMemoryTable::Row> row = m_view[static_cast<std::size_t>(m_position - 1)];
    if (m_table->refuseDelete && m_table->refuseDelete(*row))
        KxRaise(QStringLiteral("Row cannot be deleted"), QStringLiteral("Delete"), this);
    m_table->deleted.push_back(*row);
    std::erase(m_table->rows, row);
    std::erase(m_view, row);
    m_position = std::min<std::int64_t>(m_position, GetCount());
    m_eof = GetCount() == 0;
    for (const auto& field : m_fields)
        field->AfterPositionChange();
}

void TMemoryRecordset::Apply() {
    TMemoryTable::Row values;
    for (const auto& field : m_fields)
        values.push_back(field->GetValue());
    if (m_state == rsInsert) {
        m_table->AddRow(values);
        m_view.push_back(m_table->rows.back());
        m_position = GetCount();
    } else {
        *m_view[static_cast<std::size_t>(m_position - 1)] = values;
    }
    m_state = rsBrowse;
    for (const auto& field : m_fields)
        field->AfterOperation(roApplyChanges, nullptr);
}

bool TMemoryRecordset::ExecuteOperation(int operation, IKxUnknown* parameter) {
    if (!CanExecuteOperation(operation, parameter))
        return false;
    const TKxSinkParameters parameters{KxVariant(operation), KxIntf<IKxUnknown>(parameter)};
    NotifySinks(IKxOperationSink::IID, KxCallSinkBeforeOperation, parameters);
    executed.push_back(operation);
    switch (operation) {
    case roEdit:
        m_state = rsEdit;
        break;
    case roInsert:
        m_state = rsInsert;
        break;
    case roDelete:
        Delete();
        break;
    case roApplyChanges:
    case roLeaveModifyingState:
        if (KxIsModifyingState(m_state))
            Apply();
        break;
    case roCancelChanges:
        m_state = rsBrowse;
        break;
    case roReExecuteStatement:
        Rebuild();
        m_position = m_view.empty() ? 0 : 1;
        for (const auto& field : m_fields)
            field->AfterPositionChange();
        break;
    default:
        break;
    }
    if (operation != roApplyChanges && operation != roLeaveModifyingState) {
        for (const auto& field : m_fields)
            field->AfterOperation(operation, parameter);
    }
    NotifySinks(IKxOperationSink::IID, KxCallSinkAfterOperation, parameters);
    return true;
}

KxIntf<IKxUnknown> TMemoryRecordset::CreateStateHolder() {
    return KxIntf<IKxUnknown>(new PositionHolder(m_position));
}

void TMemoryRecordset::RestoreState(IKxUnknown* holder) {
    const auto* position = dynamic_cast<PositionHolder*>(holder);
    if (position == nullptr)
        KxRaise(QStringLiteral("Not a state holder of this recordset"),
                QStringLiteral("RestoreState"), this);
    if (position->position >= 1 && position->position <= GetCount() &&
        position->position != m_position)
        MoveTo(position->position);
}

void TMemoryRecordset::FillNameList(int listKind, IKxUnknown* target) {
    const KxIntf<IKxNameListTarget> names = KxQuery<IKxNameListTarget>(target);
    if (!names || listKind != 1)
        return;
    for (const QString& column : m_table->columns)
        names->AddName(static_cast<IKxGetItemByName*>(this), listKind, column);
}

KxIntf<TMemoryRecordset> TMemoryRecordset::NewCopy() const {
    KxIntf<TMemoryRecordset> copy(new TMemoryRecordset(m_table, nullptr, TKxLifetime::SelfOwned));
    copy->confirmDeletions = confirmDeletions;
    copy->scrollable = scrollable;
    copy->sqlWhere = sqlWhere;
    copy->m_restrictions = m_restrictions;
    copy->m_cascaded->Assign(m_cascaded.get());
    return copy;
}

KxHResult TMemoryRecordset::CreateCopyQI(KxIntf<IKxUnknown>& copy) {
    copy = KxIntf<IKxUnknown>(static_cast<IKxGetItemByName*>(NewCopy().get()));
    return hr::S_Ok;
}

KxHResult TMemoryRecordset::CreateRestrictedCopy(const QString& fieldName, const KxVariant& value,
                                                 KxIntf<IKxUnknown>& copy) {
    const KxIntf<TMemoryRecordset> restricted = NewCopy();
    // As in the statement's WHERE part, a condition on the same field is replaced.
    std::erase_if(restricted->m_restrictions, [&](const Restriction& r) {
        return r.column.compare(fieldName, Qt::CaseInsensitive) == 0;
    });
    restricted->m_restrictions.push_back({fieldName, value});
    copy = KxIntf<IKxUnknown>(static_cast<IKxGetItemByName*>(restricted.get()));
    return hr::S_Ok;
}

int TMemoryRecordset::AskBoolean(int id) {
    switch (id) {
    case qid::ConfirmDelete:
        return KxBooleanAnswer(confirmDeletions);
    case qid::ActiveAndScrollable:
        return KxBooleanAnswer(GetActive() && scrollable);
    default:
        return baUnknown;
    }
}

void TMemoryRecordset::AfterFieldValueChange(const QString& fieldName) {
    NotifySinks(IKxFieldValueChangeSink::IID, KxCallSinkAfterFieldValueChange,
                {KxVariant(fieldName)});
}

// ---- TMemorySelection

class TMemorySelection::Set : public TKxInterfacedObject,
                              public virtual IKxGetCount,
                              public virtual IKxGetIntegerByIndex,
                              public virtual IKxCanExecuteOperation,
                              public virtual IKxExecuteOperation {
public:
    explicit Set(std::vector<int> values) : values(std::move(values)) {}
    int GetCount() const override { return static_cast<int>(values.size()); }
    int GetIntegerByIndex(int index) const override {
        return values.at(static_cast<std::size_t>(index));
    }
    bool CanExecuteOperation(int operation, IKxUnknown*) override { return operation == opClear; }
    bool ExecuteOperation(int operation, IKxUnknown*) override {
        if (operation != opClear)
            return false;
        values.clear();
        return true;
    }
    std::vector<int> values;
};

TMemorySelection::TMemorySelection(std::vector<int> positions)
    : m_set(new Set(std::move(positions))) {}

TMemorySelection::~TMemorySelection() = default;

std::vector<int>& TMemorySelection::Positions() {
    return m_set->values;
}

bool TMemorySelection::FindPublishedProperty(const QString& name, KxIntf<IKxUnknown>& value) const {
    if (name.compare(QStringLiteral("SelectedPositions"), Qt::CaseInsensitive) != 0)
        return false;
    value = KxIntf<IKxUnknown>(static_cast<IKxGetCount*>(m_set.get()));
    return true;
}

} // namespace kx::test
