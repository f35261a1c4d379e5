#include "foundation/message_box.h"
#include "foundation/persistent_data.h"
#include "foundation/storage_helpers.h"
#include "support/file_fault_scopes.h"
#include "support/scripted_message_box.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

using namespace kx;
using test::FileSizeLimitScope;
using test::FolderEntries;
using test::ScriptedMessageBox;
using test::WriteProtectionScope;

// A settings file whose saves fail: the folder is open to the user a WriteProtectionScope
// switches to, and the file holds one saved version to compare with.
class SettingsFileFaultsTest : public testing::Test {
protected:
    void SetUp() override {
        test::OpenToOthers(dir.path());
        store = NewStore();
        Write(QStringLiteral("Kept"), QStringLiteral("first version"));
        ASSERT_TRUE(store->Flush());
        savedBytes = FileBytes();
        ASSERT_FALSE(savedBytes.isEmpty());
    }

    std::unique_ptr<TKxPersistentData> NewStore() const {
        auto created = std::make_unique<TKxPersistentData>();
        created->SetBaseKey(QStringLiteral("\\Software\\Kx-Software\\Kx - Querolt"));
        created->SetFileName(FileName());
        return created;
    }
    QString FileName() const { return QDir(dir.path()).filePath(QStringLiteral("Test.PRS")); }
    QByteArray FileBytes() const {
        QFile file(FileName());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void Write(const QString& name, const QString& value) {
        KxOpenKey(store.get(), QStringLiteral("\\General"), true);
        store->WriteString(name, value);
    }
    QString Read(TKxPersistentData& from, const QString& name) {
        KxOpenKey(&from, QStringLiteral("\\General"), false);
        return from.ReadString(name, QStringLiteral("<missing>"));
    }
    // The failed save was shown as one warning naming the file and `reason`, and changed
    // nothing on disk.
    void ExpectRefused(const ScriptedMessageBox& box, const QString& reason) {
        ASSERT_EQ(box.Seen().size(), 1u);
        const QString text = box.Seen()[0].text;
        EXPECT_TRUE(text.contains(QStringLiteral("\"%1\" cannot be saved").arg(FileName())))
            << text.toStdString();
        EXPECT_TRUE(text.contains(reason)) << text.toStdString();
        EXPECT_EQ(box.Seen()[0].caption, QStringLiteral("Warning"));
        EXPECT_EQ(FileBytes(), savedBytes);
        EXPECT_EQ(FolderEntries(dir.path()), QStringList{QStringLiteral("Test.PRS")})
            << "no temporary or lock file is left behind";
    }

    QTemporaryDir dir;
    std::unique_ptr<TKxPersistentData> store;
    QByteArray savedBytes;
};

TEST_F(SettingsFileFaultsTest, AFullDiskKeepsTheOldFileAndTheChangesForTheNextSave) {
    const QString payload(64 * 1024, QLatin1Char('p'));
    Write(QStringLiteral("Payload"), payload);
    Write(QStringLiteral("Kept"), QStringLiteral("second version"));
    ScriptedMessageBox box({id::Ok});
    {
        FileSizeLimitScope limit(4096);
        EXPECT_FALSE(store->Flush());
        EXPECT_FALSE(store->Flush()) << "still failing, and not shown again";
    }
    ExpectRefused(box, QStringLiteral("File too large"));
    EXPECT_EQ(Read(*store, QStringLiteral("Payload")), payload) << "kept in memory";

    ASSERT_TRUE(store->Flush()) << "saved once the disk has room";
    const auto reader = NewStore();
    EXPECT_EQ(Read(*reader, QStringLiteral("Payload")), payload);
    EXPECT_EQ(Read(*reader, QStringLiteral("Kept")), QStringLiteral("second version"));
    EXPECT_EQ(FolderEntries(dir.path()), QStringList{QStringLiteral("Test.PRS")});
}

TEST_F(SettingsFileFaultsTest, AWriteProtectedFolderKeepsTheOldFileAndTheChanges) {
    Write(QStringLiteral("Kept"), QStringLiteral("second version"));
    ScriptedMessageBox box({id::Ok});
    {
        WriteProtectionScope protection(dir.path());
        EXPECT_FALSE(store->Flush());
    }
    // Qt refuses an existing file it may not write before the system is asked.
    ExpectRefused(box, QStringLiteral("is not writable"));
    EXPECT_EQ(QFile::permissions(FileName()) & 0x7777,
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                  QFileDevice::WriteUser)
        << "still private";

    ASSERT_TRUE(store->Flush());
    EXPECT_EQ(Read(*NewStore(), QStringLiteral("Kept")), QStringLiteral("second version"));
}

TEST_F(SettingsFileFaultsTest, ANewFileInAWriteProtectedFolderGivesTheSystemsReason) {
    ASSERT_TRUE(QFile::remove(FileName()));
    savedBytes.clear();
    store = NewStore();
    Write(QStringLiteral("Kept"), QStringLiteral("new file"));
    ScriptedMessageBox box({id::Ok});
    {
        WriteProtectionScope protection(dir.path());
        EXPECT_FALSE(store->Flush());
    }
    ASSERT_EQ(box.Seen().size(), 1u);
    EXPECT_TRUE(box.Seen()[0].text.contains(FileName()));
    EXPECT_TRUE(box.Seen()[0].text.contains(QStringLiteral("Permission denied")))
        << box.Seen()[0].text.toStdString();
    EXPECT_TRUE(FolderEntries(dir.path()).isEmpty());
    ASSERT_TRUE(store->Flush());
    EXPECT_EQ(Read(*NewStore(), QStringLiteral("Kept")), QStringLiteral("new file"));
}

TEST_F(SettingsFileFaultsTest, AFailureAfterASuccessfulSaveIsShownAgain) {
    ScriptedMessageBox box({id::Ok, id::Ok});
    Write(QStringLiteral("Kept"), QString(8192, QLatin1Char('a')));
    {
        FileSizeLimitScope limit(4096);
        EXPECT_FALSE(store->Flush());
    }
    ASSERT_TRUE(store->Flush());
    Write(QStringLiteral("Kept"), QString(8192, QLatin1Char('b')));
    {
        FileSizeLimitScope limit(4096);
        EXPECT_FALSE(store->Flush());
    }
    EXPECT_EQ(box.Seen().size(), 2u)
        << "the user believes the settings are saved again after the first problem went";
}

} // namespace
