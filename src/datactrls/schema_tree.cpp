#include "datactrls/schema_tree.h"

#include "dbcore/record_interfaces.h"
#include "dbcore/record_states.h"
#include "dbcore/sql_interfaces.h"
#include "dbcore/sql_words.h"
#include "foundation/activation_interfaces.h"
#include "foundation/exceptions.h"
#include "foundation/interface_connection.h"
#include "foundation/interface_connector.h"
#include "foundation/storage_helpers.h"
#include "foundation/storage_interfaces.h"
#include "platform/event_guard.h"
#include "platform/wait_cursor.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QKeyEvent>
#include <QMimeData>
#include <QStyle>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxSchemaTree", text);
}

const QString kNone = QStringLiteral("<None>");
// Long enough for the window to stay responsive and Escape to be read at once, short enough
// that a large catalog is not slowed down by polling for events.
constexpr qint64 kPumpIntervalMs = 20;

KxIntf<IKxSchemaDataProperties> SchemaDataOf(IKxUnknown* recordset) {
    KxIntf<IKxUnknown> object;
    const auto properties = KxQuery<IKxGetPropertyIntf>(recordset);
    if (!properties || properties->GetPropertyIntf(QStringLiteral("SchemaData"),
                                                   KxInterfaceId::Of<IKxSchemaDataProperties>(),
                                                   object) != hr::S_Ok)
        return {};
    return KxQuery<IKxSchemaDataProperties>(object);
}

} // namespace

// The schema recordset as the loading reads it: one catalog list at a time, field values by
// their 1-based position.
struct TKxISchemaTree::TReader {
    KxIntf<IKxUnknown> recordset;
    KxIntf<IKxForwardCursor> cursor;
    KxIntf<IKxSchemaDataProperties> schemaData;
    KxIntf<IKxGetItemByIndex> fields;
    KxIntf<IKxGetSetActive> active;
    QString escape;
    KxIntf<IKxCatalogSystemSchemas> systemSchemas;
    QString rootCatalog;
    QString rootSchema;

    // Opens `list` restricted to `table` in `catalog` and `schema`; answers whether it was
    // open before.
    bool Open(TKxSchemaList list, const QString& table, const QString& catalog,
              const QString& schema) {
        const bool wasActive = active->GetActive();
        active->SetActive(false);
        schemaData->SetSchemaList(list);
        schemaData->SetDatabaseName(catalog);
        schemaData->SetSchemaName(schema);
        schemaData->SetTableName(table);
        active->SetActive(true);
        return wasActive;
    }
    void Restore(bool wasActive) noexcept {
        try {
            active->SetActive(wasActive);
        } catch (...) {
            // the list's own error is what the user sees
        }
    }
    KxVariant Value(int position) {
        KxIntf<IKxUnknown> field;
        // Recordsets number their fields by result column, from 1.
        if (fields->GetItemByIndex(position, field) != hr::S_Ok)
            return {};
        const auto value = KxQuery<IKxGetValue>(field);
        return value ? value->GetValue() : KxVariant();
    }
    QString Text(int position) {
        const KxVariant value = Value(position);
        return value.IsEmptyOrNull() ? QString() : value.ToString();
    }
    // A name taken literally in a catalog call's pattern argument; "<None>" (no restriction)
    // for a name the driver does not have.
    QString Literal(const QString& name) const {
        return name.isEmpty() ? kNone : KxEscapeSearchPattern(name, escape);
    }
};

TKxISchemaTree::TKxISchemaTree(QWidget* parent)
    : QTreeWidget(parent), m_source(std::make_unique<TKxActivatableIntfSource>(this)) {
    setHeaderHidden(true);
    setColumnCount(1);
    setUniformRowHeights(true);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_source->AddNeededIntfID(KxInterfaceId::Of<IKxForwardCursor>());
    m_source->OnCheckIntfCanBeConnected = [](IKxUnknown* intf) {
        if (intf != nullptr && !SchemaDataOf(intf))
            KxRaise(Tr("The source has no schema data"), QStringLiteral("InterfaceCanBeConnected"),
                    KxObjectDescription::OfInterface(intf));
    };
}

TKxISchemaTree::~TKxISchemaTree() {
    m_stop = true;
    m_source.reset();
}

void TKxISchemaTree::SetSchemaRecordset(IKxUnknown* recordset) {
    m_source->SetInterfaceSource(recordset);
}

void TKxISchemaTree::SetSchemaRecordsetComponent(QObject* component) {
    m_source->SetInterfaceSourceComponent(component);
}

void TKxISchemaTree::WhenIdle(std::function<void()> action) {
    if (!m_loading) {
        action();
        return;
    }
    m_stop = true;
    m_whenIdle.push_back(std::move(action));
}

