#include "datactrls/data_grid.h"
#include "datactrls/navigator.h"
#include "dbcore/sql_property.h"
#include "odbc/odbc_recordset.h"
#include "support/connected_driver_test.h"
#include "support/scripted_message_box.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

using namespace kx;

// The navigator over a real recordset of five records, with a grid for the selection.
class NavigatorTest : public test::ConnectedDriverTest {
protected:
    void SetUp() override {
        ConnectedDriverTest::SetUp();
        if (IsSkipped())
            return;
        connection.ExecuteDirect(
            QStringLiteral("CREATE TABLE kx_n (id INTEGER PRIMARY KEY, name VARCHAR(20))"));
        for (int id = 1; id <= 5; ++id)
            connection.ExecuteDirect(
                QStringLiteral("INSERT INTO kx_n VALUES (%1, 'row %1')").arg(id));
        recordset.SetName(QStringLiteral("Recordset1"));
        recordset.SetODBCConnection(&connection);
        navigator.resize(300, 24);
    }
    void Open(const QString& sql = QStringLiteral("SELECT id, name FROM kx_n ORDER BY id")) {
        recordset.SQL().SetAsString(sql);
        recordset.SetActive(true);
        navigator.SetRecordset(static_cast<IKxGetItemByName*>(&recordset));
        grid.SetRecordset(static_cast<IKxGetItemByName*>(&recordset));
        navigator.SetMultiSelectSource(grid.SelectionSource());
    }
    bool Enabled(TKxINavigatorBtnType kind) const { return navigator.Button(kind)->isEnabled(); }
    std::vector<bool> Moves() const {
        return {Enabled(nbFirst), Enabled(nbPrior), Enabled(nbNext), Enabled(nbLast)};
    }
    QString Ids() {
        TKxOdbcRecordset reader;
        reader.SetODBCConnection(&connection);
        reader.SQL().SetAsString(QStringLiteral("SELECT id FROM kx_n ORDER BY id"));
        reader.SetActive(true);
        // EOF means "no record after this one": the last record is read before it is asked.
        QStringList ids;
        while (reader.RecordCount() != 0) {
            ids.append(KxCheckGetItemByName<IKxGetDisplayText>(
                           static_cast<IKxGetItemByName*>(&reader), QStringLiteral("id"))
                           ->GetDisplayText());
            if (reader.IsEOF())
                break;
            reader.MoveToNext();
        }
        return ids.join(QLatin1Char(','));
    }
    TKxOdbcRecordset recordset;
    TKxINavigator navigator;
    TKxIDataGrid grid;
};

TEST_P(NavigatorTest, ButtonsAreEnabledExactlyWhenTheirActionIsPossible) {
    for (int kind = 0; kind < kxNavigatorButtonCount; ++kind)
        EXPECT_FALSE(Enabled(static_cast<TKxINavigatorBtnType>(kind))) << "unbound: " << kind;
    // Empty: no moves, but inserting is possible.
    Open(QStringLiteral("SELECT id, name FROM kx_n WHERE id < 0"));
    EXPECT_EQ(Moves(), (std::vector<bool>{false, false, false, false}));
    EXPECT_TRUE(Enabled(nbInsert));
    recordset.SetActive(false);
    for (int kind = 0; kind < kxNavigatorButtonCount; ++kind)
        EXPECT_FALSE(Enabled(static_cast<TKxINavigatorBtnType>(kind))) << "closed: " << kind;

    Open();
    EXPECT_EQ(Moves(), (std::vector<bool>{false, false, true, true})) << "on the first record";
    EXPECT_TRUE(Enabled(nbEdit));
    EXPECT_FALSE(Enabled(nbApply));
    EXPECT_TRUE(Enabled(nbRefresh));
    navigator.Click(nbLast);
    EXPECT_EQ(recordset.Position(), 5);
    EXPECT_EQ(Moves(), (std::vector<bool>{true, true, false, false})) << "on the last record";
    navigator.Click(nbPrior);
    EXPECT_EQ(recordset.Position(), 4);
    // Editing: Apply and Cancel become possible, and Cancel ends it.
    navigator.Click(nbEdit);
    EXPECT_TRUE(Enabled(nbApply));
    EXPECT_TRUE(Enabled(nbCancel));
    navigator.Click(nbCancel);
    EXPECT_FALSE(Enabled(nbApply));

    // A forward-only cursor never goes back or to the end.
    recordset.SetActive(false);
    recordset.SetCursorType(ctUnidirectional);
    Open();
    EXPECT_EQ(Moves(), (std::vector<bool>{false, false, true, false}));
}

