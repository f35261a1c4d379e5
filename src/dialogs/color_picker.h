#pragma once

#include "foundation/colors.h"

#include <QComboBox>
#include <functional>

namespace kx {

// A colour chosen from a list, as the settings dialog offers them: "Custom..." first (it
// opens the colour dialog and shows the last custom colour), then the standard colours by
// name, so a colour can be picked by typing its name. The value is a TColor ($00BBGGRR).
class TKxColorPicker : public QComboBox {
public:
    explicit TKxColorPicker(QWidget* parent = nullptr);

    TColor Selected() const { return m_selected; }
    // Shows `color` without reporting a change.
    void SetSelected(TColor color);

    // After the user chose a colour (not after SetSelected).
    std::function<void(TColor)> OnChange;

    // The names of the listed colours, in list order after "Custom...".
    static int StandardColorCount();
    static TColor StandardColor(int index);

private:
    void Choose(int index);
    void ShowCustomSwatch();

    TColor m_selected = 0;
    TColor m_custom = 0;
};

} // namespace kx
