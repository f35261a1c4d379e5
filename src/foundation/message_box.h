#pragma once

#include "foundation/exceptions.h"

#include <QString>
#include <functional>

namespace kx {

// Flags and answers of the program's questions and notices. The values are the classic
// desktop message-box codes because callers combine and compare them as plain integers
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

// How a message box is finally shown: caption and complete flags already worked out. The
// desktop build installs a Qt dialog at start-up; without one (tests, the batch runner) the
// text goes to standard error and the most cautious answer the box offers is returned
// (Cancel, else No, else OK), so nothing is ever confirmed on the user's behalf.
using KxMessageBoxPresenter =
    std::function<int(const QString& text, const QString& caption, unsigned flags)>;

// Replaces the presenter; an empty function restores the default. Answers the previous one.
KxMessageBoxPresenter KxSetMessageBoxPresenter(KxMessageBoxPresenter presenter);

// Every question and notice of the program: captioned by the severity's name, with the
// severity's icon unless `flags` carry one, always brought to the foreground. Answers the
// button pressed (id::Yes …).
int KxMessageBox(const QString& text, TKxSeverityLevel severity, unsigned flags = mb::Ok);

// Error actions: what to do after a failure.
enum TKxErrorAction : int { eaContinue = 0, eaAskUser = 1, eaAbort = 2 };
QString KxErrorActionName(int mode); // "Continue Operation", "Ask User", "Abort Operation"

// Whether to go on after `exception`: false for none; mode 0 true, mode 2 false, mode 1 asks
// "<message>\r\r<question> ?" (question defaults to "Continue Operation") as a warning with
// Yes/No; any other mode false.
bool KxAskContinue(const std::exception* exception, int mode, const QString& question = {});

// Reports an error met while a stored form loads, offering to suppress further reports for
// the rest of the run; once suppressed, it shows nothing.
void KxShowLoadingError(const std::exception& exception);
bool KxLoadingErrorsSuppressed();
void KxResetLoadingErrorSuppression(); // for tests: a new run starts unsuppressed

} // namespace kx
