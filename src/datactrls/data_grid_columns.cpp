#include "datactrls/data_grid.h"
#include "datactrls/grid_parts.h"
#include "dbcore/statement_interfaces.h"
#include "foundation/questions.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QScrollBar>
#include <algorithm>

// The columns' geometry and what the titles do: widths, places, fitting, sorting.

namespace kx {

int TKxIDataGrid::ColumnAt(int x) const {
    const int content = x + horizontalScrollBar()->value();
    for (std::size_t index = 0; index < m_columns.size(); ++index) {
        const TKxGridColumn& column = *m_columns[index];
        if (content >= column.Left() && content < column.Left() + column.Width())
            return static_cast<int>(index);
    }
    return -1;
}

void TKxIDataGrid::RelayColumns() {
    int left = 0;
    for (const auto& column : m_columns) {
        column->SetLeft(left);
        left += column->Width();
    }
    SyncHorizontalScrollBar();
    LayOutParts();
    PlaceEditor();
    m_titleBar->update();
    viewport()->update();
}

void TKxIDataGrid::SetColumnWidth(int column, int width) {
    TKxGridColumn& target = *m_columns.at(static_cast<std::size_t>(column));
    width = std::max(width, m_titleBarProperties.SeparatorWidth());
    if (width == target.Width())
        return;
    target.SetWidth(width);
    RelayColumns();
}

void TKxIDataGrid::FitColumnWidth(int column) {
    const QFontMetrics metrics(viewport()->font());
    int widest = 0;
    const std::int64_t first = m_rows.FirstVisibleRow();
    const std::int64_t last =
        std::min(m_rows.RowCount(), m_rows.RowAtY(std::max(viewport()->height() - 1, 0)));
    for (std::int64_t row = first; row <= last; ++row)
        widest = std::max(widest, metrics.horizontalAdvance(CellText(row, column)));
    // The cell's text inset (2 + 3 pixels) is part of the 6; the line is the other pixel.
    SetColumnWidth(column, widest + 1 + 6);
}

void TKxIDataGrid::ExchangeColumns(int first, int second) {
    if (first == second)
        return;
    std::swap(m_columns.at(static_cast<std::size_t>(first)),
              m_columns.at(static_cast<std::size_t>(second)));
    if (m_focusedColumn == first)
        m_focusedColumn = second;
    else if (m_focusedColumn == second)
        m_focusedColumn = first;
    RelayColumns();
}

void TKxIDataGrid::SortByTitle(int column, bool shift) {
    const TKxGridColumn& target = *m_columns.at(static_cast<std::size_t>(column));
    if (!m_titleBarProperties.TitleClickSort() || !target.Sortable())
        return;
    const auto sorting = KxQuery<IKxSetFieldSortOrder>(Recordset());
    if (!sorting)
        return;
    CommitEditor();
    // none → ascending → descending → none; Shift runs the other way round.
    const TKxSortOrder current = SortOrderOf(target);
    TKxSortOrder next = soNone;
    switch (current) {
    case soNone:
        next = shift ? soDescending : soAscending;
        break;
    case soAscending:
        next = shift ? soNone : soDescending;
        break;
    default:
        next = shift ? soAscending : soNone;
        break;
    }
    sorting->SetFieldSortOrder(target.FieldName().section(QLatin1Char('.'), -1), next, true, true);
}

} // namespace kx
