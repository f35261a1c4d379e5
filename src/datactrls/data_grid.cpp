#include "datactrls/data_grid.h"

#include "datactrls/grid_parts.h"
#include "dbcore/display_value_buffer.h"
#include "dbcore/intf_source_signals.h"
#include "dbcore/record_interfaces.h"
#include "dbcore/sort_order.h"
#include "dbcore/statement_interfaces.h"
#include "foundation/activation_interfaces.h"
#include "foundation/application_exception_handler.h"
#include "foundation/interfaced_object.h"
#include "foundation/operations.h"
#include "foundation/questions.h"
#include "foundation/storage_helpers.h"
#include "platform/event_guard.h"
#include "platform/system_colors.h"

#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <algorithm>

namespace kx {
namespace {

constexpr int kIndicatorWidth = 15;

// Collects the names a recordset lists.
class TNameCollector : public TKxInterfacedObject, public virtual IKxNameListTarget {
public:
    void AddName(IKxUnknown*, int, const QString& name) override { names.append(name); }
    QStringList names;
};

} // namespace

TKxIDataGrid::TKxIDataGrid(QWidget* parent)
    : QAbstractScrollArea(parent), m_dataArea(*this), m_titleBarProperties(*this),
      m_indicatorProperties(*this), m_bottomPanel(*this), m_verticalBar(*this),
      m_selection(new TKxGridSelection(*this)), m_source(new TKxRecordsetIntfSource(this)),
      m_signals(new TKxIntfSourceSignals(m_source.get(), this)), m_titleBar(new TitleBar(*this)),
      m_indicator(new IndicatorColumn(*this)), m_countPanel(new QLabel(this)),
      m_editor(new QLineEdit(viewport())) {
    m_editor->hide();
    m_editor->setFrame(false);
    m_editor->installEventFilter(this);
    // Leaving the editor any other way (a click elsewhere) writes it too: typed text is
    // never dropped silently.
    connect(m_editor, &QLineEdit::editingFinished, this,
            [this] { KxGuardCall([&] { CommitEditor(); }); });
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_countPanel->setMinimumWidth(60);
    m_countPanel->setIndent(3);
    addScrollBarWidget(m_countPanel, Qt::AlignLeft);
    viewport()->setAutoFillBackground(false);
    // What is typed in the cell editor goes into the field as it is typed (the record enters
    // edit state at the first change), so whatever moves the record next — a key, the
    // navigator, a script — applies it with the record it belongs to. Text the field cannot
    // take yet (half a number) is written once more when the record is applied, and that
    // failure stops the apply.
    connect(m_editor, &QLineEdit::textEdited, this, [this](const QString& text) {
        try {
            WriteEditorText(text);
        } catch (...) {
            // Reported when the record is applied or the editor is left.
        }
    });
    connect(m_signals, &TKxIntfSourceSignals::validateFieldValues, this,
            [this] { CommitEditorForApply(); });
    connect(m_signals, &TKxIntfSourceSignals::afterActiveChange, this,
            [this](bool active) { KxGuardCall([&] { OnAfterActiveChange(active); }); });
    connect(m_signals, &TKxIntfSourceSignals::afterPositionChange, this,
            [this] { KxGuardCall([&] { OnAfterPositionChange(); }); });
    connect(m_signals, &TKxIntfSourceSignals::afterOperation, this,
            [this](int operation) { KxGuardCall([&] { OnAfterOperation(operation); }); });
    connect(m_signals, &TKxIntfSourceSignals::afterFieldValueChange, this,
            [this](const QString& name) { KxGuardCall([&] { OnAfterFieldValueChange(name); }); });
    connect(m_signals, &TKxIntfSourceSignals::sourceChanged, this, [this] {
        KxGuardCall([&] {
            ClearSelection();
            ClearColumns();
            if (KxGetIntfActive(Recordset(), false))
                OnAfterActiveChange(true);
            ReflectState();
        });
    });
    resize(100, 100);
    LayOutParts();
    ReflectState();
    Recount();
}

TKxIDataGrid::~TKxIDataGrid() {
    // The cells hold their columns by plain pointer; the columns go first, with their cells.
    m_columns.clear();
    // The adapter goes before the source whose events it took over; the source lets go of
    // the recordset before it goes.
    KxReleaseViewSource(m_signals, *m_source);
}

void TKxIDataGrid::SetRecordset(IKxUnknown* recordset) {
    m_source->SetInterfaceSource(recordset);
}

IKxUnknown* TKxIDataGrid::Recordset() const {
    return m_source->InterfaceSource().get();
}

int TKxIDataGrid::ColumnCount() const {
    return static_cast<int>(m_columns.size());
}

QString TKxIDataGrid::ColumnFieldName(int column) const {
    return m_columns.at(static_cast<std::size_t>(column))->FieldName();
}

// ---- properties and parts

void TKxIDataGrid::ApplyProperties() {
    if (m_rows.RowHeight() != m_dataArea.RowHeight()) {
        // The first visible row stays at the top; the caches follow the new slot count.
        m_rows.SetRowHeight(m_dataArea.RowHeight());
        FitCaches();
        SyncVerticalScrollBar();
    }
    if (!m_dataArea.MultiSelect())
        ClearSelection();
    LayOutParts();
    ReflectState();
    viewport()->update();
    m_indicator->update();
    m_titleBar->update();
}

int TKxIDataGrid::IndicatorWidth() const {
    return m_indicatorProperties.Visible() ? kIndicatorWidth : 0;
}

QFont TKxIDataGrid::TitleFont() const {
    if (m_titleBarProperties.FontSet())
        return m_titleBarProperties.Font();
    QFont bold = font();
    bold.setBold(true);
    return bold;
}

void TKxIDataGrid::LayOutParts() {
    // The title bar is as high as the highest title wrapped to its column's width.
    int titleHeight = 0;
    if (m_titleBarProperties.Visible()) {
        const QFontMetrics metrics(TitleFont());
        titleHeight = metrics.height();
        for (const auto& column : m_columns) {
            const QRect bounds(0, 0, std::max(column->Width() - 6, 1), 100000);
            titleHeight =
                std::max(titleHeight,
                         metrics.boundingRect(bounds, Qt::TextWordWrap, column->Title()).height());
        }
        titleHeight += 6;
    }
    setViewportMargins(IndicatorWidth(), titleHeight, 0, 0);
    m_titleBar->setVisible(titleHeight > 0);
    m_indicator->setVisible(IndicatorWidth() > 0);
    setHorizontalScrollBarPolicy(m_bottomPanel.Visible() ? Qt::ScrollBarAlwaysOn
                                                         : Qt::ScrollBarAlwaysOff);
    horizontalScrollBar()->setFixedHeight(m_bottomPanel.Height());
    if (m_verticalBar.Width() > 0)
        verticalScrollBar()->setFixedWidth(m_verticalBar.Width());
    QPalette countPalette = m_countPanel->palette();
    countPalette.setColor(QPalette::Window, KxToQColor(m_bottomPanel.Color(), palette()));
    m_countPanel->setPalette(countPalette);
    m_countPanel->setAutoFillBackground(true);
    if (m_dataArea.Font() != QFont())
        viewport()->setFont(m_dataArea.Font());
    PlaceParts();
}

void TKxIDataGrid::PlaceParts() {
    const QRect area = viewport()->geometry();
    const int indicator = IndicatorWidth();
    m_titleBar->setGeometry(area.left() - indicator, area.top() - viewportMargins().top(),
                            area.width() + indicator, viewportMargins().top());
    m_indicator->setGeometry(area.left() - indicator, area.top(), indicator, area.height());
}

void TKxIDataGrid::ReflectState() {
    const bool bound = Recordset() != nullptr;
    const TKxRecordsetState state = bound ? m_source->GetRecordsetState() : rsInactive;
    const TColor reflected = m_stateReflection.Apply(*viewport(), palette(), bound, state);
    const TColor color = m_stateReflection.ChangeColor ? reflected : m_dataArea.Color();
    if (color != m_dataAreaColor) {
        m_dataAreaColor = color;
        viewport()->update();
    }
}

void TKxIDataGrid::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    // A new theme may turn the state colours on or off.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange)
        KxGuardCall([&] {
            LayOutParts();
            ReflectState();
        });
}

