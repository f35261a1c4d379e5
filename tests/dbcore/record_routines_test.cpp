#include "dbcore/name_value_match.h"
#include "dbcore/record_routines.h"
#include "memory_recordset.h"
#include "scripted_message_box.h"

#include <gtest/gtest.h>

namespace {

using namespace kx;
using namespace kx::test;

KxVariant Int(int value) {
    return KxVariant(static_cast<std::int64_t>(value));
}

KxVariant Text(const char* value) {
    return KxVariant(QString::fromUtf8(value));
}

std::vector<int> DeletedIds(const TMemoryTable& table) {
    std::vector<int> ids;
    for (const TMemoryTable::Row& row : table.deleted)
        ids.push_back(row[0].ToInt());
    return ids;
}

// A table of ID, PARENT, NAME opened in a recordset.
class RecordRoutinesTest : public ::testing::Test {
protected:
    RecordRoutinesTest() : table(std::make_shared<TMemoryTable>()) {
        table->columns = {QStringLiteral("ID"), QStringLiteral("PARENT"), QStringLiteral("NAME")};
    }

    TMemoryRecordset& Open() {
        recordset = std::make_unique<TMemoryRecordset>(table);
        recordset->SetActive(true);
        return *recordset;
    }

    void AddRows(int count) {
        for (int id = 1; id <= count; ++id)
            table->AddRow({Int(id), KxVariant::Null(), KxVariant(QStringLiteral("n%1").arg(id))});
    }

    void AddTreeRow(int id, KxVariant parent) {
        table->AddRow({Int(id), std::move(parent), Text("")});
    }

    QString Contents(const QStringList& fields, IKxUnknown* selection = nullptr,
                     bool titles = false) {
        QString text;
        BuildContentsString(static_cast<IKxGetCount*>(recordset.get()), fields, selection, text,
                            QStringLiteral("\t"), QStringLiteral("\r\n"), titles);
        return text;
    }

    IKxUnknown* Unknown() { return static_cast<IKxGetCount*>(recordset.get()); }

