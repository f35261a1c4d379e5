#include "app/application_settings.h"
#include "foundation/storage_helpers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace kx;

class ApplicationSettingsTest : public testing::Test {
protected:
    void SetUp() override { KxConfigureApplicationStore(store, FileName()); }
    QString FileName() const { return QDir(dir.path()).filePath(QStringLiteral("KxQuerolt.PRS")); }
    QByteArray FileBytes() {
        store.Flush();
        QFile file(FileName());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    TKxPersistentData store;
};

TEST_F(ApplicationSettingsTest, AFreshInstallationReadsDefaultsAndWritesNothingForThem) {
    EXPECT_EQ(store.ReadValue(sidSplitRatio), KxVariant(0.5));
    EXPECT_EQ(store.ReadValue(sidCurrentStmtBkgndColor), KxVariant(15790320));
    EXPECT_EQ(store.ReadValue(sidDataGridEvenRowColor), KxVariant(16773350));
    EXPECT_EQ(KxReadErrorAction(store), 1);
    EXPECT_EQ(KxReadLogAttributes(store), 126);
    EXPECT_FALSE(KxReadDirectiveComment(store));
    EXPECT_EQ(store.ReadValue(sidCurrentSQLStatement), KxVariant(QString()));

    for (int id : {int(sidErrorAction), int(sidLogAttributes), int(sidDirectiveComment),
                   int(sidDataGridEvenRowColor)})
        store.WriteValue(id, store.ReadValue(id));
    store.WriteValue(sidSQLActive, KxVariant(true));
    const QByteArray bytes = FileBytes();
    EXPECT_EQ(
        bytes,
        QByteArray("[HKEY_CURRENT_USER\\Software\\Kx-Software\\Kx - Querolt\\GeneralSettings]\r\n"
                   "SQLActive=1\r\n"));
}

TEST_F(ApplicationSettingsTest, SettingsReadEachTimeAreClamped) {
    KxOpenKey(&store, QStringLiteral("\\GeneralSettings"), true);
    store.WriteString(QStringLiteral("ErrorAction"), QStringLiteral("7"));
    EXPECT_EQ(KxReadErrorAction(store), 2);
    store.WriteString(QStringLiteral("ErrorAction"), QStringLiteral("-3"));
    EXPECT_EQ(KxReadErrorAction(store), 0);
    store.WriteString(QStringLiteral("LogAttributes"), QStringLiteral("511"));
    EXPECT_EQ(KxReadLogAttributes(store), 127);
}

TEST_F(ApplicationSettingsTest, UnnamedScriptAndRecentFilesSurviveARestart) {
    const QString script = QStringLiteral("SELECT 1;\r\n-- ünïcode\r\nSELECT 2;");
    store.WriteValue(sidCurrentSQLStatement, KxVariant(script));
    KxRecentScriptFiles(store).Add(QStringLiteral("/home/me/R&D.sql"));
    KxRecentScriptFiles(store).Add(QStringLiteral("/home/me/R&D.sql"));
    ASSERT_TRUE(store.Flush());

    TKxPersistentData restarted;
    KxConfigureApplicationStore(restarted, FileName());
    EXPECT_EQ(restarted.ReadValue(sidCurrentSQLStatement).ToString(), script);
    TKxStringHistory recent = KxRecentScriptFiles(restarted);
    EXPECT_EQ(recent.Count(), 1);
    EXPECT_EQ(recent.Item(0), QStringLiteral("/home/me/R&D.sql"));
}

TEST_F(ApplicationSettingsTest, RecentScriptFilesThatDifferOnlyInCaseAreTwoEntries) {
    KxRecentScriptFiles(store).Add(QStringLiteral("/x/A.sql"));
    KxRecentScriptFiles(store).Add(QStringLiteral("/x/a.sql"));
    KxRecentScriptFiles(store).Add(QStringLiteral("/x/A.sql"));
    ASSERT_TRUE(store.Flush());

    TKxPersistentData restarted;
    KxConfigureApplicationStore(restarted, FileName());
    TKxStringHistory recent = KxRecentScriptFiles(restarted);
    ASSERT_EQ(recent.Count(), 2);
    EXPECT_EQ(recent.Item(0), QStringLiteral("/x/A.sql"));
    EXPECT_EQ(recent.Item(1), QStringLiteral("/x/a.sql"));
}

TEST(SettingsFileNameTest, OptionBeatsEnvironmentBeatsTheConfigFolder) {
    qputenv("XDG_CONFIG_HOME", "/tmp/kx-config");
    qunsetenv(kxSettingsFileVariable);
    EXPECT_EQ(KxSettingsFileName({QStringLiteral("kxquerolt")}),
              QStringLiteral("/tmp/kx-config/kxquerolt/KxQuerolt.PRS"));
    qputenv(kxSettingsFileVariable, "/tmp/from-env.PRS");
    EXPECT_EQ(KxSettingsFileName({QStringLiteral("kxquerolt")}),
              QStringLiteral("/tmp/from-env.PRS"));
    EXPECT_EQ(KxSettingsFileName({QStringLiteral("kxquerolt"), QStringLiteral("--settings"),
                                  QStringLiteral("/tmp/a.PRS"), QStringLiteral("script.sql")}),
              QStringLiteral("/tmp/a.PRS"));
    EXPECT_EQ(
        KxSettingsFileName({QStringLiteral("kxquerolt"), QStringLiteral("--settings=/tmp/b.PRS")}),
        QStringLiteral("/tmp/b.PRS"));
    qunsetenv(kxSettingsFileVariable);
    qunsetenv("XDG_CONFIG_HOME");
}

} // namespace
