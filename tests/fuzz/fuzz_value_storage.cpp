// The "<type code>,<text>" form in which variants are kept in the settings.
//
// Input: a byte that picks the default value, then the stored text; the same bytes, read
// again as a kind byte and the value's bytes after it, make typed values of every kind.
//
// Properties:
//  - decoding any stored text, with any default, answers a value and never fails;
//  - what a decoded value encodes to decodes to the same value and the same text again (a
//    fixed point after one round);
//  - every value of every kind the program writes reads back as written.

#include "foundation/exceptions.h"
#include "foundation/value_storage.h"
#include "fuzz_support.h"

#include <cmath>
#include <cstring>

using namespace kx;
using namespace kx::fuzz;

namespace {

using V = TKxValueStorageImpl;

KxVariant DefaultFrom(int choice) {
    switch (choice) {
    case 0:
        return KxVariant();
    case 1:
        return KxVariant::Null();
    case 2:
        return KxVariant(std::int32_t(7));
    case 3:
        return KxVariant(QStringLiteral("default"));
    case 4:
        return KxVariant(2.5);
    case 5:
        return KxVariant(true);
    default:
        return KxVariant::FromDateTime(45000.5);
    }
}

bool SameValue(const KxVariant& a, const KxVariant& b) {
    if (a == b)
        return true;
    if (a.VarType() != b.VarType())
        return false;
    switch (a.VarType()) {
    case varDate:
        // Kept to the millisecond: the same moment when its text is the same.
        return V::EncodeVariant(a) == V::EncodeVariant(b);
    case varSingle:
    case varDouble:
        // NaN is the one number unequal to itself.
        return std::isnan(a.ToDouble()) && std::isnan(b.ToDouble());
    default:
        return false;
    }
}

QString Describe(const KxVariant& value) {
    return QStringLiteral("type %1 «%2»").arg(value.VarType()).arg(V::EncodeVariant(value));
}

// A value of the kind `kind` made from the input's bytes, as settings hold them.
KxVariant TypedValue(int kind, TFuzzInput& input) {
    const std::uint64_t bits = input.Bits(8);
    switch (kind) {
    case 0:
        return KxVariant(static_cast<std::int16_t>(bits));
    case 1:
        return KxVariant(static_cast<std::int32_t>(bits));
    case 2:
        return KxVariant(static_cast<std::int64_t>(bits));
    case 3:
        return KxVariant(bits);
    case 4:
        return KxVariant(static_cast<std::uint8_t>(bits));
    case 5:
        return KxVariant(static_cast<std::uint16_t>(bits));
    case 6:
        return KxVariant(static_cast<std::uint32_t>(bits));
    case 7:
        return KxVariant::FromInt8(static_cast<std::int8_t>(bits));
    case 8:
        return KxVariant((bits & 1) != 0);
    case 9: {
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return KxVariant(std::isfinite(value) ? value : 0.25);
    }
    case 10: {
        float value = 0;
        const auto low = static_cast<std::uint32_t>(bits);
        std::memcpy(&value, &low, sizeof value);
        return KxVariant(std::isfinite(value) ? value : 0.25f);
    }
    case 11:
        return KxVariant::FromCurrencyScaled(static_cast<std::int64_t>(bits));
    case 12: {
        // Dates to the millisecond, over the years the program shows.
        const std::int64_t milliseconds =
            static_cast<std::int64_t>(bits % (std::uint64_t(3000) * 365 * 86400000)) -
            std::int64_t(1000) * 365 * 86400000;
        return KxVariant::FromDateTime(static_cast<double>(milliseconds) / 86400000.0);
    }
    case 13:
        return KxVariant(input.ShortText(16));
    case 14: {
        QByteArray bytes;
        for (int i = 0; i < static_cast<int>(bits % 9); ++i)
            bytes.append(static_cast<char>(input.Byte()));
        return KxVariant(bytes);
    }
    default:
        return bits % 2 == 0 ? KxVariant() : KxVariant::Null();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TFuzzInput input(data, size);
    const KxVariant defaultValue = DefaultFrom(input.Below(7));
    const QString stored = TFuzzInput(data, size).Rest().mid(1);

    KxVariant decoded;
    try {
        decoded = V::DecodeVariant(stored, defaultValue);
    } catch (const std::exception& e) {
        Fail("decoding a stored text never fails",
             Shown(stored) + QLatin1Char('\n') + KxExceptionMessage(e));
    }
    const QString encoded = V::EncodeVariant(decoded);
    const KxVariant again = V::DecodeVariant(encoded, defaultValue);
    KX_CHECK(SameValue(again, decoded), "a decoded value survives encoding and decoding",
             QStringLiteral("stored %1\ndecoded %2\nagain %3")
                 .arg(Shown(stored), Describe(decoded), Describe(again)));
    KX_CHECK(V::EncodeVariant(again) == encoded, "encoding is a fixed point after one round",
             QStringLiteral("stored %1\nencoded %2\nthen %3")
                 .arg(Shown(stored), Shown(encoded), Shown(V::EncodeVariant(again))));

    TFuzzInput values(data, size);
    while (!values.Empty()) {
        const KxVariant value = TypedValue(values.Below(16), values);
        const QString text = V::EncodeVariant(value);
        // A default of another kind than the value, so a read that fails shows.
        const KxVariant back = V::DecodeVariant(text, KxVariant(QStringLiteral("<default>")));
        KX_CHECK(SameValue(back, value), "a value reads back as written",
                 QStringLiteral("written %1\nread %2").arg(Describe(value), Describe(back)));
    }
    return 0;
}
