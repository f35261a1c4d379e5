#pragma once

#include <cstdint>

namespace kx {

// Colours stay classic $00BBGGRR integers in the model and in the settings file; views turn
// them into QColor. Values with the top bit set name a system colour (its index in the low
// byte), which a view resolves against the current palette.
using TColor = std::int32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clBlue = 0xFF0000;

inline constexpr TColor clWindow = static_cast<TColor>(0x80000005u);
inline constexpr TColor clWindowText = static_cast<TColor>(0x80000008u);
inline constexpr TColor clHighlight = static_cast<TColor>(0x8000000Du);
inline constexpr TColor clHighlightText = static_cast<TColor>(0x8000000Eu);
inline constexpr TColor clBtnFace = static_cast<TColor>(0x8000000Fu);
inline constexpr TColor clBtnShadow = static_cast<TColor>(0x80000010u);
inline constexpr TColor clBtnText = static_cast<TColor>(0x80000012u);
inline constexpr TColor clBtnHighlight = static_cast<TColor>(0x80000014u);

inline constexpr bool KxIsSystemColor(TColor color) {
    return color < 0;
}

} // namespace kx
