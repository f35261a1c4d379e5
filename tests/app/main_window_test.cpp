#include "app/application_settings.h"
#include "app/connection_list.h"
#include "app/main_window.h"
#include "app/script_document.h"
#include "app/script_executor.h"
#include "app/script_statements.h"
#include "datactrls/data_grid.h"
#include "datactrls/data_memo.h"
#include "dbcore/sql_property.h"
#include "dialogs/connection_dialog.h"
#include "editor/syntax_editor.h"
#include "foundation/persistent_data.h"
#include "main_window_fixture.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_environment.h"
#include "odbc/odbc_recordset.h"
#include "support/driver_test.h"
#include "support/file_bytes.h"
#include "support/file_fault_scopes.h"
#include "support/modal_dialog.h"
#include "support/raised.h"
#include "support/scripted_message_box.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using namespace kx;
using kx::test::MainWindowTest;

using test::ReadBytes;
using test::WriteBytes;

TEST_P(MainWindowTest, RunsTheScriptIntoTheGridAndShowsTheConnectionInTheTitle) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Kx - Querolt - [No DB Connection]"));
    EXPECT_FALSE(window->Actions().CloseConnection->isEnabled()) << "no current connection";
    EXPECT_FALSE(window->Actions().ExecuteStatement->isEnabled());

    ASSERT_TRUE(window->UseConnectionString(connectString));
    EXPECT_TRUE(window->windowTitle().startsWith(QStringLiteral("Kx - Querolt - [")));
    EXPECT_FALSE(window->windowTitle().contains(QStringLiteral("No DB Connection")));
    // The same data source again: no second entry.
    ASSERT_TRUE(window->UseConnectionString(connectString));
    EXPECT_EQ(window->Connections().Count(), 1);

    SetScript(QStringLiteral("CREATE TABLE w (id INTEGER, name VARCHAR(10));\n"
                             "INSERT INTO w VALUES (1, 'one');\n"
                             "INSERT INTO w VALUES (2, 'two');\n"
                             "SELECT id, name FROM w ORDER BY id;\n"));
    EXPECT_EQ(window->StatusText(0), QStringLiteral("Statements: 4"));
    EXPECT_TRUE(window->Actions().ExecuteScript->isEnabled());
    window->Actions().ExecuteScript->trigger();
    ASSERT_TRUE(window->ResultSet().Active());
    EXPECT_EQ(window->Grid().ColumnCount(), 2);
    EXPECT_EQ(window->Grid().CountText(), QStringLiteral("2"));
    EXPECT_EQ(window->Grid().CellText(1, 1), QStringLiteral("one"));
    EXPECT_TRUE(window->Actions().CloseRSStatement->isEnabled());
    EXPECT_TRUE(window->StatusText(2).startsWith(QStringLiteral("SQL execution time: ")));

    // Closing the only connection leaves none current.
    window->Actions().CloseConnection->trigger();
    EXPECT_EQ(window->Connections().Count(), 0);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Kx - Querolt - [No DB Connection]"));
    EXPECT_FALSE(window->ResultSet().Active());
    EXPECT_FALSE(window->Actions().CloseConnection->isEnabled());
}

TEST_P(MainWindowTest, TheMemoShowsTheWholeLongTextOfTheFocusedCell) {
    ASSERT_TRUE(window->UseConnectionString(connectString));
    SetScript(QStringLiteral("CREATE TABLE m (id INTEGER PRIMARY KEY, notes TEXT);\n"
                             "INSERT INTO m VALUES (1, 'first line\nsecond line');\n"
                             "SELECT id, notes FROM m;\n"));
    window->Actions().ExecuteScript->trigger();
    ASSERT_TRUE(window->ResultSet().Active());
    EXPECT_FALSE(window->Memo().isVisibleTo(window.get())) << "an integer column has no memo";
    window->Grid().SetFocusedColumn(1);
    ASSERT_TRUE(window->Memo().isVisibleTo(window.get()));
    window->Memo().EnsureLoaded();
    EXPECT_EQ(window->Memo().toPlainText(), QStringLiteral("first line\nsecond line"));
    window->Grid().SetFocusedColumn(0);
    EXPECT_FALSE(window->Memo().isVisibleTo(window.get()));
}

