#include "dbcore/db_field.h"
#include "dbcore/state_holders.h"
#include "foundation/activation_interfaces.h"
#include "foundation/exceptions.h"

#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <vector>

namespace {

using namespace kx;

class RecordsetDouble;

// Reads its column from the stand-in's current row, as the driver buffer reads its column,
// and counts the reads: a value put back by a holder must not be read again.
class RowBuffer : public TKxFieldValueBuffer {
public:
    RowBuffer(TKxFieldDataType dataType, TKxFieldBufferInfo info, RecordsetDouble* recordset)
        : TKxFieldValueBuffer(nullptr, dataType, std::move(info)), m_recordset(recordset) {}

protected:
    void InternalFetchData(bool) override;

private:
    RecordsetDouble* m_recordset;
};

class RowField : public TKxDBField {
public:
    RowField(RecordsetDouble* recordset, const QString& fieldName, TKxFieldDataType type);

protected:
    KxIntf<TKxFieldValueBuffer> CreateValueBuffer(QObject*, TKxFieldBufferInfo info) override {
        return KxMake<RowBuffer>(GetDataType(), std::move(info), m_owner);
    }

private:
    RecordsetDouble* m_owner;
};

// A recordset reduced to what the holders use: position, state, activation, the operations
// that change state (leaving a modifying state cancels it here), field lookup and the field
// name list. It tells its fields what happened the way the recordset does.
class RecordsetDouble : public TKxInterfacedObject,
                        public virtual IKxGetHandle,
                        public virtual IKxGetRecordsetState,
                        public virtual IKxFieldValueChangeSink,
                        public virtual IKxCanExecuteOperation,
                        public virtual IKxExecuteOperation,
                        public virtual IKxGetSetPosition,
                        public virtual IKxGetSetActive,
                        public virtual IKxGetItemByName,
                        public virtual IKxFillNameList,
                        public virtual IKxRecordsetStateStore {
public:
    RecordsetDouble()
        : TKxInterfacedObject(TKxLifetime::OwnerOwned),
          name(this, QStringLiteral("NAME"), fdtString),
          amount(this, QStringLiteral("AMOUNT"), fdtInt64) {
        for (int row = 1; row <= 10; ++row)
            rows.push_back({{QStringLiteral("NAME"), KxVariant(QStringLiteral("Row %1").arg(row))},
                            {QStringLiteral("AMOUNT"), KxVariant(std::int64_t{row * 10})}});
    }

    std::uintptr_t GetHandle() const override { return 1; }
    TKxRecordsetState GetRecordsetState() override { return state; }
    void AfterFieldValueChange(const QString&) override {}

    bool CanExecuteOperation(int operation, IKxUnknown*) override {
        switch (operation) {
        case roEdit:
        case roInsert:
            return state == rsBrowse && modifiable;
        case roCancelChanges:
        case roLeaveModifyingState:
            return KxIsModifyingState(state);
        default:
            return false;
        }
    }
    bool ExecuteOperation(int operation, IKxUnknown*) override {
        executed.push_back(operation);
        if (operation == roLeaveModifyingState)
            operation = roCancelChanges;
        state = RecordsetStateAfterOperation(operation);
        for (RowField* field : Fields())
            field->AfterOperation(operation, nullptr);
        return true;
    }

    std::int64_t GetPosition() const override { return position; }
    void SetPosition(std::int64_t value) override {
        if (value == position)
            return;
        position = value;
        for (RowField* field : Fields())
            field->AfterPositionChange();
    }

    bool GetActive() const override { return state != rsInactive; }
    void SetActive(bool value) override {
        if (value == GetActive())
            return;
        state = value ? rsBrowse : rsInactive;
        for (RowField* field : Fields())
            field->AfterActiveChange(value);
        if (value)
            SetPosition(1);
    }

    KxHResult GetItemByName(const QString& fieldName, KxIntf<IKxUnknown>& item) override {
        for (RowField* field : Fields()) {
            if (field->GetName() == fieldName) {
                item = KxIntf<IKxUnknown>(static_cast<IKxGetName*>(field));
                return hr::S_Ok;
            }
        }
        return hr::E_Fail;
    }
    void FillNameList(int listKind, IKxUnknown* target) override {
        const KxIntf<IKxNameListTarget> names = KxQuery<IKxNameListTarget>(target);
        names->AddName(this, 2, QStringLiteral("NAME")); // another kind of list: no field
        for (RowField* field : Fields())
            names->AddName(this, listKind, field->GetName());
        names->AddName(this, listKind, QStringLiteral("GHOST")); // a name without a field
    }

    KxIntf<IKxUnknown> CreateStateHolder() override {
        return KxCreateStateHolder<TKxRecordsetStateHolder>(this);
    }
    void RestoreState(IKxUnknown* holder) override {
        KxCheckQueryInterface<IKxAssignToIntf>(holder)->AssignToIntf(this);
    }

    std::vector<RowField*> Fields() { return {&name, &amount}; }
    const KxVariant& Cell(const QString& column) {
        return rows[static_cast<std::size_t>(position - 1)][column];
    }

    TKxRecordsetState state = rsBrowse;
    std::int64_t position = 1;
    bool modifiable = true;
    int reads = 0;
    std::vector<int> executed;
    std::vector<std::map<QString, KxVariant>> rows;
    RowField name;
    RowField amount;
};

void RowBuffer::InternalFetchData(bool) {
    ++m_recordset->reads;
    const KxVariant& value = m_recordset->Cell(ColumnName());
    if (value.IsNull())
        SetNullFlag(true);
    else
        InternalSetValue(value);
    SetFetched(true);
}

RowField::RowField(RecordsetDouble* recordset, const QString& fieldName, TKxFieldDataType type)
    : TKxDBField(recordset,
                 [&] {
                     TKxFieldCreateData data;
                     data.Name = fieldName;
                     data.ColumnNumber = fieldName == QStringLiteral("NAME") ? 1 : 2;
                     data.DataType = type;
                     return data;
                 }()),
      m_owner(recordset) {}

QString RaisedMessage(const std::function<void()>& action, const QString& routine) {
    try {
        action();
    } catch (const EKxException& e) {
        EXPECT_EQ(e.GetRoutineName(), routine);
        return e.GetMessage();
    }
    ADD_FAILURE() << "nothing was raised";
    return {};
}

QString TransitionText(int oldState, int newState) {
    return QStringLiteral("Invalid State transition, Ord(OldState): %1, Ord(NewState): %2")
        .arg(oldState)
        .arg(newState);
}

const QString kRestoreRoutine = QStringLiteral("TKxRecordsetStateHolder.AssignToIntf");

class StateHolderTest : public ::testing::Test {
protected:
    RecordsetDouble recordset;
    RowField& name = recordset.name;
    RowField& amount = recordset.amount;
};

TEST_F(StateHolderTest, ABrowsingRecordsetReturnsToItsRowWithoutLeavingAnything) {
    recordset.SetPosition(7);
    const KxIntf<IKxUnknown> holder = recordset.CreateStateHolder();
    auto* saved = dynamic_cast<TKxRecordsetStateHolder*>(holder.get());
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(saved->Position(), 7);
    EXPECT_EQ(saved->State(), rsBrowse);
    EXPECT_EQ(saved->FieldHolderCount(), 0); // browsing: nothing typed to keep

    recordset.SetPosition(3);
    recordset.RestoreState(holder.get());
    EXPECT_EQ(recordset.position, 7);
    EXPECT_EQ(recordset.state, rsBrowse);
    EXPECT_TRUE(recordset.executed.empty()); // leaving was not possible while browsing
    EXPECT_EQ(name.GetValue(), KxVariant(QStringLiteral("Row 7")));

    // An edit begun on the same row since is left, as the holder was taken while browsing.
    recordset.ExecuteOperation(roEdit, nullptr);
    recordset.RestoreState(holder.get());
    EXPECT_EQ(recordset.state, rsBrowse);
    EXPECT_EQ(recordset.executed, (std::vector<int>{roEdit, roLeaveModifyingState}));
}

TEST_F(StateHolderTest, RestoringAnInactiveStateDeactivates) {
    recordset.SetActive(false);
    const KxIntf<IKxUnknown> holder = recordset.CreateStateHolder();
    recordset.SetActive(true);
    recordset.RestoreState(holder.get());
    EXPECT_EQ(recordset.state, rsInactive);
    EXPECT_FALSE(recordset.GetActive());
}

TEST_F(StateHolderTest, AnInsertComesBackWithItsTypedValuesAfterItWasCancelled) {
    recordset.SetPosition(4);
    recordset.ExecuteOperation(roInsert, nullptr);
    name.SetValue(KxVariant(QStringLiteral("Typed")));
    amount.SetAsString(QStringLiteral("42"));
    const KxIntf<IKxUnknown> holder = recordset.CreateStateHolder();
    auto* saved = dynamic_cast<TKxRecordsetStateHolder*>(holder.get());
    ASSERT_EQ(saved->FieldHolderCount(), 2); // other list kinds and unknown names add nothing
    EXPECT_EQ(saved->FieldHolder(0)->GetName(), QStringLiteral("NAME"));
    EXPECT_EQ(saved->FieldHolder(1)->DataType(), fdtInt64);

    recordset.ExecuteOperation(roCancelChanges, nullptr);
    EXPECT_EQ(name.GetValue(), KxVariant(QStringLiteral("Row 4")));
    recordset.executed.clear();

    recordset.RestoreState(holder.get());
    EXPECT_EQ(recordset.executed, std::vector<int>{roInsert});
    EXPECT_EQ(recordset.state, rsInsert);
    EXPECT_EQ(name.GetValue(), KxVariant(QStringLiteral("Typed")));
    EXPECT_EQ(amount.GetValue(), KxVariant(std::int64_t{42}));
    EXPECT_TRUE(name.GetModified());
    EXPECT_TRUE(amount.GetModified());
}

TEST_F(StateHolderTest, AnEditCannotBeRestoredOntoAnInactiveRecordset) {
    recordset.ExecuteOperation(roEdit, nullptr);
    name.SetValue(KxVariant(QStringLiteral("Typed")));
    const KxIntf<IKxUnknown> holder = recordset.CreateStateHolder();
    recordset.SetActive(false);
    EXPECT_EQ(RaisedMessage([&] { recordset.RestoreState(holder.get()); }, kRestoreRoutine),
              TransitionText(rsInactive, rsEdit));
    EXPECT_EQ(name.ExistingValueBuffer(vbiCurrent), nullptr); // no value was put anywhere
}

// A recordset that declines the insert stays browsing; the typed values must not land in
// the browsed record as if the insert had been restored.
TEST_F(StateHolderTest, ADeclinedInsertIsATransitionErrorAndKeepsTheRecord) {
    recordset.ExecuteOperation(roInsert, nullptr);
    name.SetValue(KxVariant(QStringLiteral("Typed")));
    const KxIntf<IKxUnknown> holder = recordset.CreateStateHolder();
    recordset.ExecuteOperation(roCancelChanges, nullptr);
    recordset.modifiable = false;

    EXPECT_EQ(RaisedMessage([&] { recordset.RestoreState(holder.get()); }, kRestoreRoutine),
              TransitionText(rsBrowse, rsInsert));
    EXPECT_EQ(recordset.state, rsBrowse);
    EXPECT_EQ(name.GetValue(), KxVariant(QStringLiteral("Row 1")));
    EXPECT_FALSE(name.GetModified());
}

TEST_F(StateHolderTest, AnObjectWithoutPositionAndStateGivesAHolderThatRestoresNothing) {
    class Bare : public TKxInterfacedObject, public virtual IKxFillNameList {
    public:
        void FillNameList(int, IKxUnknown*) override { ++calls; }
        int calls = 0;
    };
    const KxIntf<Bare> bare = KxMake<Bare>();
    const KxIntf<TKxRecordsetStateHolder> holder =
        KxCreateStateHolder<TKxRecordsetStateHolder>(bare.get());
    EXPECT_EQ(holder->Position(), TKxRecordsetStateHolder::kUnknown);
    EXPECT_EQ(holder->State(), TKxRecordsetStateHolder::kUnknown);
    EXPECT_EQ(bare->calls, 0);

    recordset.SetPosition(5);
    recordset.ExecuteOperation(roEdit, nullptr);
    recordset.executed.clear();
    holder->AssignToObj(static_cast<IKxGetRecordsetState*>(&recordset));
    holder->AssignToIntf(bare.get());
    EXPECT_EQ(recordset.position, 5);
    EXPECT_EQ(recordset.state, rsEdit);
    EXPECT_TRUE(recordset.executed.empty());
    EXPECT_THROW(holder->AssignToObj(nullptr), EKxException);
}

// Values put back are the values taken, with the data they had: a value that had been read
// is not read again (the row may have changed meanwhile), and the value saved when the edit
// began comes back too, so cancelling afterwards still returns to it.
TEST_F(StateHolderTest, RestoredValuesKeepTheirFetchedStateAndAreNotReadAgain) {
    recordset.SetPosition(2);
    recordset.ExecuteOperation(roEdit, nullptr);
    name.SetValue(KxVariant(QStringLiteral("Typed")));
    const KxIntf<IKxUnknown> holder = recordset.CreateStateHolder();
    auto* saved = dynamic_cast<TKxRecordsetStateHolder*>(holder.get());
    EXPECT_TRUE(saved->FieldHolder(1)->ExistingValueBuffer(vbiCurrent)->IsFetched());

    recordset.ExecuteOperation(roLeaveModifyingState, nullptr); // as a painting grid does
    recordset.SetPosition(6);
    recordset.rows[1][QStringLiteral("NAME")] = KxVariant(QStringLiteral("Changed"));
    recordset.rows[1][QStringLiteral("AMOUNT")] = KxVariant(std::int64_t{99});
    recordset.RestoreState(holder.get());
    ASSERT_EQ(recordset.state, rsEdit);
    ASSERT_EQ(recordset.position, 2);

    const int readsAfterRestore = recordset.reads;
    EXPECT_EQ(amount.GetValue(), KxVariant(std::int64_t{20}));
    EXPECT_EQ(name.GetValue(), KxVariant(QStringLiteral("Typed")));
    EXPECT_EQ(recordset.reads, readsAfterRestore);
    EXPECT_FALSE(amount.GetModified());

    recordset.ExecuteOperation(roCancelChanges, nullptr);
    EXPECT_EQ(name.GetValue(), KxVariant(QStringLiteral("Row 2")));
}

TEST_F(StateHolderTest, AFieldHolderCarriesTheFetchedStateBothWays) {
    EXPECT_EQ(name.GetValue(), KxVariant(QStringLiteral("Row 1")));
    const KxIntf<TKxFieldStateHolder> holder =
        KxCreateStateHolder<TKxFieldStateHolder>(static_cast<IKxGetName*>(&name));
    EXPECT_EQ(holder->GetName(), QStringLiteral("NAME"));
    EXPECT_TRUE(holder->ExistingValueBuffer(vbiCurrent)->IsFetched());
    EXPECT_EQ(holder->ExistingValueBuffer(vbiSaved), nullptr); // the field has no saved value

    // A read value goes back as read: no second read, even though the row changed.
    recordset.rows[0][QStringLiteral("NAME")] = KxVariant(QStringLiteral("Changed"));
    name.AfterPositionChange();
    holder->AssignToIntf(static_cast<IKxGetName*>(&name));
    int reads = recordset.reads;
    EXPECT_EQ(name.GetValue(), KxVariant(QStringLiteral("Row 1")));
    EXPECT_EQ(recordset.reads, reads);

    // A value not yet read goes back as not read: the field reads its row again.
    name.AfterPositionChange();
    holder->AssignFromObj(static_cast<IKxGetName*>(&name));
    EXPECT_FALSE(holder->ExistingValueBuffer(vbiCurrent)->IsFetched());
    EXPECT_EQ(name.GetValue(), KxVariant(QStringLiteral("Changed")));
    holder->AssignToIntf(static_cast<IKxGetName*>(&name));
    reads = recordset.reads;
    EXPECT_EQ(name.GetValue(), KxVariant(QStringLiteral("Changed")));
    EXPECT_EQ(recordset.reads, reads + 1);

    // Reused for a field of another kind, the holder keeps that kind's value intact.
    amount.GetValue();
    holder->AssignFromIntf(static_cast<IKxGetName*>(&amount));
    EXPECT_EQ(holder->DataType(), fdtInt64);
    EXPECT_EQ(holder->ValueBuffer(vbiCurrent).GetValue(), KxVariant(std::int64_t{10}));
}

TEST_F(StateHolderTest, AFieldHolderChecksWhatItIsGiven) {
    const KxIntf<TKxFieldStateHolder> holder = KxMake<TKxFieldStateHolder>();
    KxIntf<IKxUnknown> buffer;
    EXPECT_EQ(RaisedMessage(
                  [&] { holder->GetValueBufferIntf(2, KxInterfaceId::Of<IKxGetValue>(), buffer); },
                  QStringLiteral("GetValueBufferIntf")),
              QStringLiteral("Unsupported value (2) for \"TKxValueBufferInstance\""));
    // Unlike a field, a holder makes the buffer asked for.
    EXPECT_EQ(holder->GetValueBufferIntf(1, KxInterfaceId::Of<IKxGetValue>(), buffer), hr::S_Ok);
    EXPECT_NE(holder->ExistingValueBuffer(vbiSaved), nullptr);
    EXPECT_EQ(holder->GetValueBufferIntf(0, KxInterfaceId::Of<IKxGetRecordsetState>(), buffer),
              hr::E_NoInterface);

    // A source that is no field (no IKxFieldProperties) is refused.
    EXPECT_THROW(holder->AssignFromIntf(static_cast<IKxGetRecordsetState*>(&recordset)),
                 EKxException);
    EXPECT_THROW(holder->AssignFromObj(nullptr), EKxException);
}

// The driver's holders derive from these and bring their own field holder and buffer class.
TEST_F(StateHolderTest, DerivedHoldersChooseTheirFieldHolderAndBufferClass) {
    class OwnBuffer : public TKxFieldStateBuffer {
    public:
        using TKxFieldStateBuffer::TKxFieldStateBuffer;
    };
    class OwnFieldHolder : public TKxFieldStateHolder {
    public:
        using TKxFieldStateHolder::TKxFieldStateHolder;

    protected:
        KxIntf<TKxValueBuffer> CreateValueBuffer(TKxFieldDataType dataType) override {
            return KxMake<OwnBuffer>(nullptr, dataType);
        }
    };
    class OwnHolder : public TKxRecordsetStateHolder {
    protected:
        std::unique_ptr<TKxFieldStateHolder> CreateFieldStateHolder() override {
            return std::make_unique<OwnFieldHolder>(TKxLifetime::OwnerOwned);
        }
    };

    recordset.ExecuteOperation(roEdit, nullptr);
    const KxIntf<OwnHolder> holder =
        KxCreateStateHolder<OwnHolder>(static_cast<IKxGetRecordsetState*>(&recordset));
    ASSERT_EQ(holder->FieldHolderCount(), 2);
    TKxFieldStateHolder* field = holder->FieldHolder(0);
    EXPECT_NE(dynamic_cast<OwnFieldHolder*>(field), nullptr);
    EXPECT_NE(dynamic_cast<OwnBuffer*>(field->ExistingValueBuffer(vbiSaved)), nullptr);
    EXPECT_EQ(field->ExistingValueBuffer(vbiSaved)->GetValue(), KxVariant(QStringLiteral("Row 1")));
}

} // namespace
