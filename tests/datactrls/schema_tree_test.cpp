#include "datactrls/schema_tree.h"
#include "dbcore/sql_words.h"
#include "foundation/exceptions.h"
#include "foundation/persistent_data.h"
#include "foundation/storage_helpers.h"
#include "odbc/odbc_recordset.h"
#include "odbc/odbc_schema_recordset.h"
#include "support/connected_driver_test.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMimeData>
#include <QRegularExpression>

namespace {

using namespace kx;

class SchemaTreeTest : public test::ConnectedDriverTest {
protected:
    void SetUp() override {
        ConnectedDriverTest::SetUp();
        if (IsSkipped())
            return;
        recordset.SetODBCConnection(&connection);
        // The private test database holds only what the test makes; PostgreSQL's own
        // catalog lives in schemas of its own.
        if (Server())
            recordset.SchemaData().SetSchemaName(QStringLiteral("public"));
        tree.SetSchemaRecordset(static_cast<IKxForwardCursor*>(&recordset));
        for (const char* sql :
             {"CREATE TABLE t1 (id INTEGER NOT NULL, name VARCHAR(20))",
              "CREATE TABLE t2 (x INTEGER)", "CREATE TABLE my_t (a INTEGER)",
              "CREATE TABLE myXt (b INTEGER, c INTEGER)", "CREATE VIEW v1 AS SELECT id FROM t1"})
            connection.ExecuteDirect(QString::fromLatin1(sql));
        if (Server())
            connection.ExecuteDirect(QStringLiteral(
                "CREATE FUNCTION twice(n INTEGER) RETURNS INTEGER AS 'SELECT 2 * n' LANGUAGE sql"));
    }
    void TearDown() override {
        tree.clear();
        tree.SetSchemaRecordset(nullptr);
        recordset.SetActive(false);
        ConnectedDriverTest::TearDown();
    }
    QTreeWidgetItem* Top(const char* prefix) {
        for (int i = 0; i < tree.topLevelItemCount(); ++i) {
            if (tree.topLevelItem(i)->text(0).startsWith(QLatin1String(prefix)))
                return tree.topLevelItem(i);
        }
        return nullptr;
    }
    static QTreeWidgetItem* Child(QTreeWidgetItem* parent, const QString& text) {
        for (int i = 0; parent != nullptr && i < parent->childCount(); ++i) {
            if (parent->child(i)->text(0).compare(text, Qt::CaseInsensitive) == 0)
                return parent->child(i);
        }
        return nullptr;
    }
    // The texts of the columns listed under a table node.
    static QStringList ColumnNames(QTreeWidgetItem* table) {
        QStringList names;
        QTreeWidgetItem* columns = table != nullptr ? table->child(0) : nullptr;
        for (int i = 0; columns != nullptr && i < columns->childCount(); ++i)
            names << static_cast<TKxSchemaTreeNode*>(columns->child(i))->ColumnName.toLower();
        return names;
    }

