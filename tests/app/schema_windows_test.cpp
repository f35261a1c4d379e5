#include "app/data_edit_page.h"
#include "app/main_window.h"
#include "app/page_windows.h"
#include "app/schema_page.h"
#include "datactrls/data_grid.h"
#include "dbcore/connection_string.h"
#include "dbcore/sql_property.h"
#include "dialogs/recordset_properties_dialog.h"
#include "editor/syntax_editor.h"
#include "foundation/storage_helpers.h"
#include "main_window_fixture.h"
#include "odbc/odbc_connect_properties.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_recordset.h"
#include "support/modal_dialog.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

using namespace kx;
using kx::test::MainWindowTest;

class SchemaWindowsTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        if (IsSkipped())
            return;
        ASSERT_TRUE(window->UseConnectionString(connectString));
        for (const char* sql :
             {"CREATE TABLE \"Mixed Case\" (id INTEGER PRIMARY KEY, v VARCHAR(10))",
              "INSERT INTO \"Mixed Case\" VALUES (1, 'one')",
              "CREATE TABLE \"semi;colon\" (id INTEGER PRIMARY KEY)",
              "INSERT INTO \"semi;colon\" VALUES (7)"})
            Exec(sql);
    }
    void Exec(const char* sql) {
        window->CurrentConnection()->ExecuteDirect(QString::fromUtf8(sql));
    }
    TKxPageDockForm* WindowOf(TKxPageKind kind) { return window->PageWindows().FirstOfKind(kind); }
    TKxODBCSchemaTreeFrame* SchemaPage() {
        TKxPageDockForm* form = WindowOf(TKxPageKind::Schema);
        return form != nullptr ? dynamic_cast<TKxODBCSchemaTreeFrame*>(form->ActivePage())
                               : nullptr;
    }
    TKxIDataEditFrame* DataPage() {
        TKxPageDockForm* form = WindowOf(TKxPageKind::DataEdit);
        return form != nullptr ? dynamic_cast<TKxIDataEditFrame*>(form->ActivePage()) : nullptr;
    }
    TKxSchemaTreeNode* TableNode(const QString& name) {
        TKxISchemaTree& tree = SchemaPage()->Tree();
        for (QTreeWidgetItemIterator it(&tree); *it; ++it) {
            auto* node = dynamic_cast<TKxSchemaTreeNode*>(*it);
            if (node != nullptr && node->IsDataObject() && node->Caption() == name)
                return node;
        }
        return nullptr;
    }
    // Edit Data on the table `name`; the default-properties dialog, when it comes, is
    // confirmed with "Skip this dialog" ticked.
    bool EditData(const QString& name, int* dialogs) {
        TKxSchemaTreeNode* node = TableNode(name);
        if (node == nullptr)
            return false;
        SchemaPage()->Tree().setCurrentItem(node);
        test::WhenModalDialogShows<TKxRecordsetPropertyDlg>(
            [](TKxRecordsetPropertyDlg& dialog) {
                dialog.findChild<QCheckBox*>(QStringLiteral("CheckBoxSkipDialog"))
                    ->setChecked(true);
                dialog.accept();
            },
            dialogs, false);
        const bool opened = SchemaPage()->EditData();
        QCoreApplication::processEvents();
        return opened;
    }
};

TEST_P(SchemaWindowsTest, ShowDBSchemaOpensOnePagePerConnection) {
    EXPECT_TRUE(window->Actions().ShowDBSchema->isEnabled());
    window->Actions().ShowDBSchema->trigger();
    ASSERT_NE(SchemaPage(), nullptr);
    EXPECT_FALSE(SchemaPage()->ControlPanelVisible());
    EXPECT_EQ(SchemaPage()->Caption(),
              ExtractDataSourceName(window->CurrentConnection()->ConnectionString()));
    EXPECT_NE(TableNode(QStringLiteral("Mixed Case")), nullptr);
    EXPECT_TRUE(WindowOf(TKxPageKind::Schema)
                    ->windowTitle()
                    .startsWith(QStringLiteral("Schema Window 0 - [")));
    EXPECT_TRUE(WindowOf(TKxPageKind::Schema)->MenuItem()->isChecked());

    window->Actions().ShowDBSchema->trigger();
    EXPECT_EQ(window->PageWindows().List().size(), 1u);
    EXPECT_EQ(WindowOf(TKxPageKind::Schema)->PageCount(), 1) << "the open page is reused";

    // Unchecking "Tables" reads the tree again without it.
    SchemaPage()->ToggleRootList(slTables);
    TKxISchemaTree& tree = SchemaPage()->Tree();
    for (int i = 0; i < tree.topLevelItemCount(); ++i)
        EXPECT_FALSE(tree.topLevelItem(i)->text(0).startsWith(QStringLiteral("Tables")));
    EXPECT_GT(tree.topLevelItemCount(), 0);
}

