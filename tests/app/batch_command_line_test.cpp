#include "app/batch_command_line.h"

#include <gtest/gtest.h>
#include <map>
#include <vector>

namespace {

using namespace kx;

class CommandLineTest : public testing::Test {
protected:
    TKxCommandLineRequest Parse(const std::vector<const char*>& words) {
        QStringList arguments{QStringLiteral("kxquerolt")};
        for (const char* word : words)
            arguments << QString::fromUtf8(word);
        options = TKxBatchOptions();
        message.clear();
        return KxParseCommandLine(arguments, options, message, [this](const QString& name) {
            const auto it = environment.find(name);
            return it == environment.end() ? QString() : it->second;
        });
    }

    TKxBatchOptions options;
    QString message;
    std::map<QString, QString> environment;
};

TEST_F(CommandLineTest, EveryRunOptionIsRead) {
    environment[QStringLiteral("KX_PW")] = QStringLiteral("se;cr}et");
    ASSERT_EQ(Parse({"--run",
                     "-",
                     "--dsn",
                     "demo db",
                     "--user",
                     "ann",
                     "--password-env",
                     "KX_PW",
                     "--settings",
                     "/tmp/s.PRS",
                     "--error-action",
                     "continue",
                     "-p",
                     "id=7",
                     "--param",
                     ":name=O'Brien",
                     "--format",
                     "CSV",
                     "--max-rows",
                     "5",
                     "--output",
                     "/tmp/out.csv",
                     "--quiet"}),
              TKxCommandLineRequest::Run)
        << message.toStdString();
    EXPECT_EQ(options.scriptFile, QStringLiteral("-"));
    EXPECT_EQ(options.connectionString, QStringLiteral("DSN=demo db;UID=ann;PWD={se;cr}}et};"));
    EXPECT_EQ(options.settingsFile, QStringLiteral("/tmp/s.PRS"));
    EXPECT_EQ(options.errorAction, 0);
    ASSERT_EQ(options.parameters.size(), 2u);
    EXPECT_EQ(options.parameters[1].first, QStringLiteral("name"));
    EXPECT_EQ(options.parameters[1].second, QStringLiteral("O'Brien"));
    EXPECT_EQ(options.format, TKxResultFormat::Csv);
    EXPECT_EQ(options.maxRows, 5);
    EXPECT_EQ(options.outputFile, QStringLiteral("/tmp/out.csv"));
    EXPECT_TRUE(options.quiet);

    ASSERT_EQ(Parse({"--run", "a.sql", "--connect", "Driver=SQLite3;Database=a.db", "--password",
                     "pw", "--error-action", "stop"}),
              TKxCommandLineRequest::Run);
    EXPECT_EQ(options.connectionString, QStringLiteral("Driver=SQLite3;Database=a.db;PWD={pw};"));
    EXPECT_EQ(options.errorAction, 2);
    EXPECT_EQ(options.format, TKxResultFormat::Table);
    EXPECT_EQ(options.maxRows, -1);
}

TEST_F(CommandLineTest, MistakesAreErrorsWithAHintNeverAWindow) {
    const std::vector<std::vector<const char*>> mistakes{
        {"--run"},
        {"--run", "a.sql"},
        {"--run", "a.sql", "--connect", "x", "--dsn", "y"},
        {"--no-such-option"},
        {"--run", "a.sql", "--dsn", "d", "--format", "xml"},
        {"--run", "a.sql", "--dsn", "d", "--max-rows", "-3"},
        {"--run", "a.sql", "--dsn", "d", "--error-action", "maybe"},
        {"--run", "a.sql", "--dsn", "d", "-p", "novalue"},
        {"--run", "a.sql", "--dsn", "d", "--password-env", "UNSET_VAR"},
        {"--format", "csv"},
        {"--run", "a.sql", "--dsn", "d", "extra"}};
    for (const auto& wrong : mistakes) {
        EXPECT_EQ(Parse(wrong), TKxCommandLineRequest::Error) << wrong.back();
        EXPECT_TRUE(message.startsWith(QStringLiteral("kxquerolt: "))) << message.toStdString();
        EXPECT_TRUE(message.contains(QStringLiteral("--help"))) << message.toStdString();
    }
}

TEST_F(CommandLineTest, TheWindowHelpAndVersion) {
    EXPECT_EQ(Parse({"--connect", "DSN=x", "--execute", "script.sql"}),
              TKxCommandLineRequest::Window);
    EXPECT_EQ(options.scriptFile, QStringLiteral("script.sql"));
    EXPECT_EQ(options.connectionString, QStringLiteral("DSN=x"));
    EXPECT_TRUE(options.execute);
    EXPECT_EQ(Parse({"/Automation", "/home/me/a.sql"}), TKxCommandLineRequest::Window);
    EXPECT_EQ(options.scriptFile, QStringLiteral("/home/me/a.sql"));
    EXPECT_EQ(Parse({"-automation"}), TKxCommandLineRequest::Window);
    EXPECT_EQ(Parse({"/home/me/automation.sql"}), TKxCommandLineRequest::Window);
    EXPECT_EQ(Parse({"--help"}), TKxCommandLineRequest::Help);
    for (const char* documented : {"--run FILE", "--format", "--max-rows", "--password-env",
                                   "--error-action", "--param", "Exit codes", "130"})
        EXPECT_TRUE(message.contains(QLatin1String(documented))) << documented;
    EXPECT_EQ(Parse({"--version"}), TKxCommandLineRequest::Version);
    EXPECT_TRUE(message.startsWith(QStringLiteral("kxquerolt ")));
}

} // namespace
