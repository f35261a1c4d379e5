#pragma once

// The parts of the data grid that only its own sources see.

#include "datactrls/data_grid.h"
#include "dbcore/display_value_buffer.h"
#include "dbcore/field_data_type.h"
#include "foundation/interface_connection.h"

#include <QPointer>
#include <vector>

namespace kx {

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
    TKxFieldDataType Kind() const { return m_kind; }
    void SetKind(TKxFieldDataType kind) { m_kind = kind; }
    bool IsCheckBox() const { return m_kind == fdtBool; }
    // Edited in place as one line: not long texts (the memo edits those, line breaks and
    // all), not binary values, not Booleans (a check box).
    bool LineEditable() const {
        return m_kind != fdtMemo && m_kind != fdtWideMemo && m_kind != fdtBinary &&
               m_kind != fdtBool;
    }
    bool Sortable() const { return m_sortable; }
    void SetSortable(bool sortable) { m_sortable = sortable; }
    void SetWidth(int width) { m_width = width; }
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
    bool m_sortable = true;
    TKxFieldDataType m_kind = fdtString;
    Qt::Alignment m_alignment;
    std::vector<KxIntf<TKxDisplayValueBuffer>> m_cells;
};

// The selected record positions. It outlives the grid when someone still holds it (a
// routine deleting the selected records) and then only stops asking for repaints. It also
// answers the "SelectedPositions" property itself, so it is what the grid hands to the
// routines that act on a selection.
class TKxGridSelection : public TKxIntegerMap, public virtual IKxGetPropertyIntf {
public:
    explicit TKxGridSelection(TKxIDataGrid& grid) : m_grid(&grid) {}

    KxHResult GetPropertyIntf(const QString& name, const KxInterfaceId& iid,
                              KxIntf<IKxUnknown>& object) override;

protected:
    void MembersChanged(int first, int last) override {
        if (m_grid)
            m_grid->RepaintPositions(first, last);
    }

private:
    QPointer<TKxIDataGrid> m_grid;
};

} // namespace kx