void TKxISchemaTree::LetEventsRun() {
    if (OnRowLoaded)
        OnRowLoaded();
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - m_lastPump < kPumpIntervalMs)
        return;
    m_lastPump = now;
    // The view follows the load once per turn, not once per object: scrolling is a layout.
    if (m_scrollTarget != nullptr) {
        scrollToItem(m_scrollTarget);
        m_scrollTarget = nullptr;
    }
    QCoreApplication::processEvents();
}

const QIcon& TKxISchemaTree::IconOf(TKxSchemaNodeRole role) {
    // Asked of the style once and shared by every node: the style builds a new icon (and
    // decodes its images) on every call, some 70 KB a node.
    const std::size_t index = role == TKxSchemaNodeRole::List     ? 0
                              : role == TKxSchemaNodeRole::Column ? 1
                                                                  : 2;
    if (m_icons[index].isNull()) {
        const QStyle::StandardPixmap pixmap = index == 0   ? QStyle::SP_DirIcon
                                              : index == 1 ? QStyle::SP_FileDialogDetailedView
                                                           : QStyle::SP_FileIcon;
        m_icons[index] = style()->standardIcon(pixmap);
    }
    return m_icons[index];
}

void TKxISchemaTree::changeEvent(QEvent* event) {
    if (event->type() == QEvent::StyleChange)
        m_icons = {};
    QTreeWidget::changeEvent(event);
}

void TKxISchemaTree::Refresh(TKxSchemaRootLists lists) {
    if (m_loading) {
        WhenIdle([this, lists] { Refresh(lists); });
        return;
    }
    TReader reader;
    reader.recordset = m_source->InterfaceSource();
    const QString routine = QStringLiteral("ReadSchemaData");
    reader.cursor = KxCheckQueryInterface<IKxForwardCursor>(reader.recordset.get(), routine);
    reader.schemaData = SchemaDataOf(reader.recordset.get());
    if (!reader.schemaData)
        KxRaise(Tr("The source has no schema data"), routine, this);
    reader.fields = KxCheckQueryInterface<IKxGetItemByIndex>(reader.recordset.get(), routine);
    reader.active = KxCheckQueryInterface<IKxGetSetActive>(reader.recordset.get(), routine);
    if (const auto escape = KxQuery<IKxCatalogPatternEscape>(reader.recordset))
        reader.escape = escape->GetSearchPatternEscape();
    reader.systemSchemas = KxQuery<IKxCatalogSystemSchemas>(reader.recordset);
    reader.rootCatalog = reader.schemaData->GetDatabaseName();
    reader.rootSchema = reader.schemaData->GetSchemaName();
    reader.active->SetActive(false);
    if (const auto operations = KxQuery<IKxExecuteOperation>(reader.recordset))
        operations->ExecuteOperation(roSetSimplestConfiguration, nullptr);

    const KxWaitCursorScope wait;
    m_stop = false;
    m_loading = true;
    // The tree needs none of the recordset's notifications while it reads it row by row, and
    // handing them out costs as much as reading the rows.
    m_source->SetInterfaceSource(nullptr);
    const auto reconnect = [&] {
        m_loading = false;
        m_scrollTarget = nullptr;
        m_source->SetInterfaceSource(reader.recordset.get());
    };
    try {
        for (int list = 0; list < kxSchemaRootListCount && !m_stop; ++list) {
            if (lists & (1 << list))
                LoadRootList(reader, static_cast<TKxSchemaList>(list));
        }
    } catch (...) {
        reconnect();
        throw;
    }
    reconnect();
    // What waited for the load (a close, another refresh) runs now, in the order asked.
    std::vector<std::function<void()>> waiting;
    waiting.swap(m_whenIdle);
    for (const auto& action : waiting)
        KxGuardCall(action);
}

TKxSchemaTreeNode* TKxISchemaTree::AddNode(QTreeWidgetItem* parent,
                                           const TKxSchemaNodeClass& nodeClass,
                                           const QString& caption, int imageIndex,
                                           int selectedIndex) {
    auto* node = new TKxSchemaTreeNode(nodeClass);
    node->SetCaption(caption);
    node->ImageIndex = imageIndex;
    node->SelectedIndex = selectedIndex;
    node->setIcon(0, IconOf(nodeClass.role));
    if (nodeClass.role == TKxSchemaNodeRole::Object || nodeClass.role == TKxSchemaNodeRole::Column)
        node->setFlags(node->flags() | Qt::ItemIsDragEnabled);
    else
        node->setFlags(node->flags() & ~Qt::ItemIsDragEnabled);
    if (parent != nullptr)
        parent->addChild(node);
    else
        addTopLevelItem(node);
    return node;
}

