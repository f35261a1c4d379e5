#include "dbcore/connection_string.h"
#include "dialogs/connection_dialog.h"
#include "dialogs_test_support.h"
#include "foundation/application_exception_handler.h"
#include "foundation/storage_helpers.h"
#include "odbc/odbc_connect_properties.h"
#include "odbc/odbc_error.h"
#include "support/connected_driver_test.h"
#include "support/modal_dialog.h"
#include "support/scripted_message_box.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QThread>
#include <QTimer>
#include <functional>

namespace {

using namespace kx;
using kx::test::ScriptedMessageBox;

template <class W> W* Control(QWidget* dialog, const char* name) {
    W* control = dialog->findChild<W*>(QLatin1String(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}

void WhenDialogShows(std::function<void(TKxConnectionDlg&)> step, int* shown = nullptr,
                     bool required = true) {
    test::WhenModalDialogShows<TKxConnectionDlg>(std::move(step), shown, required);
}

// Fails the test when a connection dialog shows up, and gets it out of the way. The caller
// lets the check run (processEvents) before it ends, so it never meets another test's dialog.
void NoDialogExpected() {
    WhenDialogShows(
        [](TKxConnectionDlg& dialog) {
            ADD_FAILURE() << "unexpected connection dialog";
            dialog.reject();
        },
        nullptr, false);
}

void PressOk(TKxConnectionDlg& dialog) {
    dialog.Button(sbOk)->click();
}

// The user data sources the driver manager lists while the object lives: "Sales" described
// by its driver "SQL Server" (which is not installed) and "KxDialogDb" on an SQLite file. The
// system data sources stay those of the machine: the driver manager reads where they live
// only once per process.
class UserDataSources {
public:
    explicit UserDataSources(const QString& sqliteFile) {
        QFile file(dir.filePath(QStringLiteral("odbc.ini")));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("[Sales]\nDriver=SQL Server\n\n"
                                  "[KxDialogDb]\nDriver=SQLite3\nDatabase=%1\n")
                       .arg(sqliteFile)
                       .toUtf8());
        file.close();
        wasSet = qEnvironmentVariableIsSet("ODBCINI");
        saved = qgetenv("ODBCINI");
        qputenv("ODBCINI", file.fileName().toUtf8());
    }
    ~UserDataSources() {
        if (wasSet)
            qputenv("ODBCINI", saved);
        else
            qunsetenv("ODBCINI");
    }

private:
    QTemporaryDir dir;
    bool wasSet = false;
    QByteArray saved;
};

// ---- the dialog on its own

class ConnectionDialogTest : public kx::test::DialogsTest {};

TEST_F(ConnectionDialogTest, ShowsThePropertiesAndWritesThemBackOnlyOnOk) {
    KxIntf<TKxOdbcConnectProperties> properties(new TKxOdbcConnectProperties);
    properties->ConnectionString = QStringLiteral("Driver=SQLite3;Database=/tmp/a.db");
    properties->CursorOrigin = coUseODBCCursors;
    properties->TransactionIsolation = KxSetOf(tiRepeatableRead) | KxSetOf(tiSerializable);
    properties->Username = QStringLiteral("anna");
    properties->Password = QStringLiteral("s3cret");
    properties->TimeoutForLogin = 12;
    properties->TimeoutForStatements = 0;

    // Cancel: whatever was edited, the properties stay.
    WhenDialogShows([](TKxConnectionDlg& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Select ODBC Data Source"));
        EXPECT_EQ(dialog.height(), 260);
        EXPECT_EQ(dialog.minimumHeight(), 260);
        EXPECT_EQ(dialog.maximumHeight(), 260);
        EXPECT_GE(dialog.width(), 350);
        EXPECT_EQ(dialog.minimumWidth(), 350);
        QStringList labels;
        for (QLabel* label : dialog.findChildren<QLabel*>())
            labels << label->text();
        for (const char* text : {"Data Source Name:", "Cursor Origin:", "Tansaction Isolation:",
                                 "Username:", "Password:", "Login Timeout:", "Statement Timeout:"})
            EXPECT_EQ(labels.count(QLatin1String(text)), 1) << text;
        EXPECT_EQ(labels.count(QStringLiteral("[s]  0 = Infinite")), 2);

        auto* dsn = Control<QComboBox>(&dialog, "ComboBoxDSN");
        auto* origin = Control<QComboBox>(&dialog, "ComboBoxCursorOrigin");
        auto* isolation = Control<QComboBox>(&dialog, "ComboBoxTransactionIsolation");
        auto* user = Control<QLineEdit>(&dialog, "EditUsername");
        auto* password = Control<QLineEdit>(&dialog, "EditPassword");
        auto* login = Control<QSpinBox>(&dialog, "IntEditLoginTimeout");
        auto* statement = Control<QSpinBox>(&dialog, "IntEditStatementTimeout");
        EXPECT_TRUE(dsn->isEditable());
        EXPECT_EQ(dsn->currentText(), QStringLiteral("Driver=SQLite3;Database=/tmp/a.db"));
        EXPECT_EQ(origin->currentText(), QStringLiteral("coUseODBCCursors"));
        EXPECT_EQ(origin->count(), 3);
        // An isolation set shows its first member.
        EXPECT_EQ(isolation->currentText(), QStringLiteral("Repeatable Read"));
        EXPECT_EQ(isolation->itemText(0), QStringLiteral("Read Uncommitted"));
        EXPECT_EQ(user->text(), QStringLiteral("anna"));
        EXPECT_EQ(password->text(), QStringLiteral("s3cret"));
        EXPECT_EQ(password->echoMode(), QLineEdit::Password);
        EXPECT_EQ(login->value(), 12);
        EXPECT_EQ(login->width(), 70);
        EXPECT_EQ(statement->value(), 0);

        user->setText(QStringLiteral("bert"));
        dsn->setEditText(QStringLiteral("DSN=Other"));
        dialog.Button(sbCancel)->click();
    });
    EXPECT_FALSE(KxConnectionDialog(*properties, &store, nullptr));
    EXPECT_EQ(properties->Username, QStringLiteral("anna"));
    EXPECT_EQ(properties->ConnectionString, QStringLiteral("Driver=SQLite3;Database=/tmp/a.db"));
    EXPECT_NE(StoredBounds(QStringLiteral("ODBC Select DSN Dialog")).Left, kxUnsetBound);

    // OK: every control is written back; a typed DSN-less string is taken as it is.
    WhenDialogShows([](TKxConnectionDlg& dialog) {
        Control<QComboBox>(&dialog, "ComboBoxDSN")
            ->setEditText(QStringLiteral(" Driver=SQLite3;Database=/b/x.db "));
        Control<QComboBox>(&dialog, "ComboBoxCursorOrigin")->setCurrentIndex(coUseDriverCursors);
        Control<QComboBox>(&dialog, "ComboBoxTransactionIsolation")->setCurrentIndex(0);
        Control<QLineEdit>(&dialog, "EditUsername")->setText(QStringLiteral("bert"));
        auto* password = Control<QLineEdit>(&dialog, "EditPassword");
        password->clear();
        kx::test::TypeText(password, QStringLiteral("x"));
        Control<QSpinBox>(&dialog, "IntEditLoginTimeout")->setValue(0);
        Control<QSpinBox>(&dialog, "IntEditStatementTimeout")->setValue(90);
        PressOk(dialog);
    });
    EXPECT_TRUE(KxConnectionDialog(*properties, &store, nullptr));
    EXPECT_EQ(properties->ConnectionString, QStringLiteral("Driver=SQLite3;Database=/b/x.db"));
    EXPECT_EQ(properties->CursorOrigin, coUseDriverCursors);
    EXPECT_EQ(properties->TransactionIsolation, KxSetOf(tiReadUncommitted));
    EXPECT_EQ(properties->Username, QStringLiteral("bert"));
    EXPECT_EQ(properties->Password, QStringLiteral("x"));
    EXPECT_EQ(properties->TimeoutForLogin, 0u);
    EXPECT_EQ(properties->TimeoutForStatements, 90u);
}

TEST_F(ConnectionDialogTest, AnEmptyIsolationSetIsWrittenAsItsFirstChoice) {
    KxIntf<TKxOdbcConnectProperties> properties(new TKxOdbcConnectProperties);
    properties->TransactionIsolation = 0;
    WhenDialogShows([](TKxConnectionDlg& dialog) {
        EXPECT_EQ(Control<QComboBox>(&dialog, "ComboBoxTransactionIsolation")->currentIndex(), -1);
        PressOk(dialog);
    });
    EXPECT_TRUE(KxConnectionDialog(*properties, nullptr, nullptr));
    EXPECT_EQ(properties->TransactionIsolation, KxSetOf(tiReadUncommitted));
}

TEST_F(ConnectionDialogTest, ListsSystemAndUserDataSourcesAndAPickedOneBecomesItsDsn) {
    UserDataSources odbc(Path(QStringLiteral("dsn.db")));
    QStringList systemSources;
    {
        TKxOdbcEnvironment environment;
        ODBCEnumDSN(&environment, dkSystem, QStringLiteral("System DSN: \"%s\" [%s]"),
                    [&](const QString& text) { systemSources << text; });
    }
    KxIntf<TKxOdbcConnectProperties> properties(new TKxOdbcConnectProperties);
    WhenDialogShows([&](TKxConnectionDlg& dialog) {
        auto* dsn = Control<QComboBox>(&dialog, "ComboBoxDSN");
        QStringList items;
        for (int i = 0; i < dsn->count(); ++i)
            items << dsn->itemText(i);
        EXPECT_EQ(items, systemSources +
                             QStringList({QStringLiteral("User DSN: \"Sales\" [SQL Server]"),
                                          QStringLiteral("User DSN: \"KxDialogDb\" [SQLite3]")}));
        // Picking an item as the keyboard does: the text becomes "DSN=" and the bare name.
        const int sales = items.indexOf(QStringLiteral("User DSN: \"Sales\" [SQL Server]"));
        dsn->setCurrentIndex(sales - 1);
        kx::test::KeyClick(dsn, Qt::Key_Down);
        EXPECT_EQ(dsn->currentIndex(), sales);
        EXPECT_EQ(dsn->currentText(), QStringLiteral("DSN=Sales"));
        PressOk(dialog);
    });
    EXPECT_TRUE(KxConnectionDialog(*properties, nullptr, nullptr));
    EXPECT_EQ(properties->ConnectionString, QStringLiteral("DSN=Sales"));
}

TEST_F(ConnectionDialogTest, AnAbortIsNeverReportedToTheUser) {
    ScriptedMessageBox box({id::Ok}); // one answer: for the real failure
    try {
        KxAbort(QStringLiteral("Operation canceled"), QStringLiteral("KxOdbcConnect"));
    } catch (const std::exception& e) {
        KxHandleApplicationException(e);
    }
    EXPECT_TRUE(box.Seen().empty());
    KxHandleApplicationException(EKxException(QStringLiteral("a real failure")));
    ASSERT_EQ(box.Seen().size(), 1u);
    EXPECT_EQ(box.Seen()[0].text, QStringLiteral("a real failure"));
}

// ---- connecting, on both drivers

class OdbcConnectTest : public kx::test::ConnectedDriverTest {
protected:
    // A connection string that reaches the driver and fails there.
    QString FailingString() const {
        if (Server())
            return KxRemoveConnectionStringKeys(connectString, {QStringLiteral("Database")}) +
                   QStringLiteral("Database=kx_no_such_database;");
        return QStringLiteral("Driver=SQLite3;Database=%1;")
            .arg(QDir(dir.path()).filePath(QStringLiteral("missing/folder/x.db")));
    }
};

TEST_P(OdbcConnectTest, AnOpenConnectionIsTakenAsItIsWithoutADialog) {
    connection.SetActive(true);
    NoDialogExpected();
    EXPECT_TRUE(KxOdbcConnect(connection, true, nullptr, nullptr));
    EXPECT_TRUE(connection.Active());
    QCoreApplication::processEvents();
    connection.SetActive(false);
}

TEST_P(OdbcConnectTest, AFailureAsksWhetherToTryAgainAndNoRaisesIt) {
    connection.SetConnectionString(FailingString());
    ScriptedMessageBox box({id::No});
    QString message;
    try {
        KxOdbcConnect(connection, false, nullptr, nullptr);
        ADD_FAILURE() << "connected to " << FailingString().toStdString();
    } catch (const EODBCError& e) {
        message = e.GetMessage();
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("SQLDriverConnect"));
    }
    EXPECT_FALSE(connection.Active());
    ASSERT_EQ(box.Seen().size(), 1u);
    EXPECT_EQ(box.Seen()[0].text,
              message + QStringLiteral("\r\rTry again with other parameters ?"));
    EXPECT_EQ(box.Seen()[0].caption, QStringLiteral("Warning"));
    EXPECT_EQ(box.Seen()[0].flags & mb::ButtonMask, mb::YesNo);
}

TEST_P(OdbcConnectTest, YesShowsTheDialogWithTheValuesTriedAndConnectsWithTheNewOnes) {
    const QString failing = FailingString();
    connection.SetConnectionString(failing);
    connection.SetTimeoutForLogin(7);
    ScriptedMessageBox box({id::Yes, id::Yes});
    int shown = 0;
    // First round: the failing values are shown; OK with them fails again and asks again.
    WhenDialogShows(
        [&](TKxConnectionDlg& dialog) {
            EXPECT_EQ(Control<QComboBox>(&dialog, "ComboBoxDSN")->currentText(), failing);
            EXPECT_EQ(Control<QSpinBox>(&dialog, "IntEditLoginTimeout")->value(), 7);
            Control<QSpinBox>(&dialog, "IntEditLoginTimeout")->setValue(9);
            PressOk(dialog);
            // Second round: what was edited in the first is what comes back.
            WhenDialogShows(
                [&](TKxConnectionDlg& again) {
                    EXPECT_EQ(Control<QSpinBox>(&again, "IntEditLoginTimeout")->value(), 9);
                    Control<QComboBox>(&again, "ComboBoxDSN")->setEditText(connectString);
                    PressOk(again);
                },
                &shown);
        },
        &shown);
    EXPECT_TRUE(KxOdbcConnect(connection, false, nullptr, nullptr));
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(box.Seen().size(), 2u);
    EXPECT_TRUE(connection.Active());
    EXPECT_EQ(connection.ConnectionString(), connectString);
    EXPECT_EQ(connection.TimeoutForLogin(), 9u);
}

TEST_P(OdbcConnectTest, CancelInTheDialogAbortsAndLeavesTheConnectionAsItWas) {
    connection.SetUsername(QStringLiteral("kept"));
    WhenDialogShows([](TKxConnectionDlg& dialog) {
        Control<QLineEdit>(&dialog, "EditUsername")->setText(QStringLiteral("dropped"));
        dialog.Button(sbCancel)->click();
    });
    try {
        KxOdbcConnect(connection, true, nullptr, nullptr);
        ADD_FAILURE() << "Cancel connected";
    } catch (const EKxAbort& e) {
        EXPECT_EQ(e.GetMessage(), QStringLiteral("Operation canceled"));
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("KxOdbcConnect"));
    }
    EXPECT_FALSE(connection.Active());
    EXPECT_EQ(connection.Username(), QStringLiteral("kept"));
    EXPECT_EQ(connection.ConnectionString(), connectString);
}

