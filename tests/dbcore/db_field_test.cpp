#include "dbcore/db_field.h"
#include "dbcore/display_value_buffer.h"
#include "dbcore/recordset_attributes.h"
#include "foundation/activation_interfaces.h"
#include "foundation/exceptions.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <map>

namespace {

using namespace kx;

// Stands in for the recordset, which the fields only know through these interfaces: it
// holds one row of values, changes state when asked to edit or insert, and tells its fields
// what happened the way the recordset does (calling their sinks directly).
class RecordsetStandIn : public TKxInterfacedObject,
                         public virtual IKxGetHandle,
                         public virtual IKxGetRecordsetState,
                         public virtual IKxGetSetAttributes,
                         public virtual IKxFieldValueChangeSink,
                         public virtual IKxCanExecuteOperation,
                         public virtual IKxExecuteOperation,
                         public virtual IKxGetCount,
                         public virtual IKxGetSetPosition {
public:
    RecordsetStandIn() : TKxInterfacedObject(TKxLifetime::OwnerOwned) {}

    std::uintptr_t GetHandle() const override { return 0x5157; }
    TKxRecordsetState GetRecordsetState() override { return state; }
    TKxRecordsetAttributes GetAttributes() const override { return attributes; }
    void SetAttributes(TKxRecordsetAttributes value) override { attributes = value; }
    void AfterFieldValueChange(const QString& fieldName) override { changed << fieldName; }
    int GetCount() const override { return count; }
    bool CanExecuteOperation(int operation, IKxUnknown*) override {
        return (operation == roEdit || operation == roInsert) ? state == rsBrowse : true;
    }
    bool ExecuteOperation(int operation, IKxUnknown*) override {
        executed.push_back(operation);
        switch (operation) {
        case roEdit:
            state = rsEdit;
            break;
        case roInsert:
            state = rsInsert;
            break;
        case roCancelChanges:
        case roApplyChanges:
            state = rsBrowse;
            break;
        default:
            break;
        }
        for (TKxDBField* field : fields)
            field->AfterOperation(operation, nullptr);
        return true;
    }
    void Move() {
        for (TKxDBField* field : fields)
            field->AfterPositionChange();
    }
    std::int64_t GetPosition() const override;
    void SetPosition(std::int64_t value) override;
    int moves = 0;

    TKxRecordsetState state = rsBrowse;
    TKxRecordsetAttributes attributes = 0;
    int count = 3;
    QStringList changed;
    std::vector<int> executed;
    std::vector<TKxDBField*> fields;
};

// The rows' values: the buffer a field creates reads the current row's value as a driver
// buffer reads its column.
std::vector<std::map<QString, KxVariant>> g_rows;
std::int64_t g_position = 1;

std::int64_t RecordsetStandIn::GetPosition() const {
    return g_position;
}

void RecordsetStandIn::SetPosition(std::int64_t value) {
    if (value == g_position)
        return;
    g_position = value;
    ++moves;
    Move();
}

class RowBuffer : public TKxFieldValueBuffer {
public:
    using TKxFieldValueBuffer::TKxFieldValueBuffer;

protected:
    void InternalFetchData(bool) override {
        const KxVariant value = g_rows[static_cast<std::size_t>(g_position - 1)][ColumnName()];
        if (value.IsNull()) {
            SetNullFlag(true);
        } else {
            InternalSetValue(value);
        }
        SetFetched(true);
    }
};

class RowField : public TKxDBField, public virtual IKxAccessValueBuffer {
public:
    using TKxDBField::TKxDBField;

