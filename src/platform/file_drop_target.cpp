#include "platform/file_drop_target.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace kx {

KxFileDropTarget::KxFileDropTarget(QWidget* widget, Handler handler)
    : QObject(widget), m_handler(std::move(handler)) {
    widget->setAcceptDrops(true);
    widget->installEventFilter(this);
}

QStringList KxFileDropTarget::LocalFileNames(const QMimeData* mime) {
    QStringList names;
    if (mime == nullptr || !mime->hasUrls())
        return names;
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile())
            names.append(url.toLocalFile());
    }
    return names;
}

bool KxFileDropTarget::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (LocalFileNames(drag->mimeData()).isEmpty())
            return false; // not ours: the widget may still take text drags itself
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QStringList names = LocalFileNames(drop->mimeData());
        if (names.isEmpty())
            return false;
        drop->acceptProposedAction();
        if (m_handler)
            m_handler(names);
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace kx
