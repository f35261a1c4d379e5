#include "foundation/exceptions.h"
#include "foundation/persistent_data.h"
#include "foundation/storage_helpers.h"
#include "foundation/string_history.h"
#include "support/scripted_message_box.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <cstdint>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace kx;

const QString kBaseKey = QStringLiteral("\\Software\\Kx-Software\\Kx - Querolt");
const QByteArray kSectionPrefix = "[HKEY_CURRENT_USER\\Software\\Kx-Software\\Kx - Querolt\\";

class PersistentStorageTest : public testing::Test {
protected:
    void SetUp() override { store = NewStore(); }

    std::unique_ptr<TKxPersistentData> NewStore(const QString& file = {}) {
        auto created = std::make_unique<TKxPersistentData>();
        created->SetBaseKey(kBaseKey);
        created->SetFileName(file.isEmpty() ? FileName() : file);
        return created;
    }

    QString FileName() const { return QDir(dir.path()).filePath(QStringLiteral("Test.PRS")); }

    QByteArray FileBytes() {
        store->Flush();
        QFile file(FileName());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void WriteFile(const QByteArray& bytes) {
        QFile file(FileName());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    void Open(const QString& path) { KxOpenKey(store.get(), path, true); }

    QTemporaryDir dir;
    std::unique_ptr<TKxPersistentData> store;
};

TEST_F(PersistentStorageTest, ValuesEqualToTheirDefaultAreRemovedInsteadOfWritten) {
    store->DefineValue(1, QStringLiteral("GeneralSettings"), KxVariant(1),
                       QStringLiteral("ErrorAction"));
    store->DefineValue(2, QStringLiteral("/GeneralSettings/"), KxVariant(QStringLiteral("Abc")),
                       QStringLiteral("Name"));
    store->DefineValue(3, QStringLiteral("MainWindow"), KxVariant(0.5),
                       QStringLiteral("SplitRatio"));

    store->WriteValue(1, KxVariant(2));
    store->WriteValue(2, KxVariant(QStringLiteral("Other")));
    store->WriteValue(3, KxVariant(0.25));
    QByteArray bytes = FileBytes();
    EXPECT_TRUE(
        bytes.contains(kSectionPrefix + "GeneralSettings]\r\nErrorAction=2\r\nName=Other\r\n"));
    EXPECT_TRUE(bytes.contains("SplitRatio=0.25"));

    store->WriteValue(1, KxVariant(1));
    store->WriteValue(2, KxVariant(QStringLiteral("aBC"))); // equal but for case
    store->WriteValue(3, KxVariant(0.5));
    bytes = FileBytes();
    EXPECT_FALSE(bytes.contains("ErrorAction"));
    EXPECT_FALSE(bytes.contains("Name="));
    EXPECT_FALSE(bytes.contains("SplitRatio"));
    EXPECT_EQ(store->ReadValue(1), KxVariant(1));
    EXPECT_EQ(store->ReadValue(2), KxVariant(QStringLiteral("Abc")));
    EXPECT_EQ(store->CurrentPath(), QStringLiteral("\\")) << "declared-value access keeps the path";
}

TEST_F(PersistentStorageTest, DeclarationErrorsAndStorageTypes) {
    store->DefineValue(5, QStringLiteral("K"), KxVariant(1), QStringLiteral("V"));
    try {
        store->DefineValue(5, QStringLiteral("K"), KxVariant(2), QStringLiteral("W"));
        ADD_FAILURE();
    } catch (const EKxException& e) {
        EXPECT_EQ(e.GetMessage(), QStringLiteral("A Value with Id 5 already exists"));
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("DefineValue"));
    }
    try {
        store->ReadValue(6);
        ADD_FAILURE();
    } catch (const EKxException& e) {
        EXPECT_EQ(e.GetMessage(), QStringLiteral("No Value with Id 6"));
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("ValueNotExists"));
    }
    for (int type : {int(stRegistry), int(stStorageFile), 7}) {
        try {
            store->SetStorageType(type);
            ADD_FAILURE() << type;
        } catch (const EKxException& e) {
            EXPECT_EQ(e.GetMessage(),
                      QStringLiteral("This Storage Type has not been implemented yet."));
            EXPECT_EQ(e.GetRoutineName(), QStringLiteral("InternalSetStorageType"));
        }
    }
    EXPECT_NO_THROW(store->SetStorageType(stIniFile));
}

