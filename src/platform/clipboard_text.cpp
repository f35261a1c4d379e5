#include "platform/clipboard_text.h"

#include <QClipboard>
#include <QGuiApplication>

namespace kx {

QString KxClipboardText() {
    return QGuiApplication::clipboard()->text(QClipboard::Clipboard);
}

void KxSetClipboardText(const QString& text) {
    QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
}

} // namespace kx
