#include "synthetic_recordset.h"

#include "computed_field.h"
#include "dbcore/value_buffer.h"
#include "foundation/exceptions.h"
#include "foundation/interface_connection.h"
#include "foundation/operations.h"

#include <algorithm>
#include <climits>

namespace kx::test {
namespace {

class PositionHolder : public TKxInterfacedObject {
public:
    explicit PositionHolder(std::int64_t position) : position(position) {}
    std::int64_t position;
};

void CheckCount(std::int64_t count, const TSyntheticRecordset* recordset) {
    if (count < 0 || count > INT_MAX)
        KxRaise(QStringLiteral("Record count %1 out of range 0 to %2").arg(count).arg(INT_MAX),
                QStringLiteral("SetRecordCount"), recordset);
}

} // namespace

TSyntheticRecordset::TSyntheticRecordset(std::int64_t recordCount,
                                         std::vector<TSyntheticColumn> columns, QObject* owner,
                                         TKxLifetime lifetime)
    : TKxHandleActivateComponent(owner, lifetime), m_recordCount(recordCount),
      m_columns(std::move(columns)) {
    CheckCount(recordCount, this);
    AddConnectionPoint(KxInterfaceId::Of<IKxPositionChangeSink>());
    AddConnectionPoint(KxInterfaceId::Of<IKxOperationSink>());
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        TKxFieldCreateData data;
        data.Name = m_columns[i].name;
        data.ColumnNumber = static_cast<int>(i) + 1;
        data.DataType = m_columns[i].dataType;
        data.Updatable = false;
        data.Size = m_columns[i].dataType == fdtString ? 40 : 8;
        m_fields.push_back(std::make_unique<TComputedField>(
            static_cast<IKxGetItemByName*>(this), std::move(data),
            [this](const TKxFieldValueBuffer& buffer) {
                return ValueAt(m_position, buffer.ColumnNumber() - 1);
            }));
    }
}

TSyntheticRecordset::~TSyntheticRecordset() {
    CloseBeforeDestroy();
}

std::vector<TSyntheticColumn> TSyntheticRecordset::IdAndName() {
    return {
        {QStringLiteral("id"), fdtInt64, [](std::int64_t position) { return KxVariant(position); }},
        {QStringLiteral("name"), fdtString,
         [](std::int64_t position) { return KxVariant(QStringLiteral("row %1").arg(position)); }},
    };
}

void TSyntheticRecordset::SetRecordCount(std::int64_t count) {
    CheckCount(count, this);
    m_recordCount = count;
}

KxVariant TSyntheticRecordset::ValueAt(std::int64_t position, int column) {
    if (column < 0 || column >= static_cast<int>(m_columns.size()) || position < 1 ||
        position > m_recordCount || !GetActive())
        return KxVariant::Null();
    ++m_counters.valueReads;
    return m_columns[static_cast<std::size_t>(column)].value(position);
}

void TSyntheticRecordset::AllocHandle() {
    SetHandle(0x53594E);
    m_position = m_recordCount > 0 ? 1 : 0;
    m_bof = true;
    m_eof = m_recordCount == 0;
    for (const auto& field : m_fields)
        field->AfterActiveChange(true);
}

void TSyntheticRecordset::FreeHandle() {
    for (const auto& field : m_fields)
        field->AfterActiveChange(false);
    m_position = 0;
    m_bof = m_eof = true;
    TKxHandleActivateComponent::FreeHandle();
}

KxHResult TSyntheticRecordset::GetItemByName(const QString& name, KxIntf<IKxUnknown>& item) {
    item.reset();
    for (const auto& field : m_fields) {
        if (field->GetName().compare(name, Qt::CaseInsensitive) == 0) {
            item = KxIntf<IKxUnknown>(static_cast<IKxGetName*>(field.get()));
            return hr::S_Ok;
        }
    }
    return hr::E_InvalidArg;
}

int TSyntheticRecordset::GetCount() const {
    return GetActive() ? static_cast<int>(m_recordCount) : -1;
}

void TSyntheticRecordset::MoveTo(std::int64_t position) {
    if (beforeMove)
        beforeMove(position);
    NotifySinks(IKxPositionChangeSink::IID, KxCallSinkBeforePositionChange);
    for (const auto& field : m_fields)
        field->BeforePositionChange();
    m_position = position;
    ++m_counters.moves;
    if (GetNotifyDisableCount() > 0)
        ++m_counters.quietMoves;
    else
        ++m_counters.positionNotifications;
    m_counters.lowestPosition =
        m_counters.lowestPosition == 0 ? position : std::min(m_counters.lowestPosition, position);
    m_counters.highestPosition = std::max(m_counters.highestPosition, position);
    for (const auto& field : m_fields)
        field->AfterPositionChange();
    NotifySinks(IKxPositionChangeSink::IID, KxCallSinkAfterPositionChange);
}