TEST_F(PersistentStorageTest, MultiLineTextsStayOnOneLineAndComeBack) {
    const QString script = QStringLiteral("SELECT *\r\nFROM \"Größe\"\r\n\r\nWHERE a = 1;\n");
    Open(QStringLiteral("\\CurrentDesktop"));
    store->WriteString(QStringLiteral("CurrentSQLStatement"), script);
    const QByteArray bytes = FileBytes();
    EXPECT_TRUE(bytes.contains("CurrentSQLStatement=SELECT *\xFF\xFE"
                               "FROM \"Gr\xC3\xB6\xC3\x9F"
                               "e\"\xFF\xFE\xFF\xFEWHERE a = 1;\xFE\r\n"));

    auto reopened = NewStore();
    KxOpenKey(reopened.get(), QStringLiteral("\\CurrentDesktop"), false);
    EXPECT_EQ(reopened->ReadString(QStringLiteral("CurrentSQLStatement"), {}), script);

    // Older files kept tabs of stored SQL as the byte $FD.
    WriteFile(kSectionPrefix + "Old]\r\nSQL=SELECT\xFD"
                               "a\xFF\xFE"
                               "FROM t\r\n");
    auto old = NewStore();
    KxOpenKey(old.get(), QStringLiteral("\\Old"), false);
    EXPECT_EQ(old->ReadString(QStringLiteral("SQL"), {}), QStringLiteral("SELECT\ta\r\nFROM t"));
}

TEST_F(PersistentStorageTest, BooleansReadFromTheFirstCharacter) {
    Open(QStringLiteral("\\B"));
    const std::pair<const char*, bool> cases[] = {{"Yes", true}, {"true", true}, {"1", true},
                                                  {"Si", true},  {"0", false},   {"no", false},
                                                  {"", false}};
    for (const auto& [text, expected] : cases) {
        store->WriteString(QStringLiteral("Flag"), QString::fromLatin1(text));
        EXPECT_EQ(store->ReadBool(QStringLiteral("Flag"), !expected), expected) << text;
    }
    EXPECT_TRUE(store->ReadBool(QStringLiteral("Missing"), true));
    EXPECT_FALSE(store->ReadBool(QStringLiteral("Missing"), false));
}

