#include "datactrls/data_grid.h"

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
#include "foundation/scope_objects.h"
#include "foundation/storage_helpers.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

namespace kx {
namespace {

constexpr int kIndicatorWidth = 15;
// Grid lines are silver in every theme, as users of database grids know them.
const QColor kLineColor(0xC0, 0xC0, 0xC0);

// Collects the names a recordset lists.
class TNameCollector : public TKxInterfacedObject, public virtual IKxNameListTarget {
public:
    void AddName(IKxUnknown*, int, const QString& name) override { names.append(name); }
    QStringList names;
};

// Runs a notification handler from the event loop: nothing may escape into Qt.
template <class TBody> void Guarded(TBody&& body) noexcept {
    try {
        body();
    } catch (...) {
        KxHandleCurrentException();
    }
}

} // namespace

// One column: its field, title and width, and the display texts of the rows on screen. The
// cells ask it where the recordset is and which row the first slot shows.
class TKxGridColumn : public TKxInterfacedObject,
                      public virtual IKxDisplayValueColumn,
                      public virtual IKxGetName,
                      public virtual IKxGetItemByName {
public:
    TKxGridColumn(TKxIDataGrid& grid, QString fieldName, int width, Qt::Alignment alignment)
        : m_grid(grid), m_fieldName(std::move(fieldName)), m_width(width), m_alignment(alignment) {}

    const QString& FieldName() const { return m_fieldName; }
    QString Title() const {
        return QString(m_fieldName).replace(QLatin1Char('.'), QLatin1Char('\n'));
    }
    int Left() const { return m_left; }
    void SetLeft(int left) { m_left = left; }
    int Width() const { return m_width; }
    Qt::Alignment Alignment() const { return m_alignment; }

    TKxDisplayValueBuffer& Cell(int slot) { return *m_cells[static_cast<std::size_t>(slot)]; }
    // The slots after the window moved: each keeps the cell of `mapping`'s old slot, or a
    // new, empty one.
    void Remap(const std::vector<int>& mapping) {
        std::vector<KxIntf<TKxDisplayValueBuffer>> cells(mapping.size());
        for (std::size_t slot = 0; slot < mapping.size(); ++slot) {
            const int old = mapping[slot];
            if (old >= 0 && static_cast<std::size_t>(old) < m_cells.size() && m_cells[old])
                cells[slot] = std::move(m_cells[static_cast<std::size_t>(old)]);
            else
                cells[slot] = KxIntf<TKxDisplayValueBuffer>(new TKxDisplayValueBuffer(
                    static_cast<IKxGetName*>(this), 0, dcfCacheDisplayText));
        }
        m_cells = std::move(cells);
        Reposition();
    }
    // Each cell knows the record its row shows: below a row being inserted, that is one
    // less than the row number.
    void Reposition() {
        const std::int64_t first = m_grid.m_cacheWindow.FirstRow();
        for (std::size_t slot = 0; slot < m_cells.size(); ++slot)
            m_cells[slot]->SetPosition(
                m_grid.m_rows.PositionOfRow(first + static_cast<std::int64_t>(slot)));
    }
    void Invalidate() {
        for (const auto& cell : m_cells)
            cell->ExecuteOperation(opInvalidate, nullptr);
    }

    KxIntf<IKxGetSetPosition> GetRecordsetPosition() override {
        return KxQuery<IKxGetSetPosition>(m_grid.Recordset());
    }
    // The cells carry absolute positions (see Reposition).
    std::int64_t GetFirstVisiblePosition() override { return 0; }
    QString GetName() const override { return m_fieldName; }
    KxHResult GetItemByName(const QString& name, KxIntf<IKxUnknown>& item) override {
        const auto fields = KxQuery<IKxGetItemByName>(m_grid.Recordset());
        if (!fields) {
            item.reset();
            return hr::E_Fail;
        }
        return fields->GetItemByName(name, item);
    }

private:
    TKxIDataGrid& m_grid;
    QString m_fieldName;
    int m_left = 0;
    int m_width;
    Qt::Alignment m_alignment;
    std::vector<KxIntf<TKxDisplayValueBuffer>> m_cells;
};

// The column titles above the data area, scrolled with it horizontally.
class TKxIDataGrid::TitleBar : public QWidget {
public:
    explicit TitleBar(TKxIDataGrid& grid) : QWidget(&grid), m_grid(grid) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().button());
        QFont font = painter.font();
        font.setBold(true);
        painter.setFont(font);
        const int offset = m_grid.horizontalScrollBar()->value();
        for (const auto& column : m_grid.m_columns) {
            const QRect cell(kIndicatorWidth + column->Left() - offset, 0, column->Width(),
                             height());
            painter.setPen(palette().color(QPalette::Mid));
            painter.drawLine(cell.topRight(), cell.bottomRight());
            painter.setPen(palette().color(QPalette::ButtonText));
            const TKxSortOrder order = m_grid.SortOrderOf(*column);
            const int markWidth = order == soNone ? 0 : 12;
            painter.drawText(cell.adjusted(3, 1, -3 - markWidth, -1),
                             Qt::AlignLeft | Qt::AlignVCenter, column->Title());
            if (order != soNone) {
                // The sort mark: a small triangle pointing up (ascending) or down.
                const int x = cell.right() - 10;
                const int y = cell.center().y();
                const QPoint up[3] = {{x, y + 3}, {x + 7, y + 3}, {x + 3, y - 3}};
                const QPoint down[3] = {{x, y - 3}, {x + 7, y - 3}, {x + 3, y + 3}};
                painter.setPen(Qt::NoPen);
                painter.setBrush(palette().color(QPalette::ButtonText));
                painter.drawPolygon(order == soAscending ? up : down, 3);
            }
        }
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawLine(rect().bottomLeft(), rect().bottomRight());
    }