    std::shared_ptr<TMemoryTable> table;
    std::unique_ptr<TMemoryRecordset> recordset;
};

// ---- copying records as text

TEST_F(RecordRoutinesTest, ContentsKeepOneLinePerRecordAndEveryColumn) {
    table->columns = {QStringLiteral("A"), QStringLiteral("B")};
    table->AddRow({Int(1), Text("x")});
    table->AddRow({Int(2), Text("y")});
    Open();
    EXPECT_EQ(Contents({QStringLiteral("A"), QStringLiteral("B")}, nullptr, true),
              QStringLiteral("A\tB\r\n1\tx\r\n2\ty"));

    // An empty first value keeps its column, an all-empty record keeps its line.
    table->rows.clear();
    table->AddRow({KxVariant::Null(), Text("x")});
    table->AddRow({KxVariant::Null(), KxVariant::Null()});
    table->AddRow({Int(3), KxVariant::Null()});
    recordset->ExecuteOperation(roReExecuteStatement, nullptr);
    EXPECT_EQ(Contents({QStringLiteral("A"), QStringLiteral("B")}),
              QStringLiteral("\tx\r\n\t\r\n3\t"));
}

TEST_F(RecordRoutinesTest, ContentsFoldSeparatorsInsideValuesAndSkipUnknownNames) {
    table->AddRow({Int(1), KxVariant::Null(), Text("two\tcells\r\nand a line")});
    Open();
    QString text = QStringLiteral("before:");
    BuildContentsString(Unknown(),
                        {QStringLiteral("NAME"), QStringLiteral("NOSUCH"), QStringLiteral("ID")},
                        nullptr, text, QStringLiteral("\t"), QStringLiteral("\r\n"), true);
    EXPECT_EQ(text, QStringLiteral("before:NAME\tID\r\ntwo cells  and a line\t1"));
}

TEST_F(RecordRoutinesTest, ContentsFollowTheSelectionAndRestoreTheRecordset) {
    AddRows(4);
    TMemoryRecordset& rs = Open();
    rs.SetPosition(2);
    TMemorySelection selection({4, 1});
    EXPECT_EQ(Contents({QStringLiteral("ID")}, &selection), QStringLiteral("4\r\n1"));
    EXPECT_EQ(rs.GetPosition(), 2);
    EXPECT_EQ(rs.enabledKinds, std::vector<int>{0});
    EXPECT_EQ(rs.GetNotifyDisableCount(), 0);

    // An edit in progress is applied before the records are read.
    rs.ExecuteOperation(roEdit, nullptr);
    KxIntf<IKxUnknown> name;
    ASSERT_EQ(rs.GetItemByName(QStringLiteral("NAME"), name), hr::S_Ok);
    KxQuery<IKxGetSetValue>(name)->SetValue(Text("edited"));
    EXPECT_EQ(Contents({QStringLiteral("NAME")}), QStringLiteral("n1\r\nedited\r\nn3\r\nn4"));
    EXPECT_EQ(rs.GetRecordsetState(), rsBrowse);
}

TEST_F(RecordRoutinesTest, ContentsRestoreTheRecordsetWhenReadingFails) {
    AddRows(3);
    TMemoryRecordset& rs = Open();
    rs.SetPosition(3);
    TMemorySelection selection({1, 99});
    QString text;
    EXPECT_THROW(BuildContentsString(Unknown(), {QStringLiteral("ID")}, &selection, text),
                 EKxException);
    EXPECT_EQ(rs.GetPosition(), 3);
    EXPECT_EQ(rs.GetNotifyDisableCount(), 0);

    // Nothing to do without fields; a source without a state store is refused.
    EXPECT_NO_THROW(BuildContentsString(Unknown(), {}, nullptr, text));
    TMemorySelection notARecordset({});
    EXPECT_THROW(BuildContentsString(static_cast<IKxGetName*>(&notARecordset),
                                     {QStringLiteral("ID")}, nullptr, text),
                 EKxException);
}

// ---- deleting

TEST_F(RecordRoutinesTest, SelectedRecordsAreDeletedHighestPositionFirst) {
    AddRows(10);
    TMemoryRecordset& rs = Open();
    TMemorySelection selection({2, 5, 9});
    ScriptedMessageBox box({id::Yes});
    KxDeleteRecords(Unknown(), &selection);
    ASSERT_EQ(box.Seen().size(), 1u);
    EXPECT_EQ(box.Seen()[0].text, QStringLiteral("Delete 3 records ?"));
    EXPECT_EQ(DeletedIds(*table), (std::vector<int>{9, 5, 2}));
    EXPECT_TRUE(selection.Positions().empty());
    EXPECT_EQ(rs.enabledKinds, std::vector<int>{3});
}

TEST_F(RecordRoutinesTest, AFailedDeletionAmongSeveralAsksWhetherToGoOn) {
    AddRows(10);
    table->refuseDelete = [](const TMemoryTable::Row& row) { return row[0].ToInt() == 5; };
    TMemoryRecordset& rs = Open();
    {
        TMemorySelection selection({2, 5, 9});
        ScriptedMessageBox box({id::Yes, id::Yes});
        KxDeleteRecords(Unknown(), &selection);
        EXPECT_EQ(DeletedIds(*table), (std::vector<int>{9, 2}));
        EXPECT_EQ(rs.enabledKinds, std::vector<int>{3});
        EXPECT_TRUE(box.Seen().back().text.contains(
            QStringLiteral("Continue Deletion with remaining Records")));
    }
    {
        // Stopping re-raises; what was deleted still re-reads the records.
        TMemorySelection selection({1, 4, 7}); // ids 1, 5 and 8
        ScriptedMessageBox box({id::Yes, id::No});
        EXPECT_THROW(KxDeleteRecords(Unknown(), &selection), EKxException);
        EXPECT_EQ(DeletedIds(*table), (std::vector<int>{9, 2, 8}));
        EXPECT_EQ(rs.GetNotifyDisableCount(), 0);
        EXPECT_EQ(rs.enabledKinds, (std::vector<int>{3, 3}));
    }
}

TEST_F(RecordRoutinesTest, DeletionQuestionIsAskedOnlyWhenTheRecordsetWantsIt) {
    AddRows(3);
    TMemoryRecordset& rs = Open();
    {
        ScriptedMessageBox box({id::No});
        KxDoDeletion(Unknown());
        EXPECT_TRUE(table->deleted.empty());
        ASSERT_EQ(box.Seen().size(), 1u);
        EXPECT_EQ(box.Seen()[0].text, QStringLiteral("Delete current record ?"));
    }
    rs.confirmDeletions = false;
    ScriptedMessageBox silent; // any question would fail the test
    KxDeleteRecords(Unknown(), nullptr);
    EXPECT_EQ(DeletedIds(*table), std::vector<int>{1});
    // A refused deletion does nothing.
    rs.refusedOperations = {roDelete};
    KxDoDeletion(Unknown());
    EXPECT_EQ(table->deleted.size(), 1u);
    EXPECT_FALSE(KxConfirmDeletion(nullptr));
}

TEST_F(RecordRoutinesTest, CascadedDeletionRemovesTheSubtreeDeepestFirst) {
    AddTreeRow(1, KxVariant::Null());
    AddTreeRow(2, Int(1));
    AddTreeRow(3, Int(2));
    AddTreeRow(4, Int(1));
    AddTreeRow(5, Int(9));
    TMemoryRecordset& rs = Open();
    rs.Cascaded().SetKeyValueName(QStringLiteral("ID"));
    rs.Cascaded().SetParentReferenceValueName(QStringLiteral("PARENT"));
    ScriptedMessageBox box({id::Yes});
    KxDeleteCascaded(Unknown());
    EXPECT_EQ(box.Seen()[0].text,
              QStringLiteral("Delete current record and all cascaded records ?"));
    EXPECT_EQ(DeletedIds(*table), (std::vector<int>{3, 2, 4, 1}));
    EXPECT_EQ(rs.enabledKinds, std::vector<int>{3});
    EXPECT_EQ(rs.ColumnValues(QStringLiteral("ID")), std::vector<KxVariant>{Int(5)});
}

TEST_F(RecordRoutinesTest, CascadedDeletionEndsOnCycles) {
    // A root that is its own parent.
    AddTreeRow(1, Int(1));
    AddTreeRow(2, Int(1));
    AddTreeRow(3, Int(7));
    TMemoryRecordset& rs = Open();
    rs.confirmDeletions = false;
    rs.Cascaded().SetKeyValueName(QStringLiteral("ID"));
    rs.Cascaded().SetParentReferenceValueName(QStringLiteral("PARENT"));
    KxDeleteCascaded(Unknown());
    EXPECT_EQ(DeletedIds(*table), (std::vector<int>{2, 1}));

    // 10 and 11 refer to each other; 12 hangs below 11.
    table->deleted.clear();
    AddTreeRow(10, Int(11));
    AddTreeRow(11, Int(10));
    AddTreeRow(12, Int(11));
    rs.ExecuteOperation(roReExecuteStatement, nullptr);
    rs.SetPosition(2); // record 10
    ASSERT_EQ(rs.CurrentValue(QStringLiteral("ID")), Int(10));
    KxDeleteCascaded(Unknown());
    EXPECT_EQ(DeletedIds(*table), (std::vector<int>{12, 11, 10}));
    EXPECT_EQ(rs.ColumnValues(QStringLiteral("ID")), std::vector<KxVariant>{Int(3)});
}

TEST_F(RecordRoutinesTest, CascadedDeletionNeedsBothNamesAndConsent) {
    AddTreeRow(1, KxVariant::Null());
    AddTreeRow(2, Int(1));
    TMemoryRecordset& rs = Open();
    rs.Cascaded().SetKeyValueName(QStringLiteral("ID"));
    KxDeleteCascaded(Unknown()); // no parent name: nothing, not even a question
    rs.Cascaded().SetParentReferenceValueName(QStringLiteral("PARENT"));
    ScriptedMessageBox box({id::No});
    KxDeleteCascaded(Unknown());
    EXPECT_TRUE(table->deleted.empty());
    EXPECT_EQ(box.Seen().size(), 1u);
}

TEST_F(RecordRoutinesTest, ChildRecordsReferToTheCurrentKey) {
    AddTreeRow(1, KxVariant::Null());
    AddTreeRow(2, Int(1));
    TMemoryRecordset& rs = Open();
    rs.SetPosition(2);
    KxInsertChild(Unknown()); // not enabled: nothing
    EXPECT_EQ(rs.GetRecordsetState(), rsBrowse);

    rs.Cascaded().SetKeyValueName(QStringLiteral("ID"));
    rs.Cascaded().SetParentReferenceValueName(QStringLiteral("PARENT"));
    KxInsertChild(Unknown());
    EXPECT_EQ(rs.GetRecordsetState(), rsInsert);
    rs.ExecuteOperation(roApplyChanges, nullptr);
    EXPECT_EQ(rs.ColumnValues(QStringLiteral("PARENT")).back().ToInt(), 2);
}

// ---- looking values up

TEST_F(RecordRoutinesTest, LookupReadsTheFirstMatchWithoutMovingTheSource) {
    AddRows(3);
    TMemoryRecordset& rs = Open();
    rs.SetPosition(3);
    const KxIntf<TKxNameAndValueMatchList> values =
        KxMake<TKxNameAndValueMatchList>(std::vector<TNameAndValueMatch>{
            {QStringLiteral("NAME"), Text("old")}, {QStringLiteral("NOSUCH"), Text("old")}});
    IKxUnknown* list = static_cast<IKxGetItemByIndex*>(values.get());

    EXPECT_TRUE(KxLookupValues(Unknown(), list, QStringLiteral("ID = 2"), false));
    EXPECT_EQ(values->Items(0)->GetValue(), Text("n2"));
    EXPECT_TRUE(values->Items(1)->GetValue().IsNull());
    EXPECT_EQ(rs.GetPosition(), 3);

    // The condition is added to the WHERE part the source has.
    rs.sqlWhere = QStringLiteral("NAME = 'n1'");
    EXPECT_FALSE(KxLookupValues(Unknown(), list, QStringLiteral("ID = 2"), false));
    EXPECT_TRUE(values->Items(0)->GetValue().IsNull());
    EXPECT_TRUE(KxLookupValues(Unknown(), list, QStringLiteral("ID = 2"), true));
    EXPECT_EQ(values->Items(0)->GetValue(), Text("n2"));
    EXPECT_EQ(rs.sqlWhere, QStringLiteral("NAME = 'n1'"));

    EXPECT_FALSE(KxLookupValues(Unknown(), list, QString(), false));
    EXPECT_EQ(values->Items(0)->GetValue(), Text("n2")); // untouched
    EXPECT_FALSE(KxLookupValues(nullptr, list, QStringLiteral("ID = 2"), false));
}

// ---- moving and editing

TEST_F(RecordRoutinesTest, MovingFollowsTheCursorAndItsBoundaries) {
    AddRows(3);
    TMemoryRecordset& rs = Open();
    EXPECT_FALSE(KxCanMove(Unknown(), mdFirst)); // just opened: at BOF
    EXPECT_FALSE(KxCanMove(Unknown(), mdPrevious));
    EXPECT_TRUE(KxCanMove(Unknown(), mdNext));
    EXPECT_TRUE(KxCanMove(Unknown(), mdLast));
    KxMoveIfPossible(Unknown(), mdLast);
    EXPECT_EQ(rs.GetPosition(), 3);
    EXPECT_FALSE(KxCanMove(Unknown(), mdNext));
    KxMoveIfPossible(Unknown(), mdPrevious);
    EXPECT_EQ(rs.GetPosition(), 2);

    // Forward only: only onwards, until EOF.
    rs.scrollable = false;
    EXPECT_FALSE(KxCanMove(Unknown(), mdFirst));
    EXPECT_FALSE(KxCanMove(Unknown(), mdPrevious));
    EXPECT_FALSE(KxCanMove(Unknown(), mdLast));
    EXPECT_TRUE(KxCanMove(Unknown(), mdNext));
    KxMove(Unknown(), mdNext);
    KxMove(Unknown(), mdNext);
    EXPECT_TRUE(rs.IsEOF());
    EXPECT_FALSE(KxCanMove(Unknown(), mdNext));

    rs.SetActive(false);
    EXPECT_FALSE(KxCanMove(Unknown(), mdNext));
    EXPECT_FALSE(KxCanMove(nullptr, mdNext));
}

TEST_F(RecordRoutinesTest, EditingIsPossibleByInsertWhenEmpty) {
    TMemoryRecordset& rs = Open();
    EXPECT_TRUE(KxCanEdit(Unknown()));
    rs.refusedOperations = {roInsert};
    EXPECT_FALSE(KxCanEdit(Unknown()));
    rs.refusedOperations.clear();
    EXPECT_TRUE(KxEditObject(Unknown()));
    EXPECT_TRUE(KxIsModifying(Unknown()));
    rs.refusedOperations = {roInsert, roEdit};
    EXPECT_TRUE(KxCanEdit(Unknown())); // already modifying
    EXPECT_FALSE(KxCanEdit(nullptr));
    EXPECT_FALSE(KxIsEmpty(nullptr, false));
}

} // namespace
