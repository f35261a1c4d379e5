#pragma once

#include <QString>

class QWidget;

namespace kx {

// Button sets, icons and answers of the program's message boxes. The values are the classic
// desktop message-box codes because callers store and compare them as plain integers
// (0x34 is "Yes/No with an exclamation mark", 6 is "Yes").
namespace mb {
inline constexpr unsigned Ok = 0x0;
inline constexpr unsigned OkCancel = 0x1;
inline constexpr unsigned YesNoCancel = 0x3;
inline constexpr unsigned YesNo = 0x4;
inline constexpr unsigned ButtonMask = 0xF;

inline constexpr unsigned IconStop = 0x10;
inline constexpr unsigned IconQuestion = 0x20;
inline constexpr unsigned IconExclamation = 0x30;
inline constexpr unsigned IconInformation = 0x40;
inline constexpr unsigned IconMask = 0xF0;

inline constexpr unsigned DefaultButton2 = 0x100;
inline constexpr unsigned DefaultButton3 = 0x200;
inline constexpr unsigned DefaultButtonMask = 0xF00;

inline constexpr unsigned SetForeground = 0x10000;
} // namespace mb

namespace id {
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;
inline constexpr int Yes = 6;
inline constexpr int No = 7;
} // namespace id

// Shows a modal message box owned by `owner` (or the active window) and returns the answer
// as one of the id:: codes. Closing the box without a button answers Cancel where the box
// has one, else No for a Yes/No box, else OK.
int KxShowPlatformMessageBox(QWidget* owner, const QString& text, const QString& caption,
                             unsigned flags);

} // namespace kx
