#include "datactrls/count_panel.h"
#include "datactrls/position_edit.h"
#include "datactrls/search_edit.h"
#include "dbcore/sql_property.h"
#include "odbc/odbc_recordset.h"
#include "support/connected_driver_test.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace {

using namespace kx;

// The search, position and count controls over ten people sorted by name.
class RecordControlsTest : public test::ConnectedDriverTest {
protected:
    void SetUp() override {
        ConnectedDriverTest::SetUp();
        if (IsSkipped())
            return;
        connection.ExecuteDirect(
            QStringLiteral("CREATE TABLE kx_p (id INTEGER PRIMARY KEY, name VARCHAR(20))"));
        const char* names[] = {"Adams", "Baker", "Davis", "Evans", "Ford",
                               "Grant", "Hill",  "Irwin", "Jones", "King"};
        for (int i = 0; i < 10; ++i)
            connection.ExecuteDirect(QStringLiteral("INSERT INTO kx_p VALUES (%1, '%2')")
                                         .arg(i + 1)
                                         .arg(QLatin1String(names[i])));
        recordset.SetODBCConnection(&connection);
    }
    void Open(const QString& orderBy = QStringLiteral(" ORDER BY name")) {
        recordset.SQL().SetAsString(QStringLiteral("SELECT id, name FROM kx_p") + orderBy);
        recordset.SetActive(true);
    }
    QString Current() { return recordset.FieldValue(KxVariant(QStringLiteral("name"))).ToString(); }
    static void Settle(int milliseconds) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < milliseconds)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    static void Type(QWidget* widget, const QString& text) {
        for (const QChar c : text) {
            QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(widget, &key);
        }
    }

    TKxOdbcRecordset recordset;
};

TEST_P(RecordControlsTest, TheSearchEditMovesToWhatWasTypedAfterAPause) {
    TKxISearchEdit search;
    search.SetSearchDelay(150);
    Open();
    search.SetRecordset(static_cast<IKxGetItemByName*>(&recordset));
    EXPECT_EQ(search.HintText(), QStringLiteral("Search in column: \"name\""));
    Type(&search, QStringLiteral("c"));
    EXPECT_EQ(Current(), QStringLiteral("Adams")) << "nothing happens before the pause";
    Settle(400);
    EXPECT_EQ(Current(), QStringLiteral("Davis")) << "the first name after «c»";
    search.clear();
    Type(&search, QStringLiteral("baker"));
    Settle(400);
    EXPECT_EQ(Current(), QStringLiteral("Baker")) << "without regard to case";
    search.clear();
    Type(&search, QStringLiteral("z"));
    Settle(400);
    EXPECT_EQ(Current(), QStringLiteral("King")) << "past the end: the last record";

    // Activating empties the text and searches nothing.
    recordset.SetActive(false);
    Type(&search, QStringLiteral("f"));
    Open();
    EXPECT_EQ(search.text(), QString());
    Settle(300);
    EXPECT_EQ(recordset.Position(), 1);

    // A named column that is not the sort order becomes it with the first search.
    search.SetFieldName(QStringLiteral("id"));
    Type(&search, QStringLiteral("7"));
    Settle(400);
    EXPECT_EQ(recordset.SQL().GetAsString().section(QStringLiteral("ORDER BY"), 1).trimmed(),
              QStringLiteral("id ASC"));
    EXPECT_EQ(Current(), QStringLiteral("Hill"));

    // Without any sort order there is nothing to search in.
    recordset.SetActive(false);
    search.SetFieldName(QString());
    Open(QString());
    EXPECT_EQ(search.HintText(), QStringLiteral("Search in column: \"<No sort order available>\""));
    Type(&search, QStringLiteral("k"));
    Settle(300);
    EXPECT_EQ(recordset.Position(), 1);
}

TEST_P(RecordControlsTest, ThePositionEditShowsMovesAndKeepsWithinTheRecords) {
    TKxIPositionEdit position;
    position.SetRecordset(static_cast<IKxGetItemByName*>(&recordset));
    EXPECT_FALSE(position.isEnabled()) << "closed";
    EXPECT_EQ(position.CheckedValue(5), 0);
    Open();
    EXPECT_TRUE(position.isEnabled());
    EXPECT_EQ(position.value(), 1);
    EXPECT_EQ(position.HintText(), QStringLiteral("Record Position: [1 .. 10]"));
    EXPECT_EQ(position.CheckedValue(0), 1);
    EXPECT_EQ(position.CheckedValue(25), 10);

    const auto enter = [&](const QString& number) {
        position.findChild<QLineEdit*>()->setText(number);
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(&position, &key);
    };
    enter(QStringLiteral("7"));
    EXPECT_EQ(recordset.Position(), 7);
    enter(QStringLiteral("99"));
    EXPECT_EQ(recordset.Position(), 10);
    EXPECT_EQ(position.value(), 10) << "shows where the recordset got to";
    recordset.SetPosition(3);
    EXPECT_EQ(position.value(), 3) << "follows the recordset";

    // Leaving the edit brings a number within the records without moving.
    position.findChild<QLineEdit*>()->setText(QStringLiteral("25"));
    QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
    QApplication::sendEvent(&position, &out);
    EXPECT_EQ(position.value(), 10);
    EXPECT_EQ(recordset.Position(), 3);

    // A forward-only result cannot be moved to a number.
    recordset.SetActive(false);
    recordset.SetCursorType(ctUnidirectional);
    Open();
    EXPECT_FALSE(position.isEnabled());
}

TEST_P(RecordControlsTest, TheCountPanelShowsTheCountWhenItCanHaveChanged) {
    TKxICountPanel count;
    count.SetRecordset(static_cast<IKxGetItemByName*>(&recordset));
    EXPECT_EQ(count.text(), QStringLiteral("Count: ?"));
    count.SetDisplayStrForNegativeCount(QStringLiteral("unknown"));
    EXPECT_EQ(count.text(), QStringLiteral("Count: unknown"));
    Open();
    EXPECT_EQ(count.text(), QStringLiteral("Count: 10"));
    count.SetDisplayTextFormatString(QStringLiteral("Rows: %s"));
    EXPECT_EQ(count.text(), QStringLiteral("Rows: 10"));
    for (const char* wrong : {"Rows: %d", "%s of %s", "100% %s"}) {
        EXPECT_THROW(count.SetDisplayTextFormatString(QString::fromLatin1(wrong)), EKxException)
            << wrong;
    }
    EXPECT_EQ(count.DisplayTextFormatString(), QStringLiteral("Rows: %s"));

    // Inserting does not count yet; applying does.
    recordset.ExecuteOperation(roInsert, nullptr);
    recordset.SetFieldValue(KxVariant(QStringLiteral("id")), KxVariant(11));
    recordset.SetFieldValue(KxVariant(QStringLiteral("name")), KxVariant(QStringLiteral("Lee")));
    EXPECT_EQ(count.text(), QStringLiteral("Rows: 10"));
    recordset.ExecuteOperation(roApplyChanges, nullptr);
    EXPECT_EQ(count.text(), QStringLiteral("Rows: 11"));
}

KX_INSTANTIATE_DRIVER_TESTS(RecordControlsTest);

} // namespace
