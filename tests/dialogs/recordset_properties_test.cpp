#include "dbcore/sql_property.h"
#include "dialogs/recordset_properties_dialog.h"
#include "dialogs/recordset_properties_frame.h"
#include "dialogs_test_support.h"
#include "odbc/odbc_recordset.h"
#include "odbc/odbc_recordset_properties.h"
#include "support/connected_driver_test.h"
#include "support/modal_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <functional>

namespace {

using namespace kx;

template <class W> W* Find(QWidget& parent, const char* name) {
    W* control = parent.findChild<W*>(QLatin1String(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}

std::uint32_t CheckedRows(QListWidget* list) {
    std::uint32_t rows = 0;
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->checkState() == Qt::Checked)
            rows |= 1U << row;
    }
    return rows;
}

class RecordsetFrameTest : public test::ConnectedDriverTest {
protected:
    void SetUp() override {
        ConnectedDriverTest::SetUp();
        if (IsSkipped())
            return;
        recordset.SetODBCConnection(&connection);
    }
    template <class W> W* Control(const char* name) { return Find<W>(frame, name); }

    TKxOdbcRecordset recordset;
    TRecordsetPropertyFrame frame;
};

TEST_P(RecordsetFrameTest, EveryControlWritesIntoTheRecordsetWhichMustBeClosed) {
    QStringList labels;
    for (QLabel* label : frame.findChildren<QLabel*>())
        labels << label->text();
    for (const char* text :
         {"Cursor Type:", "Cursor Sensitivity:", "Update Strategy:", "Update Simulation:",
          "BLOB Compression:", "Attributes:", "Count Strategies:", "Keyset Size:",
          "Returned Records:", "Max Data Size:", "Reexecute Delay:", "Timeout:"})
        EXPECT_TRUE(labels.contains(QLatin1String(text))) << text;
    auto* cursorType = Control<QComboBox>("ComboBoxCursorType");
    auto* attributes = Control<QListWidget>("ListBoxAttributes");
    auto* counting = Control<QListWidget>("ListBoxCountStrategies");
    EXPECT_EQ(cursorType->itemText(3), QStringLiteral("Dynamic"));
    EXPECT_EQ(attributes->item(2)->text(), QStringLiteral("ConfrimDeletions"));

    // Without a recordset nothing can be edited and the lists show nothing.
    EXPECT_FALSE(cursorType->isEnabled());
    EXPECT_EQ(CheckedRows(attributes), 0u);

    frame.SetRecordset(&recordset);
    EXPECT_TRUE(cursorType->isEnabled());
    EXPECT_EQ(cursorType->currentIndex(), ctKeyset);
    EXPECT_EQ(CheckedRows(attributes), kxDefaultRecordsetAttributes);
    EXPECT_EQ(CheckedRows(counting), kxDefaultRecordCountStrategies);
    EXPECT_EQ(Control<QSpinBox>("IntEditReExecuteDelay")->value(), 300);

    cursorType->setCurrentIndex(ctStatic);
    Control<QComboBox>("ComboBoxCursorSensitivity")->setCurrentIndex(csInsensitive);
    Control<QComboBox>("ComboBoxUpdateStrategy")->setCurrentIndex(usCompareValuesBeforeWrite);
    Control<QComboBox>("ComboBoxUpdateSimulation")->setCurrentIndex(pusTryUniqueUpdate);
    Control<QComboBox>("ComboBoxBlobCompression")->setCurrentIndex(ctFastest);
    Control<QSpinBox>("IntEditKeysetSize")->setValue(10);
    Control<QSpinBox>("IntEditMaxRecords")->setValue(3);
    Control<QSpinBox>("IntEditMaxDataSize")->setValue(1000);
    Control<QSpinBox>("IntEditReExecuteDelay")->setValue(50);
    Control<QCheckBox>("CheckBoxESCScan")->setChecked(false);
    attributes->item(3)->setCheckState(Qt::Checked);
    counting->item(1)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(recordset.CursorType(), ctStatic);
    EXPECT_EQ(recordset.CursorSensitivity(), csInsensitive);
    EXPECT_EQ(recordset.UpdateStrategy(), usCompareValuesBeforeWrite);
    EXPECT_EQ(recordset.PositionedUpdateSimulation(), pusTryUniqueUpdate);
    EXPECT_EQ(recordset.BlobCompressionType(), ctFastest);
    EXPECT_EQ(recordset.KeysetSize(), 10u);
    EXPECT_EQ(recordset.MaxRecordsReturned(), 3u);
    EXPECT_EQ(recordset.MaxFieldDataSize(), 1000u);
    EXPECT_EQ(recordset.TimedReExecutionDelay(), 50);
    EXPECT_FALSE(recordset.UseSQLEscapeSequences());
    EXPECT_EQ(recordset.Attributes(), kxDefaultRecordsetAttributes | raExposeBookmarkColumn);
    EXPECT_EQ(recordset.RecordCountStrategies(), csUseCountFromODBCDriver);

    // The timeout is the connection's until the statement gets one of its own.
    auto* fromConnection = Control<QCheckBox>("CheckBoxUseTimeoutFromConnection");
    auto* timeout = Control<QSpinBox>("IntEditOperationTimeout");
    EXPECT_TRUE(fromConnection->isChecked());
    EXPECT_FALSE(timeout->isEnabled());
    EXPECT_FALSE(Control<QLabel>("LabelOperationTimeout")->isEnabled());
    fromConnection->setChecked(false);
    EXPECT_TRUE(timeout->isEnabled());
    timeout->setValue(7);
    EXPECT_FALSE(recordset.TimeoutProperties().UseValueFromConnection());
    EXPECT_EQ(recordset.TimeoutProperties().TimeoutForStatements(), 7u);

    // Open: nothing can be changed, and the limit set here is what the result got. (Keyset
    // size, sensitivity, escape scanning, the update settings and the timeout go back to what
    // both drivers take: SQLite3 refuses SQL_ATTR_NOSCAN, neither simulates positioned updates.)
    Control<QSpinBox>("IntEditKeysetSize")->setValue(0);
    Control<QComboBox>("ComboBoxUpdateSimulation")->setCurrentIndex(pusAllowNonUniqueUpdate);
    Control<QComboBox>("ComboBoxUpdateStrategy")->setCurrentIndex(usMinimalLock);
    Control<QCheckBox>("CheckBoxESCScan")->setChecked(true);
    Control<QComboBox>("ComboBoxCursorSensitivity")->setCurrentIndex(csUnspecified);
    fromConnection->setChecked(true);
    connection.ExecuteDirect(QStringLiteral("CREATE TABLE rs_frame (id INTEGER)"));
    for (int id = 1; id <= 5; ++id)
        connection.ExecuteDirect(QStringLiteral("INSERT INTO rs_frame VALUES (%1)").arg(id));
    recordset.SQL().SetAsString(QStringLiteral("SELECT id FROM rs_frame ORDER BY id"));
    recordset.SetActive(true);
    EXPECT_FALSE(cursorType->isEnabled());
    EXPECT_FALSE(attributes->isEnabled());
    EXPECT_FALSE(fromConnection->isEnabled());
    recordset.MoveToLast();
    EXPECT_EQ(recordset.Position(), 3) << "Returned Records: 3";
    recordset.SetActive(false);
    EXPECT_TRUE(cursorType->isEnabled());
    EXPECT_TRUE(fromConnection->isEnabled());

    // Values set elsewhere are shown when the recordset is bound again.
    recordset.SetCursorType(ctDynamic);
    frame.SetRecordset(nullptr);
    EXPECT_EQ(CheckedRows(attributes), 0u);
    frame.SetRecordset(&recordset);
    EXPECT_EQ(cursorType->currentIndex(), ctDynamic);
}

KX_INSTANTIATE_DRIVER_TESTS(RecordsetFrameTest);

void WhenDialogShows(std::function<void(TKxRecordsetPropertyDlg&)> step) {
    test::WhenModalDialogShows<TKxRecordsetPropertyDlg>(std::move(step));
}

class RecordsetPropertyDlgTest : public test::DialogsTest {
protected:
    QByteArray FileBytes() {
        store.Flush();
        QFile file(store.FileName());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    TKxOdbcRecordsetProperties properties{false, TKxLifetime::OwnerOwned};
};

TEST_F(RecordsetPropertyDlgTest, CancelKeepsThePropertiesAndOkTakesTheEdits) {
    properties.CursorType = ctStatic;
    WhenDialogShows([](TKxRecordsetPropertyDlg& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Recordset Properties"));
        EXPECT_EQ(dialog.height(), 570);
        EXPECT_GE(dialog.minimumWidth(), 315);
        EXPECT_EQ(dialog.findChild<QCheckBox*>(QStringLiteral("CheckBoxSkipDialog")), nullptr);
        auto* box = Find<QComboBox>(dialog, "ComboBoxCursorType");
        EXPECT_EQ(box->currentIndex(), ctStatic) << "shows the properties given";
        box->setCurrentIndex(ctDynamic);
        Find<QSpinBox>(dialog, "IntEditMaxRecords")->setValue(9);
        Find<QPushButton>(dialog, "BtnCancel")->click();
    });
    EXPECT_FALSE(KxEditRecordsetProperties(properties, 0, &store));
    EXPECT_EQ(properties.CursorType, ctStatic);
    EXPECT_EQ(properties.MaxRecordsReturned, 0u);

    WhenDialogShows([](TKxRecordsetPropertyDlg& dialog) {
        Find<QComboBox>(dialog, "ComboBoxCursorType")->setCurrentIndex(ctDynamic);
        Find<QPushButton>(dialog, "BtnOk")->click();
    });
    EXPECT_TRUE(KxEditRecordsetProperties(properties, 0, &store));
    EXPECT_EQ(properties.CursorType, ctDynamic);
    EXPECT_FALSE(StoredBounds(QStringLiteral("RSPropertyDlg")).ToRect().isNull())
        << "the dialog keeps its bounds";
}

TEST_F(RecordsetPropertyDlgTest, SetAsDefaultAndTheSkipBoxAreStoredBesideEachOther) {
    const QString key = QString::fromLatin1(kxDefaultRSPropertiesKey);
    // Defaults leave the key empty.
    {
        TKxOdbcRecordset recordset;
        TKxRecordsetPropertyDlg dialog(&recordset, rpoSetAsDefault, &store);
        dialog.SetAsDefault();
    }
    EXPECT_FALSE(FileBytes().contains("Cursor Type")) << FileBytes().toStdString();

    TKxOdbcRecordsetProperties withSQL(true, TKxLifetime::OwnerOwned);
    withSQL.SQL = QStringLiteral("SELECT a,\tb\r\nFROM t\r\nWHERE c = 1");
    WhenDialogShows([](TKxRecordsetPropertyDlg& dialog) {
        auto* skip = Find<QCheckBox>(dialog, "CheckBoxSkipDialog");
        EXPECT_FALSE(skip->isChecked());
        skip->setChecked(true);
        Find<QComboBox>(dialog, "ComboBoxUpdateStrategy")->setCurrentIndex(usReadOnly);
        auto* setDefault = Find<QPushButton>(dialog, "BtnSetAsDefault");
        EXPECT_EQ(setDefault->width(), 110);
        setDefault->click();
        dialog.accept();
    });
    ASSERT_TRUE(KxEditRecordsetProperties(withSQL, rpoSetAsDefault | rpoSkipCheckBox, &store));
    EXPECT_EQ(withSQL.SQL, QStringLiteral("SELECT a,\tb\r\nFROM t\r\nWHERE c = 1"));

    const QByteArray bytes = FileBytes();
    EXPECT_TRUE(bytes.contains("SkipRSPropDlg=1")) << bytes.toStdString();
    EXPECT_TRUE(bytes.contains("Update Strategy=0"));
    // The SQL text is kept on one line and comes back unchanged.
    const int sqlLine = bytes.indexOf("SQL=");
    ASSERT_GE(sqlLine, 0);
    EXPECT_TRUE(bytes.mid(sqlLine, bytes.indexOf('\n', sqlLine) - sqlLine).contains("WHERE c = 1"));
    TKxOdbcRecordsetProperties sqlBack(true, TKxLifetime::OwnerOwned);
    KxLoadObject(&store, key, &sqlBack);
    EXPECT_EQ(sqlBack.SQL, withSQL.SQL);
    // Defaults are read without it.
    KxLoadObject(&store, key, &properties);
    EXPECT_TRUE(properties.SQL.isEmpty());
    EXPECT_EQ(properties.UpdateStrategy, usReadOnly);

    // Setting the defaults again keeps the skip setting.
    {
        TKxOdbcRecordset recordset;
        TKxRecordsetPropertyDlg dialog(&recordset, rpoSetAsDefault | rpoSkipCheckBox, &store);
        EXPECT_TRUE(Find<QCheckBox>(dialog, "CheckBoxSkipDialog")->isChecked())
            << "shown as stored";
        dialog.SetAsDefault();
    }
    EXPECT_TRUE(FileBytes().contains("SkipRSPropDlg=1"));
    EXPECT_FALSE(FileBytes().contains("Update Strategy"));
}

} // namespace