TEST_F(PersistentStorageTest, NamesAndValuesAreReadWithoutSurroundingBlanks) {
    WriteFile(kSectionPrefix + "Hand]\r\n  Flag = 1\r\nOff\t=\t0 \r\nName =  two words  \r\n"
                               "Quoted = \"  kept  \"\r\nCount = 42 \r\n");
    store = NewStore();
    ASSERT_TRUE(store->OpenDir(QStringLiteral("\\Hand"), false));
    EXPECT_TRUE(store->ReadBool(QStringLiteral("Flag"), false));
    EXPECT_FALSE(store->ReadBool(QStringLiteral("Off"), true));
    EXPECT_EQ(store->ReadString(QStringLiteral("Name"), {}), QStringLiteral("two words"));
    EXPECT_EQ(store->ReadString(QStringLiteral("Quoted"), {}), QStringLiteral("  kept  "));
    EXPECT_EQ(store->ReadInteger(QStringLiteral("Count"), 0), 42);
    QStringList names;
    store->ReadValueNames(names);
    EXPECT_EQ(names,
              QStringList({QStringLiteral("Flag"), QStringLiteral("Off"), QStringLiteral("Name"),
                           QStringLiteral("Quoted"), QStringLiteral("Count")}));

    // Texts whose blanks or quotes would be read away are written quoted, so they come back.
    const QString texts[] = {QStringLiteral(" leading"),   QStringLiteral("trailing\t"),
                             QStringLiteral("\"quoted\""), QStringLiteral("\"\""),
                             QStringLiteral("\"half"),     QStringLiteral("in \"the\" middle"),
                             QStringLiteral("line\r\n")};
    for (int i = 0; i < int(std::size(texts)); ++i)
        store->WriteString(QStringLiteral("T%1").arg(i), texts[i]);
    const QByteArray bytes = FileBytes();
    EXPECT_TRUE(bytes.contains("T0=\" leading\"\r\n"));
    EXPECT_TRUE(bytes.contains("T4=\"half\r\n")) << "only texts that need it are quoted";
    EXPECT_TRUE(bytes.contains("T6=line\xFF\xFE\r\n"));
    auto reopened = NewStore();
    ASSERT_TRUE(reopened->OpenDir(QStringLiteral("\\Hand"), false));
    for (int i = 0; i < int(std::size(texts)); ++i)
        EXPECT_EQ(reopened->ReadString(QStringLiteral("T%1").arg(i), {}), texts[i]) << i;
}

TEST_F(PersistentStorageTest, ASaveKeepsWhatOtherInstancesAndHandEditsChanged) {
    WriteFile(kSectionPrefix + "G]\r\nA=0\r\nB=0\r\nC=0\r\nGone=x\r\n" + kSectionPrefix +
              "Old]\r\nX=1\r\n" + kSectionPrefix + "List\\0]\r\nName=a\r\n");
    auto one = NewStore();
    auto two = NewStore();

    // Both instances change settings; the second saves first.
    KxOpenKey(one.get(), QStringLiteral("\\G"), true);
    one->WriteString(QStringLiteral("A"), QStringLiteral("one"));
    one->WriteString(QStringLiteral("C"), QStringLiteral("changed and changed back"));
    one->WriteString(QStringLiteral("C"), QStringLiteral("0"));
    one->DeleteValue(QStringLiteral("Gone"));
    one->DeleteDir(QStringLiteral("\\Old"));
    KxOpenKey(two.get(), QStringLiteral("\\G"), true);
    two->WriteString(QStringLiteral("A"), QStringLiteral("two"));
    two->WriteString(QStringLiteral("B"), QStringLiteral("two"));
    two->WriteString(QStringLiteral("C"), QStringLiteral("two"));
    KxOpenKey(two.get(), QStringLiteral("\\Old"), true);
    two->WriteString(QStringLiteral("Y"), QStringLiteral("two"));
    KxOpenKey(two.get(), QStringLiteral("\\List\\1"), true);
    two->WriteString(QStringLiteral("Name"), QStringLiteral("b"));
    ASSERT_TRUE(two->Flush());

    // A hand edit while the first one still runs.
    QFile file(FileName());
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write(kSectionPrefix + "Hand]\r\nH = 1\r\n");
    file.close();

    ASSERT_TRUE(one->Flush());
    EXPECT_EQ(one->ReadString(QStringLiteral("B"), {}), QStringLiteral("two"))
        << "after a save the instance sees what the others saved";

    auto reader = NewStore();
    ASSERT_TRUE(reader->OpenDir(QStringLiteral("\\G"), false));
    EXPECT_EQ(reader->ReadString(QStringLiteral("A"), {}), QStringLiteral("one"))
        << "a value changed here wins";
    EXPECT_EQ(reader->ReadString(QStringLiteral("B"), {}), QStringLiteral("two"));
    EXPECT_EQ(reader->ReadString(QStringLiteral("C"), {}), QStringLiteral("two"))
        << "a value changed and changed back here was not changed here";
    EXPECT_FALSE(reader->ValueExists(QStringLiteral("Gone")));
    ASSERT_TRUE(reader->OpenDir(QStringLiteral("\\Old"), false))
        << "the other instance wrote into the deleted key";
    EXPECT_FALSE(reader->ValueExists(QStringLiteral("X")));
    EXPECT_EQ(reader->ReadString(QStringLiteral("Y"), {}), QStringLiteral("two"));
    ASSERT_TRUE(reader->OpenDir(QStringLiteral("\\List\\1"), false));
    EXPECT_EQ(reader->ReadString(QStringLiteral("Name"), {}), QStringLiteral("b"));
    ASSERT_TRUE(reader->OpenDir(QStringLiteral("\\List\\0"), false));
    EXPECT_EQ(reader->ReadString(QStringLiteral("Name"), {}), QStringLiteral("a"));
    ASSERT_TRUE(reader->OpenDir(QStringLiteral("\\Hand"), false));
    EXPECT_TRUE(reader->ReadBool(QStringLiteral("H"), false));

    // A deleted key nobody else wrote into goes with its section; the file stays private.
    two->DeleteDir(QStringLiteral("\\Old"));
    ASSERT_TRUE(two->Flush());
    QFile saved(FileName());
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_FALSE(saved.readAll().contains("\\Old]"));
    EXPECT_EQ(QFile::permissions(FileName()) & 0x7777,
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                  QFileDevice::WriteUser);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("Test.PRS")}))
        << "no lock or temporary file is left behind";
}

