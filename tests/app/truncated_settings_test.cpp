#include "app/application_settings.h"
#include "app/connection_list.h"
#include "app/main_window.h"
#include "foundation/persistent_data.h"
#include "foundation/storage_helpers.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_environment.h"
#include "support/file_bytes.h"
#include "support/scripted_message_box.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace {

using namespace kx;

// A value as its key path below the program's base key and its name.
using ValueKey = std::pair<QString, QString>;
using Values = std::map<ValueKey, QString>;

const QString kSectionPrefix =
    QStringLiteral("HKEY_CURRENT_USER") + QString::fromLatin1(kxSettingsBaseKey);

using test::ReadBytes;
using test::WriteBytes;

// Every value a store holds, found as the program finds them: key by key from the root.
void CollectValues(TKxPersistentData& store, const QString& path, Values& values) {
    QStringList names;
    QStringList subKeys;
    {
        const TKxKeyPathKeeper key(&store, path.isEmpty() ? QStringLiteral("\\") : path, false);
        if (!key.Opened())
            return;
        store.ReadValueNames(names);
        for (const QString& name : names)
            values[{path, name}] = store.ReadString(name, {});
        store.ReadSubDirNames(subKeys);
    }
    for (const QString& subKey : subKeys)
        CollectValues(store, path + QLatin1Char('\\') + subKey, values);
}

Values ValuesOf(const QString& fileName) {
    TKxPersistentData store;
    KxConfigureApplicationStore(store, fileName);
    Values values;
    CollectValues(store, {}, values);
    return values;
}

// How many bytes at the end begin a character that the end cuts through.
qsizetype PartialCharacterBytes(const QByteArray& bytes) {
    for (qsizetype back = 1; back <= std::min<qsizetype>(bytes.size(), 4); ++back) {
        const auto c = uchar(bytes[bytes.size() - back]);
        if ((c & 0xC0) == 0x80)
            continue;
        if (c < 0xC0 || c >= 0xF8)
            return 0;
        const qsizetype length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
        return length > back ? back : 0;
    }
    return 0;
}

// One "name=value" line of the settings file as the program wrote it.
struct ValueLine {
    ValueKey key;
    QString value;       // as read from the whole file
    qsizetype start;     // offset of the line
    qsizetype valueFrom; // offset of the value, after "="
    qsizetype end;       // offset after the line break
};

// The settings file the program writes, with values that stress the format: "=" inside a
// value, blanks, characters of two to four bytes, an empty value, a long multi-line one.
class TruncatedSettingsTest : public testing::Test {
protected:
    void SetUp() override {
        fullFile = QDir(dir.path()).filePath(QStringLiteral("full.PRS"));
        cutFile = QDir(dir.path()).filePath(QStringLiteral("KxQuerolt.PRS"));
        {
            TKxPersistentData store;
            KxConfigureApplicationStore(store, fullFile);
            store.WriteValue(sidSplitRatio, KxVariant(0.375));
            store.WriteValue(sidErrorAction, KxVariant(2));
            store.WriteValue(sidDirectiveComment, KxVariant(true));
            store.WriteValue(sidDataGridEvenRowColor, KxVariant(0xE6F0FF));
            store.WriteValue(sidCurrentConnectionName,
                             KxVariant(QStringLiteral("Gr\u00fc\u00dfe")));
            store.WriteValue(sidCurrentScriptFileName,
                             KxVariant(QStringLiteral("/home/j\u00fcrgen/My Scripts/a=b.sql")));
            store.WriteValue(
                sidCurrentSQLStatement,
                KxVariant(QStringLiteral("SELECT name = 'x y', \u65e5\u672c \U0001F600\r\n") +
                          QStringLiteral("  FROM t WHERE a = b;\r\n").repeated(20)));
            TKxStringHistory recent = KxRecentScriptFiles(store);
            recent.Add(QStringLiteral("  blanks around.sql "));
            recent.Add(QStringLiteral("/tmp/\u00e9t\u00e9 \U0001F600.sql"));
            KxOpenKey(&store, QStringLiteral("\\DefaultRSProperties"), true);
            store.WriteString(QStringLiteral("Filter"), QString());
            store.WriteString(QStringLiteral("Caption"), QStringLiteral("  indented, spaced  "));
            TKxOdbcEnvironment environment;
            TKxConnectionList connections(environment);
            auto connection = connections.Create();
            connection->SetConnectionString(
                QStringLiteral("DRIVER=SQLite3;DATABASE=%1/gr\u00fc\u00dfe.db").arg(dir.path()));
            connections.Add(std::move(connection));
            connections.Store(store);
            ASSERT_TRUE(store.Flush());
        }
        original = ReadBytes(fullFile);
        full = ValuesOf(fullFile);
        ASSERT_NO_FATAL_FAILURE(FindLines());
    }

