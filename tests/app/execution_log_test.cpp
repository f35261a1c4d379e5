#include "app/application_settings.h"
#include "app/execution_log.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace {

using namespace kx;

struct Entry {
    QString text;
    TColor color;
    bool operator==(const Entry&) const = default;
};

void PrintTo(const Entry& entry, std::ostream* out) {
    *out << '"' << entry.text.toStdString() << "\" colour " << std::hex << entry.color;
}

constexpr int kUpdate = 3;
constexpr int kSelect = 1;
const QString kEnd = QStringLiteral("\r\n\r\n");

class ExecutionLogTest : public testing::Test {
protected:
    void SetUp() override {
        KxConfigureApplicationStore(store, QDir(dir.path()).filePath(QStringLiteral("s.PRS")));
        log.OnAddText = [this](const QString& text, TColor color) {
            entries.push_back({text, color});
        };
        log.OnShowLog = [this] { ++shown; };
    }
    void SetAttributes(int value) { store.WriteValue(sidLogAttributes, KxVariant(value)); }

    // One statement as the script runner drives the log: entry, run, result or error.
    void Run(int kind, const QString& sql, qint64 ms, qint64 count, const char* error = nullptr) {
        const bool logged = log.LogStatement(kind, sql);
        if (error != nullptr)
            log.LogError(std::runtime_error(error));
        else
            log.LogResult(logged, ms, count);
    }

    QTemporaryDir dir;
    TKxPersistentData store;
    TKxExecutionLog log{store};
    std::vector<Entry> entries;
    int shown = 0;
};

TEST_F(ExecutionLogTest, DefaultSettingsLogAnUpdateInTheTextColourAndItsResultInBlue) {
    Run(kUpdate, QStringLiteral(" \t\r\nUPDATE t SET a = 1\r\n\t "), 120, 3);
    const std::vector<Entry> expected{
        {QStringLiteral("UPDATE t SET a = 1") + kEnd, kxLogStatementColor},
        {QStringLiteral("SQL execution time: 00:00:00.120   Records affected: 3") + kEnd,
         0xFF0000}};
    EXPECT_EQ(entries, expected);
    EXPECT_EQ(shown, 1);
}

TEST_F(ExecutionLogTest, ResultLineKeepsOnlyThePartsThatApply) {
    // A driver without a count gives only the time.
    Run(kUpdate, QStringLiteral("UPDATE t SET a = 1"), 120, -1);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1],
              (Entry{QStringLiteral("SQL execution time: 00:00:00.120") + kEnd, 0xFF0000}));

    // Only "Number of Records affected" of the two.
    entries.clear();
    SetAttributes(kxDefaultLogAttributes & ~(1 << laExecutionTimes));
    Run(kUpdate, QStringLiteral("UPDATE t SET a = 1"), 120, 3);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1], (Entry{QStringLiteral("Records affected: 3") + kEnd, 0xFF0000}));

    // Neither part: the statement alone, no empty result entry. A count of 0 is a count.
    entries.clear();
    SetAttributes(kxDefaultLogAttributes & ~(1 << laExecutionTimes));
    Run(kUpdate, QStringLiteral("DELETE FROM t"), 5, -1);
    Run(kUpdate, QStringLiteral("DELETE FROM t"), 5, 0);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[2], (Entry{QStringLiteral("Records affected: 0") + kEnd, 0xFF0000}));
}

TEST_F(ExecutionLogTest, SelectIsSilentWhileItsFlagIsOffAndOtherKindsFollowTheirFlags) {
    SetAttributes(0x7F & ~(1 << laSelectStatements));
    Run(kSelect, QStringLiteral("SELECT * FROM t"), 120, 10);
    EXPECT_TRUE(entries.empty()) << "not even the time of the SELECT";
    EXPECT_EQ(shown, 0);

    EXPECT_FALSE(log.LogStatement(0, QStringLiteral("-- directive")));
    EXPECT_TRUE(log.LogStatement(2, QStringLiteral("EXEC p")));
    EXPECT_TRUE(log.LogStatement(4, QStringLiteral("CREATE TABLE x (a int)")));
    SetAttributes(1 << laSelectStatements);
    EXPECT_TRUE(log.LogStatement(kSelect, QStringLiteral("SELECT 1")));
    EXPECT_FALSE(log.LogStatement(4, QStringLiteral("DROP TABLE x")));
    EXPECT_EQ(entries.size(), 3u);
}