std::int64_t TKxIDataGrid::CurrentPosition() const {
    const auto position = KxQuery<IKxGetPosition>(Recordset());
    return position ? position->GetPosition() : 0;
}

QString TKxIDataGrid::CountText() const {
    return m_countPanel->text();
}

// ---- columns and caches

QString TKxIDataGrid::LayoutPath() const {
    const QString owner = !m_ownerName.isEmpty() ? m_ownerName
                          : parent() != nullptr  ? parent()->objectName()
                                                 : QString();
    return QStringLiteral("\\") + owner + QStringLiteral("\\") + objectName();
}

void TKxIDataGrid::BuildColumns() {
    ClearColumns();
    IKxUnknown* recordset = Recordset();
    const auto lists = KxQuery<IKxFillNameList>(recordset);
    const auto fields = KxQuery<IKxGetItemByName>(recordset);
    if (!lists || !fields)
        return;
    const KxIntf<TNameCollector> names(new TNameCollector);
    lists->FillNameList(1, static_cast<IKxNameListTarget*>(names.get()));
    // A layout store that went away is not read.
    IKxUnknown* layout =
        m_layoutStorageObject || m_layoutStorage == nullptr ? m_layoutStorage : nullptr;
    struct Planned {
        QString name;
        int width;
        int position;
        TKxFieldDataType kind;
        bool noSort;
    };
    std::vector<Planned> planned;
    for (const QString& name : names->names) {
        KxIntf<IKxUnknown> field;
        if (KxFailed(fields->GetItemByName(name, field)))
            continue;
        int width = KxAskInteger(field.get(), vid::DefaultColumnWidth, 50);
        if (width <= 0)
            width = 50;
        int position = static_cast<int>(planned.size());
        const auto properties = KxQuery<IKxFieldProperties>(field);
        const TKxFieldDataType kind = properties ? properties->GetDataType() : fdtString;
        bool noSort = false;
        if (OnCreateColumn) {
            TColumnCreateData data{name, width, position, true, false};
            OnCreateColumn(this, data);
            if (!data.createColumn)
                continue;
            width = std::max(data.width, 5);
            position = data.displayPosition;
            noSort = data.noSort;
        }
        // A stored width and position override both the defaults and the handler.
        if (layout != nullptr) {
            const TKxKeyPathKeeper key(layout, LayoutPath() + QStringLiteral("\\") + name, false);
            const auto values = KxQuery<IKxValueStorage>(layout);
            if (key.Opened() && values) {
                width = std::max(values->ReadInteger(QStringLiteral("DisplayWidth"), width), 5);
                position = values->ReadInteger(QStringLiteral("DisplayPosition"), position);
            }
        }
        planned.push_back({name, width, position, kind, noSort});
    }
    std::stable_sort(planned.begin(), planned.end(),
                     [](const Planned& a, const Planned& b) { return a.position < b.position; });
    int left = 0;
    for (const Planned& item : planned) {
        auto column = KxIntf<TKxGridColumn>(new TKxGridColumn(
            *this, item.name, item.width,
            item.kind == fdtBool ? Qt::AlignHCenter : m_dataArea.TextAlignment()));
        // Long texts and binary values cannot be sorted by the database.
        column->SetKind(item.kind);
        column->SetSortable(!item.noSort && item.kind != fdtMemo && item.kind != fdtWideMemo &&
                            item.kind != fdtBinary);
        column->SetLeft(left);
        left += item.width;
        m_columns.push_back(std::move(column));
    }
    m_rows.SetForwardOnly(KxAskInteger(recordset, vid::CursorType, 2) == 0);
    m_cacheWindow.Reset(0, m_rows.FirstVisibleRow());
    FitCaches();
    LayOutParts();
    if (OnAfterFocusedColumnChange)
        OnAfterFocusedColumnChange(this, FocusedColumn());
}

