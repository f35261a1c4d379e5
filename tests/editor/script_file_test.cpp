#include "editor/custom_editor.h"
#include "editor/script_file.h"
#include "editor_test_support.h"
#include "foundation/exceptions.h"
#include "support/file_fault_scopes.h"
#include "support/raised.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace kx;

class ScriptFileTest : public testing::Test {
protected:
    QString Path(const char* name) const {
        return QDir(dir.path()).filePath(QString::fromLatin1(name));
    }

    void WriteBytes(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray ReadBytes(const QString& path) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

    QTemporaryDir dir;
    TCustomEditor editor;
};

TEST_F(ScriptFileTest, Utf8FileLoadsNormalisedAndSavesWithCrLf) {
    WriteBytes(Path("a.sql"), QByteArray("SELECT 'Gr\xC3\xBC\xC3\x9F"
                                         "e'\nFROM t;\n"));
    EXPECT_EQ(editor.Lines().LoadFromFile(Path("a.sql")), TKxScriptEncoding::Utf8);
    EXPECT_EQ(editor.Text(), QStringLiteral("SELECT 'Grüße'\r\nFROM t;\r\n"));

    editor.Lines().SaveToFile(Path("b.sql"), TKxScriptEncoding::Utf8);
    EXPECT_EQ(ReadBytes(Path("b.sql")), QByteArray("SELECT 'Gr\xC3\xBC\xC3\x9F"
                                                   "e'\r\nFROM t;\r\n"));
}

TEST_F(ScriptFileTest, InvalidUtf8IsKeptByteForByte) {
    const QByteArray latin1("-- K\xF6ln \xA9\r\nSELECT 1;\r\n");
    WriteBytes(Path("old.sql"), latin1);
    EXPECT_EQ(editor.Lines().LoadFromFile(Path("old.sql")), TKxScriptEncoding::Latin1);
    EXPECT_EQ(editor.Lines().Get(0), QStringLiteral("-- Köln ©"));
    EXPECT_EQ(editor.Lines().SaveToFile(Path("old.sql"), TKxScriptEncoding::Latin1),
              TKxScriptEncoding::Latin1);
    EXPECT_EQ(ReadBytes(Path("old.sql")), latin1);

    // A character Latin-1 cannot hold switches the file to UTF-8 instead of losing it.
    kx::test::Type(editor, QStringLiteral("€"));
    EXPECT_EQ(editor.Lines().SaveToFile(Path("old.sql"), TKxScriptEncoding::Latin1),
              TKxScriptEncoding::Utf8);
    const TKxScriptFileText back = KxReadScriptFile(Path("old.sql"));
    EXPECT_EQ(back.Text, editor.Text());
}

TEST_F(ScriptFileTest, ByteOrderMarkIsKeptButNotShown) {
    WriteBytes(Path("bom.sql"), QByteArray("\xEF\xBB\xBFSELECT 1;"));
    EXPECT_EQ(editor.Lines().LoadFromFile(Path("bom.sql")), TKxScriptEncoding::Utf8WithBom);
    EXPECT_EQ(editor.Text(), QStringLiteral("SELECT 1;"));
    editor.Lines().SaveToFile(Path("bom.sql"), TKxScriptEncoding::Utf8WithBom);
    EXPECT_EQ(ReadBytes(Path("bom.sql")), QByteArray("\xEF\xBB\xBFSELECT 1;"));
}

TEST_F(ScriptFileTest, FailuresRaiseAndLeaveTheTextAndTheOldFileAlone) {
    editor.SetAllText(QStringLiteral("keep me"));
    try {
        editor.Lines().LoadFromFile(Path("missing.sql"));
        ADD_FAILURE();
    } catch (const EKxException& e) {
        EXPECT_EQ(e.GetMessage(),
                  QStringLiteral("File \"%1\" doesn't exist").arg(Path("missing.sql")));
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("LoadFromFile"));
    }
    EXPECT_EQ(editor.Text(), QStringLiteral("keep me"));

    EXPECT_THROW(editor.Lines().SaveToFile(Path("no/such/folder/x.sql"), TKxScriptEncoding::Utf8),
                 EKxException);
}