TEST_F(ExecutionLogTest, ErrorsAreRedAndLeaveNoTraceWhileTheirFlagIsOff) {
    Run(kUpdate, QStringLiteral("UPDATE nowhere SET a = 1"), 0, 0,
        "\r\nno such table: nowhere\r\n");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1], (Entry{QStringLiteral("no such table: nowhere") + kEnd, 0x0000FF}));

    entries.clear();
    SetAttributes(kxDefaultLogAttributes & ~(1 << laErrorMessages));
    Run(kUpdate, QStringLiteral("UPDATE nowhere SET a = 1"), 0, 0, "no such table: nowhere");
    const std::vector<Entry> expected{
        {QStringLiteral("UPDATE nowhere SET a = 1") + kEnd, kxLogStatementColor}};
    EXPECT_EQ(entries, expected);
}

TEST_F(ExecutionLogTest, ValueZeroWritesNothingAndNeverShowsTheWindow) {
    SetAttributes(0);
    Run(kUpdate, QStringLiteral("UPDATE t SET a = 1"), 120, 3);
    Run(kSelect, QStringLiteral("SELECT 1"), 1, 1);
    Run(kUpdate, QStringLiteral("UPDATE x SET a = 1"), 0, 0, "failed");
    log.LogTotalTime(2000);
    EXPECT_TRUE(entries.empty());
    EXPECT_EQ(shown, 0);
}

TEST_F(ExecutionLogTest, ASettingChangedInTheMiddleOfARunAppliesToTheNextStatement) {
    const bool first = log.LogStatement(kUpdate, QStringLiteral("UPDATE a SET x = 1"));
    SetAttributes(1 << laRecordsAffected); // changed while the statement ran
    log.LogResult(first, 10, 7);
    Run(kUpdate, QStringLiteral("UPDATE b SET x = 1"), 10, 7);
    const std::vector<Entry> expected{
        {QStringLiteral("UPDATE a SET x = 1") + kEnd, kxLogStatementColor},
        {QStringLiteral("Records affected: 7") + kEnd, 0xFF0000}};
    EXPECT_EQ(entries, expected);
}

TEST_F(ExecutionLogTest, TotalTimeFollowsExecutionTimesAndReadsAsADuration) {
    log.LogTotalTime(3000);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].color, 0xFF0000);
    EXPECT_TRUE(entries[0].text.startsWith(QStringLiteral("Total execution time: ")));
    EXPECT_TRUE(entries[0].text.endsWith(kEnd));

    SetAttributes(kxDefaultLogAttributes & ~(1 << laExecutionTimes));
    log.LogTotalTime(3000);
    EXPECT_EQ(entries.size(), 1u);

    // A 12-hour locale's format must not turn 3 seconds into "12:00:03 AM".
    EXPECT_EQ(KxFormatDuration(3000, QStringLiteral("h:mm:ss AP t")), QStringLiteral("0:00:03"));
    EXPECT_EQ(KxFormatDuration(3000, QStringLiteral("HH:mm:ss")), QStringLiteral("00:00:03"));
    EXPECT_EQ(KxFormatDuration(26 * 3600000LL + 61000, QStringLiteral("HH'h' mm'm' ss")),
              QStringLiteral("26h 01m 01"));
    EXPECT_EQ(KxFormatElapsedTime(25 * 3600000LL + 5), QStringLiteral("25:00:00.005"));
}

TEST(ExecutionLogCaptionsTest, SevenCaptionsInBitOrder) {
    const QStringList captions = KxLogAttributeCaptions();
    ASSERT_EQ(captions.size(), kxLogAttributeCount);
    EXPECT_EQ(captions[laSelectStatements], QStringLiteral("Select Statements"));
    EXPECT_EQ(captions[laErrorMessages], QStringLiteral("Error Messages"));
    EXPECT_EQ(captions[laRecordsAffected], QStringLiteral("Number of Records affected"));
}

} // namespace
