#pragma once

#include <QString>
#include <cstdint>

namespace kx {

// A 128-bit identifier in the classic four-field layout. Interfaces carry one each, so that
// messages can name an interface the same way whatever build produced it, and stored data
// (the compressed-value marker) can be recognised byte for byte.
struct KxGuid {
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::uint8_t Data4[8] = {};

    friend constexpr bool operator==(const KxGuid&, const KxGuid&) = default;

    // Registry form: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hexadecimal.
    QString ToString() const;

    // The 16 bytes as they lie in memory: the first three fields little-endian.
    void ToBytes(std::uint8_t (&bytes)[16]) const;
    static KxGuid FromBytes(const std::uint8_t (&bytes)[16]);

    // Parses the registry form (braces required, hexadecimal in either case); false for any
    // other text, leaving `guid` unchanged.
    static bool FromString(const QString& text, KxGuid& guid);
};

} // namespace kx