TEST_F(ScriptFileTest, AFullDiskOrAWriteProtectedFolderKeepsTheOldFileAndNamesTheReason) {
    const QString folder = Path("out");
    ASSERT_TRUE(QDir().mkpath(folder));
    test::OpenToOthers(dir.path());
    test::OpenToOthers(folder);
    const QString file = QDir(folder).filePath(QStringLiteral("a.sql"));
    const QByteArray old("SELECT 'old';\r\n");
    WriteBytes(file, old);
    // More than the limit below, with characters of two, three and four bytes.
    editor.SetAllText(
        QStringLiteral("SELECT 'Gr\u00fc\u00dfe \u65e5\u672c \U0001F600';\r\n").repeated(1000));
    const auto save = [&](const QString& name) {
        return test::Raised([&] { editor.Lines().SaveToFile(name, TKxScriptEncoding::Utf8); });
    };
    const auto expectRefused = [&](const EKxException& e, const QString& name,
                                   const QString& reason) {
        EXPECT_EQ(e.GetMessage(),
                  QStringLiteral("Cannot write the file \"%1\": %2").arg(name, reason));
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("SaveToFile"));
        EXPECT_EQ(ReadBytes(file), old);
        EXPECT_EQ(test::FolderEntries(folder), QStringList{QStringLiteral("a.sql")});
    };
    {
        test::FileSizeLimitScope limit(4096);
        expectRefused(save(file), file, QStringLiteral("File too large"));
    }
    {
        test::WriteProtectionScope protection(folder);
        expectRefused(save(file), file,
                      QStringLiteral("Existing file %1 is not writable").arg(file));
        const QString fresh = QDir(folder).filePath(QStringLiteral("new.sql"));
        expectRefused(save(fresh), fresh, QStringLiteral("Permission denied"));
    }
    EXPECT_EQ(editor.Lines().SaveToFile(file, TKxScriptEncoding::Utf8), TKxScriptEncoding::Utf8);
    EXPECT_EQ(ReadBytes(file), editor.Text().toUtf8()) << "saved once the fault is gone";
}

// Reads the reader to its end in pieces of `readSize` bytes.
QString ReadInPieces(TKxScriptReader& reader, qint64 readSize) {
    QString text;
    while (!reader.AtEnd())
        text += reader.Read(readSize);
    return text;
}

TEST_F(ScriptFileTest, AFileReadInPiecesGivesTheTextOfTheWholeFile) {
    struct TCase {
        QByteArray bytes;
        TKxScriptEncoding encoding;
        QString text;
    };
    const TCase cases[] = {
        // One byte that is not UTF-8, after characters that are: all of the file is Latin-1,
        // the characters read before it included.
        {QByteArray("select '\xC3\xA9';\n") + QByteArray(300, 'x') + QByteArray("\xE9"),
         TKxScriptEncoding::Latin1,
         QStringLiteral("select 'Ã©';\n") + QString(300, QLatin1Char('x')) + QStringLiteral("é")},
        // A character cut off by the end of the file is no UTF-8 either.
        {QByteArray("select '\xC3\xA9\xE2\x82"), TKxScriptEncoding::Latin1,
         QString::fromLatin1("select '\xC3\xA9\xE2\x82")},
        {QByteArray("\xEF\xBB\xBF\xE9"), TKxScriptEncoding::Latin1, QStringLiteral("é")},
    };
    for (const TCase& test : cases) {
        WriteBytes(Path("p.sql"), test.bytes);
        for (const qint64 readSize : {1, 2, 3, 5, 1 << 16}) {
            TKxScriptReader reader(Path("p.sql"));
            EXPECT_EQ(reader.Encoding(), test.encoding) << test.bytes.toPercentEncoding().data();
            EXPECT_EQ(ReadInPieces(reader, readSize), test.text)
                << test.bytes.toPercentEncoding().data() << " read " << readSize << " at a time";
        }
        const TKxScriptFileText whole = KxReadScriptFile(Path("p.sql"));
        EXPECT_EQ(whole.Encoding, test.encoding);
        EXPECT_EQ(whole.Text, test.text);
    }
}

} // namespace