private:
    TKxIDataGrid& m_grid;
};

// The column left of the rows: a separator per row and the mark of the current row.
class TKxIDataGrid::IndicatorColumn : public QWidget {
public:
    explicit IndicatorColumn(TKxIDataGrid& grid) : QWidget(&grid), m_grid(grid) {
        setCursor(Qt::SplitVCursor);
    }

protected:
    // Dragging changes the row height by one pixel per 5 pixels of movement.
    void mousePressEvent(QMouseEvent* event) override {
        m_pressY = event->position().toPoint().y();
        m_pressHeight = m_grid.m_rows.RowHeight();
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if ((event->buttons() & Qt::LeftButton) == 0)
            return;
        const int moved = event->position().toPoint().y() - m_pressY;
        Guarded([&] { m_grid.SetRowHeight(m_pressHeight + moved / 5); });
    }

    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().button());
        const TKxGridRows& rows = m_grid.m_rows;
        const int rowHeight = rows.RowHeight();
        const std::int64_t last = std::min(rows.RowCount(), rows.RowAtY(std::max(height() - 1, 0)));
        for (std::int64_t row = rows.FirstVisibleRow(); row <= last; ++row) {
            const int top = static_cast<int>(rows.YOfRow(row));
            const int bottom = top + rowHeight - 1;
            painter.setPen(palette().color(QPalette::Dark));
            painter.drawLine(0, bottom - 1, width(), bottom - 1);
            painter.setPen(palette().color(QPalette::Light));
            painter.drawLine(0, bottom, width(), bottom);
            if (row == rows.CurrentRow() && rows.RowCount() > 0) {
                // The current-row mark: a small triangle pointing at the row.
                const int middle = top + rowHeight / 2;
                const QPoint mark[3] = {{4, middle - 4}, {4, middle + 4}, {9, middle}};
                painter.setPen(Qt::NoPen);
                painter.setBrush(palette().color(QPalette::ButtonText));
                painter.drawPolygon(mark, 3);
            }
        }
    }

private:
    TKxIDataGrid& m_grid;
    int m_pressY = 0;
    int m_pressHeight = 0;
};