TEST_F(PersistentStorageTest, KeysExistThroughTheSectionsBelowThem) {
    Open(QStringLiteral("\\A\\B\\C"));
    store->WriteString(QStringLiteral("V"), QStringLiteral("x"));
    Open(QStringLiteral("/A/D/"));
    store->WriteString(QStringLiteral("W"), QStringLiteral("y"));
    ASSERT_TRUE(store->Flush());

    auto reopened = NewStore();
    EXPECT_TRUE(reopened->OpenDir(QStringLiteral("\\A\\B"), false));
    EXPECT_TRUE(reopened->OpenDir(QStringLiteral("C"), false)) << "relative to the current path";
    EXPECT_EQ(reopened->CurrentPath(), QStringLiteral("\\A\\B\\C"));
    EXPECT_FALSE(reopened->OpenDir(QStringLiteral("\\A\\X"), false));
    EXPECT_FALSE(reopened->OpenDir(QStringLiteral("\\A\\B\\Cx"), false));
    EXPECT_EQ(reopened->CurrentPath(), QStringLiteral("\\A\\B\\C"))
        << "a failed open keeps the path";

    ASSERT_TRUE(reopened->OpenDir(QStringLiteral("\\a"), false)) << "keys ignore case";
    QStringList names;
    reopened->ReadSubDirNames(names);
    EXPECT_EQ(names, QStringList({QStringLiteral("B"), QStringLiteral("D")}));

    EXPECT_TRUE(reopened->DeleteDir(QStringLiteral("\\A\\B")));
    EXPECT_FALSE(reopened->DirExists(QStringLiteral("\\A\\B\\C")));
    EXPECT_TRUE(reopened->DirExists(QStringLiteral("\\A\\D")));
    reopened->Flush();
    QFile file(FileName());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(file.readAll().contains("\\A\\B\\C]"));
}

