#include "app/application_settings.h"
#include "app/main_window.h"
#include "app/script_statements.h"
#include "app/settings_dialog.h"
#include "datactrls/data_grid.h"
#include "datactrls/grid_properties.h"
#include "dbcore/sql_property.h"
#include "dialogs/color_picker.h"
#include "dialogs/connection_properties_frame.h"
#include "dialogs/recordset_properties_dialog.h"
#include "dialogs/recordset_properties_frame.h"
#include "dialogs/report_window.h"
#include "editor/syntax_coloring.h"
#include "editor/syntax_editor.h"
#include "foundation/message_box.h"
#include "foundation/storage_helpers.h"
#include "main_window_fixture.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_recordset.h"
#include "odbc/odbc_recordset_properties.h"
#include "support/modal_dialog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using namespace kx;
using kx::test::MainWindowTest;

constexpr TColor kYellow = 0x00FFFF;

class SettingsDialogTest : public MainWindowTest {
protected:
    TSettingsDlg& Dialog() {
        if (window->SettingsDialog() == nullptr)
            window->Actions().ShowHideSettings->trigger();
        return *window->SettingsDialog();
    }
    template <class W> W* Control(const char* name) {
        W* control = Dialog().findChild<W*>(QLatin1String(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QListWidgetItem* LogItem(int flag) {
        return Control<QListWidget>("ListBoxLogAttributes")->item(flag);
    }
    // Chooses a listed colour as the keyboard does: typing its name into the closed box.
    void TypeColor(const char* pickerName, const char* colorName) {
        auto* picker = Control<TKxColorPicker>(pickerName);
        picker->setFocus();
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromLatin1(colorName));
        QApplication::sendEvent(picker, &press);
    }
    QString ReportText() const { return window->Report().TextBox()->toPlainText(); }
};

TEST_P(SettingsDialogTest, OpensOnThePageAskedForAndMirrorsItsVisibilityInTheAction) {
    QAction* showHide = window->Actions().ShowHideSettings;
    EXPECT_TRUE(showHide->isEnabled());
    EXPECT_FALSE(showHide->isChecked());
    EXPECT_EQ(window->SettingsDialog(), nullptr) << "created on first use";

    window->Actions().ShowSQLProperties->trigger();
    TSettingsDlg* dialog = window->SettingsDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Settings"));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->CurrentPage(), TSettingsDlg::PageRSProperties);
    EXPECT_TRUE(showHide->isChecked());
    // Open on another page, Connection properties still turns it to "Current Connection".
    window->Actions().ConnectionProperties->trigger();
    EXPECT_EQ(dialog->CurrentPage(), TSettingsDlg::PageConnectionProperties);
    // Show/Hide keeps the page; Close hides without destroying.
    showHide->trigger();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(showHide->isChecked());
    showHide->trigger();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->CurrentPage(), TSettingsDlg::PageConnectionProperties);
    Control<QPushButton>("BtnClose")->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(window->SettingsDialog(), dialog);
    EXPECT_FALSE(showHide->isChecked());
    EXPECT_GE(dialog->minimumWidth(), 315);
    EXPECT_GE(dialog->minimumHeight(), 570);
}

TEST_P(SettingsDialogTest, GeneralSettingsAreStoredAtOnceAndTheLogFollowsMidScript) {
    Dialog();
    auto* errorAction = Control<QComboBox>("ComboBoxErrorAction");
    ASSERT_EQ(errorAction->count(), 3);
    EXPECT_EQ(errorAction->currentText(), QStringLiteral("Ask User"));
    errorAction->setCurrentIndex(2);
    EXPECT_EQ(KxReadErrorAction(store), 2);
    errorAction->setCurrentIndex(1);
    EXPECT_EQ(LogItem(laErrorMessages)->text(), QStringLiteral("Error Messages"));
    EXPECT_EQ(LogItem(laSelectStatements)->checkState(), Qt::Unchecked) << "default 126";
    EXPECT_EQ(LogItem(laErrorMessages)->checkState(), Qt::Checked);

    // A script of two failing statements; at the question after the first error the user
    // switches Error Messages off in the open settings window and goes on: the second error
    // is not written, the run continues to the end.
    ASSERT_TRUE(window->UseConnectionString(connectString));
    SetScript(QStringLiteral("SELECT * FROM missing_table_one;\nSELECT * FROM missing_table_two;\n"
                             "SELECT 1 AS done;\n"));
    window->Report().TextBox()->clear();
    int questions = 0;
    const KxMessageBoxPresenter previous =
        KxSetMessageBoxPresenter([&](const QString&, const QString&, unsigned) {
            if (++questions == 1)
                LogItem(laErrorMessages)->setCheckState(Qt::Unchecked);
            return int(id::Yes);
        });
    window->Actions().ExecuteScript->trigger();
    KxSetMessageBoxPresenter(previous);
    EXPECT_EQ(questions, 2);
    EXPECT_EQ(KxReadLogAttributes(store), 126 & ~(1 << laErrorMessages));
    EXPECT_TRUE(ReportText().contains(QStringLiteral("missing_table_one")));
    EXPECT_FALSE(ReportText().contains(QStringLiteral("missing_table_two")))
        << ReportText().toStdString();
    EXPECT_TRUE(window->ResultSet().Active()) << "the run went on to the last statement";
    errorAction->setCurrentIndex(0);

    // A new dialog (next start) shows what was stored.
    NewWindow();
    Dialog();
    EXPECT_EQ(Control<QComboBox>("ComboBoxErrorAction")->currentIndex(), 0);
    EXPECT_EQ(LogItem(laErrorMessages)->checkState(), Qt::Unchecked);
    EXPECT_EQ(LogItem(laExecutionTimes)->checkState(), Qt::Checked);
}

TEST_P(SettingsDialogTest, TheDirectiveCommentRecoloursAtOnceAndChangesTheStatements) {
    SetScript(QStringLiteral("# define X;\nSELECT 1;\n"));
    EXPECT_EQ(window->Statements().StatementCount(), 2);
    const TSyntaxColoring& coloring = window->Editor().SyntaxColoring();
    EXPECT_EQ(coloring.StyleKindAt(3), TSyntaxStyleKind::Other);

    auto* directive = Control<QCheckBox>("CheckBoxDirectiveComment");
    EXPECT_EQ(directive->text().remove(QLatin1Char('&')),
              QStringLiteral("Treat  #  character as line comment"));
    directive->setChecked(true);
    EXPECT_TRUE(KxReadDirectiveComment(store)) << "stored at once";
    EXPECT_EQ(coloring.StyleKindAt(3), TSyntaxStyleKind::Comment) << "recoloured at once";
    window->Statements().StartCount();
    window->Statements().WaitForCount();
    QCoreApplication::processEvents(); // the count reports back through the event loop
    EXPECT_EQ(window->Statements().StatementCount(), 1) << "the ';' in the comment ends nothing";

    directive->setChecked(false);
    EXPECT_FALSE(KxReadDirectiveComment(store));
    EXPECT_EQ(coloring.StyleKindAt(3), TSyntaxStyleKind::Other);
}

TEST_P(SettingsDialogTest, ColoursApplyToEveryGridAndTheCurrentStatementAndAreStoredAtClose) {
    TKxIDataGrid laterGrid; // a data window's grid: a top-level widget of its own
    TypeColor("ColorPickerEvenRowColor", "Yel");
    EXPECT_EQ(TGridDataAreaProperties::DefaultEvenRowColor(), kYellow);
    EXPECT_EQ(window->Grid().DataAreaProperties().EvenRowcolor(), kYellow);
    EXPECT_EQ(laterGrid.DataAreaProperties().EvenRowcolor(), kYellow);
    TKxIDataGrid newGrid;
    EXPECT_EQ(newGrid.DataAreaProperties().EvenRowcolor(), kYellow) << "new grids take it too";

    TypeColor("ColorPickerCurrStmtBkgnd", "Silver");
    EXPECT_EQ(window->CurrentStatementColor(), clSilver);
    EXPECT_EQ(window->Statements().HighlightColor(), clSilver);

    ASSERT_TRUE(Close());
    EXPECT_EQ(store.ReadValue(sidDataGridEvenRowColor).ToInt(), kYellow);
    EXPECT_EQ(store.ReadValue(sidCurrentStmtBkgndColor).ToInt(), clSilver);
    NewWindow();
    EXPECT_EQ(window->Grid().DataAreaProperties().EvenRowcolor(), kYellow);
    Dialog();
    EXPECT_EQ(Control<TKxColorPicker>("ColorPickerEvenRowColor")->Selected(), kYellow);
    EXPECT_EQ(Control<TKxColorPicker>("ColorPickerEvenRowColor")->currentText(),
              QStringLiteral("Yellow"));
    // The default (a colour of no name) is shown as a custom one.
    TGridDataAreaProperties::SetDefaultEvenRowColor(0xFFF0E6);
    Dialog().LoadGeneralPage();
    EXPECT_TRUE(Control<TKxColorPicker>("ColorPickerEvenRowColor")
                    ->currentText()
                    .endsWith(QStringLiteral("#E6F0FF")));
}

TEST_P(SettingsDialogTest, TheStatementPageIsDisabledWhileTheResultIsOpen) {
    ASSERT_TRUE(window->UseConnectionString(connectString));
    window->Actions().ShowSQLProperties->trigger();
    TRecordsetPropertyFrame& frame = Dialog().RecordsetFrame();
    EXPECT_EQ(frame.Recordset(), &window->ResultSet());
    auto* cursorType = Control<QComboBox>("ComboBoxCursorType");
    EXPECT_TRUE(cursorType->isEnabled());
    cursorType->setCurrentIndex(ctStatic);
    EXPECT_EQ(window->ResultSet().CursorType(), ctStatic) << "written into the result set";

    SetScript(QStringLiteral("SELECT 1 AS one;"));
    window->Actions().ExecuteStatement->trigger();
    ASSERT_TRUE(window->ResultSet().Active());
    EXPECT_FALSE(cursorType->isEnabled());
    EXPECT_FALSE(Control<QListWidget>("ListBoxAttributes")->isEnabled());
    window->Actions().CloseRSStatement->trigger();
    EXPECT_TRUE(cursorType->isEnabled());

    // Kept by the window across a restart, like the SQL.
    ASSERT_TRUE(Close());
    NewWindow();
    window->FirstActivation(true);
    EXPECT_EQ(window->ResultSet().CursorType(), ctStatic);
}

TEST_P(SettingsDialogTest, TheConnectionPageFollowsTheCurrentConnectionAndRenamesIt) {
    window->Actions().ConnectionProperties->trigger();
    TKxOdbcCnPropFrame& frame = Dialog().ConnectionFrame();
    EXPECT_EQ(frame.Connection(), nullptr);
    ASSERT_TRUE(window->UseConnectionString(connectString));
    EXPECT_EQ(frame.Connection(), window->CurrentConnection()) << "bound to the new current one";

    // A new data source typed on the page: the title and the menus follow.
    auto* dataSource = Control<QComboBox>("ComboBoxDSN");
    ASSERT_TRUE(dataSource->isEnabled());
    const QString other = QStringLiteral("Driver=SQLite3;Database=/tmp/renamed-by-settings.db;");
    dataSource->setEditText(other);
    Q_EMIT dataSource->lineEdit()->editingFinished();
    EXPECT_EQ(window->CurrentConnection()->ConnectionString(), other);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Kx - Querolt - [renamed-by-settings.db]"));

    window->Actions().CloseConnection->trigger();
    EXPECT_EQ(frame.Connection(), nullptr);
}

TEST_P(SettingsDialogTest, DefaultEditPropertiesAreStoredOnlyWhenConfirmed) {
    const QString key = QString::fromLatin1(kxDefaultRSPropertiesKey);
    const auto stored = [&] {
        const auto properties = KxMake<TKxOdbcRecordsetProperties>(false);
        KxLoadObject(&store, key, properties.get());
        return properties;
    };
    const auto whenDialogShows = [](std::function<void(TKxRecordsetPropertyDlg&)> step) {
        test::WhenModalDialogShows<TKxRecordsetPropertyDlg>(std::move(step));
    };
    whenDialogShows([](TKxRecordsetPropertyDlg& dialog) {
        EXPECT_EQ(dialog.findChild<QPushButton*>(QStringLiteral("BtnSetAsDefault")), nullptr);
        dialog.findChild<QComboBox*>(QStringLiteral("ComboBoxCursorType"))->setCurrentIndex(0);
        dialog.reject();
    });
    window->Actions().DefaultRSProperties->trigger();
    EXPECT_EQ(stored()->CursorType, ctKeyset) << "Cancel stores nothing";

    whenDialogShows([](TKxRecordsetPropertyDlg& dialog) {
        dialog.findChild<QComboBox*>(QStringLiteral("ComboBoxCursorType"))->setCurrentIndex(0);
        dialog.findChild<QCheckBox*>(QStringLiteral("CheckBoxSkipDialog"))->setChecked(true);
        dialog.accept();
    });
    window->Actions().DefaultRSProperties->trigger();
    EXPECT_EQ(stored()->CursorType, ctUnidirectional);
    EXPECT_TRUE(store.ReadValue(sidSkipRSPropDlg).ToBool());
}

KX_INSTANTIATE_DRIVER_TESTS(SettingsDialogTest);

} // namespace
