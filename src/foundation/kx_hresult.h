#pragma once

#include <cstdint>

namespace kx {

// Result codes of the platform-style interfaces (streams, lock bytes, connection points).
// Their methods never raise: they answer one of these, and the classic values are kept
// because callers compare and report them as numbers.
using KxHResult = std::int32_t;

namespace hr {
inline constexpr KxHResult S_Ok = 0;
inline constexpr KxHResult S_False = 1;
inline constexpr KxHResult E_NotImpl = static_cast<KxHResult>(0x80004001u);
inline constexpr KxHResult E_NoInterface = static_cast<KxHResult>(0x80004002u);
inline constexpr KxHResult E_Pointer = static_cast<KxHResult>(0x80004003u);
inline constexpr KxHResult E_Abort = static_cast<KxHResult>(0x80004004u);
inline constexpr KxHResult E_Fail = static_cast<KxHResult>(0x80004005u);
inline constexpr KxHResult E_Unexpected = static_cast<KxHResult>(0x8000FFFFu);
inline constexpr KxHResult E_AccessDenied = static_cast<KxHResult>(0x80070005u);
inline constexpr KxHResult E_OutOfMemory = static_cast<KxHResult>(0x8007000Eu);
inline constexpr KxHResult E_InvalidArg = static_cast<KxHResult>(0x80070057u);
inline constexpr KxHResult STG_E_InvalidFunction = static_cast<KxHResult>(0x80030001u);
inline constexpr KxHResult STG_E_InvalidPointer = static_cast<KxHResult>(0x80030009u);
inline constexpr KxHResult STG_E_MediumFull = static_cast<KxHResult>(0x80030070u);
inline constexpr KxHResult STG_E_ReadFault = static_cast<KxHResult>(0x8003001Eu);
inline constexpr KxHResult STG_E_WriteFault = static_cast<KxHResult>(0x8003001Du);
inline constexpr KxHResult STG_E_SeekError = static_cast<KxHResult>(0x80030019u);
inline constexpr KxHResult STG_E_InvalidParameter = static_cast<KxHResult>(0x80030057u);
inline constexpr KxHResult STG_E_AccessDenied = static_cast<KxHResult>(0x80030005u);
// A text that is not a GUID in registry form.
inline constexpr KxHResult CO_E_ClassString = static_cast<KxHResult>(0x800401F3u);
inline constexpr KxHResult CONNECT_E_NoConnection = static_cast<KxHResult>(0x80040200u);
inline constexpr KxHResult CONNECT_E_AdviseLimit = static_cast<KxHResult>(0x80040201u);
inline constexpr KxHResult CONNECT_E_CannotConnect = static_cast<KxHResult>(0x80040202u);
} // namespace hr

inline constexpr bool KxSucceeded(KxHResult code) {
    return code >= 0;
}
inline constexpr bool KxFailed(KxHResult code) {
    return code < 0;
}

} // namespace kx