    KxHResult AccessValueBuffer(int access, const KxInterfaceId& iid, KxIntf<IKxUnknown>& object,
                                int instance) override {
        EXPECT_EQ(access, vbaRead);
        TKxValueBuffer& buffer = ValueBuffer(static_cast<TKxValueBufferInstance>(instance));
        if (!iid.IsSupportedBy(&buffer))
            return hr::E_NoInterface;
        buffer.EnsureFetched(false);
        object = KxIntf<IKxUnknown>(static_cast<IKxUnknown*>(&buffer));
        return hr::S_Ok;
    }

protected:
    KxIntf<TKxFieldValueBuffer> CreateValueBuffer(QObject* owner,
                                                  TKxFieldBufferInfo info) override {
        EXPECT_EQ(info.statementHandle, 0x5157u);
        return KxMake<RowBuffer>(owner, GetDataType(), std::move(info));
    }
};

class DbFieldTest : public ::testing::Test {
protected:
    DbFieldTest()
        : name(&recordset, Create(QStringLiteral("NAME"), 1, fdtString, 40)),
          amount(&recordset, Create(QStringLiteral("AMOUNT"), 2, fdtInt64, 8)) {
        recordset.fields = {&name, &amount};
        g_rows = {{{QStringLiteral("NAME"), KxVariant(QStringLiteral("Ada"))},
                   {QStringLiteral("AMOUNT"), KxVariant(std::int64_t{5000000000})}}};
        g_position = 1;
    }

    static TKxFieldCreateData Create(const QString& fieldName, int column, TKxFieldDataType type,
                                     std::int64_t size) {
        TKxFieldCreateData data;
        data.Name = fieldName;
        data.ColumnNumber = column;
        data.DataType = type;
        data.Size = size;
        return data;
    }

    RecordsetStandIn recordset;
    RowField name;
    RowField amount;
};

TEST_F(DbFieldTest, ValuesAreReadLazilyAndFollowTheRecord) {
    EXPECT_EQ(name.ExistingValueBuffer(vbiCurrent), nullptr);
    EXPECT_EQ(name.GetValue(), KxVariant(QStringLiteral("Ada")));
    EXPECT_EQ(amount.GetDisplayText(), QStringLiteral("5000000000"));
    EXPECT_EQ(name.AskBoolean(qid::DataFetched), baTrue);

    g_rows[0][QStringLiteral("NAME")] = KxVariant::Null();
    recordset.Move();
    EXPECT_EQ(name.AskBoolean(qid::DataFetched), baFalse);
    EXPECT_TRUE(name.GetValue().IsNull());
    EXPECT_EQ(name.AskBoolean(qid::IsNull), baTrue);
}

TEST_F(DbFieldTest, CancellingAnEditRestoresTheValueOfWhenEditingBegan) {
    recordset.ExecuteOperation(roEdit, nullptr);
    name.SetAsString(QStringLiteral("Grace"));
    amount.SetValue(KxVariant(std::int64_t{7}));
    EXPECT_EQ(name.GetValue(), KxVariant(QStringLiteral("Grace")));
    EXPECT_TRUE(name.GetModified());
    EXPECT_EQ(recordset.changed, (QStringList{QStringLiteral("NAME"), QStringLiteral("AMOUNT")}));

    recordset.ExecuteOperation(roCancelChanges, nullptr);
    EXPECT_EQ(name.GetValue(), KxVariant(QStringLiteral("Ada")));
    EXPECT_EQ(amount.GetValue(), KxVariant(std::int64_t{5000000000}));
    EXPECT_FALSE(name.GetModified());
    EXPECT_TRUE(name.ExistingValueBuffer(vbiSaved)->IsNull()); // the saved copy is let go
}

TEST_F(DbFieldTest, InsertStartsFromNullAndApplyKeepsTheNewValues) {
    recordset.ExecuteOperation(roInsert, nullptr);
    EXPECT_TRUE(name.GetValue().IsNull());
    EXPECT_FALSE(name.GetModified());
    name.SetAsString(QStringLiteral("Linus"));
    name.SetAsString(QString()); // an empty text is NULL, also for text columns
    EXPECT_TRUE(name.GetValue().IsNull());
    name.SetAsString(QStringLiteral("Linus"));

    recordset.ExecuteOperation(roApplyChanges, nullptr);
    EXPECT_EQ(name.GetValue(), KxVariant(QStringLiteral("Linus")));
    EXPECT_FALSE(name.GetModified());
    EXPECT_FALSE(name.ExistingValueBuffer(vbiSaved)->IsFetched());
}

TEST_F(DbFieldTest, WritingOutsideAModifyingStateNeedsAutoEdit) {
    try {
        name.SetValue(KxVariant(QStringLiteral("x")));
        FAIL() << "a browsing record was written";
    } catch (const EKxException& e) {
        EXPECT_EQ(e.GetMessage(), QStringLiteral("Not in Udatable State"));
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("SetValue"));
    }
    EXPECT_TRUE(recordset.changed.isEmpty());