TEST_P(MainWindowTest, AnOpenTransactionIsAskedAboutAndStartingOneOpensTheConnection) {
    ASSERT_TRUE(window->UseConnectionString(connectString));
    window->Actions().Autocommit->trigger();
    ASSERT_FALSE(window->Actions().Autocommit->isChecked());
    TKxOdbcConnection* connection = window->CurrentConnection();
    ASSERT_FALSE(connection->Active());
    // The connection opens on demand for Start Transaction.
    ASSERT_TRUE(window->Actions().StartTransaction->isEnabled());
    window->Actions().StartTransaction->trigger();
    EXPECT_TRUE(connection->Active());
    EXPECT_EQ(connection->TransactionCount(), 1);
    EXPECT_TRUE(window->Actions().CommitTransaction->isEnabled());

    // Cancel keeps the window open and the transaction running.
    {
        test::ScriptedMessageBox box({id::Cancel});
        EXPECT_FALSE(Close());
        ASSERT_EQ(box.Seen().size(), 1u);
        EXPECT_TRUE(box.Seen()[0].text.contains(QStringLiteral("has an open transaction")));
    }
    EXPECT_EQ(connection->TransactionCount(), 1);
    // No rolls back and closes.
    test::ScriptedMessageBox box({id::No});
    EXPECT_TRUE(Close());
    EXPECT_EQ(connection->TransactionCount(), 0);
}

TEST_P(MainWindowTest, ScriptFilesLoadSaveAndComeBackByteForByte) {
    // Not UTF-8: Latin-1 bytes come back unchanged through Load and Save.
    const QString latin = File("latin.sql");
    static const char latinText[] = "SELECT 'caf\xe9' AS x;\r\n-- \xe4\xf6\xfc\r\n";
    const QByteArray bytes(latinText, sizeof latinText - 1);
    WriteBytes(latin, bytes);
    ASSERT_TRUE(window->LoadScript(latin));
    EXPECT_EQ(window->Document().FileName(), QFileInfo(latin).absoluteFilePath());
    EXPECT_EQ(window->StatusText(1), QStringLiteral("Modified: No"));
    const QString copy = File("copy.sql");
    window->Document().SaveAs(copy);
    EXPECT_EQ(ReadBytes(copy), bytes);

    // An edit marks it modified; Save writes it and clears the mark.
    window->Editor().SetAllText(window->Editor().Text() + QStringLiteral("SELECT 2;"));
    EXPECT_EQ(window->StatusText(1), QStringLiteral("Modified: Yes"));
    EXPECT_TRUE(window->Actions().SaveScriptFile->isEnabled());
    window->Actions().SaveScriptFile->trigger();
    EXPECT_EQ(window->StatusText(1), QStringLiteral("Modified: No"));
    EXPECT_TRUE(ReadBytes(copy).endsWith("SELECT 2;"));

    // A read-only file makes the editor read-only.
    const QString locked = File("locked.sql");
    WriteBytes(locked, "SELECT 1;");
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    ASSERT_TRUE(window->LoadScript(locked));
    EXPECT_EQ(window->StatusText(1), QStringLiteral("Readonly"));
    EXPECT_TRUE(window->Editor().ReadOnly());

    // The recent files hold each file once, newest first, without the loaded one (any case).
    const QStringList recent = window->Document().RecentFiles();
    EXPECT_FALSE(recent.contains(window->Document().FileName(), Qt::CaseInsensitive));
    EXPECT_TRUE(recent.contains(QFileInfo(latin).absoluteFilePath()));
}

TEST_P(MainWindowTest, AFailedLoadLeavesTheUnnamedScriptAndAMissingFileIsNamed) {
    SetScript(QStringLiteral("SELECT 'my unnamed work';"));
    window->Document().StoreUnnamedScript();
    const QString good = File("good.sql");
    WriteBytes(good, "SELECT 1;");
    ASSERT_TRUE(window->LoadScript(good));

    // A path that exists but cannot be read as a file.
    const QString folder = File("folder.sql");
    QDir().mkpath(folder);
    EXPECT_THROW(window->LoadScript(folder), EKxException);
    EXPECT_EQ(window->Document().FileName(), QString());
    EXPECT_EQ(window->Editor().Text(), QStringLiteral("SELECT 'my unnamed work';"));
    EXPECT_FALSE(window->Document().Modified());

    try {
        window->LoadScript(File("missing.sql"));
        ADD_FAILURE() << "a missing file loaded";
    } catch (const EKxException& e) {
        EXPECT_EQ(e.GetMessage(),
                  QStringLiteral("File \"%1\" doesn't exist").arg(File("missing.sql")));
    }
    // Closing stores the unnamed script unchanged.
    EXPECT_TRUE(Close());
    EXPECT_EQ(store.ReadValue(sidCurrentSQLStatement).ToString(),
              QStringLiteral("SELECT 'my unnamed work';"));
}