TKxIDataGrid::TKxIDataGrid(QWidget* parent)
    : QAbstractScrollArea(parent), m_source(new TKxRecordsetIntfSource(this)),
      m_signals(new TKxIntfSourceSignals(m_source.get(), this)), m_titleBar(new TitleBar(*this)),
      m_indicator(new IndicatorColumn(*this)), m_countPanel(new QLabel(this)),
      m_editor(new QLineEdit(viewport())) {
    m_editor->hide();
    m_editor->setFrame(false);
    m_editor->installEventFilter(this);
    // Leaving the editor any other way (a click elsewhere) writes it too: typed text is
    // never dropped silently.
    connect(m_editor, &QLineEdit::editingFinished, this,
            [this] { Guarded([&] { CommitEditor(); }); });
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_countPanel->setMinimumWidth(60);
    m_countPanel->setIndent(3);
    addScrollBarWidget(m_countPanel, Qt::AlignLeft);
    const int titleHeight = fontMetrics().height() + 6;
    setViewportMargins(kIndicatorWidth, titleHeight, 0, 0);
    viewport()->setAutoFillBackground(false);
    connect(m_signals, &TKxIntfSourceSignals::afterActiveChange, this,
            [this](bool active) { Guarded([&] { OnAfterActiveChange(active); }); });
    connect(m_signals, &TKxIntfSourceSignals::afterPositionChange, this,
            [this] { Guarded([&] { OnAfterPositionChange(); }); });
    connect(m_signals, &TKxIntfSourceSignals::afterOperation, this,
            [this](int operation) { Guarded([&] { OnAfterOperation(operation); }); });
    connect(m_signals, &TKxIntfSourceSignals::afterFieldValueChange, this,
            [this](const QString& name) { Guarded([&] { OnAfterFieldValueChange(name); }); });
    connect(m_signals, &TKxIntfSourceSignals::sourceChanged, this, [this] {
        Guarded([&] {
            ClearColumns();
            if (KxGetIntfActive(Recordset(), false))
                OnAfterActiveChange(true);
        });
    });
    resize(100, 100);
    Recount();
}

TKxIDataGrid::~TKxIDataGrid() {
    // The cells hold their columns by plain pointer; the columns go first, with their cells.
    m_columns.clear();
    // The adapter goes before the source whose events it took over; the source lets go of
    // the recordset before it goes.
    delete m_signals;
    m_signals = nullptr;
    try {
        m_source->SetInterfaceSource(nullptr);
    } catch (...) {
        KxHandleCurrentException();
    }
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

void TKxIDataGrid::SetEvenRowColor(const QColor& color) {
    m_evenRowColor = color;
    viewport()->update();
}

void TKxIDataGrid::SetRowHeight(int height) {
    m_rows.SetRowHeight(height);
    FitCaches();
    SyncVerticalScrollBar();
    viewport()->update();
    m_indicator->update();
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
    const QString owner = parent() != nullptr ? parent()->objectName() : QString();
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
        bool boolean;
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
        if (OnCreateColumn) {
            TColumnCreateData data{name, width, position, true};
            OnCreateColumn(this, data);
            if (!data.createColumn)
                continue;
            width = std::max(data.width, 5);
            position = data.displayPosition;
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
        const auto properties = KxQuery<IKxFieldProperties>(field);
        planned.push_back(
            {name, width, position, properties && properties->GetDataType() == fdtBool});
    }
    std::stable_sort(planned.begin(), planned.end(),
                     [](const Planned& a, const Planned& b) { return a.position < b.position; });
    int left = 0;
    for (const Planned& item : planned) {
        auto column = KxIntf<TKxGridColumn>(new TKxGridColumn(
            *this, item.name, item.width, item.boolean ? Qt::AlignHCenter : Qt::AlignLeft));
        column->SetLeft(left);
        left += item.width;
        m_columns.push_back(std::move(column));
    }
    m_rows.SetForwardOnly(KxAskInteger(recordset, vid::CursorType, 2) == 0);
    m_cacheWindow.Reset(0, m_rows.FirstVisibleRow());
    FitCaches();
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
    m_columns.clear();
    m_rows.SetScrollOffset(0);
    m_titleBar->update();
    Recount();
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
    const QRect area = viewport()->geometry();
    m_titleBar->setGeometry(area.left() - kIndicatorWidth, area.top() - viewportMargins().top(),
                            area.width() + kIndicatorWidth, viewportMargins().top());
    m_indicator->setGeometry(area.left() - kIndicatorWidth, area.top(), kIndicatorWidth,
                             area.height());
    FitCaches();
    SyncVerticalScrollBar();
    SyncHorizontalScrollBar();
}

// ---- notifications

void TKxIDataGrid::OnAfterActiveChange(bool active) {
    if (active)
        BuildColumns();
    else
        ClearColumns();
    m_rowFetches = 0;
    InvalidateCaches();
    Recount();
}

void TKxIDataGrid::OnAfterPositionChange() {
    m_editor->hide();
    const std::int64_t previous = m_rows.CurrentRow();
    m_rows.SetCurrentPosition(CurrentPosition());
    if (m_rows.ForwardOnly())
        InvalidateCaches();
    InvalidateRow(previous);
    ScrollToCurrentRow();
    viewport()->update();
    m_indicator->update();
}

void TKxIDataGrid::OnAfterOperation(int operation) {
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
    case roInsert:
        // The new record gets a row of its own at the current row; the rows below move down.
        if (!m_rows.ForwardOnly()) {
            const std::int64_t row = m_rows.CurrentRow();
            ShiftCaches(m_cacheWindow.RowInserted(row));
            m_rows.SetPendingInsertRow(row);
            RepositionCaches();
        }
        Recount();
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
        break;
    case roRefreshCurrent:
        InvalidateRow(m_rows.CurrentRow());
        viewport()->update();
        break;
    default:
        break;
    }
}