TEST_P(OdbcConnectTest, ACancelAfterAFailedTryAbortsInsteadOfReportingTheFailure) {
    connection.SetConnectionString(FailingString());
    ScriptedMessageBox box({id::Yes});
    WhenDialogShows([](TKxConnectionDlg& dialog) { dialog.Button(sbCancel)->click(); });
    EXPECT_THROW(KxOdbcConnect(connection, false, nullptr, nullptr), EKxAbort);
    EXPECT_EQ(box.Seen().size(), 1u);
    EXPECT_FALSE(connection.Active());
}

KX_INSTANTIATE_DRIVER_TESTS(OdbcConnectTest);

// Picking a user data source in the dialog connects through it.
TEST_F(ConnectionDialogTest, APickedUserDataSourceConnects) {
#if defined(__SANITIZE_ADDRESS__)
    // The SQLite3 driver keeps copies of a data source's settings it never frees when it
    // connects through a DSN; the leak checker reports them once the driver manager has
    // unloaded the driver, where no suppression can name it. The debug and optimised builds
    // run this test.
    GTEST_SKIP() << "the SQLite3 driver leaks its DSN settings (driver fault)";
#endif
    UserDataSources odbc(Path(QStringLiteral("dsn.db")));
    TKxOdbcEnvironment environment;
    TKxOdbcConnection connection;
    connection.SetODBCEnvironment(&environment);
    WhenDialogShows([](TKxConnectionDlg& dialog) {
        auto* dsn = Control<QComboBox>(&dialog, "ComboBoxDSN");
        dsn->setCurrentIndex(dsn->count() - 2);
        kx::test::KeyClick(dsn, Qt::Key_Down);
        EXPECT_EQ(dsn->currentText(), QStringLiteral("DSN=KxDialogDb"));
        PressOk(dialog);
    });
    EXPECT_TRUE(KxOdbcConnect(connection, true, &store, nullptr));
    EXPECT_TRUE(connection.Active());
    EXPECT_EQ(connection.ConnectionString(), QStringLiteral("DSN=KxDialogDb"));
    EXPECT_EQ(KxConnectionIdentity(connection.ConnectionString()), QStringLiteral("KxDialogDb"));
    connection.SetActive(false);
    EXPECT_TRUE(QFile::exists(Path(QStringLiteral("dsn.db"))));
}

