#include "app/schema_page.h"

#include "dbcore/connection_string.h"
#include "dialogs/connection_dialog.h"
#include "foundation/application_exception_handler.h"
#include "foundation/persistent_data.h"
#include "foundation/storage_helpers.h"
#include "foundation/storage_interfaces.h"
#include "odbc/odbc_connect_properties.h"
#include "odbc/odbc_connection.h"
#include "odbc/odbc_schema_recordset.h"
#include "platform/event_guard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxSchemaPage", text);
}

enum : int { kAttributeControlPanel = 1 };

} // namespace

QString KxSchemaPageCaption(const TKxOdbcConnectProperties& connection) {
    return ExtractDataSourceName(connection.ConnectionString);
}

TKxODBCSchemaTreeFrame::TKxODBCSchemaTreeFrame(TKxPageWindows& windows, QWidget* parent)
    : TKxPage(windows, parent), m_connection(std::make_unique<TKxOdbcConnection>()) {
    m_connection->SetName(QStringLiteral("OdbcConnection"));
    m_connection->SetODBCEnvironment(&windows.Environment());
    m_recordset = new TKxOdbcSchemaRecordset(this);
    m_recordset->SetName(QStringLiteral("OdbcSchemaRecordset"));
    m_recordset->SetODBCConnection(m_connection.get());
    // Objects of every schema: without a restriction psqlODBC shows only the schemas on the
    // search path, and a table in another schema could be neither seen nor edited.
    m_recordset->SchemaData().SetSchemaName(QStringLiteral("%"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_tree = new TKxISchemaTree(this);
    m_tree->setObjectName(QStringLiteral("SchemaTree"));
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tree->SetSchemaRecordsetComponent(m_recordset);
    layout->addWidget(m_tree, 1);

    m_controlPanel = new QWidget(this);
    m_controlPanel->setObjectName(QStringLiteral("ControlPanel"));
    auto* panel = new QHBoxLayout(m_controlPanel);
    panel->setContentsMargins(2, 2, 2, 2);
    m_loadOriginBox = new QComboBox(m_controlPanel);
    m_loadOriginBox->setObjectName(QStringLiteral("ComboBoxLoadOrigin"));
    m_loadOriginBox->setToolTip(Tr("Origin from where the schema data is loaded"));
    m_loadOriginBox->addItems({Tr("Load Schema Data From ODBC Data Source"),
                               Tr("Load Schema Data From Definition File")});
    auto* label = new QLabel(Tr("&Load:"), m_controlPanel);
    label->setBuddy(m_loadOriginBox);
    m_remove = new QCheckBox(Tr("Remove  "), m_controlPanel);
    m_remove->setObjectName(QStringLiteral("CheckBoxRemoveSchema"));
    m_remove->setToolTip(Tr("Remove schema data from data move definition file before saving"));
    m_remove->setChecked(true);
    m_store = new QCheckBox(Tr("Store"), m_controlPanel);
    m_store->setObjectName(QStringLiteral("CheckBoxStoreSchema"));
    m_store->setToolTip(Tr("Store schema data to data move definition file when saving"));
    panel->addWidget(label);
    panel->addWidget(m_loadOriginBox, 1);
    panel->addWidget(m_remove);
    panel->addWidget(m_store);
    layout->addWidget(m_controlPanel);

    connect(m_loadOriginBox, &QComboBox::activated, this,
            [this](int origin) { KxGuardCall([&] { SetLoadOrigin(origin); }); });
    connect(m_store, &QCheckBox::toggled, this, [this] { ApplyCheckBoxRule(); });
    // A double click or Enter on a table or view opens its data.
    connect(m_tree, &QTreeWidget::itemActivated, this,
            [this] { KxGuardCall([&] { EditData(); }); });
    BuildContextMenu();
    connect(m_tree, &QWidget::customContextMenuRequested, this, [this](const QPoint& point) {
        // A right click selects the node it is on.
        if (QTreeWidgetItem* item = m_tree->itemAt(point))
            m_tree->setCurrentItem(item);
        m_contextMenu->popup(m_tree->viewport()->mapToGlobal(point));
    });
}

TKxODBCSchemaTreeFrame::~TKxODBCSchemaTreeFrame() {
    m_tree->StopLoading();
    m_tree->SetSchemaRecordset(nullptr);
    try {
        m_recordset->SetActive(false);
        m_recordset->SetODBCConnection(nullptr);
        m_connection->SetActive(false);
    } catch (...) {
        KxHandleCurrentException();
    }
}

void TKxODBCSchemaTreeFrame::BuildContextMenu() {
    m_contextMenu = new QMenu(this);
    const auto item = [this](const QString& text, std::function<void()> step) {
        QAction* action = m_contextMenu->addAction(text);
        connect(action, &QAction::triggered, this, [step] { KxGuardCall(step); });
        return action;
    };
    item(Tr("Close Page"), [this] { ClosePageAndForgetSchema(); });
    item(Tr("Cllose All Pages"), [this] {
        if (TKxPageDockForm* window = Window())
            window->CloseAllPages();
    });
    item(Tr("Refresh Schema"), [this] { RefreshSchema(); });
    QAction* editData = item(Tr("Edit Data ..."), [this] { EditData(); });
    QAction* newConnection = item(Tr("New Schema Connection ..."), [this] {
        const auto properties = KxMake<TKxOdbcConnectProperties>();
        if (KxConnectionDialog(*properties, &Windows().Store(), this))
            Windows().OpenSchema(*properties, true);
    });
    newConnection->setToolTip(Tr("Read Schema data from a InterfaceSource ..."));
    QAction* expand = item(Tr("Expand Selected Node"), [this] {
        if (QTreeWidgetItem* node = m_tree->currentItem())
            m_tree->expandRecursively(m_tree->indexFromItem(node));
    });
    expand->setToolTip(Tr("Fully expand selected Tree Node"));
    m_contextMenu->addSeparator();
    std::vector<QAction*> lists;
    for (int list = 0; list < kxSchemaRootListCount; ++list) {
        QAction* action = item(KxSchemaListDisplayName(list),
                               [this, list] { ToggleRootList(static_cast<TKxSchemaList>(list)); });
        action->setCheckable(true);
        lists.push_back(action);
    }
    connect(m_contextMenu, &QMenu::aboutToShow, this, [this, lists, editData, expand] {
        const TKxSchemaTreeNode* node = m_tree->SelectedNode();
        editData->setEnabled(node != nullptr && node->IsDataObject());
        expand->setEnabled(node != nullptr);
        for (int list = 0; list < kxSchemaRootListCount; ++list)
            lists[std::size_t(list)]->setChecked((m_rootLists & (1 << list)) != 0);
    });
}

void TKxODBCSchemaTreeFrame::SetControlPanelVisible(bool visible) {
    m_controlPanel->setVisible(visible);
}

bool TKxODBCSchemaTreeFrame::ControlPanelVisible() const {
    return !m_controlPanel->isHidden();
}

void TKxODBCSchemaTreeFrame::ApplyCheckBoxRule() {
    // Storing the schema replaces what was stored: removing it first is implied.
    if (m_store->isChecked())
        m_remove->setChecked(true);
    m_remove->setEnabled(!m_store->isChecked());
}

QString TKxODBCSchemaTreeFrame::SchemataKey() const {
    return QStringLiteral("\\Schemata\\") + Caption();
}

void TKxODBCSchemaTreeFrame::SetLoadOrigin(int origin) {
    m_loadOrigin = std::clamp(origin, 0, 1);
    m_loadOriginBox->setCurrentIndex(m_loadOrigin);
    if (m_loadOrigin == 0)
        RefreshSchema();
    else
        LoadStoredTree();
}

void TKxODBCSchemaTreeFrame::RefreshSchema() {
    m_tree->WhenIdle([this] {
        KxOdbcConnect(*m_connection, false, &Windows().Store(), this);
        // The page has no commit control: whatever is done through it is committed at once.
        m_connection->SetAttributes(m_connection->Attributes() | KxSetOf(caAutoCommitTransactions));
        m_tree->clear();
        m_tree->Refresh(m_rootLists);
    });
}

void TKxODBCSchemaTreeFrame::LoadStoredTree() {
    m_tree->WhenIdle([this] {
        m_tree->clear();
        const TKxKeyPathKeeper keeper(&Windows().Store(),
                                      SchemataKey() + QStringLiteral("\\SchemaTree"), false);
        if (keeper.Opened())
            m_tree->LoadData(&Windows().Store());
    });
}

void TKxODBCSchemaTreeFrame::ToggleRootList(TKxSchemaList list) {
    m_rootLists ^= 1 << list;
    RefreshSchema();
}

bool TKxODBCSchemaTreeFrame::EditData() {
    const TKxSchemaTreeNode* node = m_tree->SelectedNode();
    if (node == nullptr || !node->IsDataObject())
        return false;
    const auto properties = KxMake<TKxOdbcConnectProperties>();
    properties->AssignFromObj(m_connection.get());
    // Schema and table quoted as the data source quotes names: the table asked for opens,
    // whatever its name holds.
    const QString sql = KxTableSelectStatement({node->Schema, node->ObjectName()},
                                               m_connection->IdentifierQuoteChar());
    return Windows().OpenData(*properties, nullptr, sql);
}

void TKxODBCSchemaTreeFrame::ClosePageAndForgetSchema() {
    // A page without a caption has no stored schema of its own: never delete "\Schemata".
    if (!Caption().trimmed().isEmpty())
        KxDeleteKey(&Windows().Store(), SchemataKey());
    ClosePage();
}

void TKxODBCSchemaTreeFrame::ClosePage() {
    if (m_closing)
        return;
    m_closing = true;
    hide();
    m_tree->WhenIdle([this] { deleteLater(); });
}

void TKxODBCSchemaTreeFrame::StoreData(IKxUnknown* storage) {
    const auto values = KxCheckQueryInterface<IKxValueStorage>(
        storage, QStringLiteral("TKxODBCSchemaTreeFrame.StoreData"));
    values->WriteString(QStringLiteral("Caption"), Caption());
    values->WriteString(QStringLiteral("ClassName"), ClassName());
    values->WriteInteger(QStringLiteral("SchemaRootNodes"), m_rootLists, kxDefaultSchemaRootLists);
    values->WriteInteger(QStringLiteral("SchemaLoadOrigin"), m_loadOrigin, 0);
    values->WriteBool(QStringLiteral("RemoveSchemaData"), m_remove->isChecked(), true);
    values->WriteBool(QStringLiteral("StoreSchemaData"), m_store->isChecked(), false);
    values->WriteInteger(QStringLiteral("Attributes"),
                         ControlPanelVisible() ? kAttributeControlPanel : 0,
                         kAttributeControlPanel);
    if (m_tree->currentItem() != nullptr)
        values->WriteInteger(QStringLiteral("SelectedNodeIdx"),
                             m_tree->AbsoluteIndex(m_tree->currentItem()));
    // The connection in a key of its own: its "Attributes" would overwrite the page's.
    const TKxKeyPathKeeper key(storage, QStringLiteral("Connection"), true);
    const auto properties = KxMake<TKxOdbcConnectProperties>();
    properties->AssignFromObj(m_connection.get());
    properties->StoreData(storage);
}

void TKxODBCSchemaTreeFrame::LoadData(IKxUnknown* storage) {
    const auto values = KxCheckQueryInterface<IKxValueStorage>(
        storage, QStringLiteral("TKxODBCSchemaTreeFrame.LoadData"));
    SetCaption(values->ReadString(QStringLiteral("Caption"), {}));
    SetControlPanelVisible(
        (values->ReadInteger(QStringLiteral("Attributes"), kAttributeControlPanel) &
         kAttributeControlPanel) != 0);
    m_loadOrigin = std::clamp(values->ReadInteger(QStringLiteral("SchemaLoadOrigin"), 0), 0, 1);
    m_loadOriginBox->setCurrentIndex(m_loadOrigin);
    m_remove->setChecked(values->ReadBool(QStringLiteral("RemoveSchemaData"), true));
    m_store->setChecked(values->ReadBool(QStringLiteral("StoreSchemaData"), false));
    ApplyCheckBoxRule();
    m_rootLists = values->ReadInteger(QStringLiteral("SchemaRootNodes"), kxDefaultSchemaRootLists) &
                  ((1 << kxSchemaRootListCount) - 1);
    const int selected = values->ReadInteger(QStringLiteral("SelectedNodeIdx"), -1);
    {
        const TKxKeyPathKeeper key(storage, QStringLiteral("Connection"), false);
        const auto properties = KxMake<TKxOdbcConnectProperties>();
        if (key.Opened())
            properties->LoadData(storage);
        properties->AssignToObj(m_connection.get());
    }
    if (m_loadOrigin == 0)
        RefreshSchema();
    else
        LoadStoredTree();
    m_tree->WhenIdle([this, selected] {
        if (QTreeWidgetItem* node = m_tree->ItemAtAbsoluteIndex(selected)) {
            m_tree->setCurrentItem(node);
            m_tree->scrollToItem(node);
        }
    });
}

} // namespace kx
