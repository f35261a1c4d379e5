#include "app/data_edit_page.h"

#include "datactrls/data_grid.h"
#include "datactrls/grid_properties.h"
#include "datactrls/navigation_frame.h"
#include "dbcore/connection_string.h"
#include "dbcore/sql_property.h"
#include "dialogs/recordset_properties_dialog.h"
#include "foundation/application_exception_handler.h"
#include "foundation/persistent_data.h"
#include "foundation/storage_helpers.h"
#include "foundation/storage_interfaces.h"
#include "odbc/odbc_connect_properties.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_recordset.h"
#include "odbc/odbc_recordset_properties.h"
#include "platform/event_guard.h"

#include <QCoreApplication>
#include <QMenu>
#include <QVBoxLayout>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxDataEditPage", text);
}

} // namespace

TKxIDataEditFrame::TKxIDataEditFrame(TKxPageWindows& windows, QWidget* parent)
    : TKxPage(windows, parent), m_connection(std::make_unique<TKxOdbcConnection>()) {
    setObjectName(QStringLiteral("DataEditFrame"));
    m_connection->SetName(QStringLiteral("OdbcConnection"));
    m_connection->SetODBCEnvironment(&windows.Environment());
    m_recordset = new TKxOdbcRecordset(this);
    m_recordset->SetName(QStringLiteral("OdbcRecordset"));
    m_recordset->SetODBCConnection(m_connection.get());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_grid = new TKxIDataGrid(this);
    m_grid->setObjectName(QStringLiteral("DataGrid"));
    m_grid->setToolTip(Tr("Alt-C = Copy selected Rows to Clipboard"));
    m_grid->DataAreaProperties().SetColor(0xFFFFE0);
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    m_grid->SetRecordset(static_cast<IKxGetItemByName*>(m_recordset));
    layout->addWidget(m_grid, 1);
    m_navigation = new TNavigationFrame(this);
    m_navigation->Bind(static_cast<IKxGetItemByName*>(m_recordset), m_grid);
    layout->addWidget(m_navigation);

    m_contextMenu = new QMenu(this);
    connect(m_contextMenu->addAction(Tr("Close Page")), &QAction::triggered, this,
            [this] { ClosePage(); });
    connect(m_contextMenu->addAction(Tr("Close All Pages")), &QAction::triggered, this, [this] {
        if (TKxPageDockForm* window = Window())
            window->CloseAllPages();
    });
    connect(m_contextMenu->addAction(Tr("Recordset Properties ...")), &QAction::triggered, this,
            [this] { KxGuardCall([&] { EditRecordsetProperties(); }); });
    connect(m_grid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& point) { m_contextMenu->popup(m_grid->mapToGlobal(point)); });
}

TKxIDataEditFrame::~TKxIDataEditFrame() {
    m_navigation->Unbind();
    m_grid->SetRecordset(nullptr);
    try {
        // A row being typed is applied, as leaving it would.
        m_recordset->SetActive(false);
    } catch (...) {
        KxHandleCurrentException();
    }
    try {
        m_recordset->SetODBCConnection(nullptr);
        m_connection->SetActive(false);
    } catch (...) {
        KxHandleCurrentException();
    }
}

void TKxIDataEditFrame::CommitAlways() {
    m_connection->SetAttributes(m_connection->Attributes() | KxSetOf(caAutoCommitTransactions));
}

void TKxIDataEditFrame::UpdateCaption() {
    // The table as people name it: without the quotes the statement needs.
    QString table = m_recordset->SQL().GetTableName();
    const QString quote = m_connection->IdentifierQuoteChar();
    if (!quote.isEmpty())
        table.remove(quote);
    SetCaption(QStringLiteral("%1.%2").arg(ExtractDataSourceName(m_connection->ConnectionString()),
                                           table));
}

void TKxIDataEditFrame::Open(TKxOdbcConnectProperties& connection,
                             TKxOdbcRecordsetProperties& properties, const QString& sql) {
    properties.AssignToObj(m_recordset);
    m_recordset->SQL().SetAsString(sql);
    connection.AssignToObj(m_connection.get());
    CommitAlways();
    m_recordset->SetActive(true);
    UpdateCaption();
}

void TKxIDataEditFrame::EditRecordsetProperties() {
    const auto properties = KxMake<TKxOdbcRecordsetProperties>(false);
    properties->AssignFromObj(m_recordset);
    if (!KxEditRecordsetProperties(*properties, 0, &Windows().Store(), this))
        return;
    m_recordset->SetActive(false);
    properties->AssignToObj(m_recordset);
    m_recordset->SetActive(true);
}

void TKxIDataEditFrame::StoreData(IKxUnknown* storage) {
    const auto values = KxCheckQueryInterface<IKxValueStorage>(
        storage, QStringLiteral("TKxIDataEditFrame.StoreData"));
    values->WriteString(QStringLiteral("Caption"), Caption());
    values->WriteString(QStringLiteral("ClassName"), ClassName());
    m_navigation->StoreData(storage);
    {
        const TKxKeyPathKeeper key(storage, QStringLiteral("Connection"), true);
        const auto properties = KxMake<TKxOdbcConnectProperties>();
        properties->AssignFromObj(m_connection.get());
        properties->StoreData(storage);
    }
    {
        const TKxKeyPathKeeper key(storage, QStringLiteral("Recordset"), true);
        const auto properties = KxMake<TKxOdbcRecordsetProperties>(true);
        properties->AssignFromObj(m_recordset);
        properties->StoreData(storage);
    }
    // The columns' layout inside the page's own key.
    const auto directory = KxCheckQueryInterface<IKxKeyValueDirectory>(storage);
    m_grid->SetOwnerName(directory->CurrentPath());
    m_grid->StoreLayout(storage);
}

void TKxIDataEditFrame::LoadData(IKxUnknown* storage) {
    const auto values = KxCheckQueryInterface<IKxValueStorage>(
        storage, QStringLiteral("TKxIDataEditFrame.LoadData"));
    const QString caption = values->ReadString(QStringLiteral("Caption"), {});
    m_navigation->LoadData(storage);
    {
        const TKxKeyPathKeeper key(storage, QStringLiteral("Connection"), false);
        const auto properties = KxMake<TKxOdbcConnectProperties>();
        if (key.Opened())
            properties->LoadData(storage);
        properties->AssignToObj(m_connection.get());
        CommitAlways();
    }
    {
        const TKxKeyPathKeeper key(storage, QStringLiteral("Recordset"), false);
        const auto properties = KxMake<TKxOdbcRecordsetProperties>(true);
        if (key.Opened())
            properties->LoadData(storage);
        properties->AssignToObj(m_recordset);
    }
    const auto directory = KxCheckQueryInterface<IKxKeyValueDirectory>(storage);
    m_grid->SetOwnerName(directory->CurrentPath());
    m_grid->LoadLayout(storage);
    SetCaption(caption);
    m_recordset->SetActive(true);
}

} // namespace kx