// ---- a user with a password on the PostgreSQL test server

// Whether `sql` answers 1 on the connection (a raw statement: what is tested is the login).
bool AnswersOne(TKxOdbcConnection& connection, const QString& sql) {
    SQLHSTMT stmt = nullptr;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connection.OdbcHandle(), &stmt)))
        return false;
    QByteArray text = sql.toUtf8();
    SQLINTEGER value = 0;
    SQLLEN indicator = 0;
    const bool ok =
        SQL_SUCCEEDED(SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS)) &&
        SQL_SUCCEEDED(SQLFetch(stmt)) &&
        SQL_SUCCEEDED(SQLGetData(stmt, 1, SQL_C_SLONG, &value, 0, &indicator)) && value == 1;
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return ok;
}

// A login role with a password that holds the characters connection strings are made of.
// The test server trusts every login, so a rule at the top of its client authentication
// file makes it ask this one role for its password; the rule goes again afterwards.
class PasswordUserTest : public kx::test::DialogsTest {
protected:
    static constexpr const char* kPassword = "se}cr;et";

    void SetUp() override {
        DialogsTest::SetUp();
        QString error;
        pg = kx::test::PostgresTestDatabase::Create(&error);
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        if (!pg)
            GTEST_SKIP() << "no PostgreSQL test server";
        role = pg->Name() + QStringLiteral("_user");
        ASSERT_EQ(Admin(QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2'")
                            .arg(role, QLatin1String(kPassword))),
                  QString());
        ruleAdded = true;
        ASSERT_EQ(
            Admin(QStringLiteral("DO $$ DECLARE f text := current_setting('hba_file'); BEGIN "
                                 "EXECUTE format('COPY (SELECT unnest(%L::text[])) TO %L', "
                                 "ARRAY['host all %1 127.0.0.1/32 scram-sha-256'] || "
                                 "string_to_array(replace(pg_read_file(f), E'\\t', ' '), E'\\n'), "
                                 "f); END $$")
                      .arg(role)),
            QString());
        ASSERT_EQ(Admin(QStringLiteral("SELECT pg_reload_conf()")), QString());
        // The string people write for such a user: no UID or PWD of its own.
        userString = KxRemoveConnectionStringKeys(pg->ConnectionString(),
                                                  {QStringLiteral("UID"), QStringLiteral("PWD")});
        // The reload is signalled, not waited for: wait until a wrong password is refused.
        const QString wrong = userString + QStringLiteral("UID=%1;PWD=wrong;").arg(role);
        bool refused = false;
        for (int attempt = 0; attempt < 100 && !refused; ++attempt) {
            refused = !kx::test::ExecuteRaw(wrong, QStringLiteral("SELECT 1")).isEmpty();
            if (!refused)
                QThread::msleep(20);
        }
        ASSERT_TRUE(refused) << "the server still lets the role in with any password";

        connection.SetODBCEnvironment(&environment);
        connection.SetConnectionString(userString);
        connection.SetUsername(role);
    }

