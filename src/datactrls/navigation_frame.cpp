#include "datactrls/navigation_frame.h"

#include "datactrls/data_grid.h"
#include "datactrls/navigator.h"
#include "datactrls/position_edit.h"
#include "datactrls/search_edit.h"
#include "foundation/storage_interfaces.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QSplitter>

namespace kx {
namespace {

const QString kPosEditRatio = QStringLiteral("SplitterPosEditSizeRatio");
const QString kSearchEditRatio = QStringLiteral("SplitterSearchEditSizeRatio");

} // namespace

TNavigationFrame::TNavigationFrame(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("NavigationFrame"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setHandleWidth(4);
    m_splitter->setChildrenCollapsible(false);
    m_navigator = new TKxINavigator(m_splitter);
    m_navigator->setMinimumWidth(25 * kxNavigatorButtonCount + 3 * 13);
    m_positionEdit = new TKxIPositionEdit(m_splitter);
    m_positionEdit->setMinimumWidth(70);
    m_searchEdit = new TKxISearchEdit(m_splitter);
    m_searchEdit->setMinimumWidth(68);
    m_searchEdit->setPlaceholderText(QCoreApplication::translate("KxNavigationFrame", "Search"));
    m_splitter->setStretchFactor(2, 1);
    layout->addWidget(m_splitter);
    setFixedHeight(28);
}

TNavigationFrame::~TNavigationFrame() {
    Unbind();
}

void TNavigationFrame::Bind(IKxUnknown* recordset, TKxIDataGrid* grid) {
    m_navigator->SetRecordset(recordset);
    m_positionEdit->SetRecordset(recordset);
    m_searchEdit->SetRecordset(recordset);
    m_navigator->SetMultiSelectSource(grid != nullptr ? grid->SelectionSource() : nullptr);
}

void TNavigationFrame::Unbind() {
    m_navigator->SetMultiSelectSource(nullptr);
    m_navigator->SetRecordset(nullptr);
    m_positionEdit->SetRecordset(nullptr);
    m_searchEdit->SetRecordset(nullptr);
}

void TNavigationFrame::StoreData(IKxUnknown* storage) const {
    const auto values = KxQuery<IKxValueStorage>(storage);
    const QList<int> sizes = m_splitter->sizes();
    const int total = sizes.value(0) + sizes.value(1) + sizes.value(2);
    if (!values || total <= 0)
        return;
    values->WriteFloat(kPosEditRatio, double(sizes.value(0)) / total, std::nullopt);
    values->WriteFloat(kSearchEditRatio, double(sizes.value(0) + sizes.value(1)) / total,
                       std::nullopt);
}

void TNavigationFrame::LoadData(IKxUnknown* storage) {
    const auto values = KxQuery<IKxValueStorage>(storage);
    if (!values)
        return;
    const double first = values->ReadFloat(kPosEditRatio, -1);
    const double second = values->ReadFloat(kSearchEditRatio, -1);
    QList<int> sizes = m_splitter->sizes();
    const int total = sizes.value(0) + sizes.value(1) + sizes.value(2);
    if (total <= 0)
        return;
    if (first >= 0 && first <= 1 && second >= first && second <= 1) {
        sizes = {int(first * total), int((second - first) * total), total - int(second * total)};
        m_splitter->setSizes(sizes);
    }
}

} // namespace kx