    // The value lines of the whole file, checked against what the store reads from it.
    void FindLines() {
        QString section;
        for (qsizetype start = 0; start < original.size();) {
            const qsizetype end = original.indexOf("\r\n", start) + 2;
            ASSERT_GE(end, start + 2) << "every line the program writes ends with CR LF";
            const QByteArray line = original.mid(start, end - 2 - start);
            if (line.startsWith('[')) {
                section = QString::fromUtf8(line.mid(1, line.size() - 2));
                ASSERT_TRUE(section.startsWith(kSectionPrefix));
                section = section.mid(kSectionPrefix.size());
            } else {
                const qsizetype equals = line.indexOf('=');
                ASSERT_GT(equals, 0) << line.toStdString();
                const ValueKey key{section, QString::fromUtf8(line.left(equals))};
                ASSERT_EQ(full.count(key), 1u) << key.first.toStdString();
                lines.push_back({key, full[key], start, start + equals + 1, end});
            }
            start = end;
        }
        ASSERT_EQ(lines.size(), full.size()) << "the store reads every line, nothing else";
    }

    // What the store must read of the value on a line the file ends inside of, `cut` bytes
    // into the file: nothing before its "="; after it, the value as far as its bytes go, as
    // any line is read. That is a prefix of the value, except that a quoted value keeps its
    // opening quote (the closing one is missing) and each byte of a character cut in the
    // middle reads as a replacement character, as Qt decodes any UTF-8 it cannot.
    static std::optional<QString> CutValue(const QByteArray& original, const ValueLine& line,
                                           qsizetype cut) {
        if (cut < line.valueFrom)
            return std::nullopt;
        QByteArray bytes = original.mid(line.valueFrom, cut - line.valueFrom);
        if (bytes.endsWith('\r'))
            bytes.chop(1); // only the LF is missing: the line is whole
        const QByteArray whole = original.mid(line.valueFrom, line.end - 2 - line.valueFrom);
        if (bytes == whole)
            return line.value;
        QString expected;
        if (bytes.startsWith('"')) {
            expected = QStringLiteral("\"");
            bytes.remove(0, 1);
        }
        const qsizetype partial = PartialCharacterBytes(bytes);
        // The bytes $FE and $FF that stand for LF and CR are one character each, as the
        // invalid UTF-8 they are.
        const qsizetype characters = QString::fromUtf8(bytes.left(bytes.size() - partial)).size();
        QString prefix = line.value.left(characters);
        if (partial == 0) {
            // Blanks at the end of a line are not part of its value.
            while (!prefix.isEmpty() &&
                   (prefix.back() == QLatin1Char(' ') || prefix.back() == QLatin1Char('\t')))
                prefix.chop(1);
        }
        expected += prefix;
        expected += QString(partial, QChar(QChar::ReplacementCharacter));
        return expected;
    }

    // Thousands of saves: in memory where there is a memory file system, so that they do not
    // wait for the disk to sync each one.
    QTemporaryDir dir{QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                          ? QStringLiteral("/dev/shm/kx-settings-XXXXXX")
                          : QDir::tempPath() + QStringLiteral("/kx-settings-XXXXXX")};
    QString fullFile;
    QString cutFile;
    QByteArray original;
    Values full;
    std::vector<ValueLine> lines;
};

