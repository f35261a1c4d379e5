#pragma once

#include "datactrls/schema_tree_nodes.h"
#include "foundation/kx_intf.h"

#include <QIcon>
#include <QTreeWidget>
#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace kx {

class TKxActivatableIntfSource;

// The format a dragged node's name travels in beside plain text, so a drop target can tell
// a name from the schema tree from any other text.
inline constexpr const char* kxSchemaNameMimeType = "application/x-kxquerolt-schema-name";

// The root lists the tree loads, bit n for TKxSchemaList n (only the first seven lists).
using TKxSchemaRootLists = int;
inline constexpr TKxSchemaRootLists kxDefaultSchemaRootLists =
    (1 << slTables) | (1 << slViews) | (1 << slProcedures);
inline constexpr int kxSchemaRootListCount = 7;

// The catalog of a data source as a tree: the root lists with their objects, the columns of
// every table and view and the parameters of every procedure. Everything is read through one
// schema recordset, in one pass per refresh; the event loop keeps running while it loads, and
// Escape stops the load. Nodes keep the catalog and schema they were found in and ask for
// their columns there, with the names taken literally (the driver's pattern escape), so
// "my_t" never lists the columns of "myXt" and a.t never those of b.t.
class TKxISchemaTree : public QTreeWidget {
public:
    explicit TKxISchemaTree(QWidget* parent = nullptr);
    ~TKxISchemaTree() override;

    // The schema recordset; refused unless its "SchemaData" property offers the schema data
    // interface (routine "InterfaceCanBeConnected").
    void SetSchemaRecordset(IKxUnknown* recordset);
    void SetSchemaRecordsetComponent(QObject* component);

    // Loads the root lists `lists` in list order below the nodes already there (callers clear
    // first). While a load runs, a second call stops it and runs when it has ended.
    void Refresh(TKxSchemaRootLists lists);
    bool Loading() const { return m_loading; }
    void StopLoading() { m_stop = true; }
    // Runs `action` now, or, while a load runs, stops the load and runs `action` after it —
    // for anything that would free nodes being filled (clearing, closing).
    void WhenIdle(std::function<void()> action);

    TKxSchemaTreeNode* SelectedNode() const;
    int AbsoluteIndex(const QTreeWidgetItem* item) const;
    QTreeWidgetItem* ItemAtAbsoluteIndex(int index) const;

    // The tree as the settings keep it, in the store's current key.
    void StoreData(IKxUnknown* storage);
    void LoadData(IKxUnknown* storage);

    // Called after every row read, so tests and benchmarks can watch a load.
    std::function<void()> OnRowLoaded;

    // What a drag of `items` carries: the first node's object name as text.
    QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct TReader;
    // Reads the rows of one catalog list under `listNode` (`open` opens the list and answers
    // whether the recordset was open before, `addRow` adds a node for the current row or
    // answers false to pass it over) and shows the count on the list node.
    void ReadList(TReader& reader, TKxSchemaTreeNode* listNode, const std::function<bool()>& open,
                  const std::function<bool()>& addRow);
    void LoadRootList(TReader& reader, TKxSchemaList list);
    void LoadSubList(TReader& reader, TKxSchemaTreeNode* object, TKxSchemaList list);
    TKxSchemaTreeNode* AddNode(QTreeWidgetItem* parent, const TKxSchemaNodeClass& nodeClass,
                               const QString& caption, int imageIndex, int selectedIndex);
    void LetEventsRun();
    const QIcon& IconOf(TKxSchemaNodeRole role);
    void StoreNode(IKxUnknown* storage, const TKxSchemaTreeNode* node, int index);
    void LoadNodes(IKxUnknown* storage, QTreeWidgetItem* parent);

    std::unique_ptr<TKxActivatableIntfSource> m_source;
    bool m_loading = false;
    bool m_stop = false;
    qint64 m_lastPump = 0;
    std::vector<std::function<void()>> m_whenIdle;
    std::array<QIcon, 3> m_icons;
    QTreeWidgetItem* m_scrollTarget = nullptr;
};

} // namespace kx
