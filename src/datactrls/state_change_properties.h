#pragma once

#include "dbcore/record_states.h"
#include "foundation/colors.h"

class QPalette;
class QWidget;

namespace kx {

// How a data-aware control shows the state of the recordset it is bound to: its colour, and
// whether it is enabled, shows hints and accepts dropped files. The grid applies it to its
// data area; the search, position and count controls and the memo have their own.
struct TKxIStateChangeProperties {
    bool ChangeColor = true;
    bool ChangeEnabled = true;
    bool ChangeAllowDroppedFiles = false;
    bool ChangeShowHint = true;

    // The colours by state ($00BBGGRR): inactive light cyan, browsing light yellow, editing
    // the window colour, which is also the colour without a source.
    static constexpr TColor kInactiveColor = 0xFFFFE0;
    static constexpr TColor kBrowseColor = 0xE0FFFF;

    // The control's colour for `state` (`bound` is false without a source).
    static TColor StateColor(bool bound, TKxRecordsetState state);

    // Applies the reflection to `control`: `bound` and `state` describe the source,
    // `updatableField` whether the control is bound to a field that can be written (only
    // for dropped files). Returns the colour the control should paint with; on a dark
    // `palette` (the one the control paints with) it stays the palette's window colour,
    // since the fixed light colours would hide its text.
    TColor Apply(QWidget& control, const QPalette& palette, bool bound, TKxRecordsetState state,
                 bool updatableField = false) const;
};

// A control whose colour never follows the state.
struct TKxIUncoloredStateChangeProperties : TKxIStateChangeProperties {
    TKxIUncoloredStateChangeProperties() { ChangeColor = false; }
};

// A control bound to a long value that can take dropped files.
struct TKxIBlobStateChangeProperties : TKxIStateChangeProperties {
    TKxIBlobStateChangeProperties() { ChangeAllowDroppedFiles = true; }
};

} // namespace kx
