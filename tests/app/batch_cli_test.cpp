// The program as a command-line tool: the real binary run with QProcess, as a cron job or a CI
// pipeline runs it.
#include "support/test_databases.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>

namespace {

// An argument, from a literal or a string.
struct TArg {
    TArg(const char* text) : text(QString::fromUtf8(text)) {}
    TArg(const QString& text) : text(text) {}
    QString text;
};

struct TRun {
    int exitCode = -1;
    QString out;
    QString err;
};

class BatchCliTest : public testing::Test {
protected:
    void SetUp() override {
        connection = kx::test::SqliteConnectionString(dir);
        settings = dir.filePath(QStringLiteral("cli.PRS"));
        ASSERT_EQ(Run({"--run", "-", "--connect", connection},
                      "create table t (id integer, name varchar(20), price numeric(8,2), "
                      "made date, data blob);\n"
                      "insert into t values (1, 'a,b \"q\"', 1.50, '2024-05-01', x'00ff');\n"
                      "insert into t values (2, NULL, NULL, NULL, NULL);\n"
                      "insert into t values (3, '', 3, '2024-12-31', x'41');\n")
                      .exitCode,
                  0);
    }
    TRun Run(std::initializer_list<TArg> arguments, const QByteArray& input = {}) {
        QProcess process;
        QStringList list{QStringLiteral("--settings"), settings};
        for (const TArg& argument : arguments)
            list << argument.text;
        process.start(QStringLiteral(KX_PROGRAM), list);
        EXPECT_TRUE(process.waitForStarted(10000));
        process.write(input);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(60000));
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }
    TRun Select(const char* format) {
        return Run({"--run", "-", "--connect", connection, "--format", QString::fromLatin1(format)},
                   "select id, name, price, made, data from t order by id;\n");
    }

    QTemporaryDir dir;
    QString connection;
    QString settings;
};

TEST_F(BatchCliTest, MachineFormatsCarryEveryValueAndKeepTheLogApart) {
    const TRun tsv = Select("tsv");
    ASSERT_EQ(tsv.exitCode, 0) << tsv.err.toStdString();
    EXPECT_EQ(tsv.out, QStringLiteral("id\tname\tprice\tmade\tdata\n"
                                      "1\ta,b \"q\"\t1.5\t2024-05-01\t00ff\n"
                                      "2\t\\N\t\\N\t\\N\t\\N\n"
                                      "3\t\t3\t2024-12-31\t41\n"))
        << tsv.out.toStdString();
    EXPECT_TRUE(tsv.err.contains(QStringLiteral("Total execution time")))
        << "the log goes to stderr";

    const TRun csv = Select("csv");
    EXPECT_EQ(csv.out, QStringLiteral("id,name,price,made,data\r\n"
                                      "1,\"a,b \"\"q\"\"\",1.5,2024-05-01,00ff\r\n"
                                      "2,,,,\r\n"
                                      "3,\"\",3,2024-12-31,41\r\n"))
        << csv.out.toStdString();

    const TRun json = Select("json");
    ASSERT_EQ(json.exitCode, 0);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json.out.toUtf8(), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << json.out.toStdString();
    const QJsonArray rows = document.array();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].toObject()[QStringLiteral("name")].toString(), QStringLiteral("a,b \"q\""));
    EXPECT_TRUE(rows[1].toObject()[QStringLiteral("name")].isNull());
    EXPECT_EQ(rows[2].toObject()[QStringLiteral("name")].toString(), QString());

    // --quiet: results only; --output: results in the file, the log on stderr.
    const QString file = dir.filePath(QStringLiteral("out.tsv"));
    const TRun quiet =
        Run({"--run", "-", "--connect", connection, "--format", "tsv", "--quiet", "--output", file},
            "select id from t where id = 3;\n");
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_TRUE(quiet.out.isEmpty());
    EXPECT_TRUE(quiet.err.isEmpty()) << quiet.err.toStdString();
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), QByteArray("id\n3\n"));
}

TEST_F(BatchCliTest, TheTableShowsAScreenfulAndMaxRowsLimits) {
    const TRun table = Run({"--run", "-", "--connect", connection, "--max-rows", "1"},
                           "select id from t order by id;\n");
    ASSERT_EQ(table.exitCode, 0);
    EXPECT_TRUE(table.out.contains(QStringLiteral("(3 row(s))"))) << table.out.toStdString();
    EXPECT_TRUE(table.out.contains(QStringLiteral("Total execution time"))) << "log with the table";
    EXPECT_TRUE(table.out.contains(QStringLiteral("2 row(s) not shown")));
    EXPECT_FALSE(table.out.contains(QStringLiteral("\n3\n")));
}