void TKxIDataGrid::OnAfterFieldValueChange(const QString&) {
    // The current row is painted from the live record.
    viewport()->update();
}

// ---- painting

QColor TKxIDataGrid::RowBackground(std::int64_t row) const {
    const std::int64_t position = m_rows.PositionOfRow(row);
    const QColor base = palette().color(QPalette::Base);
    if (position % 2 != 0)
        return base;
    // The configured colour is for light themes; on a dark base it would glare and hide the
    // light text, so the palette's own alternate colour takes its place.
    return base.lightness() >= 128 ? m_evenRowColor : palette().color(QPalette::AlternateBase);
}

bool TKxIDataGrid::NeedsFetch(std::int64_t firstRow, std::int64_t lastRow) const {
    const std::int64_t current = m_rows.CurrentRow();
    for (std::int64_t row = firstRow; row <= lastRow; ++row) {
        if (row == current || !m_cacheWindow.HasSlot(row))
            continue;
        const int slot = m_cacheWindow.SlotOfRow(row);
        for (const auto& column : m_columns) {
            if (column->Cell(slot).AskBoolean(qid::NeedsData) == baTrue)
                return true;
        }
    }
    return false;
}

QString TKxIDataGrid::CellText(std::int64_t row, int column) {
    TKxGridColumn& target = *m_columns.at(static_cast<std::size_t>(column));
    if (row == m_rows.CurrentRow()) {
        const auto fields = KxQuery<IKxGetItemByName>(Recordset());
        if (!fields)
            return {};
        return KxCheckGetItemByName<IKxGetDisplayText>(fields.get(), target.FieldName(),
                                                       QStringLiteral("CellText"))
            ->GetDisplayText();
    }
    if (!m_cacheWindow.HasSlot(row))
        return {};
    TKxDisplayValueBuffer& cell = target.Cell(m_cacheWindow.SlotOfRow(row));
    if (cell.AskBoolean(qid::NeedsData) == baTrue)
        return {};
    return cell.GetDisplayText();
}

