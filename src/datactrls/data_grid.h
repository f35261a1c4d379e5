#pragma once

#include "datactrls/grid_cache_window.h"
#include "datactrls/grid_properties.h"
#include "datactrls/grid_rows.h"
#include "datactrls/state_change_properties.h"
#include "dbcore/interface_sources.h"
#include "dbcore/sort_order.h"
#include "foundation/integer_map.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QLineEdit;

namespace kx {

class TKxIntfSourceSignals;
class TKxGridColumn;
class TKxGridSelection;

// The data grid: the records of a recordset as rows, its fields as columns. It never holds the
// result: each column caches display texts for the rows on screen only, and rows that are not
// cached are fetched while painting, by moving the recordset to them with its notifications
// off and putting it back. The current row is painted from the live record. Bound to the
// recordset through an interface source and its Qt adapter.
class TKxIDataGrid : public QAbstractScrollArea {
public:
    explicit TKxIDataGrid(QWidget* parent = nullptr);
    ~TKxIDataGrid() override;

    TKxRecordsetIntfSource& InterfaceSource() { return *m_source; }
    // Binds the grid to `recordset` (null unbinds).
    void SetRecordset(IKxUnknown* recordset);

    const TKxGridRows& Rows() const { return m_rows; }
    int ColumnCount() const;
    QString ColumnFieldName(int column) const;
    // The text the cell shows (the current row's from the live record); empty outside.
    QString CellText(std::int64_t row, int column);
    void SetRowHeight(int height) { m_dataArea.SetRowHeight(height); }

    TGridDataAreaProperties& DataAreaProperties() { return m_dataArea; }
    TTitleBarProperties& TitleBarProperties() { return m_titleBarProperties; }
    TIndicatorcolumnProperties& IndicatorcolumnProperties() { return m_indicatorProperties; }
    TBottomPanelProperties& BottomPanelProperties() { return m_bottomPanel; }
    TGridVerticalScrollbarProperties& VerticalScrollbarProperties() { return m_verticalBar; }
    TKxIStateChangeProperties& SourceObjStateChangeReflection() { return m_stateReflection; }
    // Lays the grid out and repaints it after a property changed.
    void ApplyProperties();
    // The colour the data area paints odd rows with: the data area's colour, or the state
    // colour of the bound recordset.
    TColor DataAreaColor() const { return m_dataAreaColor; }

    // The selected record positions (read-only for others). The object stays valid after the
    // grid is gone and then selects nothing.
    TKxIntegerMap& SelectedPositions();
    // An object with the "SelectedPositions" property, for routines that act on the
    // selected records (copying, deleting).
    IKxUnknown* SelectionSource();
    // The selected records, or all when none are selected, as text: a line of field names,
    // then one line per record, values separated by tabs, lines by CR LF.
    QString ContentsAsText();
    // Puts ContentsAsText on the clipboard.
    void CopyToClipboard();
    // Rows fetched while painting since the grid was bound (a bound for benchmarks and tests).
    std::int64_t RowFetches() const { return m_rowFetches; }
    // The text of the record count panel.
    QString CountText() const;
    // The column of the current cell (-1 without columns).
    int FocusedColumn() const { return m_columns.empty() ? -1 : m_focusedColumn; }
    void SetFocusedColumn(int column);
    // The in-place editor over the current cell: opening shows the cell's text; committing
    // writes it to the field (which starts editing the record); cancelling drops the text
    // and the record's changes.
    bool EditorVisible() const;
    void OpenEditor();
    void CommitEditor();
    void CancelEditor();
    QLineEdit* Editor() const { return m_editor; }

    // The column of a field (-1 for none) and its width in pixels.
    int ColumnOfField(const QString& fieldName) const;
    int ColumnWidth(int column) const;
    // How a Boolean cell's text reads as a check box: "True", "yes" or a non-zero number.
    static bool TextIsTrue(const QString& text);
    // The column under x of the viewport (-1 for none).
    int ColumnAt(int x) const;
    // Never narrower than the title bar's separator.
    void SetColumnWidth(int column, int width);
    // Sizes the column to its widest text on screen, plus the grid line and 6 pixels.
    void FitColumnWidth(int column);
    // Exchanges the places of two columns; the focused column follows its column.
    void ExchangeColumns(int first, int second);
    // A click on the column's title: none → ascending → descending → none (Shift goes the
    // other way), written into the ORDER BY and the query run again. Memo, wide memo and
    // binary columns, and columns created with noSort, never sort.
    void SortByTitle(int column, bool shift);
    // A column about to be created: the handler may change its width or drop it.
    struct TColumnCreateData {
        QString fieldName;
        int width = 50;
        int displayPosition = 0;
        bool createColumn = true;
        // Title clicks never sort this column.
        bool noSort = false;
    };
    std::function<void(TKxIDataGrid* sender, TColumnCreateData& data)> OnCreateColumn;
    // May change the background of a cell that is neither selected nor current.
    std::function<void(TKxIDataGrid* sender, const QString& fieldName, std::int64_t position,
                       QColor& color)>
        OnSelectDataCellBkgndColor;

