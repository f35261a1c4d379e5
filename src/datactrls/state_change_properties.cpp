#include "datactrls/state_change_properties.h"

#include <QPalette>
#include <QVariant>
#include <QWidget>

namespace kx {

TColor TKxIStateChangeProperties::StateColor(bool bound, TKxRecordsetState state) {
    if (!bound)
        return clWindow;
    switch (state) {
    case rsInactive:
        return kInactiveColor;
    case rsBrowse:
        return kBrowseColor;
    default:
        return clWindow;
    }
}

TColor TKxIStateChangeProperties::Apply(QWidget& control, const QPalette& palette, bool bound,
                                        TKxRecordsetState state, bool updatableField) const {
    const bool active = bound && state != rsInactive;
    if (ChangeEnabled)
        control.setEnabled(active);
    if (ChangeShowHint) {
        // The hint is kept aside while the source is not active, so that nothing is shown
        // for a control that has nothing to say yet.
        const char* const kHint = "kxHint";
        if (!control.property(kHint).isValid())
            control.setProperty(kHint, control.toolTip());
        control.setToolTip(active ? control.property(kHint).toString() : QString());
    }
    if (ChangeAllowDroppedFiles)
        control.setAcceptDrops(bound && updatableField);
    if (!ChangeColor)
        return clWindow;
    // The state colours are light: on a dark theme they would glare and hide the light text,
    // so there the control keeps the palette's window colour.
    if (palette.color(QPalette::Base).lightness() < 128)
        return clWindow;
    return StateColor(bound, state);
}

} // namespace kx