    recordset.attributes = raAutoEdit;
    name.SetValue(KxVariant(QStringLiteral("x")));
    EXPECT_EQ(recordset.executed, (std::vector<int>{roEdit}));
    EXPECT_EQ(name.ExistingValueBuffer(vbiSaved)->GetValue(), KxVariant(QStringLiteral("Ada")));

    // An empty recordset gets a new record instead of an edited one.
    recordset.ExecuteOperation(roCancelChanges, nullptr);
    recordset.count = 0;
    recordset.executed.clear();
    amount.SetValue(KxVariant(std::int32_t{1}));
    EXPECT_EQ(recordset.executed, (std::vector<int>{roInsert}));
}

TEST_F(DbFieldTest, BufferInstancesAreReachedByNumberWithoutBeingCreated) {
    KxIntf<IKxUnknown> buffer;
    EXPECT_EQ(name.GetValueBufferIntf(vbiSaved, KxInterfaceId::Of<ILockBytes>(), buffer),
              hr::E_Fail);
    (void)name.GetValue();
    EXPECT_EQ(name.GetValueBufferIntf(vbiCurrent, KxInterfaceId::Of<ILockBytes>(), buffer),
              hr::S_Ok);
    EXPECT_TRUE(KxSupports<IKxGetDisplayText>(buffer.get()));
    EXPECT_THROW(name.GetValueBufferIntf(2, KxInterfaceId::Of<ILockBytes>(), buffer), EKxException);

    name.AfterActiveChange(false);
    EXPECT_EQ(name.ExistingValueBuffer(vbiCurrent), nullptr);
}

TEST_F(DbFieldTest, QuestionsAnswerTheColumnsProperties) {
    EXPECT_EQ(name.AskInteger(vid::ColumnSize), 40);
    EXPECT_EQ(name.AskInteger(vid::DisplayLength), 40);
    EXPECT_EQ(name.AskInteger(vid::DefaultColumnWidth), 180);
    EXPECT_EQ(amount.AskInteger(vid::DisplayLength), 20);
    EXPECT_EQ(amount.AskInteger(99), kxUnsupportedValue);
    EXPECT_EQ(amount.AskBoolean(qid::Signed), baTrue);
    EXPECT_EQ(amount.AskBoolean(qid::AutoIncrement), baFalse);
    EXPECT_EQ(amount.GetPosition(), 2);
    EXPECT_EQ(amount.GetName(), QStringLiteral("AMOUNT"));
}

// Stands in for a grid column over the recordset's field NAME, AMOUNT or DATA.
class ColumnStandIn : public TKxInterfacedObject,
                      public virtual IKxGetName,
                      public virtual IKxGetItemByName,
                      public virtual IKxDisplayValueColumn {
public:
    ColumnStandIn(RecordsetStandIn& recordset, QString field)
        : TKxInterfacedObject(TKxLifetime::OwnerOwned), m_recordset(recordset),
          m_field(std::move(field)) {}
    QString GetName() const override { return m_field; }
    KxHResult GetItemByName(const QString& name, KxIntf<IKxUnknown>& item) override {
        for (TKxDBField* field : m_recordset.fields) {
            if (field->GetName() == name) {
                item = KxIntf<IKxUnknown>(static_cast<IKxUnknown*>(field));
                return hr::S_Ok;
            }
        }
        return hr::E_InvalidArg;
    }
    KxIntf<IKxGetSetPosition> GetRecordsetPosition() override {
        return KxIntf<IKxGetSetPosition>(&m_recordset);
    }
    std::int64_t GetFirstVisiblePosition() override { return firstVisible; }

    std::int64_t firstVisible = 1;

private:
    RecordsetStandIn& m_recordset;
    QString m_field;
};

