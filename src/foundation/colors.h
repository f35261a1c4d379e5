#pragma once

#include <cstdint>

namespace kx {

// Colours stay classic $00BBGGRR integers in the model and in the settings file; views turn
// them into QColor. Values with the top bit set name a system colour (its index in the low
// byte), which a view resolves against the current palette.
using TColor = std::int32_t;

inline constexpr TColor clWindow = static_cast<TColor>(0x80000005u);
inline constexpr TColor clWindowText = static_cast<TColor>(0x80000008u);
inline constexpr TColor clHighlight = static_cast<TColor>(0x8000000Du);
inline constexpr TColor clHighlightText = static_cast<TColor>(0x8000000Eu);

inline constexpr bool KxIsSystemColor(TColor color) {
    return color < 0;
}

} // namespace kx