TEST_P(MainWindowTest, AFailedSaveIsShownAndLeavesTheFileTheScriptAndItsNameAsTheyWere) {
    const QString folder = File("scripts");
    ASSERT_TRUE(QDir().mkpath(folder));
    test::OpenToOthers(dir.path());
    test::OpenToOthers(folder);
    const QString file = QDir(folder).filePath(QStringLiteral("work.sql"));
    WriteBytes(file, "SELECT 'saved';\r\n");
    ASSERT_TRUE(window->LoadScript(file));
    const QString edited = QStringLiteral("SELECT 'edited \u00e4\u00f6\u00fc';\r\n").repeated(500);
    window->Editor().SetAllText(edited);
    const auto expectUnchanged = [&] {
        EXPECT_EQ(window->Document().FileName(), QFileInfo(file).absoluteFilePath());
        EXPECT_TRUE(window->Document().Modified());
        EXPECT_TRUE(window->Actions().SaveScriptFile->isEnabled()) << "Save can be tried again";
        EXPECT_EQ(window->Editor().Text(), edited);
        EXPECT_EQ(ReadBytes(file), QByteArray("SELECT 'saved';\r\n"));
        EXPECT_EQ(test::FolderEntries(folder), QStringList{QStringLiteral("work.sql")});
    };

    // Save from the menu: the failure is shown as an error naming the file and the reason.
    {
        test::ScriptedMessageBox box({id::Ok});
        {
            test::FileSizeLimitScope limit(4096);
            window->Actions().SaveScriptFile->trigger();
        }
        ASSERT_EQ(box.Seen().size(), 1u);
        EXPECT_EQ(box.Seen()[0].text,
                  QStringLiteral("Cannot write the file \"%1\": File too large").arg(file));
        EXPECT_EQ(box.Seen()[0].caption, QStringLiteral("Error"));
    }
    expectUnchanged();

    // Save As to a folder that takes no new files: the script stays the file it was, and the
    // recent files do not gain one that was never written.
    const QString elsewhere = QDir(folder).filePath(QStringLiteral("copy.sql"));
    {
        test::WriteProtectionScope protection(folder);
        const EKxException e = test::Raised([&] { window->Document().SaveAs(elsewhere); });
        EXPECT_EQ(e.GetMessage(),
                  QStringLiteral("Cannot write the file \"%1\": Permission denied").arg(elsewhere));
    }
    expectUnchanged();
    EXPECT_FALSE(window->Document().RecentFiles().contains(elsewhere));

    window->Actions().SaveScriptFile->trigger();
    EXPECT_FALSE(window->Document().Modified());
    EXPECT_EQ(ReadBytes(file), edited.toUtf8()) << "saved once the fault is gone";
}

TEST_P(MainWindowTest, AFileChangedOutsideIsReloadedOnRequestDroppingEdits) {
    const QString file = File("outside.sql");
    WriteBytes(file, "SELECT 1;");
    ASSERT_TRUE(window->LoadScript(file));
    window->Editor().SetAllText(QStringLiteral("SELECT 'unsaved';"));
    ASSERT_TRUE(window->Document().Modified());
    WriteBytes(file, "SELECT 'from outside';");
    QFile touched(file);
    ASSERT_TRUE(touched.open(QIODevice::ReadWrite));
    touched.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime);
    touched.close();
    test::ScriptedMessageBox box({id::Yes});
    window->Document().CheckOutsideChange();
    ASSERT_EQ(box.Seen().size(), 1u) << "only the reload question, not the save question";
    EXPECT_EQ(window->Editor().Text(), QStringLiteral("SELECT 'from outside';"));
    EXPECT_FALSE(window->Document().Modified());
    // Asked once per change.
    window->Document().CheckOutsideChange();
    EXPECT_EQ(box.Seen().size(), 1u);
}

TEST_P(MainWindowTest, TheNextStartRestoresConnectionScriptAndOpenResult) {
    ASSERT_TRUE(window->UseConnectionString(connectString));
    const QString file = File("restore.sql");
    WriteBytes(file, "SELECT 7 AS seven;");
    ASSERT_TRUE(window->LoadScript(file));
    window->Statements().MakeCurrentAt(1);
    window->Actions().ExecuteStatement->trigger();
    ASSERT_TRUE(window->ResultSet().Active());
    ASSERT_TRUE(Close());

    NewWindow();
    window->FirstActivation();
    ASSERT_NE(window->CurrentConnection(), nullptr);
    EXPECT_EQ(window->CurrentConnection()->ConnectionString(), connectString);
    EXPECT_EQ(window->Document().FileName(), QFileInfo(file).absoluteFilePath());
    EXPECT_EQ(window->Editor().Text(), QStringLiteral("SELECT 7 AS seven;"));
    ASSERT_TRUE(window->ResultSet().Active()) << "the open result is opened again";
    EXPECT_EQ(window->Grid().CellText(1, 0), QStringLiteral("7"));
    // Timed from the reopening, not from the epoch.
    EXPECT_TRUE(window->StatusText(2).startsWith(QStringLiteral("SQL execution time: 00:00:")))
        << window->StatusText(2).toStdString();
}

void WhenConnectionDialogShows(std::function<void(TKxConnectionDlg&)> step) {
    test::WhenModalDialogShows<TKxConnectionDlg>(std::move(step));
}

