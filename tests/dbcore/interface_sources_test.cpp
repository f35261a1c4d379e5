#include "dbcore/interface_sources.h"
#include "dbcore/intf_source_signals.h"
#include "dbcore/name_value_match.h"
#include "dbcore/schema_data_properties.h"
#include "memory_recordset.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

using namespace kx;
using namespace kx::test;

std::shared_ptr<TMemoryTable> TwoRows() {
    auto table = std::make_shared<TMemoryTable>();
    table->columns = {QStringLiteral("ID"), QStringLiteral("NAME")};
    table->AddRow({KxVariant(std::int64_t{1}), KxVariant(QStringLiteral("a"))});
    table->AddRow({KxVariant(std::int64_t{2}), KxVariant(QStringLiteral("b"))});
    return table;
}

class NameCollector : public TKxInterfacedObject, public virtual IKxNameListTarget {
public:
    NameCollector() : TKxInterfacedObject(TKxLifetime::OwnerOwned) {}
    void AddName(IKxUnknown*, int, const QString& name) override { names << name; }
    QStringList names;
};

IKxUnknown* Unknown(TMemoryRecordset& rs) {
    return static_cast<IKxGetCount*>(&rs);
}

TEST(RecordsetIntfSourceTest, NotificationsBecomeEventsAndSignals) {
    TMemoryRecordset rs(TwoRows());
    TKxRecordsetIntfSource source;
    QStringList events;
    source.OnBeforeOperation = [&](int operation, IKxUnknown*) {
        events << QStringLiteral("before op %1").arg(operation);
    };
    TKxIntfSourceSignals signals(&source);
    QObject::connect(&signals, &TKxIntfSourceSignals::afterActiveChange,
                     [&](bool active) { events << QStringLiteral("active %1").arg(active); });
    QObject::connect(&signals, &TKxIntfSourceSignals::afterPositionChange,
                     [&] { events << QStringLiteral("moved"); });
    QObject::connect(&signals, &TKxIntfSourceSignals::beforeOperation, [&](int operation) {
        events << QStringLiteral("signal op %1").arg(operation);
    });
    QObject::connect(&signals, &TKxIntfSourceSignals::afterFieldValueChange,
                     [&](const QString& name) { events << QStringLiteral("value ") + name; });
    QObject::connect(&signals, &TKxIntfSourceSignals::sourceChanged,
                     [&] { events << QStringLiteral("source"); });

    source.SetInterfaceSource(Unknown(rs));
    rs.SetActive(true);
    rs.SetPosition(2);
    rs.ExecuteOperation(roEdit, nullptr);
    KxIntf<IKxUnknown> name;
    ASSERT_EQ(
        source.GetItemByName(QStringLiteral("NAME"), KxInterfaceId::Of<IKxGetSetValue>(), name),
        hr::S_Ok);
    KxQuery<IKxGetSetValue>(name)->SetValue(KxVariant(QStringLiteral("c")));
    EXPECT_EQ(events, (QStringList{QStringLiteral("source"), QStringLiteral("active 1"),
                                   QStringLiteral("moved"), QStringLiteral("before op 0"),
                                   QStringLiteral("signal op 0"), QStringLiteral("value NAME")}));
    EXPECT_EQ(source.GetRecordsetState(), rsEdit);

    // Disabled notifications reach no sink unless it asks to be notified always.
    events.clear();
    rs.DisableNotifications(0);
    rs.SetPosition(1);
    EXPECT_TRUE(events.isEmpty());
    source.SetAlwaysNotify(true);
    rs.SetPosition(2);
    EXPECT_EQ(events, QStringList{QStringLiteral("moved")});
    rs.EnableNotifications(0);
}