void TKxIDataGrid::PaintRow(QPainter& painter, std::int64_t row, bool live) {
    const int rowHeight = m_rows.RowHeight();
    const int top = static_cast<int>(m_rows.YOfRow(row));
    const int offset = horizontalScrollBar()->value();
    const bool current = row == m_rows.CurrentRow();
    const bool focused = hasFocus();
    const int slot = !live && m_cacheWindow.HasSlot(row) ? m_cacheWindow.SlotOfRow(row) : -1;
    bool fetched = false;
    for (std::size_t index = 0; index < m_columns.size(); ++index) {
        TKxGridColumn& column = *m_columns[index];
        const QRect cell(column.Left() - offset, top, column.Width(), rowHeight);
        QString text;
        if (live) {
            text = CellText(row, static_cast<int>(index));
        } else if (slot >= 0) {
            TKxDisplayValueBuffer& cached = column.Cell(slot);
            if (cached.AskBoolean(qid::NeedsData) == baTrue && !m_fetchFailed) {
                cached.ExecuteOperation(opFetchData, nullptr);
                fetched = true;
            }
            if (cached.AskBoolean(qid::NeedsData) != baTrue)
                text = cached.GetDisplayText();
        }
        const bool currentCell = current && static_cast<int>(index) == m_focusedColumn;
        QColor background = RowBackground(row);
        if (OnSelectDataCellBkgndColor && !currentCell)
            OnSelectDataCellBkgndColor(this, column.FieldName(), m_rows.PositionOfRow(row),
                                       background);
        QColor foreground = palette().color(QPalette::Text);
        if (currentCell) {
            background = focused ? palette().color(QPalette::Highlight)
                                 : palette().color(QPalette::Disabled, QPalette::Highlight);
            foreground = palette().color(QPalette::HighlightedText);
        } else if (background.lightness() >= 128 &&
                   palette().color(QPalette::Base).lightness() < 128) {
            // A light background (the fixed even-row colour, a handler's colour) on a dark
            // theme: its text is dark, so it stays readable.
            foreground = Qt::black;
        }
        painter.fillRect(cell, background);
        painter.setPen(kLineColor);
        painter.drawLine(cell.left(), cell.bottom(), cell.right(), cell.bottom());
        painter.drawLine(cell.right(), cell.top(), cell.right(), cell.bottom());
        painter.setPen(foreground);
        const QString shown =
            text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))
                ? QString(text).replace(QLatin1String("\r\n"), QStringLiteral(" "))
                : text;
        painter.drawText(
            cell.adjusted(2, 1, -3, -2), int(column.Alignment() | Qt::AlignVCenter),
            painter.fontMetrics().elidedText(shown, Qt::ElideRight, std::max(cell.width() - 5, 0)));
    }
    if (fetched)
        ++m_rowFetches;
}

void TKxIDataGrid::PaintDataArea(QPainter& painter, const QRect& clip) {
    const QColor base = palette().color(QPalette::Base);
    const std::int64_t rowCount = m_rows.RowCount();
    if (m_columns.empty() || rowCount == 0) {
        painter.fillRect(clip, base);
        return;
    }
    const std::int64_t firstRow = m_rows.RowAtY(clip.top());
    const std::int64_t lastRow = std::min(rowCount, m_rows.RowAtY(clip.bottom()));
    const std::int64_t current = m_rows.CurrentRow();
    IKxUnknown* recordset = Recordset();
    const bool fetch = !m_fetchFailed && NeedsFetch(firstRow, lastRow);

    if (current >= firstRow && current <= lastRow)
        PaintRow(painter, current, true);
    if (fetch) {
        // One bracket per paint: notifications off, the position saved and put back.
        const KxIntf<TKxNotificationDisabler> quiet(new TKxNotificationDisabler(recordset, 0, 0));
        const auto store = KxQuery<IKxRecordsetStateStore>(recordset);
        const KxIntf<IKxUnknown> holder = store ? store->CreateStateHolder() : nullptr;
        // A row being typed is kept in the holder, not applied by the moves that follow.
        if (const auto operations = KxQuery<IKxExecuteOperation>(recordset))
            operations->ExecuteOperation(roCancelChanges, nullptr);
        try {
            for (std::int64_t row = firstRow; row <= lastRow; ++row) {
                if (row != current)
                    PaintRow(painter, row, false);
            }
        } catch (...) {
            if (store && holder)
                store->RestoreState(holder.get());
            throw;
        }
        if (store && holder)
            store->RestoreState(holder.get());
    } else {
        for (std::int64_t row = firstRow; row <= lastRow; ++row) {
            if (row != current)
                PaintRow(painter, row, false);
        }
    }
    // Below the last row and right of the last column: background.
    const int bottom =
        static_cast<int>(std::min<std::int64_t>(m_rows.YOfRow(lastRow + 1), INT_MAX));
    if (bottom <= clip.bottom())
        painter.fillRect(QRect(clip.left(), bottom, clip.width(), clip.bottom() - bottom + 1),
                         base);
    const int right = ContentWidth() - horizontalScrollBar()->value();
    if (right <= clip.right())
        painter.fillRect(QRect(right, clip.top(), clip.right() - right + 1, clip.height()), base);
}

