#pragma once

#include "dbcore/db_field.h"
#include "dbcore/record_interfaces.h"
#include "dbcore/statement_interfaces.h"
#include "foundation/activatable_component.h"
#include "foundation/questions.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace kx::test {

// A column of a synthetic recordset: its values are computed from the record position.
struct TSyntheticColumn {
    QString name;
    TKxFieldDataType dataType = fdtString;
    std::function<KxVariant(std::int64_t position)> value;
};

// A read-only, scrollable recordset of any number of records that stores none of them: every
// value is computed from the position when a field reads it. It stands in for a huge result
// where a control must prove it reads only what it shows.
//
// It behaves as the driver's recordset does towards controls: positions 1 … count, a move to
// the position it is on does nothing and an absolute position is clamped into the records,
// moves tell the position-change sinks before and after (honouring the notification switch),
// fields read their value lazily from the current record, the state store keeps the position,
// and re-execution goes back to the first record. It counts what it is asked, so a test can
// tell how many records a control visited.
class TSyntheticRecordset : public TKxHandleActivateComponent,
                            public virtual IKxGetItemByName,
                            public virtual IKxGetCount,
                            public virtual IKxGetSetPosition,
                            public virtual IKxScrollableCursor,
                            public virtual IKxGetRecordsetState,
                            public virtual IKxCanExecuteOperation,
                            public virtual IKxExecuteOperation,
                            public virtual IKxRecordsetStateStore,
                            public virtual IKxFillNameList,
                            public virtual IKxAskBoolean,
                            public virtual IKxAskInteger {
public:
    // A count above what IKxGetCount can answer raises.
    TSyntheticRecordset(std::int64_t recordCount, std::vector<TSyntheticColumn> columns,
                        QObject* owner = nullptr, TKxLifetime lifetime = TKxLifetime::OwnerOwned);
    ~TSyntheticRecordset() override;

    // "id" (fdtInt64, the position) and "name" (fdtString, "row " and the position).
    static std::vector<TSyntheticColumn> IdAndName();

    // The count the next opening or re-execution shows.
    void SetRecordCount(std::int64_t count);
    std::int64_t RecordCount() const { return m_recordCount; }

    // What the cursor-type question (8) answers: 0 forward-only, 2 scrollable.
    int cursorType = 2;
    // Called before every move with the target position; it may raise, as a driver whose
    // server went away does.
    std::function<void(std::int64_t position)> beforeMove;

    // What the recordset was asked since the counters were last reset.
    struct Counters {
        // Moves to another record, and those made while notifications were off.
        std::int64_t moves = 0;
        std::int64_t quietMoves = 0;
        // Values computed for fields (a field reads its value once per record).
        std::int64_t valueReads = 0;
        // Position-change notifications that reached the sinks (after a move).
        std::int64_t positionNotifications = 0;
        // State holders created and restored.
        std::int64_t savedStates = 0;
        std::int64_t restoredStates = 0;
        // The lowest and highest position moved to; 0 before any move.
        std::int64_t lowestPosition = 0;
        std::int64_t highestPosition = 0;
    };
    const Counters& Count() const { return m_counters; }
    void ResetCounters() { m_counters = {}; }

    // The value of column `column` at `position`, as the fields read it.
    KxVariant ValueAt(std::int64_t position, int column);

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
    int AskBoolean(int id) override;
    int AskInteger(int id) override;

protected:
    void AllocHandle() override;
    void FreeHandle() override;

private:
    void MoveTo(std::int64_t position);

    std::int64_t m_recordCount;
    std::vector<TSyntheticColumn> m_columns;
    std::vector<std::unique_ptr<TKxDBField>> m_fields;
    Counters m_counters;
    std::int64_t m_position = 0;
    bool m_bof = true;
    bool m_eof = true;
};

} // namespace kx::test