void TKxISchemaTree::ReadList(TReader& reader, TKxSchemaTreeNode* listNode,
                              const std::function<bool()>& open,
                              const std::function<bool()>& addRow) {
    const QString caption = listNode->Caption();
    int count = 0;
    bool wasActive = false;
    try {
        wasActive = open();
        while (!reader.cursor->IsEOF() && !m_stop) {
            if (addRow())
                ++count;
            LetEventsRun();
            reader.cursor->MoveToNext();
        }
    } catch (const std::exception& e) {
        // A list that cannot be read ends there with what it has; the others are still
        // worth reading.
        listNode->setToolTip(0, KxExceptionMessage(e));
    }
    reader.Restore(wasActive);
    listNode->SetCaption(QStringLiteral("%1: %2").arg(caption).arg(count));
}

void TKxISchemaTree::LoadRootList(TReader& reader, TKxSchemaList list) {
    TKxSchemaTreeNode* listNode =
        AddNode(nullptr, KxSchemaListNodeClass(list), KxSchemaListDisplayName(list), 0, 1);
    const int namePosition = KxSchemaListNameColumn(list);
    std::vector<TKxSchemaTreeNode*> objects;
    ReadList(
        reader, listNode,
        [&] {
            return reader.Open(list, QStringLiteral("%"), reader.rootCatalog, reader.rootSchema);
        },
        [&] {
            // The database's own objects (PostgreSQL's thousands of built-in functions) belong
            // to the system tables list only.
            const QString schema = reader.Text(2);
            if (list != slSystemTables && reader.systemSchemas &&
                reader.systemSchemas->IsSystemSchema(schema))
                return false;
            TKxSchemaTreeNode* node = AddNode(listNode, KxSchemaObjectNodeClass(list),
                                              reader.Text(namePosition), list + 2, list + 2);
            node->Catalog = reader.Text(1);
            node->Schema = schema;
            objects.push_back(node);
            return true;
        });
    listNode->setExpanded(true);

    const bool hasColumns = list == slSystemTables || list == slTables || list == slViews;
    if (!hasColumns && list != slProcedures)
        return;
    for (TKxSchemaTreeNode* object : objects) {
        if (m_stop)
            break;
        LoadSubList(reader, object, hasColumns ? slColumns : slProcedureColumns);
        m_scrollTarget = object;
        LetEventsRun();
    }
}

void TKxISchemaTree::LoadSubList(TReader& reader, TKxSchemaTreeNode* object, TKxSchemaList list) {
    TKxSchemaTreeNode* listNode =
        AddNode(object, KxSchemaListNodeClass(list), KxSchemaListDisplayName(list), 0, 1);
    const bool procedure = list == slProcedureColumns;
    ReadList(
        reader, listNode,
        [&] {
            // The catalog is a plain argument; schema and table are patterns, taken literally.
            return reader.Open(list, reader.Literal(object->Caption()),
                               object->Catalog.isEmpty() ? kNone : object->Catalog,
                               reader.Literal(object->Schema));
        },
        [&] {
            const QString name = reader.Text(4);
            const KxVariant nullable = reader.Value(procedure ? 12 : 11);
            TKxSchemaTreeNode* column =
                AddNode(listNode, KxSchemaObjectNodeClass(list),
                        KxSchemaColumnDetail(name, reader.Text(procedure ? 7 : 6),
                                             reader.Text(procedure ? 9 : 8),
                                             nullable.IsEmptyOrNull() ? 1 : nullable.ToInt()),
                        list + 2, list + 2);
            column->ColumnName = name;
            return true;
        });
}

void TKxISchemaTree::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && m_loading) {
        m_stop = true;
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

QMimeData* TKxISchemaTree::mimeData(const QList<QTreeWidgetItem*>& items) const {
    // What a drop into the script inserts: the object's name, never its detail line.
    auto* data = new QMimeData;
    if (!items.isEmpty()) {
        if (auto* node = dynamic_cast<TKxSchemaTreeNode*>(items.first())) {
            data->setText(node->ObjectName());
            data->setData(QLatin1String(kxSchemaNameMimeType), node->ObjectName().toUtf8());
        }
    }
    return data;
}

TKxSchemaTreeNode* TKxISchemaTree::SelectedNode() const {
    return dynamic_cast<TKxSchemaTreeNode*>(currentItem());
}

int TKxISchemaTree::AbsoluteIndex(const QTreeWidgetItem* item) const {
    int index = 0;
    for (QTreeWidgetItemIterator it(const_cast<TKxISchemaTree*>(this)); *it; ++it, ++index) {
        if (*it == item)
            return index;
    }
    return -1;
}

QTreeWidgetItem* TKxISchemaTree::ItemAtAbsoluteIndex(int index) const {
    if (index < 0)
        return nullptr;
    QTreeWidgetItemIterator it(const_cast<TKxISchemaTree*>(this));
    for (int i = 0; *it && i < index; ++i)
        ++it;
    return *it;
}

// ---- stored trees

void TKxISchemaTree::StoreData(IKxUnknown* storage) {
    const auto values = KxCheckQueryInterface<IKxValueStorage>(
        storage, QStringLiteral("TKxCustomTreeView.StoreData"));
    values->WriteBool(QStringLiteral("AllowEditing"), true, std::nullopt);
    if (currentItem() != nullptr)
        values->WriteInteger(QStringLiteral("SelectedNodeIdx"), AbsoluteIndex(currentItem()),
                             std::nullopt);
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (auto* node = dynamic_cast<TKxSchemaTreeNode*>(topLevelItem(i)))
            StoreNode(storage, node, AbsoluteIndex(node));
    }
}