TEST_F(PersistentStorageTest, VariantsAndBinaryValuesUseTheirTextForms) {
    Open(QStringLiteral("\\V"));
    store->WriteVariant(QStringLiteral("Int"), KxVariant(5));
    store->WriteVariant(QStringLiteral("Empty"), KxVariant());
    store->WriteVariant(QStringLiteral("Null"), KxVariant::Null());
    store->WriteVariant(QStringLiteral("Text"), KxVariant(QStringLiteral("a,b")));
    store->WriteBinary(QStringLiteral("Bin"), QByteArray("\x00\xAB\x10", 3));
    const QByteArray bytes = FileBytes();
    for (const char* line :
         {"Int=3,5", "Empty=0,<None>", "Null=1,NULL", "Text=8,a,b", "Bin=00AB10"})
        EXPECT_TRUE(bytes.contains(line)) << line;

    EXPECT_EQ(store->ReadVariant(QStringLiteral("Int"), KxVariant()), KxVariant(5));
    EXPECT_TRUE(store->ReadVariant(QStringLiteral("Empty"), KxVariant(1)).IsEmpty());
    EXPECT_TRUE(store->ReadVariant(QStringLiteral("Null"), KxVariant(1)).IsNull());
    EXPECT_EQ(store->ReadVariant(QStringLiteral("Text"), KxVariant()),
              KxVariant(QStringLiteral("a,b")));

    store->WriteString(QStringLiteral("Bare"), QStringLiteral("42"));
    EXPECT_EQ(store->ReadVariant(QStringLiteral("Bare"), KxVariant(std::int64_t{1})),
              KxVariant(std::int64_t{42}))
        << "without a type code the default's type is used";
    store->WriteString(QStringLiteral("Bad"), QStringLiteral("3,x"));
    EXPECT_EQ(store->ReadVariant(QStringLiteral("Bad"), KxVariant(9)), KxVariant(9));

    char buffer[6] = {'z', 'z', 'z', 'z', 'z', 'z'};
    EXPECT_EQ(store->ReadBinary(QStringLiteral("Bin"), buffer, 6, true), 3);
    EXPECT_EQ(QByteArray(buffer, 6), QByteArray("\x00\xAB\x10\x00\x00\x00", 6));
}

// Currency is fixed point over 64 bits: a double holds only 15 to 17 digits, so the stored
// text is exact, and large amounts read back unchanged.
TEST_F(PersistentStorageTest, CurrencyValuesAreStoredExactly) {
    Open(QStringLiteral("\\C"));
    const std::int64_t amounts[] = {12150888406395690, INT64_MAX, INT64_MIN, -1, 10000, 0};
    for (const std::int64_t scaled : amounts) {
        const KxVariant value = KxVariant::FromCurrencyScaled(scaled);
        store->WriteVariant(QStringLiteral("Amount"), value);
        EXPECT_EQ(store->ReadVariant(QStringLiteral("Amount"), KxVariant()), value) << scaled;
    }
    EXPECT_TRUE(FileBytes().contains("Amount=6,0")) << "the last amount written";
    store->WriteVariant(QStringLiteral("Amount"), KxVariant::FromCurrencyScaled(12150888406395690));
    EXPECT_TRUE(FileBytes().contains("Amount=6,1215088840639.569"));
    // Texts of older files, written through a double or in other forms, still read.
    store->WriteString(QStringLiteral("Old"), QStringLiteral("6,1.5e3"));
    EXPECT_EQ(store->ReadVariant(QStringLiteral("Old"), KxVariant()),
              KxVariant::FromCurrencyScaled(15000000));
    store->WriteString(QStringLiteral("Old"), QStringLiteral("6,2.00006"));
    EXPECT_EQ(store->ReadVariant(QStringLiteral("Old"), KxVariant()),
              KxVariant::FromCurrencyScaled(20001));
}

