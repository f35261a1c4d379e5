#pragma once

#include "foundation/persistent_data.h"
#include "foundation/storage_helpers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace kx::test {

// Presses a key on a widget as the keyboard would: press and release through the event system.
inline void KeyClick(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(widget, &release);
}

// Types `text` into a widget key by key, as the keyboard would.
inline void TypeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

// A settings store on a file of its own, as the dialogs get it from the main window.
class DialogsTest : public testing::Test {
protected:
    void SetUp() override {
        store.SetBaseKey(QStringLiteral("\\Software\\Kx-Software\\Test"));
        store.SetFileName(dir.filePath(QStringLiteral("settings.PRS")));
    }
    QString Path(const QString& name) const { return dir.filePath(name); }
    TKxBounds StoredBounds(const QString& name) {
        TKxBounds bounds;
        KxLoadWindowBounds(&store, name, bounds);
        return bounds;
    }

    QTemporaryDir dir;
    TKxPersistentData store;
};

} // namespace kx::test
