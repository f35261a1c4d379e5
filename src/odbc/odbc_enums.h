#pragma once

#include <cstdint>

namespace kx {

enum TODBCVersion : int { odbc2x, odbc3x };
enum TConnectionPooling : int { cpOff, cpOnePoolPerDriver, cpOnePoolPerEnvironment };
enum TConnectionPoolSelectStrategy : int { ssExactMatch, ssRelaxedMatch };
enum TAccessMode : int { amReadWrite, amReadOnly };
enum TCursorOrigin : int { coUseODBCCursorsIfNeeded, coUseODBCCursors, coUseDriverCursors };
enum TTransactionIsolation : int {
    tiReadUncommitted,
    tiReadCommitted,
    tiRepeatableRead,
    tiSerializable
};
enum TOdbcConnectionAttribute : int {
    caAllowDriverDialogs,
    caAsynchronOperations,
    caAutoCommitTransactions,
    caCaseSensitiveCatalogNames,
    caCompleteConnectionString
};
enum TDSNKind : int { dkUser = 0, dkSystem = 1 };

// Sets of these enumerations are one byte, bit n for the n-th value, in memory and stored.
using TTransactionIsolations = std::uint8_t;
using TOdbcConnectionAttributes = std::uint8_t;

template <class E> constexpr std::uint8_t KxSetOf(E value) {
    return static_cast<std::uint8_t>(1u << static_cast<int>(value));
}

template <class E> constexpr bool KxInSet(std::uint8_t set, E value) {
    return (set & KxSetOf(value)) != 0;
}

inline constexpr TTransactionIsolations kxDefaultTransactionIsolation = KxSetOf(tiReadCommitted);
inline constexpr TOdbcConnectionAttributes kxDefaultConnectionAttributes =
    KxSetOf(caAutoCommitTransactions);

} // namespace kx