TEST_F(PersistentStorageTest, TypedReadsFallBackOnBadData) {
    Open(QStringLiteral("\\T"));
    store->WriteString(QStringLiteral("N"), QStringLiteral("12x"));
    EXPECT_EQ(store->ReadInteger(QStringLiteral("N"), 7), 7);
    EXPECT_EQ(store->ReadFloat(QStringLiteral("N"), 1.5), 1.5);
    EXPECT_EQ(store->ReadDateTime(QStringLiteral("N"), 3.0), 3.0);
    store->WriteInt64(QStringLiteral("Big"), 9007199254740993);
    EXPECT_EQ(store->ReadInt64(QStringLiteral("Big"), 0), 9007199254740993);
    EXPECT_EQ(store->ReadInteger(QStringLiteral("Big"), 4), 4) << "too large for an integer";
    const TKxDateTime moment = KxToDateTime(QDateTime(QDate(2026, 2, 3), QTime(4, 5, 6, 7)));
    store->WriteDateTime(QStringLiteral("When"), moment);
    EXPECT_DOUBLE_EQ(store->ReadDateTime(QStringLiteral("When"), 0), moment);
    store->WriteFloat(QStringLiteral("Ratio"), 0.1 + 0.2);
    EXPECT_EQ(store->ReadFloat(QStringLiteral("Ratio"), 0), 0.1 + 0.2)
        << "doubles round-trip exactly";
}