TEST_P(SchemaWindowsTest, EditDataOpensTheTableAskedForAndCommitsAtOnce) {
    window->ToggleAutoCommit(); // the main connection works with manual commit
    window->Actions().ShowDBSchema->trigger();
    int dialogs = 0;
    ASSERT_TRUE(EditData(QStringLiteral("Mixed Case"), &dialogs));
    EXPECT_EQ(dialogs, 1) << "the default properties are asked for";
    TKxIDataEditFrame* page = DataPage();
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(page->Recordset().Active());
    EXPECT_TRUE(page->Caption().endsWith(QStringLiteral(".Mixed Case")))
        << page->Caption().toStdString();
    EXPECT_EQ(page->Grid().CellText(1, 1), QStringLiteral("one"));

    // An edit applied in the page is committed although the main connection would wait.
    page->Recordset().SetFieldValue(KxVariant(QStringLiteral("v")),
                                    KxVariant(QStringLiteral("uno")));
    page->Recordset().ExecuteOperation(roApplyChanges, nullptr);
    TKxOdbcConnection other;
    other.SetODBCEnvironment(&environment);
    other.SetConnectionString(connectString);
    auto check = KxMake<TKxOdbcRecordset>(nullptr, TKxLifetime::SelfOwned);
    check->SetODBCConnection(&other);
    check->SQL().SetAsString(QStringLiteral("SELECT v FROM \"Mixed Case\" WHERE id = 1"));
    check->SetActive(true);
    EXPECT_EQ(check->FieldValue(KxVariant(QStringLiteral("v"))).ToString(), QStringLiteral("uno"));
    check->SetActive(false);
    check->SetODBCConnection(nullptr);

    // Skipped from now on; a name with ";" opens as a name, never as two statements.
    ASSERT_TRUE(EditData(QStringLiteral("semi;colon"), &dialogs));
    EXPECT_EQ(dialogs, 1) << "no second question";
    EXPECT_EQ(WindowOf(TKxPageKind::DataEdit)->PageCount(), 2);
    ASSERT_TRUE(DataPage()->Recordset().Active());
    EXPECT_EQ(DataPage()->Grid().CellText(1, 0), QStringLiteral("7"));
}

TEST_P(SchemaWindowsTest, ASchemaQualifiedTableOpensItsOwnRows) {
    if (!Server())
        GTEST_SKIP() << "SQLite3 has no schemas";
    for (const char* sql : {"CREATE SCHEMA s2", "CREATE TABLE public.t (n INTEGER)",
                            "INSERT INTO public.t VALUES (1)", "CREATE TABLE s2.t (n INTEGER)",
                            "INSERT INTO s2.t VALUES (2)"})
        Exec(sql);
    window->Actions().ShowDBSchema->trigger();
    TKxISchemaTree& tree = SchemaPage()->Tree();
    TKxSchemaTreeNode* s2 = nullptr;
    for (QTreeWidgetItemIterator it(&tree); *it; ++it) {
        auto* node = dynamic_cast<TKxSchemaTreeNode*>(*it);
        if (node != nullptr && node->IsDataObject() && node->Caption() == QLatin1String("t") &&
            node->Schema == QLatin1String("s2"))
            s2 = node;
    }
    ASSERT_NE(s2, nullptr);
    tree.setCurrentItem(s2);
    int dialogs = 0;
    test::WhenModalDialogShows<TKxRecordsetPropertyDlg>(
        [](TKxRecordsetPropertyDlg& dialog) { dialog.accept(); }, &dialogs, false);
    ASSERT_TRUE(SchemaPage()->EditData());
    ASSERT_NE(DataPage(), nullptr);
    EXPECT_EQ(DataPage()->Grid().CellText(1, 0), QStringLiteral("2"));
}

TEST_P(SchemaWindowsTest, SchemaAndDataWindowsComeBackAfterARestart) {
    window->Actions().ShowDBSchema->trigger();
    int dialogs = 0;
    ASSERT_TRUE(EditData(QStringLiteral("Mixed Case"), &dialogs));
    const QString schemaCaption = SchemaPage()->Caption();
    const QString dataCaption = DataPage()->Caption();
    ASSERT_TRUE(Close());

    NewWindow();
    window->FirstActivation(true);
    QCoreApplication::processEvents();
    ASSERT_NE(SchemaPage(), nullptr);
    EXPECT_EQ(SchemaPage()->Caption(), schemaCaption);
    EXPECT_NE(TableNode(QStringLiteral("Mixed Case")), nullptr) << "the tree is read again";
    ASSERT_NE(DataPage(), nullptr);
    EXPECT_EQ(DataPage()->Caption(), dataCaption);
    ASSERT_TRUE(DataPage()->Recordset().Active());
    EXPECT_EQ(DataPage()->Grid().CellText(1, 1), QStringLiteral("one"));

    // Closing the schema page forgets its stored schema data; a page without a caption
    // never deletes anybody else's.
    KxOpenKey(&store, QStringLiteral("\\Schemata\\other"), true);
    store.WriteString(QStringLiteral("Kept"), QStringLiteral("1"));
    SchemaPage()->SetCaption(QString());
    SchemaPage()->ClosePageAndForgetSchema();
    QCoreApplication::processEvents();
    EXPECT_TRUE(KxOpenKey(&store, QStringLiteral("\\Schemata\\other"), false));
}

