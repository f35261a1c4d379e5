#pragma once

#include "app/page_windows.h"
#include "datactrls/schema_tree.h"

#include <memory>

class QCheckBox;
class QComboBox;
class QMenu;

namespace kx {

class TKxOdbcConnection;
class TKxOdbcSchemaRecordset;

// The caption of a schema page for a connection: its display name.
QString KxSchemaPageCaption(const TKxOdbcConnectProperties& connection);

// A page with the schema tree of one data source, read through a connection and a schema
// recordset of its own. The connection always commits at once: the page has no commit
// control.
class TKxODBCSchemaTreeFrame : public TKxPage {
public:
    explicit TKxODBCSchemaTreeFrame(TKxPageWindows& windows, QWidget* parent = nullptr);
    ~TKxODBCSchemaTreeFrame() override;

    QString ClassName() const override { return QStringLiteral("TKxODBCSchemaTreeFrame"); }
    TKxISchemaTree& Tree() const { return *m_tree; }
    TKxOdbcConnection& Connection() const { return *m_connection; }

    TKxSchemaRootLists RootLists() const { return m_rootLists; }
    void SetRootLists(TKxSchemaRootLists lists) { m_rootLists = lists; }
    void SetControlPanelVisible(bool visible);
    bool ControlPanelVisible() const;
    int LoadOrigin() const { return m_loadOrigin; }

    // Opens the connection (the connection dialog when it fails) and reads the tree again.
    void RefreshSchema();
    // Loads the tree stored under "\Schemata\<caption>\SchemaTree".
    void LoadStoredTree();
    // A data page for the selected table or view; false when the node is not one.
    bool EditData();
    // Toggles one root list and reads the tree again.
    void ToggleRootList(TKxSchemaList list);
    // Deletes the page's stored schema data and closes it (after a load has stopped).
    void ClosePageAndForgetSchema();

    void ClosePage() override;
    void StoreData(IKxUnknown* storage) override;
    void LoadData(IKxUnknown* storage) override;

    QMenu& ContextMenu() const { return *m_contextMenu; }

private:
    void BuildContextMenu();
    void SetLoadOrigin(int origin);
    void ApplyCheckBoxRule();
    QString SchemataKey() const;

    std::unique_ptr<TKxOdbcConnection> m_connection;
    TKxOdbcSchemaRecordset* m_recordset = nullptr;
    TKxISchemaTree* m_tree = nullptr;
    QWidget* m_controlPanel = nullptr;
    QComboBox* m_loadOriginBox = nullptr;
    QCheckBox* m_remove = nullptr;
    QCheckBox* m_store = nullptr;
    QMenu* m_contextMenu = nullptr;
    int m_loadOrigin = 0;
    TKxSchemaRootLists m_rootLists = kxDefaultSchemaRootLists;
    bool m_closing = false;
};

} // namespace kx
