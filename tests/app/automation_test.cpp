// Runs under dbus-run-session: the window publishes its automation object on a private session
// bus and the tests call it with gdbus, as another program would.
#include "app/application_settings.h"
#include "app/automation_service.h"
#include "app/connection_list.h"
#include "app/main_window.h"
#include "app/page_windows.h"
#include "app/script_document.h"
#include "app/script_statements.h"
#include "datactrls/data_grid.h"
#include "editor/syntax_editor.h"
#include "foundation/persistent_data.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_environment.h"
#include "odbc/odbc_recordset.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace kx;

struct TCallResult {
    int exitCode = -1;
    QString output; // the reply, or the error name and message
};

class AutomationTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        KxConfigureApplicationStore(store, dir.filePath(QStringLiteral("t.PRS")));
        database = dir.filePath(QStringLiteral("auto.db"));
        connectString = QStringLiteral("Driver=SQLite3;Database=%1;").arg(database);
        TKxOdbcConnection setup;
        setup.SetODBCEnvironment(&environment);
        setup.SetConnectionString(connectString);
        setup.ExecuteDirect(QStringLiteral("CREATE TABLE t (id INTEGER, name VARCHAR(10))"));
        setup.ExecuteDirect(QStringLiteral("INSERT INTO t VALUES (1, 'one')"));
        setup.ExecuteDirect(QStringLiteral("INSERT INTO t VALUES (2, 'two')"));
        setup.SetActive(false);
        store.WriteValue(sidCurrentSQLStatement, KxVariant(QStringLiteral("-- the user's own")));
        NewWindow(true);
    }
    void TearDown() override {
        service.reset();
        window.reset();
    }
    void NewWindow(bool started) {
        service.reset();
        window.reset();
        window = std::make_unique<TMainWindow>(store, environment);
        service = std::make_unique<TKxAutomationService>(*window);
        ASSERT_TRUE(service->Publish()) << "no session bus: run under dbus-run-session";
        if (started)
            window->FirstActivation(false);
    }
    // The editor's text with its line breaks as they were typed here.
    QString EditorText() const {
        return QString(window->Editor().Text())
            .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    }
    bool Close() {
        QCloseEvent event;
        QCoreApplication::sendEvent(window.get(), &event);
        return event.isAccepted();
    }
    // Starts `gdbus call` with the request; the window keeps handling events meanwhile.
    std::unique_ptr<QProcess> StartCall(const QString& connection, const QString& sql, int flags) {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start(QStringLiteral("gdbus"),
                       {QStringLiteral("call"), QStringLiteral("--session"),
                        QStringLiteral("--dest"), QLatin1String(kxAutomationService),
                        QStringLiteral("--object-path"), QLatin1String(kxAutomationPath),
                        QStringLiteral("--method"),
                        QStringLiteral("%1.%2").arg(QLatin1String(kxAutomationInterface),
                                                    QLatin1String(kxAutomationMethod)),
                        connection, sql, QString::number(flags)});
        EXPECT_TRUE(process->waitForStarted(5000));
        return process;
    }
    static TCallResult Finish(QProcess& process) {
        QElapsedTimer clock;
        clock.start();
        while (process.state() != QProcess::NotRunning && clock.elapsed() < 20000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            process.waitForFinished(5);
        }
        TCallResult result;
        result.exitCode = process.state() == QProcess::NotRunning ? process.exitCode() : -2;
        result.output = QString::fromUtf8(process.readAll());
        return result;
    }
    TCallResult Call(const QString& connection, const QString& sql, int flags) {
        auto process = StartCall(connection, sql, flags);
        return Finish(*process);
    }

    QTemporaryDir dir;
    TKxPersistentData store;
    TKxOdbcEnvironment environment;
    QString database;
    QString connectString;
    std::unique_ptr<TMainWindow> window;
    std::unique_ptr<TKxAutomationService> service;
};