void TKxIDataGrid::LoadLayout(IKxUnknown* storage) {
    m_layoutStorage = storage;
    m_layoutStorageObject = dynamic_cast<QObject*>(storage);
}

void TKxIDataGrid::StoreLayout(IKxUnknown* storage) {
    const auto values =
        KxCheckQueryInterface<IKxValueStorage>(storage, QStringLiteral("StoreLayout"));
    for (std::size_t index = 0; index < m_columns.size(); ++index) {
        const TKxGridColumn& column = *m_columns[index];
        const TKxKeyPathKeeper key(storage,
                                   LayoutPath() + QStringLiteral("\\") + column.FieldName(), true);
        values->WriteInteger(QStringLiteral("DisplayWidth"), column.Width());
        values->WriteInteger(QStringLiteral("DisplayPosition"), static_cast<int>(index));
    }
}

int TKxIDataGrid::ColumnOfField(const QString& fieldName) const {
    for (std::size_t index = 0; index < m_columns.size(); ++index) {
        if (m_columns[index]->FieldName().compare(fieldName, Qt::CaseInsensitive) == 0)
            return static_cast<int>(index);
    }
    return -1;
}

int TKxIDataGrid::ColumnWidth(int column) const {
    return m_columns.at(static_cast<std::size_t>(column))->Width();
}

