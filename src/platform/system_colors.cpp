#include "platform/system_colors.h"

#include <QPalette>

namespace kx {

QColor KxToQColor(TColor color, const QPalette& palette) {
    if (!KxIsSystemColor(color))
        return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
    switch (color & 0xFF) {
    case 5: // clWindow
        return palette.color(QPalette::Base);
    case 8: // clWindowText
        return palette.color(QPalette::Text);
    case 13: // clHighlight
        return palette.color(QPalette::Highlight);
    case 14: // clHighlightText
        return palette.color(QPalette::HighlightedText);
    case 15: // clBtnFace
        return palette.color(QPalette::Button);
    case 16: // clBtnShadow
        return palette.color(QPalette::Dark);
    case 18: // clBtnText
        return palette.color(QPalette::ButtonText);
    case 20: // clBtnHighlight
        return palette.color(QPalette::Light);
    default:
        return palette.color(QPalette::Window);
    }
}

} // namespace kx
