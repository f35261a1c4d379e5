#pragma once

#include "app/page_windows.h"

#include <memory>

class QMenu;

namespace kx {

class TKxIDataGrid;
class TKxOdbcConnection;
class TKxOdbcRecordset;
class TNavigationFrame;

// A page showing one table's rows for editing: a grid, the navigation bar, and a connection
// and recordset of its own. The connection always commits at once: the page has no commit
// control, so an edit applied here is stored, whatever the main connection does.
class TKxIDataEditFrame : public TKxPage {
public:
    explicit TKxIDataEditFrame(TKxPageWindows& windows, QWidget* parent = nullptr);
    ~TKxIDataEditFrame() override;

    QString ClassName() const override { return QStringLiteral("TKxIDataEditFrame"); }
    TKxIDataGrid& Grid() const { return *m_grid; }
    TKxOdbcRecordset& Recordset() const { return *m_recordset; }
    TKxOdbcConnection& Connection() const { return *m_connection; }
    QMenu& ContextMenu() const { return *m_contextMenu; }

    // Shows `sql` on `connection` with `properties`; the caption names the data source and
    // the table.
    void Open(TKxOdbcConnectProperties& connection, TKxOdbcRecordsetProperties& properties,
              const QString& sql);
    // The recordset properties dialog; confirmed changes reopen the recordset.
    void EditRecordsetProperties();

    void StoreData(IKxUnknown* storage) override;
    void LoadData(IKxUnknown* storage) override;

private:
    void CommitAlways();
    void UpdateCaption();

    std::unique_ptr<TKxOdbcConnection> m_connection;
    TKxOdbcRecordset* m_recordset = nullptr;
    TKxIDataGrid* m_grid = nullptr;
    TNavigationFrame* m_navigation = nullptr;
    QMenu* m_contextMenu = nullptr;
};

} // namespace kx