TEST_F(AutomationTest, ACallConnectsPlacesTheSqlAndFillsTheGrid) {
    const TCallResult result = Call(connectString, QStringLiteral("SELECT id, name FROM t;"),
                                    TMainWindow::EXECUTE_STATEMENT);
    ASSERT_EQ(result.exitCode, 0) << result.output.toStdString();
    ASSERT_NE(window->CurrentConnection(), nullptr);
    EXPECT_EQ(window->Editor().Text(), QStringLiteral("SELECT id, name FROM t;"));
    ASSERT_TRUE(window->ResultSet().Active());
    EXPECT_EQ(window->ResultSet().RecordCount(), 2);
    EXPECT_EQ(window->Grid().CellText(1, 1), QStringLiteral("one"));
    EXPECT_TRUE(window->Document().FileName().isEmpty());
    EXPECT_FALSE(window->Document().Modified());

    // The same data source again: one listed connection; both flags run the statement twice
    // (once alone, once as the first of the remaining ones) — the insert shows it.
    const TCallResult twice =
        Call(connectString, QStringLiteral("INSERT INTO t VALUES (3, 'three');"),
             TMainWindow::EXECUTE_STATEMENT | TMainWindow::EXECUTE_ALL);
    ASSERT_EQ(twice.exitCode, 0) << twice.output.toStdString();
    EXPECT_EQ(window->Connections().Count(), 1);
    ASSERT_EQ(Call(QString(), QStringLiteral("SELECT count(*) AS n FROM t WHERE id = 3;"),
                   TMainWindow::EXECUTE_STATEMENT)
                  .exitCode,
              0);
    EXPECT_EQ(window->Grid().CellText(1, 0), QStringLiteral("2"));

    // The schema window, with the editor left as it is.
    const QString before = window->Editor().Text();
    ASSERT_EQ(Call(connectString, QString(), TMainWindow::SHOW_SCHEMA).exitCode, 0);
    EXPECT_NE(window->PageWindows().FirstOfKind(TKxPageKind::Schema), nullptr);
    EXPECT_EQ(window->Editor().Text(), before);
}

TEST_F(AutomationTest, TheDemoDatabaseAnswersThroughGdbus) {
    const QString demo = dir.filePath(QStringLiteral("demo.db"));
    QProcess build;
    build.start(QStringLiteral(KX_SOURCE_DIR "/examples/build-demo-db.sh"), {demo});
    ASSERT_TRUE(build.waitForFinished(60000) && build.exitCode() == 0);
    const TCallResult result =
        Call(QStringLiteral("Driver=SQLite3;Database=%1;").arg(demo),
             QStringLiteral("select name from customers order by customer_id;"),
             TMainWindow::EXECUTE_STATEMENT);
    ASSERT_EQ(result.exitCode, 0) << result.output.toStdString();
    ASSERT_TRUE(window->ResultSet().Active());
    EXPECT_EQ(window->ResultSet().RecordCount(), 500);
    EXPECT_FALSE(window->Grid().CellText(1, 0).isEmpty());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Kx - Querolt - [demo.db]"));
}

TEST_F(AutomationTest, FailuresAndCancelledQuestionsReachTheCaller) {
    ASSERT_EQ(
        Call(connectString, QStringLiteral("SELECT id FROM t;"), TMainWindow::EXECUTE_STATEMENT)
            .exitCode,
        0);
    // An unreachable data source: an error, and nothing changes here.
    const TCallResult unreachable =
        Call(QStringLiteral("Driver=NoSuchDriverHere;"), QStringLiteral("SELECT 1;"), 1);
    EXPECT_NE(unreachable.exitCode, 0);
    EXPECT_TRUE(unreachable.output.contains(QLatin1String(kxAutomationErrorFailed)))
        << unreachable.output.toStdString();
    EXPECT_EQ(window->Connections().Count(), 1);
    EXPECT_TRUE(window->ResultSet().Active()) << "the current result stays open";

    // A statement that fails is a failure, not a success.
    const TCallResult failing = Call(QString(), QStringLiteral("SELECT * FROM no_such_table;"),
                                     TMainWindow::EXECUTE_STATEMENT);
    EXPECT_TRUE(failing.output.contains(QLatin1String(kxAutomationErrorFailed)))
        << failing.output.toStdString();

    // A modified script file: the question about saving is answered Cancel (the cautious
    // answer the test presenter gives): the caller hears it was cancelled.
    const QString file = dir.filePath(QStringLiteral("mine.sql"));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("SELECT 1;\n");
    out.close();
    ASSERT_TRUE(window->LoadScript(file));
    window->Editor().SetAllText(QStringLiteral("SELECT 2;\n"));
    ASSERT_TRUE(window->Document().Modified());
    const TCallResult cancelled = Call(QString(), QStringLiteral("SELECT 3;"), 0);
    EXPECT_TRUE(cancelled.output.contains(QLatin1String(kxAutomationErrorCancelled)))
        << cancelled.output.toStdString();
    EXPECT_EQ(EditorText(), QStringLiteral("SELECT 2;\n"));
}

