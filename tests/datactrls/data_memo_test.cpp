#include "datactrls/data_memo.h"
#include "dbcore/sql_property.h"
#include "foundation/basic_interfaces.h"
#include "odbc/odbc_recordset.h"
#include "support/connected_driver_test.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

using namespace kx;

// The drop handler itself: drag-and-drop delivery needs a real drag in progress.
class TDropMemo : public TKxIDataMemo {
public:
    using TKxIDataMemo::dropEvent;
};

// The memo over a real recordset's long-text column.
class DataMemoTest : public test::ConnectedDriverTest {
protected:
    void SetUp() override {
        ConnectedDriverTest::SetUp();
        if (IsSkipped())
            return;
        connection.ExecuteDirect(
            QStringLiteral("CREATE TABLE kx_memo (id INTEGER PRIMARY KEY, notes TEXT)"));
        connection.ExecuteDirect(QStringLiteral("INSERT INTO kx_memo VALUES (1, 'hello')"));
        connection.ExecuteDirect(QStringLiteral("INSERT INTO kx_memo VALUES (2, NULL)"));
        recordset.SetName(QStringLiteral("Recordset1"));
        recordset.SetODBCConnection(&connection);
        memo.resize(300, 200);
    }
    void Open(const QString& sql = QStringLiteral("SELECT id, notes FROM kx_memo ORDER BY id")) {
        recordset.SQL().SetAsString(sql);
        recordset.SetActive(true);
        memo.Bind(static_cast<IKxGetItemByName*>(&recordset), QStringLiteral("notes"));
        memo.EnsureLoaded();
    }
    void Type(const QString& text) {
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(&memo, &press);
        }
        QCoreApplication::processEvents(); // the posted write
    }
    static QString Value(TKxOdbcRecordset& source) {
        return KxCheckGetItemByName<IKxGetValue>(static_cast<IKxGetItemByName*>(&source),
                                                 QStringLiteral("notes"))
            ->GetValue()
            .ToString();
    }
    QString Stored(int id) {
        TKxOdbcRecordset reader;
        reader.SetODBCConnection(&connection);
        reader.SQL().SetAsString(QStringLiteral("SELECT notes FROM kx_memo WHERE id = %1").arg(id));
        reader.SetActive(true);
        return Value(reader);
    }

    TKxOdbcRecordset recordset;
    TDropMemo memo;
};

TEST_P(DataMemoTest, TypingPutsTheRecordIntoEditStateAndWritesTheWholeText) {
    Open();
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("hello"));
    EXPECT_FALSE(memo.isReadOnly());
    memo.moveCursor(QTextCursor::End);
    Type(QStringLiteral(" world"));
    EXPECT_EQ(recordset.GetRecordsetState(), rsEdit);
    EXPECT_EQ(Value(recordset), QStringLiteral("hello world"));
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("hello world")) << "its own write reloads nothing";
    recordset.ExecuteOperation(roApplyChanges, nullptr);
    EXPECT_EQ(Stored(1), QStringLiteral("hello world"));

    // A NULL value shows an empty text and raises nothing.
    recordset.SetPosition(2);
    memo.EnsureLoaded();
    EXPECT_EQ(memo.toPlainText(), QString());

    // A change of this field from elsewhere reloads it.
    KxCheckGetItemByName<IKxSetAsString>(static_cast<IKxGetItemByName*>(&recordset),
                                         QStringLiteral("notes"))
        ->SetAsString(QStringLiteral("from elsewhere"));
    memo.EnsureLoaded();
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("from elsewhere"));
    recordset.ExecuteOperation(roCancelChanges, nullptr);
    memo.EnsureLoaded();
    EXPECT_EQ(memo.toPlainText(), QString()) << "cancelling shows the stored value again";
}

