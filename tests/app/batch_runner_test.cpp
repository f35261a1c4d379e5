#include "app/application_settings.h"
#include "app/batch_runner.h"
#include "quoted_text_scripts.h"
#include "support/driver_test.h"
#include "support/test_databases.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace kx;

// Writes the script file and runs it; the printed output lands in `output`.
int RunBatch(const TKxBatchOptions& options, TKxPersistentData& store, const QByteArray& script,
             QString& output) {
    QFile file(options.scriptFile);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(script);
    file.close();
    output.clear();
    QTextStream out(&output);
    return KxRunScriptBatch(options, store, out);
}

class BatchRunnerTest : public testing::Test {
protected:
    void SetUp() override {
        KxConfigureApplicationStore(store, QDir(dir.path()).filePath(QStringLiteral("b.PRS")));
        options.connectionString = test::SqliteConnectionString(dir);
        options.scriptFile = QDir(dir.path()).filePath(QStringLiteral("script.sql"));
        options.maxRows = 2;
    }
    int Run(const QByteArray& script) { return RunBatch(options, store, script, output); }

    QTemporaryDir dir;
    TKxPersistentData store;
    TKxBatchOptions options;
    QString output;
};

TEST_F(BatchRunnerTest, RunsTheWholeScriptAndPrintsResultSets) {
    EXPECT_EQ(Run("create table t (id integer, name varchar(20));\r\n"
                  "insert into t values (1, 'Grüße');\r\ninsert into t values (2, NULL);\r\n"
                  "insert into t values (3, 'x');\r\n-- a comment; not a statement\r\n"
                  "select id, name from t order by id;\r\n"),
              0);
    EXPECT_TRUE(output.contains(QStringLiteral("insert into t values (1, 'Grüße')")));
    EXPECT_TRUE(output.contains(QStringLiteral("Records affected: 1")));
    EXPECT_TRUE(output.contains(QStringLiteral("id | name\n")));
    EXPECT_TRUE(output.contains(QStringLiteral("1  | Grüße\n")));
    EXPECT_TRUE(output.contains(QStringLiteral("2  | NULL\n")));
    EXPECT_FALSE(output.contains(QStringLiteral("3  | x"))) << "only the first rows are shown";
    EXPECT_TRUE(output.contains(QStringLiteral("(3 row(s))")));
    EXPECT_TRUE(output.contains(QStringLiteral("Total execution time")));
}

TEST_F(BatchRunnerTest, AFailingStatementEndsTheRunWithItsMessage) {
    EXPECT_EQ(Run("create table t (id integer);\r\ninsert into missing values (1);\r\n"
                  "insert into t values (2);\r\n"),
              1);
    EXPECT_TRUE(output.contains(QStringLiteral("missing"))) << output.toStdString();
    EXPECT_TRUE(
        output.contains(QStringLiteral("The run ended at: insert into missing values (1);")));
    EXPECT_FALSE(output.contains(QStringLiteral("insert into t values (2)")));
}

TEST_F(BatchRunnerTest, AByteThatIsNotUtf8AtTheEndMakesTheWholeScriptLatin1) {
    // The run reads the script as it goes, but its encoding is the file's: "é" in UTF-8
    // before a Latin-1 byte in the last comment is two characters, as the editor shows it.
    EXPECT_EQ(Run("create table t (name varchar(20));\r\ninsert into t values ('\xC3\xA9');\r\n"
                  "select name, length(name) as n from t;\r\n-- caf\xE9\r\n"),
              0)
        << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("Ã©   | 2\n"))) << output.toStdString();
}

TEST_F(BatchRunnerTest, MissingScriptsAndDriversAreReportedNotRun) {
    options.scriptFile = QDir(dir.path()).filePath(QStringLiteral("none.sql"));
    QTextStream out(&output);
    EXPECT_EQ(KxRunScriptBatch(options, store, out), 2);
    EXPECT_TRUE(output.contains(QStringLiteral("doesn't exist")));
    options.connectionString = QStringLiteral("Driver=No Such Driver;");
    EXPECT_EQ(Run("select 1;"), 2);
    EXPECT_TRUE(output.contains(QStringLiteral("No Such Driver")));
}

// The same scripts as the script executor's, on both drivers, with the same rows.
class BatchRunnerDriverTest : public test::DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        if (IsSkipped())
            return;
        KxConfigureApplicationStore(store, QDir(dir.path()).filePath(QStringLiteral("b.PRS")));
        options.connectionString = connectString;
        options.scriptFile = QDir(dir.path()).filePath(QStringLiteral("script.sql"));
    }
    int Run(const QString& script) { return RunBatch(options, store, script.toUtf8(), output); }

    TKxPersistentData store;
    TKxBatchOptions options;
    QString output;
};

TEST_P(BatchRunnerDriverTest, SeparatorsInQuotedTextSplitNothing) {
    EXPECT_EQ(Run(test::MultiRowInsertScript()), 0) << output.toStdString();
    test::ExpectEveryArtistLoaded(connectString);

    EXPECT_TRUE(
        test::ExecuteRaw(connectString, QStringLiteral("create table t (id integer)")).isEmpty());
    EXPECT_EQ(Run(test::InjectionScript()), 0) << output.toStdString();
    test::ExpectValueStoredAndTableKept(connectString);
}

TEST_P(BatchRunnerDriverTest, ValuesArePrintedAsFarAsACellShowsAndAFailingFetchIsAnError) {
    // 300 two-byte characters: the cell reads only its start, and never a cut character.
    const QString longText(300, QChar(0x00E9));
    EXPECT_EQ(Run(QStringLiteral("create table t (id integer, note varchar(1000));\n"
                                 "insert into t values (1, '%1');\n"
                                 "insert into t values (2, '');\n"
                                 "select id, note from t order by id;\n")
                      .arg(longText)),
              0)
        << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("1  | ") + QString(39, QChar(0x00E9)) +
                                QStringLiteral("…\n")))
        << output.toStdString();
    EXPECT_FALSE(output.contains(QChar::ReplacementCharacter));
    EXPECT_TRUE(output.contains(QStringLiteral("(2 row(s))")));
    if (!Server())
        return;
    // The division fails on the third row, after two rows arrived: the run ends with the
    // driver's message instead of printing a shorter result as if it were complete.
    options.connectionString += QStringLiteral("UseDeclareFetch=1;Fetch=1;");
    EXPECT_EQ(Run(QStringLiteral("select 1/(3-g) as q from generate_series(1,5) g;\n")), 1)
        << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("division by zero"))) << output.toStdString();
    EXPECT_FALSE(output.contains(QStringLiteral("row(s))")));
}

KX_INSTANTIATE_DRIVER_TESTS(BatchRunnerDriverTest);

} // namespace