    void TearDown() override {
        connection.SetActive(false);
        if (ruleAdded) {
            Admin(QStringLiteral(
                      "DO $$ DECLARE f text := current_setting('hba_file'); BEGIN "
                      "EXECUTE format('COPY (SELECT l FROM unnest(%L::text[]) WITH ORDINALITY "
                      "AS t(l, n) WHERE position(%L in l) = 0 ORDER BY n) TO %L', "
                      "string_to_array(pg_read_file(f), E'\\n'), '%1', f); END $$")
                      .arg(role));
            Admin(QStringLiteral("SELECT pg_reload_conf()"));
            Admin(QStringLiteral("DROP ROLE IF EXISTS %1").arg(role));
        }
    }

    QString Admin(const QString& sql) { return kx::test::ExecuteRaw(pg->ConnectionString(), sql); }

    bool LoggedInAsTheRole() {
        return AnswersOne(
            connection,
            QStringLiteral("SELECT CASE WHEN current_user = '%1' THEN 1 ELSE 0 END").arg(role));
    }

    std::unique_ptr<kx::test::PostgresTestDatabase> pg;
    QString role;
    QString userString;
    bool ruleAdded = false;
    TKxOdbcEnvironment environment;
    TKxOdbcConnection connection;
};

TEST_F(PasswordUserTest, TheRightPasswordConnectsAndIsNeverStoredInTheConnectionString) {
    connection.SetPassword(QLatin1String(kPassword));
    connection.SetActive(true);
    EXPECT_TRUE(LoggedInAsTheRole());
    EXPECT_EQ(connection.ConnectionString(), userString);
    connection.SetActive(false);

    // The driver's completed string repeats what it got; the added pair stays out of it.
    connection.SetAttributes(KxSetOf(caAutoCommitTransactions) |
                             KxSetOf(caCompleteConnectionString));
    connection.SetActive(true);
    EXPECT_TRUE(LoggedInAsTheRole());
    EXPECT_FALSE(connection.ConnectionString().contains(QStringLiteral("cr;et")))
        << connection.ConnectionString().toStdString();
    EXPECT_FALSE(KxConnectionStringHasKey(connection.ConnectionString(), QStringLiteral("PWD")));
    connection.SetActive(false);

    // Stored, the password is enciphered and the connection string is clean; it comes back.
    KxIntf<TKxOdbcConnectProperties> stored(new TKxOdbcConnectProperties);
    stored->AssignFromObj(&connection);
    KxOpenKey(&store, QStringLiteral("\\ConnectionList\\0"), true);
    stored->StoreData(&store);
    store.Flush();
    QFile file(store.FileName());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_FALSE(bytes.contains("cr;et"));
    EXPECT_FALSE(bytes.contains(QByteArray("se}}cr")));
    KxIntf<TKxOdbcConnectProperties> loaded(new TKxOdbcConnectProperties);
    loaded->LoadData(&store);
    EXPECT_EQ(loaded->Password, QLatin1String(kPassword));
    EXPECT_EQ(loaded->Username, role);
    EXPECT_FALSE(KxConnectionStringHasKey(loaded->ConnectionString, QStringLiteral("PWD")));
}