    // After the focused column changed (also when columns are built or removed: -1 without
    // columns).
    std::function<void(TKxIDataGrid* sender, int column)> OnAfterFocusedColumnChange;

    // The stored layout of the columns ("DisplayWidth" and "DisplayPosition" per field name,
    // under "\<owner name>\<grid name>"): columns created later take it from `storage`;
    // storing writes the columns as they are now.
    void LoadLayout(IKxUnknown* storage);
    // The owner name of the stored layout; by default the parent's object name.
    void SetOwnerName(const QString& name) { m_ownerName = name; }
    void StoreLayout(IKxUnknown* storage);

protected:
    bool viewportEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Tab moves between the columns while there are any.
    bool focusNextPrevChild(bool next) override;
    void focusInEvent(QFocusEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    class TitleBar;
    class IndicatorColumn;
    friend class TKxGridColumn;
    friend class TKxGridSelection;

    void BuildColumns();
    QString LayoutPath() const;
    void OnViewportMousePress(const QPoint& point, Qt::KeyboardModifiers modifiers);
    QRect CurrentCellRect() const;
    // Writes the editor's text into the current cell's field, starting the edit.
    void WriteEditorText(const QString& text);
    // Before the record is applied: the editor's text must be in the field; a text the field
    // refuses stops the apply.
    void CommitEditorForApply();
    QFont TitleFont() const;
    void PlaceEditor();
    void ClearColumns();
    void Recount();
    void FitCaches();
    void InvalidateCaches();
    void ShiftCaches(const std::vector<int>& mapping);
    void RepositionCaches();
    void InvalidateRow(std::int64_t row);
    void MoveCacheWindow();
    void ScrollToCurrentRow();
    void SyncVerticalScrollBar();
    void SyncHorizontalScrollBar();
    void OnAfterActiveChange(bool active);
    void OnAfterPositionChange();
    void OnAfterOperation(int operation);
    void OnAfterFieldValueChange(const QString& fieldName);
    void ReflectState();
    void RepaintPositions(int first, int last);
    void ClearSelection();
    // Selects the rows from `fromRow` to the current row (Shift with a click or a key).
    void SelectRowsTo(std::int64_t fromRow);
    bool RowSelected(std::int64_t row) const;
    static QRect CheckBoxRect(const QRect& cell, Qt::Alignment alignment);
    void PaintCheckBox(QPainter& painter, const QRect& cell, Qt::Alignment alignment,
                       const QString& text);
    // A click in the check box of the current row's Boolean cell flips the value.
    bool ToggleCheckBoxAt(const QPoint& point);
    void LayOutParts();
    // Lays the columns out left to right after a width or place changed.
    void RelayColumns();
    void PlaceParts();
    int IndicatorWidth() const;

    void PaintDataArea(QPainter& painter, const QRect& clip);
    void PaintRow(QPainter& painter, std::int64_t row, bool live);
    bool NeedsFetch(std::int64_t firstRow, std::int64_t lastRow) const;
    QColor RowBackground(std::int64_t row) const;
    IKxUnknown* Recordset() const;
    TKxSortOrder SortOrderOf(const TKxGridColumn& column) const;
    std::int64_t CurrentPosition() const;
    int ContentWidth() const;

    TGridDataAreaProperties m_dataArea;
    TTitleBarProperties m_titleBarProperties;
    TIndicatorcolumnProperties m_indicatorProperties;
    TBottomPanelProperties m_bottomPanel;
    TGridVerticalScrollbarProperties m_verticalBar;
    TKxIStateChangeProperties m_stateReflection;
    TColor m_dataAreaColor = clWindow;
    KxIntf<TKxGridSelection> m_selection;
    // Owned by the grid (the component's owner only names it); deleted after the adapter.
    std::unique_ptr<TKxRecordsetIntfSource> m_source;
    TKxIntfSourceSignals* m_signals;
    TitleBar* m_titleBar;
    IndicatorColumn* m_indicator;
    QLabel* m_countPanel;
    std::vector<KxIntf<TKxGridColumn>> m_columns;
    TKxGridRows m_rows;
    TKxGridCacheWindow m_cacheWindow;
    std::int64_t m_rowFetches = 0;
    int m_focusedColumn = 0;
    QLineEdit* m_editor;
    // A fetch that failed while painting is reported once; the grid then paints what it has.
    bool m_fetchFailed = false;
    bool m_updatingScrollBar = false;
    // The store the stored layout comes from, while it exists.
    IKxUnknown* m_layoutStorage = nullptr;
    QString m_ownerName;
    QPointer<QObject> m_layoutStorageObject;
};

} // namespace kx
