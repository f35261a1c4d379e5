#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace kx::test {

// Runs `step` on the dialog of type `Dialog` once it is shown modally. The step must end it
// (OK or Cancel); whatever happens, the dialog is closed afterwards so a failing test never
// hangs. `shown` counts the dialogs met; without `required` a missing dialog is no failure.
template <class Dialog>
void WhenModalDialogShows(std::function<void(Dialog&)> step, int* shown = nullptr,
                          bool required = true) {
    QTimer::singleShot(0, [step = std::move(step), shown, required] {
        auto* dialog = dynamic_cast<Dialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            if (required)
                ADD_FAILURE() << "no such dialog is shown";
            return;
        }
        if (shown != nullptr)
            ++*shown;
        step(*dialog);
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the step left the dialog open";
            dialog->reject();
        }
    });
}

} // namespace kx::test
