#pragma once

#include "foundation/date_time.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <variant>

namespace kx {

// Type codes of variants. They are the classic platform numbers because the program prints
// them in messages ("vartype: %d") and stores them in the settings file ("%d,%s").
enum TKxVarType : std::uint16_t {
    varEmpty = 0,
    varNull = 1,
    varSmallint = 2,
    varInteger = 3,
    varSingle = 4,
    varDouble = 5,
    varCurrency = 6,
    varDate = 7,
    varOleStr = 8,
    varBoolean = 11,
    varShortInt = 16,
    varByte = 17,
    varWord = 18,
    varLongWord = 19,
    varInt64 = 20,
    varUInt64 = 21,
    varString = 0x0100,  // 8-bit text of older stored data; read as text
    varUString = 0x0102, // read as text
    varByteArray = 0x2011,
};

// The one variant type of the program: every value typed as "Variant" (field values,
// parameters, stored settings) is a KxVariant. It holds no references; text is a QString,
// binary data a QByteArray.
class KxVariant {
public:
    KxVariant() = default; // empty
    static KxVariant Null();

    KxVariant(bool value);
    KxVariant(std::int16_t value);
    KxVariant(std::int32_t value);
    KxVariant(std::int64_t value);
    KxVariant(std::uint8_t value);
    KxVariant(std::uint16_t value);
    KxVariant(std::uint32_t value);
    KxVariant(std::uint64_t value);
    KxVariant(float value);
    KxVariant(double value);
    KxVariant(const QString& value);
    KxVariant(const QByteArray& bytes);
    KxVariant(const char*) = delete; // say QStringLiteral or QByteArray

    static KxVariant FromInt8(std::int8_t value);
    // Currency: a fixed-point number with four decimals, given as value × 10 000.
    static KxVariant FromCurrencyScaled(std::int64_t scaled);
    static KxVariant FromDateTime(TKxDateTime value);

    TKxVarType VarType() const { return m_type; }
    bool IsEmpty() const { return m_type == varEmpty; }
    bool IsNull() const { return m_type == varNull; }
    bool IsEmptyOrNull() const { return IsEmpty() || IsNull(); }
    bool IsText() const { return m_type == varOleStr; }
    bool IsIntegral() const;
    bool IsNumeric() const; // integral, floating, currency

    // Conversions as the program's messages and displays need them. Empty converts to 0, ""
    // or false, Null to "" as text; Null as a number and unconvertible text raise "Could not
    // convert variant of type (%s) into type (%s)", values outside the target's range raise
    // "Invalid variant operation (out of range)".
    QString ToString() const;
    std::int64_t ToInt64() const;
    // The full unsigned range; negative values raise the out-of-range error.
    std::uint64_t ToUInt64() const;
    int ToInt() const;
    double ToDouble() const;
    bool ToBool() const;
    QByteArray ToBytes() const;
    std::int64_t ToCurrencyScaled() const;

    // The value converted to another type code (empty and null convert to themselves only).
    KxVariant ConvertTo(TKxVarType type) const;

    // Same type code and same value.
    friend bool operator==(const KxVariant& a, const KxVariant& b);

    static QString TypeName(TKxVarType type);

private:
    using Storage = std::variant<std::monostate, bool, std::int64_t, std::uint64_t, double, QString,
                                 QByteArray>;
    KxVariant(TKxVarType type, Storage value) : m_type(type), m_value(std::move(value)) {}
    [[noreturn]] void RaiseCannotConvert(TKxVarType target) const;

    TKxVarType m_type = varEmpty;
    Storage m_value;
};

} // namespace kx
