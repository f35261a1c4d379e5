#include "dbcore/connection_string.h"
#include "dialogs/connection_properties_frame.h"
#include "dialogs_test_support.h"
#include "support/connected_driver_test.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

namespace {

using namespace kx;

class ConnectionFrameTest : public kx::test::ConnectedDriverTest {
protected:
    template <class W> W* Control(const char* name) {
        W* control = frame.findChild<W*>(QLatin1String(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QComboBox* DataSource() { return Control<QComboBox>("ComboBoxDSN"); }
    QComboBox* AccessMode() { return Control<QComboBox>("ComboBoxAccessMode"); }
    QComboBox* CursorOrigin() { return Control<QComboBox>("ComboBoxCursorOrigin"); }
    QComboBox* Isolation() { return Control<QComboBox>("ComboBoxTransactionIsolation"); }
    QLineEdit* Username() { return Control<QLineEdit>("EditUsername"); }
    QLineEdit* Password() { return Control<QLineEdit>("EditPassword"); }
    QSpinBox* LoginTimeout() { return Control<QSpinBox>("IntEditLoginTimeout"); }
    QSpinBox* OperationTimeout() { return Control<QSpinBox>("IntEditOperationTimeout"); }

    bool AllEnabled() {
        const QWidget* controls[] = {DataSource(),   AccessMode(),      CursorOrigin(),
                                     Isolation(),    Username(),        Password(),
                                     LoginTimeout(), OperationTimeout()};
        for (const QWidget* control : controls) {
            if (!control->isEnabled())
                return false;
        }
        return true;
    }

    TKxOdbcCnPropFrame frame;
};

TEST_P(ConnectionFrameTest, ShowsTheConnectionAndIsEnabledOnlyWhileItIsClosed) {
    QStringList labels;
    for (QLabel* label : frame.findChildren<QLabel*>())
        labels << label->text();
    for (const char* text :
         {"Data Source:", "Access Mode:", "Username:", "Password:", "Login Timeout:",
          "Operation Timeout:", "Cursor Origin:", "Transaction Isol."})
        EXPECT_TRUE(labels.contains(QLatin1String(text))) << text;
    EXPECT_EQ(DataSource()->maxVisibleItems(), 30);
    EXPECT_EQ(LoginTimeout()->maximum(), 100000);
    EXPECT_EQ(OperationTimeout()->toolTip(),
              QStringLiteral("The value must be between 0 and 100000"));
    EXPECT_EQ(Password()->echoMode(), QLineEdit::Password);

    // Without a connection there is nothing to show or edit.
    EXPECT_EQ(frame.Connection(), nullptr);
    EXPECT_FALSE(DataSource()->isEnabled());

    connection.SetUsername(QStringLiteral("anna"));
    connection.SetPassword(QStringLiteral("pw"));
    connection.SetAccessMode(amReadOnly);
    connection.SetCursorOrigin(coUseDriverCursors);
    connection.SetTransactionIsolation(KxSetOf(tiRepeatableRead) | KxSetOf(tiSerializable));
    connection.SetTimeoutForLogin(15);
    connection.SetTimeoutForStatements(250000); // beyond what the frame offers
    frame.SetConnection(&connection);
    EXPECT_EQ(frame.Connection(), &connection);
    EXPECT_EQ(DataSource()->currentText(), ExtractDataSourceName(connectString));
    EXPECT_EQ(Username()->text(), QStringLiteral("anna"));
    EXPECT_EQ(Password()->text(), QStringLiteral("pw"));
    EXPECT_EQ(AccessMode()->currentText(), QStringLiteral("Readonly"));
    EXPECT_EQ(CursorOrigin()->currentText(), QStringLiteral("coUseDriverCursors"));
    EXPECT_EQ(Isolation()->currentText(), QStringLiteral("Repeatable Read"));
    EXPECT_EQ(LoginTimeout()->value(), 15);
    EXPECT_EQ(OperationTimeout()->value(), 100000);
    // Loading is not editing: nothing was written back.
    EXPECT_EQ(connection.TimeoutForStatements(), 250000u);
    EXPECT_EQ(connection.TransactionIsolation(),
              KxSetOf(tiRepeatableRead) | KxSetOf(tiSerializable));
    EXPECT_TRUE(AllEnabled());

    // (SQLite takes no isolation but one at a time.)
    connection.SetAccessMode(amReadWrite);
    connection.SetTransactionIsolation(KxSetOf(tiSerializable));
    connection.SetActive(true);
    EXPECT_FALSE(DataSource()->isEnabled());
    EXPECT_FALSE(Password()->isEnabled());
    EXPECT_FALSE(OperationTimeout()->isEnabled());
    connection.SetActive(false);
    EXPECT_TRUE(AllEnabled());
    EXPECT_EQ(AccessMode()->currentText(), QStringLiteral("Read/Write")) << "reloaded";
    EXPECT_EQ(Isolation()->currentText(), QStringLiteral("Serializable"));

    frame.SetConnection(nullptr);
    EXPECT_EQ(Username()->text(), QString());
    EXPECT_EQ(DataSource()->currentText(), QString());
    EXPECT_EQ(Isolation()->currentIndex(), -1);
    EXPECT_FALSE(Username()->isEnabled());
}

TEST_P(ConnectionFrameTest, EditsGoStraightIntoTheConnection) {
    frame.SetConnection(&connection);
    int dataSourceChanges = 0;
    frame.OnDataSourceChange = [&] { ++dataSourceChanges; };

    Username()->clear();
    kx::test::TypeText(Username(), QStringLiteral("b"));
    EXPECT_EQ(connection.Username(), QStringLiteral("b"));
    kx::test::TypeText(Password(), QStringLiteral("q"));
    EXPECT_EQ(connection.Password(), QStringLiteral("q"));
    LoginTimeout()->setValue(44);
    EXPECT_EQ(connection.TimeoutForLogin(), 44u);
    OperationTimeout()->setValue(5);
    EXPECT_EQ(connection.TimeoutForStatements(), 5u);
    kx::test::KeyClick(AccessMode(), Qt::Key_Down);
    EXPECT_EQ(connection.AccessMode(), amReadOnly);
    kx::test::KeyClick(CursorOrigin(), Qt::Key_Down);
    EXPECT_EQ(connection.CursorOrigin(), coUseODBCCursors);
    kx::test::KeyClick(Isolation(), Qt::Key_Down); // from Read Committed
    EXPECT_EQ(connection.TransactionIsolation(), KxSetOf(tiRepeatableRead));
    EXPECT_EQ(dataSourceChanges, 0);

    // A typed DSN-less string is taken as it is; a bare name is a data source name.
    const QString other = QStringLiteral("Driver=SQLite3;Database=%1;")
                              .arg(QDir(dir.path()).filePath(QStringLiteral("other.db")));
    DataSource()->setEditText(other);
    Q_EMIT DataSource()->lineEdit()->editingFinished();
    EXPECT_EQ(connection.ConnectionString(), other);
    EXPECT_EQ(dataSourceChanges, 1);
    EXPECT_EQ(DataSource()->currentText(), QStringLiteral("other.db")) << "shown by its name";
    // Leaving the box without a change changes nothing.
    Q_EMIT DataSource()->lineEdit()->editingFinished();
    EXPECT_EQ(dataSourceChanges, 1);
    DataSource()->setEditText(QStringLiteral("Sales"));
    Q_EMIT DataSource()->lineEdit()->editingFinished();
    EXPECT_EQ(connection.ConnectionString(), QStringLiteral("DSN=Sales"));
    EXPECT_EQ(dataSourceChanges, 2);
}

TEST_P(ConnectionFrameTest, ForgetsAConnectionThatIsDestroyed) {
    auto doomed = std::make_unique<TKxOdbcConnection>();
    doomed->SetUsername(QStringLiteral("gone"));
    frame.SetConnection(doomed.get());
    EXPECT_EQ(Username()->text(), QStringLiteral("gone"));
    doomed.reset();
    EXPECT_EQ(frame.Connection(), nullptr);
    kx::test::TypeText(Username(), QStringLiteral("x")); // must not reach the dead connection
}

KX_INSTANTIATE_DRIVER_TESTS(ConnectionFrameTest);

} // namespace