TEST_P(DataMemoTest, AFieldThatCannotBeWrittenMakesTheMemoReadOnly) {
    // A read-only recordset has no field that can be written.
    recordset.SetUpdateStrategy(usReadOnly);
    Open();
    EXPECT_TRUE(memo.isReadOnly());
    Type(QStringLiteral("x"));
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("hello")) << "no change is made at all";
    EXPECT_EQ(recordset.GetRecordsetState(), rsBrowse);
    // Bound again to an updatable column, it can be edited again.
    recordset.SetActive(false);
    recordset.SetUpdateStrategy(usMinimalLock);
    Open();
    EXPECT_FALSE(memo.isReadOnly());
    EXPECT_EQ(memo.toolTip(), QStringLiteral("Drop a unformatted Text file on this Control to "
                                             "load a new Text"));
}

TEST_P(DataMemoTest, ADroppedFileIsLoadedIntoTheFieldOnlyTheFirstOne) {
    Open();
    const QString first = QDir(dir.path()).filePath(QStringLiteral("first.txt"));
    const QString second = QDir(dir.path()).filePath(QStringLiteral("second.txt"));
    for (const auto& [name, text] :
         {std::pair{first, "dropped text\nline 2"}, std::pair{second, "not this one"}}) {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    const auto drop = [&](const QStringList& files) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& file : files)
            urls.append(QUrl::fromLocalFile(file));
        data.setUrls(urls);
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        ASSERT_TRUE(memo.viewport()->acceptDrops()) << "bound to an updatable field";
        memo.dropEvent(&event);
    };
    drop({QDir(dir.path()).filePath(QStringLiteral("gone.txt"))});
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("hello"));
    EXPECT_EQ(recordset.GetRecordsetState(), rsBrowse);
    drop({first, second});
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("dropped text\nline 2"));
    recordset.ExecuteOperation(roApplyChanges, nullptr);
    EXPECT_EQ(Stored(1), QStringLiteral("dropped text\nline 2"));
}

TEST_P(DataMemoTest, BytesThatAreNotTextAreShownReadOnlyWithANote) {
    if (Server())
        GTEST_SKIP() << "PostgreSQL stores only valid text in a TEXT column";
    connection.ExecuteDirect(
        QStringLiteral("INSERT INTO kx_memo VALUES (3, CAST(X'41C328' AS TEXT))"));
    Open(QStringLiteral("SELECT id, notes FROM kx_memo WHERE id = 3"));
    EXPECT_TRUE(memo.NotText());
    EXPECT_TRUE(memo.isReadOnly());
    Type(QStringLiteral("x"));
    EXPECT_EQ(recordset.GetRecordsetState(), rsBrowse) << "nothing garbled is written back";
}

TEST_P(DataMemoTest, EveryWayOfChangingTheTextIsWrittenAndFocusKeepsTheSelection) {
    // Typed into an empty result: the record is inserted and the first character stays.
    Open(QStringLiteral("SELECT id, notes FROM kx_memo WHERE id < 0"));
    Type(QStringLiteral("n"));
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("n"));
    EXPECT_EQ(recordset.GetRecordsetState(), rsInsert);
    EXPECT_EQ(Value(recordset), QStringLiteral("n"));
    recordset.ExecuteOperation(roCancelChanges, nullptr);
    recordset.SetActive(false);

    Open();
    memo.moveCursor(QTextCursor::End);
    Type(QStringLiteral("!"));
    ASSERT_EQ(Value(recordset), QStringLiteral("hello!"));
    // Undo changes the text without a key the memo sees: it is written all the same.
    memo.undo();
    QCoreApplication::processEvents();
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("hello"));
    EXPECT_EQ(Value(recordset), QStringLiteral("hello"));

    // Coming back to the memo from a menu or another window keeps the caret; Tab selects all.
    memo.moveCursor(QTextCursor::End);
    QFocusEvent popup(QEvent::FocusIn, Qt::PopupFocusReason);
    QApplication::sendEvent(&memo, &popup);
    EXPECT_FALSE(memo.textCursor().hasSelection());
    QFocusEvent tab(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(&memo, &tab);
    EXPECT_EQ(memo.textCursor().selectedText(), QStringLiteral("hello"));
}

KX_INSTANTIATE_DRIVER_TESTS(DataMemoTest);

} // namespace
