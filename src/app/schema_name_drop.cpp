#include "app/schema_name_drop.h"

#include "datactrls/schema_tree.h"
#include "editor/ranges.h"
#include "editor/syntax_editor.h"
#include "platform/event_guard.h"

#include <QDropEvent>
#include <QMimeData>

namespace kx {
namespace {

bool FromSchemaTree(const QDropEvent* event) {
    return event->mimeData()->hasFormat(QLatin1String(kxSchemaNameMimeType));
}

} // namespace

TKxSchemaNameDropTarget::TKxSchemaNameDropTarget(TSyntaxEditor& editor)
    : QObject(editor.viewport()), m_editor(editor) {
    editor.viewport()->setAcceptDrops(true);
    editor.viewport()->installEventFilter(this);
}

bool TKxSchemaNameDropTarget::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::DragEnter && event->type() != QEvent::DragMove &&
        event->type() != QEvent::Drop)
        return QObject::eventFilter(watched, event);
    auto* drop = static_cast<QDropEvent*>(event);
    if (!FromSchemaTree(drop) || m_editor.ReadOnly())
        return false;
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    KxGuardCall([&] {
        const int position = m_editor.PositionAt(drop->position().toPoint());
        if (event->type() == QEvent::Drop) {
            if (m_editor.SelLength() == 0)
                m_editor.SetSelStart(position - 1);
            const QString name =
                QString::fromUtf8(drop->mimeData()->data(QLatin1String(kxSchemaNameMimeType)));
            m_editor.Selection().SetText(QLatin1Char(' ') + name + QLatin1Char(' '));
        } else {
            m_editor.SetSelStart(position - 1);
        }
    });
    return true;
}

} // namespace kx