void TKxIDataGrid::OnViewportMousePress(const QPoint& point) {
    CommitEditor();
    setFocus(Qt::MouseFocusReason);
    const int x = point.x() + horizontalScrollBar()->value();
    for (std::size_t index = 0; index < m_columns.size(); ++index) {
        if (x >= m_columns[index]->Left() &&
            x < m_columns[index]->Left() + m_columns[index]->Width())
            SetFocusedColumn(static_cast<int>(index));
    }
    const std::int64_t row = m_rows.RowAtY(point.y());
    if (m_rows.ForwardOnly() || row > m_rows.RowCount() || row == m_rows.CurrentRow())
        return;
    const auto position = KxQuery<IKxGetSetPosition>(Recordset());
    if (position)
        position->SetPosition(m_rows.PositionOfRow(row));
}

void TKxIDataGrid::wheelEvent(QWheelEvent* event) {
    // The wheel moves by its delta in pixels (120 a notch); a forward turn scrolls up.
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    m_rows.SetScrollOffset(m_rows.ScrollOffset() - delta);
    SyncVerticalScrollBar();
    MoveCacheWindow();
    viewport()->update();
    m_indicator->update();
    event->accept();
}

void TKxIDataGrid::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update(); // the current cell shows the focus
}

void TKxIDataGrid::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

bool TKxIDataGrid::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton)
            Guarded([&] { OnViewportMousePress(mouse->position().toPoint()); });
        return true;
    }
    if (event->type() != QEvent::Paint)
        return QAbstractScrollArea::viewportEvent(event);
    QPainter painter(viewport());
    const QRect clip = static_cast<QPaintEvent*>(event)->rect();
    try {
        PaintDataArea(painter, clip);
    } catch (...) {
        // A fetch that fails while painting (the server went away) is reported once; the
        // grid then paints what it has and stays usable.
        painter.fillRect(clip, palette().color(QPalette::Base));
        if (!m_fetchFailed) {
            m_fetchFailed = true;
            KxHandleCurrentException();
        }
    }
    return true;
}

// ---- the cell editor

void TKxIDataGrid::SetFocusedColumn(int column) {
    if (m_columns.empty())
        return;
    column = std::clamp(column, 0, static_cast<int>(m_columns.size()) - 1);
    if (column == m_focusedColumn)
        return;
    CommitEditor();
    m_focusedColumn = column;
    // Scroll the column into view like a row.
    const TKxGridColumn& target = *m_columns[static_cast<std::size_t>(column)];
    QScrollBar* bar = horizontalScrollBar();
    if (target.Left() < bar->value())
        bar->setValue(target.Left());
    else if (target.Left() + target.Width() > bar->value() + viewport()->width())
        bar->setValue(target.Left() + target.Width() - viewport()->width());
    viewport()->update();
}

QRect TKxIDataGrid::CurrentCellRect() const {
    if (m_columns.empty())
        return {};
    const TKxGridColumn& column = *m_columns[static_cast<std::size_t>(m_focusedColumn)];
    const std::int64_t top = m_rows.YOfRow(m_rows.CurrentRow());
    return QRect(column.Left() - horizontalScrollBar()->value(),
                 static_cast<int>(std::clamp<std::int64_t>(top, -m_rows.RowHeight(), INT_MAX / 2)),
                 column.Width() - 1, m_rows.RowHeight() - 1);
}

void TKxIDataGrid::PlaceEditor() {
    if (m_editor->isVisible())
        m_editor->setGeometry(CurrentCellRect());
}

bool TKxIDataGrid::EditorVisible() const {
    return !m_editor->isHidden();
}