TEST_F(PasswordUserTest, AWrongPasswordBringsTheRetryQuestionAndTheDialogWithWhatWasTyped) {
    connection.SetPassword(QStringLiteral("wrong"));
    ScriptedMessageBox box({id::Yes});
    WhenDialogShows([&](TKxConnectionDlg& dialog) {
        EXPECT_EQ(Control<QLineEdit>(&dialog, "EditUsername")->text(), role);
        auto* password = Control<QLineEdit>(&dialog, "EditPassword");
        EXPECT_EQ(password->text(), QStringLiteral("wrong"));
        password->clear();
        kx::test::TypeText(password, QLatin1String(kPassword));
        PressOk(dialog);
    });
    EXPECT_TRUE(KxOdbcConnect(connection, false, &store, nullptr));
    ASSERT_EQ(box.Seen().size(), 1u);
    EXPECT_TRUE(box.Seen()[0].text.contains(QStringLiteral("password authentication failed")))
        << box.Seen()[0].text.toStdString();
    EXPECT_TRUE(box.Seen()[0].text.endsWith(QStringLiteral("Try again with other parameters ?")));
    EXPECT_TRUE(LoggedInAsTheRole());
    EXPECT_EQ(connection.Password(), QLatin1String(kPassword));
    EXPECT_EQ(connection.ConnectionString(), userString);

    // No gives the failure back to the caller.
    connection.SetActive(false);
    connection.SetPassword(QStringLiteral("wrong again"));
    box.Answer(id::No);
    EXPECT_THROW(KxOdbcConnect(connection, false, &store, nullptr), EODBCError);
    EXPECT_FALSE(connection.Active());
}

} // namespace