TEST_F(AutomationTest, ARequestWhileAScriptRunsOrBeforeTheWindowIsReadyIsBusy) {
    // A script of many small statements runs from the window; a request arrives meanwhile.
    window->UseConnectionString(connectString);
    QString script;
    for (int i = 0; i < 600; ++i)
        script += QStringLiteral("INSERT INTO t VALUES (%1, 'x');\n").arg(i + 10);
    window->Editor().SetAllText(script);
    window->Statements().ResetCurrentStatement();
    window->Statements().FindCurrentStatement();
    window->Statements().StartCount();
    window->Statements().WaitForCount();
    QCoreApplication::processEvents();
    auto call =
        StartCall(connectString, QStringLiteral("DELETE FROM t;"), TMainWindow::EXECUTE_STATEMENT);
    QElapsedTimer clock;
    clock.start();
    window->Actions().ExecuteScript->trigger();
    const qint64 runTime = clock.elapsed();
    const TCallResult busy = Finish(*call);
    if (runTime < 300)
        GTEST_SKIP() << "the script ran too fast (" << runTime << " ms) to meet the request";
    EXPECT_TRUE(busy.output.contains(QLatin1String(kxAutomationErrorBusy)))
        << busy.output.toStdString();
    EXPECT_EQ(EditorText(), script) << "the running script's text was not touched";

    // A window that has not finished starting takes no request either.
    NewWindow(false);
    const TCallResult early = Call(connectString, QStringLiteral("SELECT 1;"), 1);
    EXPECT_TRUE(early.output.contains(QLatin1String(kxAutomationErrorBusy)))
        << early.output.toStdString();
}

TEST_F(AutomationTest, TheUsersUnnamedScriptSurvivesAnAutomationSession) {
    EXPECT_EQ(window->Editor().Text(), QStringLiteral("-- the user's own"));
    ASSERT_EQ(Call(connectString, QStringLiteral("SELECT name FROM t;"), 1).exitCode, 0);
    EXPECT_TRUE(window->Document().HoldsCallerText());
    ASSERT_TRUE(Close());
    EXPECT_EQ(store.ReadValue(sidCurrentSQLStatement).ToString(),
              QStringLiteral("-- the user's own"));

    // Once the user edits the placed text it is theirs, and kept.
    NewWindow(true);
    ASSERT_EQ(Call(connectString, QStringLiteral("SELECT 1;"), 0).exitCode, 0);
    window->Editor().SetAllText(QStringLiteral("SELECT 1; -- kept"));
    EXPECT_FALSE(window->Document().HoldsCallerText());
    ASSERT_TRUE(Close());
    EXPECT_EQ(store.ReadValue(sidCurrentSQLStatement).ToString(),
              QStringLiteral("SELECT 1; -- kept"));
}

TEST(AutomationStartTest, SwitchesAreWholeWordsAndRegistrationWritesBothFiles) {
    const auto mode = [](const char* argument) {
        return KxStartMode({QStringLiteral("kxquerolt"), QString::fromLatin1(argument)});
    };
    EXPECT_EQ(mode("-automation"), TKxStartMode::Automation);
    EXPECT_EQ(mode("/Embedding"), TKxStartMode::Automation);
    EXPECT_EQ(mode("-REGSERVER"), TKxStartMode::Register);
    EXPECT_EQ(mode("/unregserver"), TKxStartMode::Unregister);
    EXPECT_EQ(mode("/home/me/automation"), TKxStartMode::Standalone);
    EXPECT_EQ(mode("/tmp/regserver.sql"), TKxStartMode::Standalone);
    EXPECT_EQ(mode("-automationx"), TKxStartMode::Standalone);

    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
    KxRegisterAutomationServer(QStringLiteral("/opt/my tools/kxquerolt"));
    QFile service(KxAutomationServiceFile());
    ASSERT_TRUE(KxAutomationServiceFile().startsWith(home.path()));
    ASSERT_TRUE(service.open(QIODevice::ReadOnly));
    const QByteArray text = service.readAll();
    EXPECT_TRUE(text.contains("Name=org.kxquerolt.KxQuerolt\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("Exec=\"/opt/my tools/kxquerolt\" -automation\n"))
        << text.toStdString();
    EXPECT_TRUE(QFile::exists(KxAutomationDesktopFile()));
    KxUnregisterAutomationServer();
    EXPECT_FALSE(QFile::exists(KxAutomationServiceFile()));
    EXPECT_FALSE(QFile::exists(KxAutomationDesktopFile()));
    qunsetenv("XDG_DATA_HOME");
}

} // namespace