TEST_F(PersistentStorageTest, KeyPathKeeperRestoresThePathAlsoOnExceptions) {
    Open(QStringLiteral("\\Start"));
    try {
        TKxKeyPathKeeper keeper(store.get(), QStringLiteral("\\Elsewhere\\Deep"), true);
        EXPECT_EQ(store->CurrentPath(), QStringLiteral("\\Elsewhere\\Deep"));
        throw std::runtime_error("fail");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(store->CurrentPath(), QStringLiteral("\\Start"));
    EXPECT_FALSE(KxOpenKey(store.get(), QStringLiteral("\\Nowhere"), false));
}

TEST_F(PersistentStorageTest, MalformedFilesAreReadAndKeptWhereTheyCannotBeUnderstood) {
    const QByteArray junkValue(10 * 1024 * 1024, 'x');
    WriteFile("stray text before any section\r\n" + kSectionPrefix +
              "G]\r\nno equals sign here\r\nA=first\r\nA=second\r\nBad=\xC3\x28\xFF\r\n" +
              kSectionPrefix + "G]\nA=duplicate section\nHuge=" + junkValue + "\n");
    store = NewStore();
    ASSERT_TRUE(store->OpenDir(QStringLiteral("\\G"), false));
    EXPECT_EQ(store->ReadString(QStringLiteral("A"), {}), QStringLiteral("first"));
    EXPECT_EQ(store->ReadString(QStringLiteral("Missing"), QStringLiteral("dflt")),
              QStringLiteral("dflt"));
    EXPECT_FALSE(store->ReadString(QStringLiteral("Bad"), {}).isEmpty());

    store->WriteString(QStringLiteral("New"), QStringLiteral("value"));
    const QByteArray bytes = FileBytes();
    EXPECT_TRUE(bytes.startsWith("stray text before any section\r\n"));
    EXPECT_TRUE(bytes.contains(
        "no equals sign here\r\nA=first\r\nA=second\r\nBad=\xC3\x28\xFF\r\nNew=value\r\n"));
    EXPECT_TRUE(bytes.contains("A=duplicate section"));
    const qsizetype huge = bytes.indexOf("Huge=");
    ASSERT_GE(huge, 0);
    EXPECT_TRUE(bytes.mid(huge + 5, junkValue.size()) == junkValue);
}

TEST_F(PersistentStorageTest, FileIsPrivateAndSavedAtTheEndOfTheEventLoopTurn) {
    Open(QStringLiteral("\\P"));
    store->WriteString(QStringLiteral("A"), QStringLiteral("1"));
    store->WriteString(QStringLiteral("B"), QStringLiteral("2"));
    EXPECT_FALSE(QFile::exists(FileName())) << "writes are coalesced";
    QCoreApplication::processEvents();
    ASSERT_TRUE(QFile::exists(FileName()));
    EXPECT_EQ(QFile::permissions(FileName()) & 0x7777,
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                  QFileDevice::WriteUser);
}

TEST_F(PersistentStorageTest, AFailedSaveWarnsOnceAndKeepsTheValues) {
    const QString blocked = QDir(dir.path()).filePath(QStringLiteral("blocked"));
    QFile blocker(blocked);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
    blocker.close();
    store = NewStore(blocked + QStringLiteral("/Test.PRS"));
    test::ScriptedMessageBox box({id::Ok});
    Open(QStringLiteral("\\K"));
    store->WriteString(QStringLiteral("A"), QStringLiteral("kept"));
    EXPECT_FALSE(store->Flush());
    store->WriteString(QStringLiteral("B"), QStringLiteral("also kept"));
    EXPECT_FALSE(store->Flush());
    ASSERT_EQ(box.Seen().size(), 1u);
    EXPECT_TRUE(box.Seen()[0].text.contains(QStringLiteral("cannot be saved")));
    EXPECT_EQ(box.Seen()[0].caption, QStringLiteral("Warning"));
    EXPECT_EQ(store->ReadString(QStringLiteral("A"), {}), QStringLiteral("kept"));
}

TEST_F(PersistentStorageTest, AnUnreadableFileIsNeverOverwritten) {
    const QString folder = QDir(dir.path()).filePath(QStringLiteral("folder.PRS"));
    ASSERT_TRUE(QDir().mkpath(folder));
    test::ScriptedMessageBox box({id::Ok});
    store = NewStore(folder); // exists, but cannot be read as a file
    Open(QStringLiteral("\\K"));
    store->WriteString(QStringLiteral("A"), QStringLiteral("x"));
    EXPECT_FALSE(store->Flush());
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(box.Seen().size(), 1u);
}

TEST_F(PersistentStorageTest, AFileThatTurnsUnreadableBeforeASaveIsNotOverwritten) {
    Open(QStringLiteral("\\K"));
    store->WriteString(QStringLiteral("A"), QStringLiteral("1"));
    ASSERT_TRUE(store->Flush());
    store->WriteString(QStringLiteral("A"), QStringLiteral("2"));
    // Something that exists at the file's place but cannot be read as a file.
    ASSERT_TRUE(QFile::remove(FileName()));
    ASSERT_TRUE(QDir().mkpath(FileName() + QStringLiteral("/inside")));
    test::ScriptedMessageBox box({id::Ok});
    EXPECT_FALSE(store->Flush());
    EXPECT_EQ(box.Seen().size(), 1u);
    EXPECT_TRUE(QFileInfo::exists(FileName() + QStringLiteral("/inside")));

    ASSERT_TRUE(QDir(FileName()).removeRecursively());
    EXPECT_TRUE(store->Flush()) << "the change is kept and saved once the place is free";
    auto reader = NewStore();
    ASSERT_TRUE(reader->OpenDir(QStringLiteral("\\K"), false));
    EXPECT_EQ(reader->ReadString(QStringLiteral("A"), {}), QStringLiteral("2"));
}

TEST_F(PersistentStorageTest, AWriterKilledWhileSavingLeavesAWholeFile) {
    Open(QStringLiteral("\\K"));
    store->WriteString(QStringLiteral("Generation"), QStringLiteral("0"));
    store->WriteString(QStringLiteral("Payload"), QString(1000, QLatin1Char('p')));
    ASSERT_TRUE(store->Flush());

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Keep saving large versions until killed.
        auto writer = NewStore();
        KxOpenKey(writer.get(), QStringLiteral("\\K"), true);
        for (int generation = 1;; ++generation) {
            writer->WriteString(QStringLiteral("Generation"), QString::number(generation));
            writer->WriteString(QStringLiteral("Payload"),
                                QString(4 * 1024 * 1024 + generation, QLatin1Char('p')));
            writer->Flush();
        }
    }
    usleep(300 * 1000);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);

    auto reader = NewStore();
    ASSERT_TRUE(reader->OpenDir(QStringLiteral("\\K"), false));
    const int generation =
        reader->ReadString(QStringLiteral("Generation"), QStringLiteral("-1")).toInt();
    const QString payload = reader->ReadString(QStringLiteral("Payload"), {});
    ASSERT_GE(generation, 0);
    EXPECT_EQ(payload.size(), generation == 0 ? 1000 : 4 * 1024 * 1024 + generation)
        << "the file holds one complete version";
}

