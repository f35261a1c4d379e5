#include "dbcore/db_field.h"
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
                         public virtual IKxGetCount {
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

    TKxRecordsetState state = rsBrowse;
    TKxRecordsetAttributes attributes = 0;
    int count = 3;
    QStringList changed;
    std::vector<int> executed;
    std::vector<TKxDBField*> fields;
};

// The row's values: the buffer a field creates reads them as a driver buffer reads its column.
std::map<QString, KxVariant> g_row;

class RowBuffer : public TKxFieldValueBuffer {
public:
    using TKxFieldValueBuffer::TKxFieldValueBuffer;

protected:
    void InternalFetchData(bool) override {
        const KxVariant value = g_row[ColumnName()];
        if (value.IsNull()) {
            SetNullFlag(true);
        } else {
            InternalSetValue(value);
        }
        SetFetched(true);
    }
};

class RowField : public TKxDBField {
public:
    using TKxDBField::TKxDBField;

protected:
    KxIntf<TKxFieldValueBuffer> CreateValueBuffer(QObject* owner, TKxFieldBufferInfo info) override {
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
        g_row = {{QStringLiteral("NAME"), KxVariant(QStringLiteral("Ada"))},
                 {QStringLiteral("AMOUNT"), KxVariant(std::int64_t{5000000000})}};
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

    g_row[QStringLiteral("NAME")] = KxVariant::Null();
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
    EXPECT_EQ(name.GetValueBufferIntf(vbiSaved, KxInterfaceId::Of<ILockBytes>(), buffer), hr::E_Fail);
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

TEST(KxEditObjectTest, NullAndMissingInterfaces) {
    EXPECT_FALSE(KxEditObject(nullptr));
    const auto plain = KxMake<TKxMemoryLockBytes>();
    EXPECT_THROW(KxEditObject(plain.get()), EKxException);
    EXPECT_TRUE(KxIsEmpty(plain.get()));
}

} // namespace
