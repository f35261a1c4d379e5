#include "platform/platform_message_box.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

using namespace kx;

// Shows the box and, once it is up, lets `act` press something in it.
int ShowAndAct(unsigned flags, std::function<void(QMessageBox*)> act,
               QMessageBox::Icon* iconSeen = nullptr, QString* captionSeen = nullptr) {
    QTimer::singleShot(0, [=] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        if (iconSeen != nullptr)
            *iconSeen = box->icon();
        if (captionSeen != nullptr)
            *captionSeen = box->windowTitle();
        act(box);
    });
    return KxShowPlatformMessageBox(nullptr, QStringLiteral("text"), QStringLiteral("Warning"),
                                    flags);
}

std::function<void(QMessageBox*)> Click(QMessageBox::StandardButton which) {
    return [which](QMessageBox* box) { box->button(which)->click(); };
}

std::function<void(QMessageBox*)> PressKey(Qt::Key key) {
    return [key](QMessageBox* box) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(box, &press);
    };
}

TEST(PlatformMessageBoxTest, AnswersWithTheClassicCodesOfThePressedButton) {
    EXPECT_EQ(ShowAndAct(mb::Ok, Click(QMessageBox::Ok)), id::Ok);
    EXPECT_EQ(ShowAndAct(mb::YesNo, Click(QMessageBox::Yes)), id::Yes);
    EXPECT_EQ(ShowAndAct(mb::YesNo, Click(QMessageBox::No)), id::No);
    EXPECT_EQ(ShowAndAct(mb::YesNoCancel, Click(QMessageBox::Cancel)), id::Cancel);
    EXPECT_EQ(ShowAndAct(mb::OkCancel, Click(QMessageBox::Cancel)), id::Cancel);
}

TEST(PlatformMessageBoxTest, EscapeGivesTheMostCautiousAnswer) {
    EXPECT_EQ(ShowAndAct(mb::YesNo, PressKey(Qt::Key_Escape)), id::No);
    EXPECT_EQ(ShowAndAct(mb::YesNoCancel, PressKey(Qt::Key_Escape)), id::Cancel);
}

TEST(PlatformMessageBoxTest, EnterTakesTheDefaultButton) {
    EXPECT_EQ(ShowAndAct(mb::YesNo, PressKey(Qt::Key_Return)), id::Yes);
    EXPECT_EQ(ShowAndAct(mb::YesNo | mb::DefaultButton2, PressKey(Qt::Key_Return)), id::No);
}

TEST(PlatformMessageBoxTest, ShowsTheIconAndCaptionAskedFor) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString caption;
    ShowAndAct(0x34 | mb::SetForeground, Click(QMessageBox::No), &icon, &caption);
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_EQ(caption, QStringLiteral("Warning"));
    ShowAndAct(mb::IconStop, Click(QMessageBox::Ok), &icon);
    EXPECT_EQ(icon, QMessageBox::Critical);
    ShowAndAct(mb::IconInformation, Click(QMessageBox::Ok), &icon);
    EXPECT_EQ(icon, QMessageBox::Information);
}

} // namespace