TEST_F(BatchCliTest, ParametersErrorActionsAndExitCodes) {
    const TRun parameter =
        Run({"--run", "-", "--connect", connection, "--format", "tsv", "-p", "wanted=3"},
            "select id from t where id = :wanted;\n");
    EXPECT_EQ(parameter.exitCode, 0) << parameter.err.toStdString();
    EXPECT_EQ(parameter.out, QStringLiteral("id\n3\n"));
    const TRun unresolved = Run({"--run", "-", "--connect", connection, "-p", "other=1"},
                                "select id from t where id = :wanted;\n");
    EXPECT_EQ(unresolved.exitCode, 1) << "a marker without a value fails the statement";

    // Continue past a failure: the rest runs, the exit code still says something failed.
    const TRun goOn = Run({"--run", "-", "--connect", connection, "--error-action", "continue"},
                          "insert into missing values (1);\ninsert into t (id) values (9);\n");
    EXPECT_EQ(goOn.exitCode, 1);
    const TRun check = Run({"--run", "-", "--connect", connection, "--format", "tsv", "--quiet"},
                           "select count(*) as n from t where id = 9;\n");
    EXPECT_EQ(check.out, QStringLiteral("n\n1\n"));
    const TRun stop = Run({"--run", "-", "--connect", connection, "--error-action", "stop"},
                          "insert into missing values (1);\ninsert into t (id) values (10);\n");
    EXPECT_EQ(stop.exitCode, 1);
    EXPECT_EQ(Run({"--run", "-", "--connect", connection, "--format", "tsv", "--quiet"},
                  "select count(*) as n from t where id = 10;\n")
                  .out,
              QStringLiteral("n\n0\n"));

    // Usage, script and connection errors: 2 with a message.
    const TRun usage = Run({"--run"});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_TRUE(usage.err.contains(QStringLiteral("--help")));
    EXPECT_EQ(Run({"--frobnicate"}).exitCode, 2) << "an unknown option never opens a window";
    EXPECT_EQ(
        Run({"--run", dir.filePath(QStringLiteral("none.sql")), "--connect", connection}).exitCode,
        2);
    EXPECT_EQ(Run({"--run", "-", "--connect", "Driver=NoSuchDriver;"}, "select 1;\n").exitCode, 2);
    const TRun help = Run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("--format")));
}

TEST_F(BatchCliTest, CtrlCStopsTheRunWithExitCode130) {
    QByteArray script;
    for (int i = 0; i < 3000; ++i)
        script += "insert into t (id) values (" + QByteArray::number(100 + i) + ");\n";
    QProcess process;
    process.start(QStringLiteral(KX_PROGRAM),
                  {QStringLiteral("--settings"), settings, QStringLiteral("--run"),
                   QStringLiteral("-"), QStringLiteral("--connect"), connection,
                   QStringLiteral("--quiet")});
    ASSERT_TRUE(process.waitForStarted(10000));
    process.write(script);
    process.closeWriteChannel();
    QThread::msleep(400);
    if (process.state() != QProcess::Running)
        GTEST_SKIP() << "the run ended before it could be interrupted";
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 130);
}

TEST_F(BatchCliTest, CtrlCCancelsTheStatementThatIsRunning) {
    // Runs for minutes unless SQLite's interrupt ends it.
    const QByteArray script = "select count(*) from (with recursive c(x) as (select 1 union all "
                              "select x + 1 from c limit 2000000000) select x from c);\n"
                              "insert into t (id) values (7);\n";
    QProcess process;
    process.start(QStringLiteral(KX_PROGRAM),
                  {QStringLiteral("--settings"), settings, QStringLiteral("--run"),
                   QStringLiteral("-"), QStringLiteral("--connect"), connection});
    ASSERT_TRUE(process.waitForStarted(10000));
    process.write(script);
    // Written now: without an event loop QProcess would hold the script back while we sleep.
    ASSERT_TRUE(process.waitForBytesWritten(10000));
    process.closeWriteChannel();
    // Long enough for the program to start and reach the statement, under the sanitizers too.
    QThread::msleep(2500);
    ASSERT_EQ(process.state(), QProcess::Running);
    QElapsedTimer clock;
    clock.start();
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_LT(clock.elapsed(), 3000) << "the statement was cancelled, not waited for";
    EXPECT_EQ(process.exitCode(), 130);
    const QString log =
        QString::fromUtf8(process.readAllStandardError() + process.readAllStandardOutput());
    EXPECT_TRUE(log.contains(QStringLiteral("interrupted"))) << log.toStdString();
    EXPECT_EQ(Run({"--run", "-", "--connect", connection, "--format", "tsv", "--quiet"},
                  "select count(*) from t where id = 7;\n")
                  .out,
              QStringLiteral("count(*)\n0\n"))
        << "the run ended with the cancelled statement";
}

} // namespace
