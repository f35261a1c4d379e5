#pragma once

#include <QObject>
#include <QStringList>
#include <functional>

class QMimeData;
class QWidget;

namespace kx {

// Lets a widget take files dropped from the desktop's file manager. Only drags that carry at
// least one local file are accepted; the handler receives the local file names in the order
// of the drag. The target is a child of the widget and dies with it.
class KxFileDropTarget : public QObject {
public:
    using Handler = std::function<void(const QStringList& fileNames)>;

    KxFileDropTarget(QWidget* widget, Handler handler);

    static QStringList LocalFileNames(const QMimeData* mime);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Handler m_handler;
};

} // namespace kx