TKxSortOrder TKxIDataGrid::SortOrderOf(const TKxGridColumn& column) const {
    const auto sorting = KxQuery<IKxGetFieldSortOrder>(Recordset());
    if (!sorting)
        return soNone;
    // A qualified name sorts by its last part.
    const QString name = column.FieldName().section(QLatin1Char('.'), -1);
    try {
        return sorting->GetFieldSortOrder(name);
    } catch (...) {
        return soNone;
    }
}

void TKxIDataGrid::ClearColumns() {
    m_editor->hide();
    m_focusedColumn = 0;
    const bool hadColumns = !m_columns.empty();
    m_columns.clear();
    m_rows.SetScrollOffset(0);
    m_titleBar->update();
    LayOutParts();
    Recount();
    if (hadColumns && OnAfterFocusedColumnChange)
        OnAfterFocusedColumnChange(this, -1);
}

void TKxIDataGrid::FitCaches() {
    const int slots = TKxGridCacheWindow::SlotCountFor(viewport()->height(), m_rows.RowHeight());
    std::vector<int> mapping = m_cacheWindow.Resize(slots);
    const std::vector<int> moved = m_cacheWindow.MoveTo(m_rows.FirstVisibleRow());
    for (std::size_t slot = 0; slot < mapping.size(); ++slot)
        mapping[slot] = moved[slot] < 0 ? -1 : mapping[static_cast<std::size_t>(moved[slot])];
    for (const auto& column : m_columns)
        column->Remap(mapping);
}

void TKxIDataGrid::MoveCacheWindow() {
    const std::vector<int> mapping = m_cacheWindow.MoveTo(m_rows.FirstVisibleRow());
    for (const auto& column : m_columns)
        column->Remap(mapping);
}

void TKxIDataGrid::ShiftCaches(const std::vector<int>& mapping) {
    for (const auto& column : m_columns)
        column->Remap(mapping);
}

void TKxIDataGrid::RepositionCaches() {
    for (const auto& column : m_columns)
        column->Reposition();
}

void TKxIDataGrid::InvalidateCaches() {
    for (const auto& column : m_columns)
        column->Invalidate();
    m_fetchFailed = false;
}

void TKxIDataGrid::InvalidateRow(std::int64_t row) {
    if (!m_cacheWindow.HasSlot(row))
        return;
    const int slot = m_cacheWindow.SlotOfRow(row);
    for (const auto& column : m_columns)
        column->Cell(slot).ExecuteOperation(opInvalidate, nullptr);
}

// ---- counting and scrolling

void TKxIDataGrid::Recount() {
    const bool active = KxGetIntfActive(Recordset(), false) && !m_columns.empty();
    std::int64_t count = 0;
    if (active) {
        const auto counter = KxQuery<IKxGetCount>(Recordset());
        count = counter ? counter->GetCount() : -1;
    }
    m_rows.SetRecordCount(count);
    m_rows.SetCurrentPosition(active ? CurrentPosition() : 0);
    m_countPanel->setText(!active     ? QString()
                          : count < 0 ? QStringLiteral("?")
                                      : QString::number(count));
    SyncVerticalScrollBar();
    SyncHorizontalScrollBar();
    MoveCacheWindow();
    viewport()->update();
    m_indicator->update();
    m_titleBar->update();
}

void TKxIDataGrid::SyncVerticalScrollBar() {
    m_updatingScrollBar = true;
    verticalScrollBar()->setRange(0, m_rows.ScrollBarMaximum());
    // Steps are in the scroll bar's units, which are several pixels for very large results.
    const std::int64_t unit = m_rows.ScrollBarScale();
    verticalScrollBar()->setPageStep(
        static_cast<int>(std::max<std::int64_t>(viewport()->height() / unit, 1)));
    verticalScrollBar()->setSingleStep(
        static_cast<int>(std::max<std::int64_t>(m_rows.RowHeight() / unit, 1)));
    verticalScrollBar()->setValue(m_rows.ScrollBarValue());
    m_updatingScrollBar = false;
}

int TKxIDataGrid::ContentWidth() const {
    return m_columns.empty() ? 0 : m_columns.back()->Left() + m_columns.back()->Width();
}