void TKxIDataGrid::OpenEditor() {
    if (m_columns.empty() || m_rows.RowCount() == 0 || EditorVisible())
        return;
    const auto fields = KxQuery<IKxGetItemByName>(Recordset());
    if (!fields || !m_source->IsFieldUpdatable(
                       m_columns[static_cast<std::size_t>(m_focusedColumn)]->FieldName()))
        return;
    m_editor->setText(CellText(m_rows.CurrentRow(), m_focusedColumn));
    m_editor->setGeometry(CurrentCellRect());
    m_editor->show();
    m_editor->setFocus();
    m_editor->selectAll();
}

void TKxIDataGrid::CommitEditor() {
    if (!EditorVisible())
        return;
    const QString fieldName = m_columns[static_cast<std::size_t>(m_focusedColumn)]->FieldName();
    const QString text = m_editor->text();
    m_editor->hide();
    setFocus();
    if (text == CellText(m_rows.CurrentRow(), m_focusedColumn))
        return; // nothing changed: the record is not put into edit state
    const auto fields = KxQuery<IKxGetItemByName>(Recordset());
    KxCheckGetItemByName<IKxSetAsString>(fields.get(), fieldName, QStringLiteral("CommitEditor"))
        ->SetAsString(text);
    viewport()->update();
}

void TKxIDataGrid::CancelEditor() {
    m_editor->hide();
    setFocus();
    if (const auto operations = KxQuery<IKxExecuteOperation>(Recordset()))
        operations->ExecuteOperation(roCancelChanges, nullptr);
    viewport()->update();
}

bool TKxIDataGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_editor && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        bool handled = false;
        Guarded([&] {
            switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                CommitEditor();
                handled = true;
                break;
            case Qt::Key_Escape:
                CancelEditor();
                handled = true;
                break;
            case Qt::Key_Up:
            case Qt::Key_Down:
            case Qt::Key_Tab:
                // Leaving the cell writes it; the grid then moves.
                CommitEditor();
                keyPressEvent(const_cast<QKeyEvent*>(key));
                handled = true;
                break;
            default:
                break;
            }
        });
        return handled;
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

// ---- keys

void TKxIDataGrid::keyPressEvent(QKeyEvent* event) {
    Guarded([&] {
        IKxUnknown* recordset = Recordset();
        const auto position = KxQuery<IKxGetSetPosition>(recordset);
        const auto cursor = KxQuery<IKxScrollableCursor>(recordset);
        if (!position || !KxGetIntfActive(recordset, false))
            return;
        const std::int64_t page =
            std::max<std::int64_t>(1, viewport()->height() / m_rows.RowHeight() - 1);
        const bool control = (event->modifiers() & Qt::ControlModifier) != 0;
        switch (event->key()) {
        case Qt::Key_Left:
            SetFocusedColumn(m_focusedColumn - 1);
            break;
        case Qt::Key_Right:
        case Qt::Key_Tab:
            SetFocusedColumn(m_focusedColumn + 1);
            break;
        case Qt::Key_F2:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            OpenEditor();
            break;
        case Qt::Key_Escape:
            if (const auto operations = KxQuery<IKxExecuteOperation>(recordset))
                operations->ExecuteOperation(roCancelChanges, nullptr);
            break;
        case Qt::Key_Down:
            if (cursor)
                cursor->MoveToNext();
            break;
        case Qt::Key_Up:
            if (cursor && !m_rows.ForwardOnly())
                cursor->MoveToPrevious();
            break;
        case Qt::Key_PageDown:
            if (m_rows.ForwardOnly()) {
                // A forward-only cursor only goes on, one record at a time.
                for (std::int64_t step = 0; step < page && cursor && !cursor->IsEOF(); ++step)
                    cursor->MoveToNext();
            } else {
                position->SetPosition(position->GetPosition() + page);
            }
            break;
        case Qt::Key_PageUp:
            if (!m_rows.ForwardOnly())
                position->SetPosition(std::max<std::int64_t>(1, position->GetPosition() - page));
            break;
        case Qt::Key_Home:
            if (control && cursor && !m_rows.ForwardOnly())
                cursor->MoveToFirst();
            break;
        case Qt::Key_End:
            if (control && cursor && !m_rows.ForwardOnly())
                cursor->MoveToLast();
            break;
        default:
            QAbstractScrollArea::keyPressEvent(event);
            return;
        }
        event->accept();
    });
}

} // namespace kx
