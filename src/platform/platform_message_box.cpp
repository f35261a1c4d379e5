#include "platform/platform_message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <vector>

namespace kx {
namespace {

struct ButtonChoice {
    QMessageBox::StandardButton button;
    int answer;
};

std::vector<ButtonChoice> ButtonsFor(unsigned flags) {
    switch (flags & mb::ButtonMask) {
    case mb::OkCancel:
        return {{QMessageBox::Ok, id::Ok}, {QMessageBox::Cancel, id::Cancel}};
    case mb::YesNoCancel:
        return {{QMessageBox::Yes, id::Yes},
                {QMessageBox::No, id::No},
                {QMessageBox::Cancel, id::Cancel}};
    case mb::YesNo:
        return {{QMessageBox::Yes, id::Yes}, {QMessageBox::No, id::No}};
    default:
        return {{QMessageBox::Ok, id::Ok}};
    }
}

QMessageBox::Icon IconFor(unsigned flags) {
    switch (flags & mb::IconMask) {
    case mb::IconStop:
        return QMessageBox::Critical;
    case mb::IconQuestion:
        return QMessageBox::Question;
    case mb::IconExclamation:
        return QMessageBox::Warning;
    case mb::IconInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

std::size_t DefaultButtonIndex(unsigned flags) {
    switch (flags & mb::DefaultButtonMask) {
    case mb::DefaultButton2:
        return 1;
    case mb::DefaultButton3:
        return 2;
    default:
        return 0;
    }
}

} // namespace

int KxShowPlatformMessageBox(QWidget* owner, const QString& text, const QString& caption,
                             unsigned flags) {
    if (owner == nullptr)
        owner = QApplication::activeWindow();
    QMessageBox box(IconFor(flags), caption, text, QMessageBox::NoButton, owner);

    const std::vector<ButtonChoice> choices = ButtonsFor(flags);
    std::vector<QPushButton*> buttons;
    for (const ButtonChoice& choice : choices)
        buttons.push_back(box.addButton(choice.button));
    box.setDefaultButton(buttons[std::min(DefaultButtonIndex(flags), buttons.size() - 1)]);
    // Escape closes the box with the most cautious answer it offers.
    box.setEscapeButton(buttons.back());

    if (flags & mb::SetForeground) {
        box.show();
        box.raise();
        box.activateWindow();
    }
    box.exec();

    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (box.clickedButton() == buttons[i])
            return choices[i].answer;
    }
    return choices.back().answer;
}

void KxInstallPlatformMessageBox() {
    KxSetMessageBoxPresenter([](const QString& text, const QString& caption, unsigned flags) {
        QString shown = text;
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        return KxShowPlatformMessageBox(nullptr, shown, caption, flags);
    });
}

} // namespace kx
