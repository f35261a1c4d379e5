#pragma once

#include <QString>
#include <cstdint>

namespace kx {

// The value kinds of fields, value buffers, grid columns and the ODBC layer. The ordinals are
// part of stored grid layouts and of messages ("Unsupported value (%d) …"), so they never
// change; a value outside the range can still arrive from stored data and is refused where
// it is used.
enum TKxFieldDataType : std::uint8_t {
    fdtBool = 0,
    fdtInt8 = 1,
    fdtUInt8 = 2,
    fdtInt16 = 3,
    fdtUInt16 = 4,
    fdtInt32 = 5,
    fdtUInt32 = 6,
    fdtInt64 = 7,
    fdtUInt64 = 8,
    fdtSingle = 9,
    fdtDouble = 10,
    fdtNumeric = 11,
    fdtDate = 12,
    fdtTime = 13,
    fdtDateTime = 14,
    fdtString = 15,
    fdtWideString = 16,
    fdtMemo = 17,
    fdtWideMemo = 18,
    fdtBinary = 19,
    fdtGUID = 20,
};

inline constexpr int kxLastFieldDataType = fdtGUID;

// The type name used in "Unsupported value (%d) for "%s"".
inline constexpr const char* kxFieldDataTypeTypeName = "TKxFieldDataType";

// The name users see for a kind ("Wide String"); empty outside the range.
QString KxFieldDataTypeDisplayName(int dataType);

inline constexpr bool KxIsIntegerKind(int t) {
    return t >= fdtInt8 && t <= fdtUInt64;
}
inline constexpr bool KxIsStringKind(int t) {
    return t == fdtString || t == fdtWideString;
}
inline constexpr bool KxIsMemoKind(int t) {
    return t == fdtMemo || t == fdtWideMemo;
}
inline constexpr bool KxIsLargeKind(int t) {
    return t == fdtMemo || t == fdtWideMemo || t == fdtBinary;
}
inline constexpr bool KxIsVariableSizeKind(int t) {
    return t >= fdtString && t <= fdtBinary;
}
inline constexpr bool KxIsWideKind(int t) {
    return t == fdtWideString || t == fdtWideMemo;
}
inline constexpr bool KxIsDateTimeKind(int t) {
    return t >= fdtDate && t <= fdtDateTime;
}
inline constexpr bool KxIsFloatKind(int t) {
    return t >= fdtSingle && t <= fdtNumeric;
}

// Bytes a fixed-size kind occupies; 0 for the variable-size kinds and ordinals out of range.
std::uint32_t KxFixedDataSize(int dataType);

// The default width of a grid column in pixels and the display length in characters, both
// from a character count chosen by kind and the driver's column size (bytes).
int KxDefaultColumnWidth(int dataType, std::int64_t columnSize);
int KxDisplayLength(int dataType, std::int64_t columnSize);

} // namespace kx
