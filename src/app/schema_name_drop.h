#pragma once

#include <QObject>

namespace kx {

class TSyntaxEditor;

// Lets names be dragged from a schema tree into the script: while a node is over the editor
// the caret follows the mouse, and the drop puts the node's name, with a blank on each side,
// in place of the selection. Other drags (files, text from elsewhere) are left to the editor.
class TKxSchemaNameDropTarget : public QObject {
public:
    explicit TKxSchemaNameDropTarget(TSyntaxEditor& editor);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TSyntaxEditor& m_editor;
};

} // namespace kx
