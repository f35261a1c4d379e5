#pragma once

#include "foundation/kx_intf.h"

#include <QWidget>

class QSplitter;

namespace kx {

class TKxIDataGrid;
class TKxINavigator;
class TKxIPositionEdit;
class TKxISearchEdit;

// The strip under a result grid: the navigator, the record number to go to and the search in
// the sorted column, divided by splitters whose ratios can be stored.
class TNavigationFrame : public QWidget {
public:
    explicit TNavigationFrame(QWidget* parent = nullptr);
    ~TNavigationFrame() override;

    // Makes `recordset` the source of the three controls and the grid's selection the
    // navigator's multi-select source (the grid may be null).
    void Bind(IKxUnknown* recordset, TKxIDataGrid* grid);
    // Lets go of the recordset before it or the grid goes away.
    void Unbind();

    TKxINavigator& Navigator() const { return *m_navigator; }
    TKxIPositionEdit& PositionEdit() const { return *m_positionEdit; }
    TKxISearchEdit& SearchEdit() const { return *m_searchEdit; }

    // The splitters' size ratios as doubles named "SplitterPosEditSizeRatio" and
    // "SplitterSearchEditSizeRatio" in the store's current key; a missing value (−1) leaves
    // its splitter as it is.
    void StoreData(IKxUnknown* storage) const;
    void LoadData(IKxUnknown* storage);

private:
    QSplitter* m_splitter = nullptr;
    TKxINavigator* m_navigator = nullptr;
    TKxIPositionEdit* m_positionEdit = nullptr;
    TKxISearchEdit* m_searchEdit = nullptr;
};

} // namespace kx