TEST_F(TruncatedSettingsTest, EveryWholeLineIsReadNothingIsInventedAndASaveKeepsIt) {
    // The file holds what the cuts are meant to go through.
    ASSERT_GE(lines.size(), 12u);
    EXPECT_TRUE(original.contains("=\r\n")) << "an empty value";
    EXPECT_TRUE(original.contains("\xF0\x9F\x98\x80")) << "a four-byte character";
    EXPECT_TRUE(original.contains("=\"  indented")) << "a quoted value";

    for (qsizetype cut = 0; cut <= original.size(); ++cut) {
        SCOPED_TRACE(testing::Message()
                     << "file cut after " << cut << " of " << original.size() << " bytes");
        WriteBytes(cutFile, original.left(cut));
        Values read;
        ASSERT_NO_THROW(read = ValuesOf(cutFile));

        std::size_t expectedCount = 0;
        for (const ValueLine& line : lines) {
            std::optional<QString> expected;
            if (line.end <= cut)
                expected = line.value;
            else if (line.start < cut)
                expected = CutValue(original, line, cut);
            const auto found = read.find(line.key);
            if (!expected) {
                EXPECT_EQ(found, read.end()) << line.key.second.toStdString() << " was invented";
                continue;
            }
            ++expectedCount;
            ASSERT_NE(found, read.end()) << line.key.second.toStdString() << " was lost";
            EXPECT_EQ(found->second, *expected) << line.key.second.toStdString();
        }
        EXPECT_EQ(read.size(), expectedCount) << "a value no line of the file holds";

        // A save after the start carries everything read into the file.
        {
            TKxPersistentData store;
            KxConfigureApplicationStore(store, cutFile);
            KxOpenKey(&store, QStringLiteral("\\Probe"), true);
            store.WriteString(QStringLiteral("Saved"), QStringLiteral("after the cut"));
            ASSERT_TRUE(store.Flush());
        }
        Values saved = ValuesOf(cutFile);
        const ValueKey probe{QStringLiteral("\\Probe"), QStringLiteral("Saved")};
        EXPECT_EQ(saved[probe], QStringLiteral("after the cut"));
        saved.erase(probe);
        EXPECT_EQ(saved, read);
    }
}

// The window starts on a cut file and closes without a word: no message box (the scripted
// one fails the test on any), no exception. A window costs far more than a read, so a sample
// of the cuts; the stride is prime, so the cuts fall at changing places inside the lines.
TEST_F(TruncatedSettingsTest, TheWindowStartsAndClosesOnACutFile) {
    TKxOdbcEnvironment environment;
    constexpr qsizetype kStride = 7;
    std::set<qsizetype> cuts;
    for (qsizetype cut = 0; cut <= original.size(); cut += kStride)
        cuts.insert(cut);
    // And after each "/" of the stored script's name, which leaves the name of a folder
    // ("/", "/home/"): the start must not try to load it.
    const auto script = std::find_if(lines.begin(), lines.end(), [](const ValueLine& line) {
        return line.key.second == QStringLiteral("CurrentScriptFileName");
    });
    ASSERT_NE(script, lines.end());
    for (qsizetype at = script->valueFrom; at < script->end; ++at) {
        if (original[at] == '/')
            cuts.insert(at + 1);
    }
    for (const qsizetype cut : cuts) {
        SCOPED_TRACE(testing::Message() << "file cut after " << cut << " bytes");
        WriteBytes(cutFile, original.left(cut));
        test::ScriptedMessageBox box;
        TKxPersistentData store;
        KxConfigureApplicationStore(store, cutFile);
        {
            TMainWindow window(store, environment);
            window.show();
            window.FirstActivation(true, {});
            QCoreApplication::processEvents();
            QCloseEvent close;
            QCoreApplication::sendEvent(&window, &close);
            EXPECT_TRUE(close.isAccepted());
        }
        EXPECT_TRUE(store.Flush());
        EXPECT_TRUE(box.Seen().empty());
    }
}

} // namespace