void TKxISchemaTree::StoreNode(IKxUnknown* storage, const TKxSchemaTreeNode* node, int index) {
    const TKxKeyPathKeeper keeper(storage, QStringLiteral(".\\%1").arg(index), true);
    const auto values = KxCheckQueryInterface<IKxValueStorage>(
        storage, QStringLiteral("TKxCustomTreeView.StoreData"));
    values->WriteString(QStringLiteral("ClassName"), QLatin1String(node->NodeClass().name));
    if (!node->Caption().isEmpty())
        values->WriteString(QStringLiteral("Caption"), node->Caption());
    values->WriteInteger(QStringLiteral("ImageIndex"), node->ImageIndex, -1);
    values->WriteInteger(QStringLiteral("SelectedIndex"), node->SelectedIndex, -1);
    values->WriteInteger(QStringLiteral("StateIndex"), node->StateIndex, -1);
    values->WriteInteger(QStringLiteral("OverlayIndex"), node->OverlayIndex, -1);
    if (node->Role() == TKxSchemaNodeRole::Column && !node->ColumnName.isEmpty())
        values->WriteString(QStringLiteral("Column Name"), node->ColumnName);
    for (int i = 0; i < node->childCount(); ++i) {
        if (auto* child = dynamic_cast<TKxSchemaTreeNode*>(node->child(i)))
            StoreNode(storage, child, AbsoluteIndex(child));
    }
}

void TKxISchemaTree::LoadData(IKxUnknown* storage) {
    const auto values = KxCheckQueryInterface<IKxValueStorage>(
        storage, QStringLiteral("TKxCustomTreeView.LoadData"));
    // Stored trees are browsed, never edited in place: "AllowEditing" is kept for the layout.
    values->ReadBool(QStringLiteral("AllowEditing"), true);
    LoadNodes(storage, nullptr);
    if (QTreeWidgetItem* selected =
            ItemAtAbsoluteIndex(values->ReadInteger(QStringLiteral("SelectedNodeIdx"), -1))) {
        setCurrentItem(selected);
        scrollToItem(selected);
    }
}

void TKxISchemaTree::LoadNodes(IKxUnknown* storage, QTreeWidgetItem* parent) {
    QStringList names;
    {
        const TKxKeyPathKeeper keeper(storage, QStringLiteral("."), false);
        if (!keeper.Opened())
            return;
        KxCheckQueryInterface<IKxKeyValueDirectory>(storage)->ReadSubDirNames(names);
    }
    // Sub-keys are absolute node indexes: read them in numeric order, not text order.
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
    for (const QString& name : names) {
        const TKxKeyPathKeeper keeper(storage, QStringLiteral(".\\") + name, false);
        if (!keeper.Opened())
            continue;
        const auto values = KxCheckQueryInterface<IKxValueStorage>(storage);
        const QString className = values->ReadString(QStringLiteral("ClassName"), kNone);
        const TKxSchemaNodeClass* nodeClass = KxFindSchemaNodeClass(className);
        if (nodeClass == nullptr)
            KxRaise(Tr("Unregistered Tree Node Class: %1").arg(className),
                    QStringLiteral("TKxCustomTreeView.LoadData"), this);
        TKxSchemaTreeNode* node =
            AddNode(parent, *nodeClass, values->ReadString(QStringLiteral("Caption"), kNone),
                    values->ReadInteger(QStringLiteral("ImageIndex"), -1),
                    values->ReadInteger(QStringLiteral("SelectedIndex"), -1));
        node->StateIndex = values->ReadInteger(QStringLiteral("StateIndex"), -1);
        node->OverlayIndex = values->ReadInteger(QStringLiteral("OverlayIndex"), -1);
        if (node->Role() == TKxSchemaNodeRole::Column)
            node->ColumnName = values->ReadString(QStringLiteral("Column Name"), {});
        LoadNodes(storage, node);
    }
}

} // namespace kx