TEST(RecordsetIntfSourceTest, AcceptsOnlyRecordsetsAndLetsGoOfDestroyedOnes) {
    TKxRecordsetIntfSource source;
    TMemorySelection notARecordset({});
    EXPECT_THROW(source.SetInterfaceSource(static_cast<IKxGetName*>(&notARecordset)), EKxException);
    EXPECT_FALSE(source.IsConnected());
    EXPECT_EQ(source.GetRecordsetState(), rsInactive);
    KxIntf<IKxUnknown> item;
    EXPECT_EQ(source.GetItemByName(QStringLiteral("ID"), KxInterfaceId::Of<IKxGetValue>(), item),
              hr::E_Fail);
    {
        TMemoryRecordset rs(TwoRows());
        source.SetInterfaceSource(Unknown(rs));
        EXPECT_TRUE(source.IsConnected());
        EXPECT_EQ(
            source.GetItemByName(QStringLiteral("ID"), KxInterfaceId::Of<IKxLookupValues>(), item),
            hr::E_NoInterface);
        EXPECT_EQ(source.GetSourceDescription(), QStringLiteral("SELECT * FROM MEMORY"));

        // Property editors list the fields through the control's source.
        NameCollector target;
        source.FillNameList(1, &target);
        EXPECT_EQ(target.names, (QStringList{QStringLiteral("ID"), QStringLiteral("NAME")}));
        rs.Cascaded().FillNameList(1, &target);
        EXPECT_EQ(target.names.size(), 4);
    }
    EXPECT_FALSE(source.IsConnected());
}

TEST(FieldIntfSourceTest, FieldNameEventsDescriptionAndEditing) {
    TKxFieldIntfSource field;
    QStringList changes;
    field.OnAfterFieldNameChange = [&](IKxUnknown*, const QString& oldName,
                                       const QString& newName) {
        changes << oldName + QStringLiteral(">") + newName;
    };
    TKxIntfSourceSignals signals(&field);
    int signalled = 0;
    QObject::connect(&signals, &TKxIntfSourceSignals::fieldNameChanged, [&] { ++signalled; });
    field.SetFieldName(QStringLiteral("name"));
    field.SetFieldName(QStringLiteral("name"));
    field.SetName(QStringLiteral("NAME"));
    EXPECT_EQ(changes, (QStringList{QStringLiteral(">name"), QStringLiteral("name>NAME")}));
    EXPECT_EQ(signalled, 2);

    EXPECT_EQ(field.GetSourceDescription(), QStringLiteral("NAME")); // no table known
    TMemoryRecordset rs(TwoRows());
    rs.SetActive(true);
    field.SetInterfaceSource(Unknown(rs));
    EXPECT_EQ(field.GetSourceDescription(), QStringLiteral("MEMORY.NAME"));
    EXPECT_TRUE(field.IsFieldUpdatable(QStringLiteral("NAME")));
    EXPECT_FALSE(field.IsFieldUpdatable(QStringLiteral("NOSUCH")));
    EXPECT_TRUE(field.CanEdit());
    EXPECT_TRUE(field.Edit());
    EXPECT_EQ(rs.GetRecordsetState(), rsEdit);
    field.SetFieldName(QStringLiteral("NOSUCH"));
    EXPECT_TRUE(field.IsConnected()); // renaming keeps the connection

    TKxFieldIntfSource copy;
    copy.Assign(&field);
    EXPECT_EQ(copy.FieldName(), QStringLiteral("NOSUCH"));
    EXPECT_TRUE(copy.IsConnected());
}

TEST(TreeIntfSourceTest, TitleFieldNamesAndDescription) {
    EXPECT_EQ(KxSplitTitleFieldNames(QStringLiteral("'First';Second")),
              (QStringList{QStringLiteral("First"), QStringLiteral("Second")}));
    EXPECT_EQ(KxSplitTitleFieldNames(QStringLiteral("Name, [Code]")),
              (QStringList{QStringLiteral("Name"), QStringLiteral("Code")}));
    EXPECT_EQ(KxSplitTitleFieldNames(QStringLiteral(",Name,,Code;")),
              (QStringList{QStringLiteral("Name"), QStringLiteral("Code")}));
    EXPECT_EQ(KxSplitTitleFieldNames(QStringLiteral("Name,'',Code")),
              QStringList{QStringLiteral("Name")});
    EXPECT_TRUE(KxSplitTitleFieldNames(QString()).isEmpty());

    TKxTreeIntfSource tree;
    EXPECT_TRUE(tree.AlwaysNotify());
    tree.SetNodeTitleFieldNames(QStringLiteral("Name, [Code]"));
    tree.SetKeyFieldName(QStringLiteral("ID"));
    tree.SetStateImageIdxFieldName(QStringLiteral("STATE"));
    tree.SetFixedImageIndex(4);
    EXPECT_EQ(tree.GetSourceDescription(),
              QStringLiteral("Table:\t?\r\rKey:\tID\rParent:\t\rTitle:\tName, [Code]\rImage:\t\r"
                             "Selected:\t\rState:\tSTATE"));

    TKxTreeIntfSource copy;
    copy.Assign(&tree);
    EXPECT_EQ(copy.TitleFieldList(), (QStringList{QStringLiteral("Name"), QStringLiteral("Code")}));
    EXPECT_EQ(copy.KeyFieldName(), QStringLiteral("ID"));
    EXPECT_TRUE(copy.StateImageIdxFieldName().isEmpty());
    EXPECT_EQ(copy.FixedImageIndex(), -1);
}