TEST_F(PersistentStorageTest, StringHistoryKeepsThirtyNewestFirstComparingWithCase) {
    TKxStringHistory history(store.get(), QStringLiteral("RecentScriptFiles"),
                             QStringLiteral("ScriptFile"));
    for (int i = 0; i < 31; ++i)
        history.Add(QStringLiteral("/scripts/file%1.sql").arg(i));
    EXPECT_EQ(history.Count(), 30);
    EXPECT_EQ(history.Item(0), QStringLiteral("/scripts/file30.sql"));
    EXPECT_EQ(history.Item(29), QStringLiteral("/scripts/file1.sql"));
    EXPECT_EQ(history.Item(30), QString());

    history.Add(QStringLiteral("  /scripts/file10.sql\r\n"));
    EXPECT_EQ(history.Count(), 30);
    EXPECT_EQ(history.Item(0), QStringLiteral("/scripts/file10.sql"));
    EXPECT_EQ(history.Item(1), QStringLiteral("/scripts/file30.sql"));
    EXPECT_EQ(history.Item(20), QStringLiteral("/scripts/file11.sql"));
    EXPECT_EQ(history.Item(21), QStringLiteral("/scripts/file9.sql"))
        << "entries below the old place stay";
    EXPECT_EQ(history.Item(29), QStringLiteral("/scripts/file1.sql"));

    history.Add(QStringLiteral("/scripts/FILE9.sql")); // another file than /scripts/file9.sql
    EXPECT_EQ(history.Count(), 30);
    EXPECT_EQ(history.Item(0), QStringLiteral("/scripts/FILE9.sql"));
    EXPECT_EQ(history.Item(1), QStringLiteral("/scripts/file10.sql"));
    EXPECT_EQ(history.Item(22), QStringLiteral("/scripts/file9.sql"));
    EXPECT_EQ(history.Item(29), QStringLiteral("/scripts/file2.sql")) << "the oldest fell off";

    history.Add(QStringLiteral("/work/R&D.sql"));
    EXPECT_EQ(history.Item(0), QStringLiteral("/work/R&D.sql")) << "paths are stored unchanged";
    EXPECT_EQ(store->CurrentPath(), QStringLiteral("\\"));
}

TEST_F(PersistentStorageTest, WindowBoundsUseNamedIntegersAndFitTheScreen) {
    KxStoreWindowBounds(store.get(), QStringLiteral("MainWindow"), TKxBounds{10, 20, 810, 620});
    EXPECT_TRUE(FileBytes().contains(kSectionPrefix +
                                     "MainWindow]\r\nMainWindow Left=10\r\nMainWindow Top=20\r\n"
                                     "MainWindow Right=810\r\nMainWindow Bottom=620\r\n"));
    TKxBounds bounds;
    EXPECT_TRUE(KxLoadWindowBounds(store.get(), QStringLiteral("MainWindow"), bounds));
    EXPECT_EQ(bounds.ToRect(), QRect(10, 20, 800, 600));
    TKxBounds none;
    EXPECT_FALSE(KxLoadWindowBounds(store.get(), QStringLiteral("Other"), none));
    EXPECT_EQ(none.Left, kxUnsetBound);

    const QRect screen(0, 0, 1024, 768);
    EXPECT_EQ(KxFitRectToScreen(QRect(900, 700, 300, 200), screen), QRect(724, 568, 300, 200));
    EXPECT_EQ(KxFitRectToScreen(QRect(-50, -10, 300, 200), screen), QRect(0, 0, 300, 200));
    EXPECT_EQ(KxFitRectToScreen(QRect(100, 100, 2000, 900), screen), QRect(0, 0, 1024, 768));
}

} // namespace
