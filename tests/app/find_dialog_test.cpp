#include "app/application_settings.h"
#include "app/find_dialog.h"
#include "editor/syntax_coloring.h"
#include "foundation/persistent_data.h"
#include "support/scripted_message_box.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace kx;

class FindDialogTest : public testing::Test {
protected:
    void SetUp() override {
        KxConfigureApplicationStore(store, QDir(dir.path()).filePath(QStringLiteral("t.PRS")));
        editor.SetAllText(QStringLiteral("select id from t where id = 1; -- valid"));
    }
    QPushButton* Button(QDialog& dialog, const QString& text) {
        for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
            if (button->text() == text)
                return button;
        }
        ADD_FAILURE() << "no button " << text.toStdString();
        return nullptr;
    }

    QTemporaryDir dir;
    TKxPersistentData store;
    TSyntaxTextModel editor;
};

TEST_F(FindDialogTest, AnEmptyFindTextDisablesEveryButtonThatWouldSearch) {
    TKxFindDialog dialog(TKxFindDialog::Replace, editor, &store);
    EXPECT_FALSE(Button(dialog, QStringLiteral("&Find Next"))->isEnabled());
    EXPECT_FALSE(Button(dialog, QStringLiteral("&Replace"))->isEnabled());
    EXPECT_FALSE(Button(dialog, QStringLiteral("Replace &All"))->isEnabled());
    EXPECT_FALSE(dialog.FindNext());
    EXPECT_EQ(dialog.ReplaceAll(), 0);
    dialog.SetFindText(QStringLiteral("id"));
    EXPECT_TRUE(Button(dialog, QStringLiteral("Replace &All"))->isEnabled());
}

TEST_F(FindDialogTest, FindsWholeWordsAndSaysWhenNothingIsLeft) {
    TKxFindDialog dialog(TKxFindDialog::Find, editor, &store);
    dialog.SetFindText(QStringLiteral("id"));
    TKxSearchOptions options;
    options.wholeWord = true;
    dialog.SetOptions(options);
    ASSERT_TRUE(dialog.FindNext());
    EXPECT_EQ(editor.SelStart(), 7);
    ASSERT_TRUE(dialog.FindNext());
    EXPECT_EQ(editor.SelStart(), 23);
    test::ScriptedMessageBox box({id::Ok});
    EXPECT_FALSE(dialog.FindNext()) << "«valid» is no whole word «id»";
    ASSERT_EQ(box.Seen().size(), 1u);
    EXPECT_EQ(box.Seen()[0].text, QStringLiteral("Text not found: id"));
}

TEST_F(FindDialogTest, TheDialogComesBackWhereItWasWithItsTexts) {
    {
        TKxFindDialog dialog(TKxFindDialog::Replace, editor, &store);
        dialog.SetFindText(QStringLiteral("select"));
        dialog.SetReplaceText(QStringLiteral("SELECT"));
        dialog.move(123, 45);
        dialog.close();
    }
    TKxFindDialog again(TKxFindDialog::Replace, editor, &store);
    EXPECT_EQ(again.FindText(), QStringLiteral("select"));
    EXPECT_EQ(again.ReplaceText(), QStringLiteral("SELECT"));
    EXPECT_EQ(again.pos(), QPoint(123, 45));
    // The find dialog keeps its own texts.
    TKxFindDialog find(TKxFindDialog::Find, editor, &store);
    EXPECT_EQ(find.FindText(), QString());
    // Replace All, then single replacements from where the last one stopped.
    EXPECT_EQ(again.ReplaceAll(), 1);
    EXPECT_TRUE(editor.Text().startsWith(QStringLiteral("SELECT id")));
}

} // namespace