TEST(SchemaDataPropertiesTest, ChangesReExecuteAnOpenOwnerAndAreChecked) {
    TMemoryRecordset rs(TwoRows());
    TKxSchemaDataProperties properties(Unknown(rs));
    int announced = 0;
    properties.OnAfterSchemaDataChange = [&](IKxUnknown*) { ++announced; };
    EXPECT_EQ(properties.GetSchemaList(), slTables);
    EXPECT_EQ(properties.GetDatabaseName(), QStringLiteral("<None>"));

    properties.SetTableName(QStringLiteral("T%")); // owner closed: only announced
    EXPECT_TRUE(rs.executed.empty());
    rs.SetActive(true);
    properties.SetTableName(QStringLiteral("T%"));
    EXPECT_EQ(announced, 1);
    properties.SetTableName(QStringLiteral("t%"));
    EXPECT_EQ(rs.executed, std::vector<int>{roReExecuteStatement});
    properties.SetReExecuteAfterPropertyValueChange(false);
    properties.SetSchemaList(slColumns);
    EXPECT_EQ(rs.executed.size(), 1u);
    EXPECT_EQ(announced, 3);

    try {
        properties.SetSchemaList(12);
        FAIL() << "12 is no catalog list";
    } catch (const EKxException& e) {
        EXPECT_EQ(e.GetMessage(), QStringLiteral("Unsupported value (12) for \"TKxSchemaList\""));
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("SetSchemaList"));
    }
    EXPECT_EQ(
        properties.Description(),
        QStringLiteral("List:\tColumns\r\rDatabase:\t<None>\rSchema:\t<None>\rTable/Proc:\tt%\r"
                       "Columnname:\t%\rFK Database:\t<None>\rFK Schema:\t<None>\rFK Table:\t%"));

    TKxSchemaDataProperties copy(nullptr);
    copy.Assign(&properties);
    EXPECT_EQ(copy.GetSchemaList(), slColumns);
    EXPECT_EQ(copy.GetTableName(), QStringLiteral("t%"));
    EXPECT_FALSE(copy.ReExecuteAfterPropertyValueChange());
}

TEST(NameAndValueMatchTest, ItemsAnswerTheirMatchSettings) {
    const KxIntf<TKxNameAndValueMatchList> list =
        KxMake<TKxNameAndValueMatchList>(std::vector<TNameAndValueMatch>{
            {QStringLiteral("A"), KxVariant(std::int32_t{1}), mtClosest, true},
            {QStringLiteral("B"), KxVariant::Null(), mtExact, false}});
    EXPECT_EQ(list->GetCount(), 2);
    KxIntf<IKxUnknown> item;
    ASSERT_EQ(list->GetItemByIndex(0, item), hr::S_Ok);
    EXPECT_EQ(KxAskBoolean(item.get(), qid::CaseSensitiveMatch, false), true);
    EXPECT_EQ(KxAskInteger(item.get(), vid::MatchKind, -1), int{mtClosest});
    EXPECT_EQ(KxAskInteger(item.get(), vid::DisplayLength, -1), kxUnsupportedValue);
    EXPECT_EQ(KxAskBoolean(item.get(), qid::IsNull, true), true); // unknown question
    ASSERT_EQ(list->GetItemByIndex(1, item), hr::S_Ok);
    EXPECT_EQ(KxQuery<IKxGetName>(item)->GetName(), QStringLiteral("B"));
    EXPECT_NE(list->GetItemByIndex(2, item), hr::S_Ok);
    EXPECT_EQ(KxMatchKindDisplayName(mtClosest), QStringLiteral("Closest Match"));

    TMemoryRecordset rs(TwoRows());
    TKxCascadedContentsProperties cascaded(Unknown(rs));
    cascaded.SetKeyValueName(QStringLiteral("ID"));
    EXPECT_FALSE(cascaded.GetEnabled());
    cascaded.SetParentReferenceValueName(QStringLiteral("PARENT"));
    EXPECT_TRUE(cascaded.GetEnabled());
}

} // namespace