void TSyntheticRecordset::SetPosition(std::int64_t value) {
    CheckIsActive(QStringLiteral("SetPosition"));
    if (m_recordCount == 0)
        return;
    // As the driver's recordset: a position beyond the records is the nearest record.
    value = std::clamp<std::int64_t>(value, 1, m_recordCount);
    if (value == m_position)
        return;
    m_bof = m_eof = false;
    MoveTo(value);
}

void TSyntheticRecordset::MoveToNext() {
    CheckIsActive(QStringLiteral("MoveToNext"));
    if (m_position >= m_recordCount) {
        m_eof = true;
        return;
    }
    m_bof = false;
    MoveTo(m_position + 1);
}

void TSyntheticRecordset::MoveToPrevious() {
    CheckIsActive(QStringLiteral("MoveToPrevious"));
    if (m_position <= 1) {
        m_bof = true;
        return;
    }
    m_eof = false;
    MoveTo(m_position - 1);
}

void TSyntheticRecordset::MoveToFirst() {
    CheckIsActive(QStringLiteral("MoveToFirst"));
    if (m_recordCount == 0 || m_position == 1)
        return;
    m_bof = true;
    m_eof = false;
    MoveTo(1);
}

void TSyntheticRecordset::MoveToLast() {
    CheckIsActive(QStringLiteral("MoveToLast"));
    if (m_recordCount == 0 || m_position == m_recordCount)
        return;
    m_eof = true;
    m_bof = false;
    MoveTo(m_recordCount);
}

TKxRecordsetState TSyntheticRecordset::GetRecordsetState() {
    return GetActive() ? rsBrowse : rsInactive;
}

bool TSyntheticRecordset::CanExecuteOperation(int operation, IKxUnknown*) {
    // Nothing can be changed; the records can be read again.
    switch (operation) {
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

bool TSyntheticRecordset::ExecuteOperation(int operation, IKxUnknown* parameter) {
    if (!CanExecuteOperation(operation, parameter))
        return false;
    const TKxSinkParameters parameters{KxVariant(operation), KxIntf<IKxUnknown>(parameter)};
    NotifySinks(IKxOperationSink::IID, KxCallSinkBeforeOperation, parameters);
    if (operation == roReExecuteStatement) {
        m_position = m_recordCount > 0 ? 1 : 0;
        m_bof = true;
        m_eof = m_recordCount == 0;
        for (const auto& field : m_fields)
            field->AfterPositionChange();
    }
    for (const auto& field : m_fields)
        field->AfterOperation(operation, parameter);
    NotifySinks(IKxOperationSink::IID, KxCallSinkAfterOperation, parameters);
    return true;
}

KxIntf<IKxUnknown> TSyntheticRecordset::CreateStateHolder() {
    ++m_counters.savedStates;
    return KxIntf<IKxUnknown>(new PositionHolder(m_position));
}

void TSyntheticRecordset::RestoreState(IKxUnknown* holder) {
    const auto* position = dynamic_cast<PositionHolder*>(holder);
    if (position == nullptr)
        KxRaise(QStringLiteral("Not a state holder of this recordset"),
                QStringLiteral("RestoreState"), this);
    ++m_counters.restoredStates;
    if (position->position >= 1 && position->position <= m_recordCount &&
        position->position != m_position)
        MoveTo(position->position);
}

void TSyntheticRecordset::FillNameList(int listKind, IKxUnknown* target) {
    const KxIntf<IKxNameListTarget> names = KxQuery<IKxNameListTarget>(target);
    if (!names || listKind != kxNameListFields)
        return;
    for (const TSyntheticColumn& column : m_columns)
        names->AddName(static_cast<IKxGetItemByName*>(this), listKind, column.name);
}

int TSyntheticRecordset::AskBoolean(int id) {
    if (id == qid::ActiveAndScrollable)
        return KxBooleanAnswer(GetActive() && cursorType != 0);
    return baUnknown;
}

int TSyntheticRecordset::AskInteger(int id) {
    if (id == vid::CursorType)
        return cursorType;
    return kxUnsupportedValue;
}

} // namespace kx::test