class DisplayValueBufferTest : public DbFieldTest {
protected:
    DisplayValueBufferTest() : data(&recordset, Create(QStringLiteral("DATA"), 3, fdtBinary, 0)) {
        recordset.fields.push_back(&data);
        g_rows.clear();
        for (int row = 1; row <= 5; ++row) {
            g_rows.push_back(
                {{QStringLiteral("NAME"), KxVariant(QStringLiteral("row %1").arg(row))},
                 {QStringLiteral("AMOUNT"), KxVariant(std::int64_t{row * 10})},
                 {QStringLiteral("DATA"), KxVariant(QByteArray(row, 'x'))}});
        }
    }
    RowField data;
};

TEST_F(DisplayValueBufferTest, ACellReadsItsRowBelowTheFirstVisibleOne) {
    ColumnStandIn column(recordset, QStringLiteral("NAME"));
    column.firstVisible = 2;
    const auto cell =
        KxMake<TKxDisplayValueBuffer>(&column, 2, dcfCacheDisplayText | dcfCacheValue);
    EXPECT_EQ(cell->DataType(), fdtString);
    EXPECT_EQ(cell->AskBoolean(qid::NeedsData), baTrue);
    EXPECT_TRUE(cell->ExecuteOperation(opFetchData, nullptr));
    EXPECT_EQ(g_position, 4);
    EXPECT_EQ(cell->GetDisplayText(), QStringLiteral("row 4"));
    EXPECT_EQ(cell->GetValue(), KxVariant(QStringLiteral("row 4")));
    EXPECT_EQ(cell->AskBoolean(qid::NeedsData), baFalse);
    EXPECT_FALSE(cell->GetModified());

    // Cached: moving the recordset elsewhere changes nothing until the cell is invalidated.
    recordset.SetPosition(1);
    const int moves = recordset.moves;
    EXPECT_EQ(cell->GetDisplayText(), QStringLiteral("row 4"));
    EXPECT_EQ(recordset.moves, moves);
    cell->SetPosition(0);
    cell->ExecuteOperation(opInvalidate, nullptr);
    EXPECT_EQ(cell->GetDisplayText(), QStringLiteral("row 2"));
}

TEST_F(DisplayValueBufferTest, BinaryCellsCopyTheBytesAndCellsMoveTheirCache) {
    ColumnStandIn column(recordset, QStringLiteral("DATA"));
    const auto cell = KxMake<TKxDisplayValueBuffer>(&column, 2, dcfCacheValue);
    EXPECT_EQ(cell->GetValue(), KxVariant(QByteArray("xxx")));
    EXPECT_EQ(cell->GetDataSize(), 3u);

    ColumnStandIn names(recordset, QStringLiteral("NAME"));
    const auto textCell = KxMake<TKxDisplayValueBuffer>(&names, 0, dcfCacheDisplayText);
    EXPECT_EQ(textCell->GetDisplayText(), QStringLiteral("row 1"));
    const auto scrolled = KxMake<TKxDisplayValueBuffer>(&names, 1, dcfCacheDisplayText);
    scrolled->AssignFromIntf(static_cast<TKxValueBuffer*>(textCell.get()));
    const int moves = recordset.moves;
    EXPECT_EQ(scrolled->GetDisplayText(), QStringLiteral("row 1")); // taken over, not read
    EXPECT_EQ(recordset.moves, moves);
}

TEST_F(DisplayValueBufferTest, AColumnWithoutItsFieldIsAClearError) {
    ColumnStandIn column(recordset, QStringLiteral("MISSING"));
    try {
        (void)KxMake<TKxDisplayValueBuffer>(&column, 0, dcfCacheValue);
        FAIL() << "a cell was made for a field that does not exist";
    } catch (const EHrException& e) {
        EXPECT_TRUE(e.GetMessage().startsWith(QStringLiteral("Unable to get interface ")));
        EXPECT_TRUE(e.GetMessage().contains(QStringLiteral("for item \"MISSING\"")));
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("CheckGetFieldIntf"));
    }
}

TEST(KxEditObjectTest, NullAndMissingInterfaces) {
    EXPECT_FALSE(KxEditObject(nullptr));
    const auto plain = KxMake<TKxMemoryLockBytes>();
    EXPECT_THROW(KxEditObject(plain.get()), EKxException);
    EXPECT_TRUE(KxIsEmpty(plain.get()));
}

} // namespace