    TKxOdbcSchemaRecordset recordset;
    TKxISchemaTree tree;
};

TEST_P(SchemaTreeTest, ListsCountTheirObjectsAndTablesTheirOwnColumns) {
    tree.Refresh(kxDefaultSchemaRootLists);
    ASSERT_EQ(tree.topLevelItemCount(), 3);
    EXPECT_EQ(Top("Tables")->text(0), QStringLiteral("Tables: 4"));
    EXPECT_EQ(Top("Views")->text(0), QStringLiteral("Views: 1"));
    // One function of the user's; PostgreSQL's own thousands in pg_catalog are not listed.
    QTreeWidgetItem* procedures = Top("Procedures");
    EXPECT_EQ(procedures->text(0),
              Server() ? QStringLiteral("Procedures: 1") : QStringLiteral("Procedures: 0"));
    if (Server()) {
        EXPECT_TRUE(procedures->child(0)->child(0)->text(0).startsWith(
            QStringLiteral("Procedure Columns: ")));
    }

    QTreeWidgetItem* t1 = Child(Top("Tables"), QStringLiteral("t1"));
    ASSERT_NE(t1, nullptr);
    ASSERT_EQ(t1->childCount(), 1);
    EXPECT_EQ(t1->child(0)->text(0), QStringLiteral("Columns: 2"));
    const QString id = t1->child(0)->child(0)->text(0);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^id  <[a-z0-9 ]+>  Size: \\d+   Not Null$"),
                                   QRegularExpression::CaseInsensitiveOption)
                    .match(id)
                    .hasMatch())
        << id.toStdString();
    EXPECT_TRUE(t1->child(0)->child(1)->text(0).endsWith(QStringLiteral("Nulls Allowed")));
    // "_" is a wildcard in catalog patterns: my_t must not also show the columns of myXt.
    EXPECT_EQ(ColumnNames(Child(Top("Tables"), QStringLiteral("my_t"))),
              QStringList{QStringLiteral("a")});
    EXPECT_EQ(ColumnNames(Child(Top("Tables"), QStringLiteral("myXt"))),
              (QStringList{QStringLiteral("b"), QStringLiteral("c")}));
    EXPECT_EQ(ColumnNames(Child(Top("Views"), QStringLiteral("v1"))),
              QStringList{QStringLiteral("id")});
    EXPECT_FALSE(recordset.Active()) << "the recordset is left as it was";

    // A drag carries the name only: a column its column name, a table its name.
    auto* column = t1->child(0)->child(0);
    std::unique_ptr<QMimeData> mime(tree.mimeData({column}));
    EXPECT_EQ(mime->text().toLower(), QStringLiteral("id"));
    EXPECT_EQ(static_cast<TKxSchemaTreeNode*>(t1)->ObjectName(), t1->text(0));
}

TEST_P(SchemaTreeTest, ASchemaOfItsOwnKeepsTablesOfOneNameApart) {
    if (!Server())
        GTEST_SKIP() << "SQLite3 has no schemas";
    for (const char* sql : {"CREATE SCHEMA a", "CREATE SCHEMA b", "CREATE TABLE a.t (x INTEGER)",
                            "CREATE TABLE b.t (y INTEGER, z INTEGER)"})
        connection.ExecuteDirect(QString::fromLatin1(sql));
    // Every schema (psqlODBC's "no restriction" lists only those on the search path).
    recordset.SchemaData().SetSchemaName(QStringLiteral("%"));
    tree.Refresh(1 << slTables);
    QStringList seen;
    QTreeWidgetItem* tables = Top("Tables");
    for (int i = 0; i < tables->childCount(); ++i) {
        auto* node = static_cast<TKxSchemaTreeNode*>(tables->child(i));
        if (node->Caption() == QLatin1String("t"))
            seen << node->Schema + QLatin1Char(':') + ColumnNames(node).join(QLatin1Char(','));
    }
    seen.sort();
    EXPECT_EQ(seen, (QStringList{QStringLiteral("a:x"), QStringLiteral("b:y,z")}));
}

TEST_P(SchemaTreeTest, EscapeStopsTheLoadWhereItIsAndAReloadWaitsForIt) {
    QTreeWidgetItem* third = nullptr;
    tree.OnRowLoaded = [&] {
        QTreeWidgetItem* tables = Top("Tables");
        if (tables != nullptr && tables->childCount() == 4 && tables->child(2)->childCount() == 1 &&
            tables->child(2)->child(0)->childCount() == 1 && third == nullptr) {
            third = tables->child(2);
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(&tree, &escape);
        }
    };
    tree.Refresh(kxDefaultSchemaRootLists);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(tree.topLevelItemCount(), 1) << "no further lists";
    EXPECT_EQ(third->child(0)->text(0), QStringLiteral("Columns: 1")) << "the partial count";
    EXPECT_EQ(Top("Tables")->child(3)->childCount(), 0) << "no further sub-lists";

    // A clear asked for during a load runs when the load has stopped.
    bool clearedWhileLoading = false;
    tree.clear();
    tree.OnRowLoaded = [&] {
        if (!clearedWhileLoading) {
            clearedWhileLoading = true;
            tree.WhenIdle([this] { tree.clear(); });
            EXPECT_TRUE(tree.Loading());
            EXPECT_GT(tree.topLevelItemCount(), 0) << "nothing freed while loading";
        }
    };
    tree.Refresh(kxDefaultSchemaRootLists);
    EXPECT_TRUE(clearedWhileLoading);
    EXPECT_EQ(tree.topLevelItemCount(), 0);
}