void TKxIDataGrid::SyncHorizontalScrollBar() {
    horizontalScrollBar()->setRange(0, std::max(0, ContentWidth() - viewport()->width()));
    horizontalScrollBar()->setPageStep(std::max(viewport()->width(), 1));
}

void TKxIDataGrid::scrollContentsBy(int dx, int dy) {
    PlaceEditor();
    if (dy != 0 && !m_updatingScrollBar) {
        m_rows.SetScrollBarValue(verticalScrollBar()->value());
        MoveCacheWindow();
    }
    if (dx != 0)
        m_titleBar->update();
    viewport()->update();
    m_indicator->update();
}

void TKxIDataGrid::ScrollToCurrentRow() {
    const std::int64_t offset = m_rows.OffsetShowingRow(m_rows.CurrentRow(), viewport()->height());
    if (offset == m_rows.ScrollOffset())
        return;
    m_rows.SetScrollOffset(offset);
    SyncVerticalScrollBar();
    MoveCacheWindow();
}

void TKxIDataGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    PlaceParts();
    FitCaches();
    SyncVerticalScrollBar();
    SyncHorizontalScrollBar();
}

// ---- notifications

void TKxIDataGrid::OnAfterActiveChange(bool active) {
    ClearSelection();
    if (active)
        BuildColumns();
    else
        ClearColumns();
    m_rowFetches = 0;
    InvalidateCaches();
    ReflectState();
    Recount();
}

void TKxIDataGrid::OnAfterPositionChange() {
    m_editor->hide();
    const std::int64_t previous = m_rows.CurrentRow();
    m_rows.SetCurrentPosition(CurrentPosition());
    if (m_rows.ForwardOnly())
        InvalidateCaches();
    InvalidateRow(previous);
    ClearSelection();
    if (m_dataArea.AutoFocusMovements() & afOnPositionChange)
        ScrollToCurrentRow();
    viewport()->update();
    m_indicator->update();
}

void TKxIDataGrid::OnAfterOperation(int operation) {
    if (operation != roEdit && operation != roRefreshCurrent)
        m_editor->hide();
    if (operation == roEdit || operation == roInsert || operation == roReExecuteStatement)
        ClearSelection();
    switch (operation) {
    case roReExecuteStatement:
        if (m_columns.empty())
            BuildColumns();
        InvalidateCaches();
        Recount();
        // The new result may be shorter: show its current row rather than empty space.
        m_rows.SetCurrentPosition(CurrentPosition());
        ScrollToCurrentRow();
        viewport()->update();
        m_indicator->update();
        break;
    case roEdit:
        if (m_dataArea.AutoFocusMovements() & afOnStartEditing)
            ScrollToCurrentRow();
        break;
    case roInsert:
        // The new record gets a row of its own at the current row; the rows below move down.
        if (!m_rows.ForwardOnly()) {
            const std::int64_t row = m_rows.CurrentRow();
            ShiftCaches(m_cacheWindow.RowInserted(row));
            m_rows.SetPendingInsertRow(row);
            RepositionCaches();
        }
        Recount();
        if (m_dataArea.AutoFocusMovements() & afOnStartEditing)
            ScrollToCurrentRow();
        break;
    case roCancelChanges:
        if (m_rows.PendingInsertRow() > 0) {
            const std::int64_t row = m_rows.PendingInsertRow();
            m_rows.SetPendingInsertRow(0);
            ShiftCaches(m_cacheWindow.RowRemoved(row));
            RepositionCaches();
        } else {
            InvalidateRow(m_rows.CurrentRow());
        }
        Recount();
        break;
    case roDelete:
    case roApplyChanges:
        m_rows.SetPendingInsertRow(0);
        InvalidateCaches();
        RepositionCaches();
        Recount();
        if (operation == roApplyChanges && (m_dataArea.AutoFocusMovements() & afOnApplyChanges))
            ScrollToCurrentRow();
        break;
    case roRefreshCurrent:
        InvalidateRow(m_rows.CurrentRow());
        viewport()->update();
        break;
    default:
        break;
    }
    ReflectState();
}

void TKxIDataGrid::OnAfterFieldValueChange(const QString& fieldName) {
    if (m_dataArea.AutoFocusMovements() & afOnFieldValueChange) {
        const int column = ColumnOfField(fieldName);
        if (column >= 0 && !EditorVisible())
            SetFocusedColumn(column);
        ScrollToCurrentRow();
    }
    // The current row is painted from the live record.
    viewport()->update();
}

} // namespace kx
