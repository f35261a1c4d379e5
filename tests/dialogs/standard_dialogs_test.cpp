#include "dialogs/about_form.h"
#include "dialogs/standard_dialog.h"
#include "dialogs_test_support.h"
#include "kx_version.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTabWidget>

namespace {

using namespace kx;

class StandardDialogsTest : public kx::test::DialogsTest {};

TEST_F(StandardDialogsTest, ButtonSetDecidesTheButtonsTheirOrderAndWhatTheyDo) {
    TKxStandardDlg dialog(kxStandardOkCancel);
    dialog.resize(400, 200);
    dialog.show();
    TKxStandardBtn* ok = dialog.Button(sbOk);
    TKxStandardBtn* cancel = dialog.Button(sbCancel);
    ASSERT_NE(ok, nullptr);
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(dialog.Button(sbClose), nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("&Ok"));
    EXPECT_EQ(cancel->text(), QStringLiteral("C&ancel"));
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(cancel->geometry().right() + 7 + 1, ok->geometry().left());
    EXPECT_EQ(dialog.width() - 1 - ok->mapTo(&dialog, QPoint(ok->width() - 1, 0)).x(), 15);

    ok->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    dialog.show();
    kx::test::KeyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(StandardDialogsTest, CloseButtonClosesItsFormAfterTheClick) {
    TKxStandardDlg dialog(1u << sbClose);
    dialog.show();
    ASSERT_NE(dialog.Button(sbClose), nullptr);
    EXPECT_EQ(dialog.Button(sbClose)->text(), QStringLiteral("Cl&ose"));
    dialog.Button(sbClose)->click();
    EXPECT_TRUE(dialog.isVisible()) << "the close request is posted";
    QCoreApplication::processEvents();
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(StandardDialogsTest, InformationWindowIsOneInstanceWithVersionRowsAndFreedOnClose) {
    int built = 0;
    const auto addPage = [&](TKxAboutForm& form) {
        ++built;
        form.AddPage(new QLabel(QStringLiteral("credits")), QStringLiteral("Credits"));
    };
    QPointer<TKxAboutForm> form =
        TKxAboutForm::ShowInstance(&store, QStringLiteral("Kx - Querolt"), addPage);
    ASSERT_TRUE(form);
    EXPECT_EQ(TKxAboutForm::ShowInstance(&store, QStringLiteral("Kx - Querolt"), addPage), form);
    EXPECT_EQ(built, 1);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Information about this Software"));
    ASSERT_EQ(form->Pages()->count(), 2);
    EXPECT_EQ(form->Pages()->tabText(0), QStringLiteral("Information"));
    EXPECT_EQ(form->Pages()->tabText(1), QStringLiteral("Credits"));

    QStringList texts;
    for (QLabel* label : form->Pages()->widget(0)->findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains(QStringLiteral(KX_VERSION_STRING)));
    EXPECT_TRUE(texts.contains(QStringLiteral("Web:")));
    EXPECT_TRUE(form->findChild<QLabel*>(QStringLiteral("WebLink"))->openExternalLinks());

    form->setGeometry(60, 70, 360, 380);
    form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull());
    EXPECT_EQ(StoredBounds(QStringLiteral("AboutForm")).Left, 60);
}

} // namespace