TEST_P(NavigatorTest, DeleteRemovesTheSelectedRecordsAfterAskingAndAHandlerCanVetoIt) {
    Open();
    grid.SelectedPositions().Add(2);
    grid.SelectedPositions().Add(3);
    grid.SelectedPositions().Add(5);
    {
        test::ScriptedMessageBox box({id::Yes});
        navigator.Click(nbDelete);
        ASSERT_EQ(box.Seen().size(), 1u);
        EXPECT_EQ(box.Seen()[0].text, QStringLiteral("Delete 3 records ?"));
    }
    EXPECT_EQ(Ids(), QStringLiteral("1,4"));
    EXPECT_EQ(grid.SelectedPositions().Count(), 0) << "the selection is emptied";

    // One selected record is the current record's question.
    grid.SelectedPositions().Add(1);
    {
        test::ScriptedMessageBox box({id::No});
        navigator.Click(nbDelete);
        ASSERT_EQ(box.Seen().size(), 1u);
        EXPECT_EQ(box.Seen()[0].text, QStringLiteral("Delete current record ?"));
    }
    EXPECT_EQ(Ids(), QStringLiteral("1,4")) << "No deletes nothing";

    // A handler that says no stops the deletion and the after-event.
    int after = 0;
    navigator.OnBeforeButtonAction = [](TKxINavigator*, TKxINavigatorBtnType kind, bool& execute) {
        execute = kind != nbDelete;
    };
    navigator.OnAfterButtonAction = [&](TKxINavigator*, TKxINavigatorBtnType) { ++after; };
    test::ScriptedMessageBox box;
    navigator.Click(nbDelete);
    EXPECT_TRUE(box.Seen().empty());
    EXPECT_EQ(after, 0);
    EXPECT_EQ(Ids(), QStringLiteral("1,4"));
    navigator.Click(nbNext);
    EXPECT_EQ(after, 1);
}

TEST_P(NavigatorTest, HoldingNextRepeatsUntilTheEnd) {
    Open();
    QToolButton* next = navigator.Button(nbNext);
    const QPoint middle = next->rect().center();
    QMouseEvent press(QEvent::MouseButtonPress, middle, next->mapToGlobal(middle), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(next, &press);
    QElapsedTimer held;
    held.start();
    while (held.elapsed() < 1500 && next->isEnabled())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QMouseEvent release(QEvent::MouseButtonRelease, middle, next->mapToGlobal(middle),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(next, &release);
    EXPECT_EQ(recordset.Position(), 5) << "repeated to the last record";
    EXPECT_FALSE(next->isEnabled()) << "and stopped there";
}

TEST(NavigatorLayoutTest, VisibleButtonsShareTheWholeWidth) {
    TKxINavigator navigator;
    navigator.resize(301, 22);
    for (TKxINavigatorBtnType kind : {nbFirst, nbLast, nbEdit, nbRefresh})
        navigator.SetButtonVisible(kind, false);
    int right = 0;
    int plainWidth = -1;
    for (int kind = 0; kind < kxNavigatorButtonCount; ++kind) {
        const auto type = static_cast<TKxINavigatorBtnType>(kind);
        if (!navigator.ButtonVisible(type))
            continue;
        const QRect geometry = navigator.Button(type)->geometry();
        EXPECT_EQ(geometry.left(), right) << "buttons follow each other";
        right = geometry.right() + 1;
        const int width = geometry.width() - (kind == nbInsert || kind == nbDelete ? 13 : 0);
        if (plainWidth < 0)
            plainWidth = width;
        EXPECT_LE(std::abs(width - plainWidth), 1);
    }
    EXPECT_EQ(right, 301) << "six buttons over the whole width";
    EXPECT_THROW(navigator.Button(static_cast<TKxINavigatorBtnType>(10)), EKxException);
}

KX_INSTANTIATE_DRIVER_TESTS(NavigatorTest);

} // namespace
