#include "datactrls/grid_properties.h"

#include "datactrls/data_grid.h"

#include <algorithm>

namespace kx {
namespace {

// The even-row colour of grids created from now on: light green, until the user's setting
// says otherwise.
TColor g_defaultEvenRowColor = 0xD9FFEC;

} // namespace

void TGridCtrlProperties::Changed() {
    m_grid.ApplyProperties();
}

TGridDataAreaProperties::TGridDataAreaProperties(TKxIDataGrid& grid)
    : TGridCtrlProperties(grid, clWindow), m_evenRowColor(g_defaultEvenRowColor) {}

TColor TGridDataAreaProperties::DefaultEvenRowColor() {
    return g_defaultEvenRowColor;
}

void TGridDataAreaProperties::SetDefaultEvenRowColor(TColor color) {
    g_defaultEvenRowColor = color;
}

void TGridDataAreaProperties::SetRowHeight(int height) {
    Set(m_rowHeight, std::clamp(height, 10, 150));
}

} // namespace kx