TEST_P(MainWindowTest, NewConnectionComesFromTheDialogAndAListedOneIsReused) {
    const auto typeConnectionString = [this](TKxConnectionDlg& dialog) {
        auto* box = dialog.findChild<QComboBox*>(QStringLiteral("ComboBoxDSN"));
        ASSERT_NE(box, nullptr);
        box->setEditText(connectString);
        dialog.Button(sbOk)->click();
    };
    // Cancel: nothing listed and nothing said.
    {
        test::ScriptedMessageBox box;
        WhenConnectionDialogShows([](TKxConnectionDlg& dialog) { dialog.reject(); });
        window->Actions().NewDBConnection->trigger();
        EXPECT_EQ(window->Connections().Count(), 0);
        EXPECT_TRUE(box.Seen().empty());
    }
    WhenConnectionDialogShows(typeConnectionString);
    window->Actions().NewDBConnection->trigger();
    ASSERT_EQ(window->Connections().Count(), 1);
    ASSERT_NE(window->CurrentConnection(), nullptr);
    EXPECT_EQ(window->CurrentConnection()->ConnectionString(), connectString);
    EXPECT_FALSE(window->CurrentConnection()->Active()) << "connections open on demand";
    // The same data source again: the listed one, without a message.
    test::ScriptedMessageBox box;
    WhenConnectionDialogShows(typeConnectionString);
    window->Actions().NewDBConnection->trigger();
    EXPECT_EQ(window->Connections().Count(), 1);
    EXPECT_TRUE(box.Seen().empty());
}

KX_INSTANTIATE_DRIVER_TESTS(MainWindowTest);

TEST(MainWindowConnectionsTest, AScriptRunsOnTheSelectedOfTwoDatabasesWithOneFileName) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("a"));
    QDir(dir.path()).mkpath(QStringLiteral("b"));
    const auto databaseIn = [&](const char* folder) {
        return QStringLiteral("Driver=SQLite3;Database=%1;")
            .arg(QDir(dir.path()).filePath(QLatin1String(folder) + QStringLiteral("/x.db")));
    };
    TKxPersistentData store;
    KxConfigureApplicationStore(store, QDir(dir.path()).filePath(QStringLiteral("t.PRS")));
    TKxOdbcEnvironment environment;
    TMainWindow window(store, environment);
    ASSERT_TRUE(window.UseConnectionString(databaseIn("a")));
    ASSERT_TRUE(window.UseConnectionString(databaseIn("b")));
    ASSERT_EQ(window.Connections().Count(), 2);
    ASSERT_TRUE(window.SetCurrentConnection(0));
    window.Editor().SetAllText(QStringLiteral("CREATE TABLE only_in_a (id INTEGER);"));
    window.Statements().ResetCurrentStatement();
    window.Statements().FindCurrentStatement();
    window.RefreshActions();
    window.Actions().ExecuteStatement->trigger();

    const auto hasTable = [&](const char* folder) {
        TKxOdbcConnection check;
        check.SetODBCEnvironment(&environment);
        check.SetConnectionString(databaseIn(folder));
        try {
            check.ExecuteDirect(QStringLiteral("INSERT INTO only_in_a VALUES (1)"));
            return true;
        } catch (const EKxException& e) {
            return false;
        }
    };
    EXPECT_TRUE(hasTable("a"));
    EXPECT_FALSE(hasTable("b"));
    // The next start takes the one that was current, not the first of that file name.
    ASSERT_TRUE(window.SetCurrentConnection(1));
    window.StoreSettings();
    TMainWindow next(store, environment);
    next.FirstActivation();
    ASSERT_NE(next.CurrentConnection(), nullptr);
    EXPECT_EQ(next.CurrentConnection()->ConnectionString().toStdString(),
              databaseIn("b").toStdString());
}

TEST(ConnectionListTest, DatabasesWithTheSameFileNameAreTwoConnections) {
    TKxOdbcEnvironment environment;
    TKxConnectionList list(environment);
    const auto add = [&](const char* text) {
        auto connection = list.Create();
        connection->SetConnectionString(QString::fromLatin1(text));
        return list.Add(std::move(connection));
    };
    EXPECT_EQ(add("Driver=SQLite3;Database=/a/x.db;"), 0);
    EXPECT_EQ(add("Driver=SQLite3;Database=/b/x.db;"), 1);
    EXPECT_EQ(add("Driver=SQLite3;Database=/a/x.db;Timeout=5;"), 0) << "listed already";
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.IndexOfDisplayName(QStringLiteral("/b/x.db")), 1);
    // Closing the last entry goes to the first; the only entry has no successor.
    EXPECT_EQ(list.SuccessorOf(1), 0);
    EXPECT_EQ(list.SuccessorOf(0), 1);
    list.Remove(1);
    EXPECT_EQ(list.SuccessorOf(0), -1);
}

} // namespace