TEST_P(SchemaTreeTest, AStoredTreeComesBackAndUnknownNodeClassesAreRefused) {
    tree.Refresh(1 << slTables);
    QTreeWidgetItem* t1 = Child(Top("Tables"), QStringLiteral("t1"));
    tree.setCurrentItem(t1->child(0)->child(1));
    TKxPersistentData store;
    store.SetFileName(QDir(dir.path()).filePath(QStringLiteral("tree.PRS")));
    KxOpenKey(&store, QStringLiteral("\\Schemata\\demo\\SchemaTree"), true);
    tree.StoreData(&store);

    TKxISchemaTree loaded;
    loaded.LoadData(&store);
    ASSERT_EQ(loaded.topLevelItemCount(), 1);
    EXPECT_EQ(loaded.topLevelItem(0)->text(0), QStringLiteral("Tables: 4"));
    QTreeWidgetItem* selected = loaded.currentItem();
    ASSERT_NE(selected, nullptr);
    EXPECT_EQ(selected->text(0), t1->child(0)->child(1)->text(0));
    auto* column = dynamic_cast<TKxSchemaTreeNode*>(selected);
    ASSERT_NE(column, nullptr);
    EXPECT_EQ(column->ColumnName.toLower(), QStringLiteral("name"));
    EXPECT_EQ(column->Role(), TKxSchemaNodeRole::Column);
    int nodes = 0;
    for (QTreeWidgetItemIterator it(&tree); *it; ++it)
        ++nodes;
    int loadedNodes = 0;
    for (QTreeWidgetItemIterator it(&loaded); *it; ++it)
        ++loadedNodes;
    EXPECT_EQ(loadedNodes, nodes);

    KxOpenKey(&store, QStringLiteral("\\Bad"), true);
    KxOpenKey(&store, QStringLiteral(".\\0"), true);
    store.WriteString(QStringLiteral("ClassName"), QStringLiteral("TSTNoSuchNode"));
    KxOpenKey(&store, QStringLiteral("\\Bad"), false);
    TKxISchemaTree bad;
    try {
        bad.LoadData(&store);
        ADD_FAILURE() << "an unknown node class was accepted";
    } catch (const EKxException& e) {
        EXPECT_EQ(KxExceptionMessage(e),
                  QStringLiteral("Unregistered Tree Node Class: TSTNoSuchNode"));
    }
}

TEST_P(SchemaTreeTest, ASourceWithoutSchemaDataIsRefused) {
    TKxOdbcRecordset plain;
    EXPECT_THROW(tree.SetSchemaRecordset(static_cast<IKxForwardCursor*>(&plain)), EKxException);
}

KX_INSTANTIATE_DRIVER_TESTS(SchemaTreeTest);

TEST(SchemaTreeNodesTest, DetailLinesAndNames) {
    EXPECT_EQ(KxSchemaColumnDetail(QStringLiteral("ID"), QStringLiteral("INTEGER"),
                                   QStringLiteral("4"), 0),
              QStringLiteral("ID  <INTEGER>  Size: 4   Not Null"));
    EXPECT_EQ(KxSchemaColumnDetail(QStringLiteral("N"), QStringLiteral("TEXT"), QString(), 2),
              QStringLiteral("N  <TEXT>  Size: NULL   Nulls?"));
    EXPECT_EQ(KxFindSchemaNodeClass(QStringLiteral("TSTTableNode"))->role,
              TKxSchemaNodeRole::Object);
    EXPECT_EQ(KxFindSchemaNodeClass(QStringLiteral("TSTNoSuchNode")), nullptr);
    TKxSchemaTreeNode table(KxSchemaObjectNodeClass(slTables));
    table.SetCaption(QStringLiteral("  orders <x>"));
    EXPECT_EQ(table.ObjectName(), QStringLiteral("orders"));
    EXPECT_TRUE(table.IsDataObject());
    TKxSchemaTreeNode procedure(KxSchemaObjectNodeClass(slProcedures));
    EXPECT_FALSE(procedure.IsDataObject());
}

} // namespace