TEST_P(SchemaWindowsTest, ADraggedColumnDropsItsNameIntoTheScript) {
    window->Actions().ShowDBSchema->trigger();
    TKxSchemaTreeNode* table = TableNode(QStringLiteral("Mixed Case"));
    ASSERT_NE(table, nullptr);
    QTreeWidgetItem* column = table->child(0)->child(1); // v  <…>  Size: …
    std::unique_ptr<QMimeData> mime(SchemaPage()->Tree().mimeData({column}));
    SetScript(QStringLiteral("SELECT  FROM t;"));
    window->Editor().SetSelStart(7);
    window->Editor().SetSelLength(0);
    QWidget* viewport = window->Editor().viewport();
    const QPoint at = window->Editor().CaretRect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(window->Editor().Text(), QStringLiteral("SELECT  v  FROM t;"))
        << "the column's name, not its detail line";
    // Text from anywhere else is the editor's own business.
    QMimeData plain;
    plain.setText(QStringLiteral("x"));
    QDragEnterEvent other(at, Qt::CopyAction, &plain, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &other);
    EXPECT_EQ(window->Editor().Text(), QStringLiteral("SELECT  v  FROM t;"));
}

TEST_P(SchemaWindowsTest, ClosingTheWindowWhileTheTreeLoadsWaitsForTheLoadToStop) {
    window->Actions().ShowDBSchema->trigger();
    QPointer<TKxPageDockForm> form = WindowOf(TKxPageKind::Schema);
    QPointer<TKxODBCSchemaTreeFrame> page = SchemaPage();
    ASSERT_NE(page, nullptr);
    bool closed = false;
    page->Tree().OnRowLoaded = [&] {
        if (!closed) {
            closed = true;
            form->close(); // and a second refresh on top of it
            page->RefreshSchema();
            EXPECT_FALSE(page.isNull()) << "nothing freed while loading";
        }
    };
    page->RefreshSchema();
    EXPECT_TRUE(closed);
    // The page goes, then the window that no longer holds one.
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_TRUE(page.isNull());
    EXPECT_TRUE(form.isNull());
    EXPECT_TRUE(window->PageWindows().List().empty());
}

TEST_P(SchemaWindowsTest, ANewSchemaPageDocksIntoTheWindowActivatedLast) {
    window->Actions().ShowDBSchema->trigger();
    TKxPageDockForm* first = WindowOf(TKxPageKind::Schema);
    TKxPageDockForm* second = window->PageWindows().NewWindow(TKxPageKind::Schema);
    EXPECT_EQ(WindowOf(TKxPageKind::Schema), second);
    EXPECT_EQ(second->Name(), QStringLiteral("Schema Window 0"));
    EXPECT_EQ(first->Name(), QStringLiteral("Schema Window 1"));
    window->PageWindows().Activated(first);
    EXPECT_EQ(first->Name(), QStringLiteral("Schema Window 0")) << "names follow the order";
    const auto other = KxMake<TKxOdbcConnectProperties>();
    other->ConnectionString =
        QStringLiteral("Driver=SQLite3;Database=") + File("other.db") + QLatin1Char(';');
    window->PageWindows().OpenSchema(*other, true);
    EXPECT_EQ(first->PageCount(), 2);
    EXPECT_EQ(second->PageCount(), 0);
    EXPECT_TRUE(SchemaPage()->ControlPanelVisible());
}

KX_INSTANTIATE_DRIVER_TESTS(SchemaWindowsTest);

TEST(TableSelectStatementTest, QuotesEveryPartAndDoublesQuotesInside) {
    EXPECT_EQ(
        KxTableSelectStatement({QStringLiteral("s2"), QStringLiteral("t")}, QStringLiteral("\"")),
        QStringLiteral("SELECT * FROM \"s2\".\"t\""));
    EXPECT_EQ(KxTableSelectStatement({QString(), QStringLiteral("a\"b;c")}, QStringLiteral("\"")),
              QStringLiteral("SELECT * FROM \"a\"\"b;c\""));
    EXPECT_EQ(KxTableSelectStatement({QStringLiteral("t")}, QStringLiteral(" ")),
              QStringLiteral("SELECT * FROM t"));
}

} // namespace
