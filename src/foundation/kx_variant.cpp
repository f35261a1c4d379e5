#include "foundation/kx_variant.h"

#include "foundation/exceptions.h"

#include <QCoreApplication>
#include <QLocale>
#include <cmath>
#include <limits>

namespace kx {
namespace {

constexpr double kCurrencyScale = 10000.0;

QString Tr(const char* text) {
    return QCoreApplication::translate("KxFoundation", text);
}

[[noreturn]] void RaiseOutOfRange() {
    KxRaise(Tr("Invalid variant operation (out of range)"), QStringLiteral("KxVariant.ConvertTo"));
}

std::int64_t CheckedRound(double value) {
    if (!std::isfinite(value) || value < -9.2233720368547758e18 || value >= 9.2233720368547758e18)
        RaiseOutOfRange();
    return std::llround(value);
}

bool ParseDouble(const QString& text, double& value) {
    bool ok = false;
    const QString trimmed = text.trimmed();
    value = QLocale().toDouble(trimmed, &ok);
    if (!ok)
        value = QLocale::c().toDouble(trimmed, &ok);
    return ok;
}

} // namespace

KxVariant KxVariant::Null() {
    return KxVariant(varNull, std::monostate{});
}

KxVariant::KxVariant(bool value) : m_type(varBoolean), m_value(value) {}
KxVariant::KxVariant(std::int16_t value) : m_type(varSmallint), m_value(std::int64_t{value}) {}
KxVariant::KxVariant(std::int32_t value) : m_type(varInteger), m_value(std::int64_t{value}) {}
KxVariant::KxVariant(std::int64_t value) : m_type(varInt64), m_value(value) {}
KxVariant::KxVariant(std::uint8_t value) : m_type(varByte), m_value(std::int64_t{value}) {}
KxVariant::KxVariant(std::uint16_t value) : m_type(varWord), m_value(std::int64_t{value}) {}
KxVariant::KxVariant(std::uint32_t value) : m_type(varLongWord), m_value(std::int64_t{value}) {}
KxVariant::KxVariant(std::uint64_t value) : m_type(varUInt64), m_value(value) {}
KxVariant::KxVariant(float value) : m_type(varSingle), m_value(double{value}) {}
KxVariant::KxVariant(double value) : m_type(varDouble), m_value(value) {}
KxVariant::KxVariant(const QString& value) : m_type(varOleStr), m_value(value) {}
KxVariant::KxVariant(const QByteArray& bytes) : m_type(varByteArray), m_value(bytes) {}

KxVariant KxVariant::FromInt8(std::int8_t value) {
    return KxVariant(varShortInt, std::int64_t{value});
}

KxVariant KxVariant::FromCurrencyScaled(std::int64_t scaled) {
    return KxVariant(varCurrency, scaled);
}

KxVariant KxVariant::FromDateTime(TKxDateTime value) {
    return KxVariant(varDate, value);
}

bool KxVariant::IsIntegral() const {
    switch (m_type) {
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
    case varUInt64:
        return true;
    default:
        return false;
    }
}

bool KxVariant::IsNumeric() const {
    return IsIntegral() || m_type == varSingle || m_type == varDouble || m_type == varCurrency;
}

QString KxVariant::TypeName(TKxVarType type) {
    switch (type) {
    case varEmpty:
        return QStringLiteral("Empty");
    case varNull:
        return QStringLiteral("Null");
    case varSmallint:
        return QStringLiteral("Smallint");
    case varInteger:
        return QStringLiteral("Integer");
    case varSingle:
        return QStringLiteral("Single");
    case varDouble:
        return QStringLiteral("Double");
    case varCurrency:
        return QStringLiteral("Currency");
    case varDate:
        return QStringLiteral("Date");
    case varOleStr:
    case varString:
    case varUString:
        return QStringLiteral("String");
    case varBoolean:
        return QStringLiteral("Boolean");
    case varShortInt:
        return QStringLiteral("ShortInt");
    case varByte:
        return QStringLiteral("Byte");
    case varWord:
        return QStringLiteral("Word");
    case varLongWord:
        return QStringLiteral("LongWord");
    case varInt64:
        return QStringLiteral("Int64");
    case varUInt64:
        return QStringLiteral("UInt64");
    case varByteArray:
        return QStringLiteral("Array Byte");
    }
    return QString::number(type);
}

void KxVariant::RaiseCannotConvert(TKxVarType target) const {
    KxRaise(Tr("Could not convert variant of type (%1) into type (%2)")
                .arg(TypeName(m_type), TypeName(target)),
            QStringLiteral("KxVariant.ConvertTo"));
}

QString KxVariant::ToString() const {
    const QLocale locale;
    switch (m_type) {
    case varEmpty:
    case varNull:
        return {};
    case varBoolean:
        return std::get<bool>(m_value) ? QStringLiteral("True") : QStringLiteral("False");
    case varUInt64:
        return QString::number(std::get<std::uint64_t>(m_value));
    case varSingle:
        return locale.toString(std::get<double>(m_value), 'g', 7);
    case varDouble:
        return locale.toString(std::get<double>(m_value), 'g', 15);
    case varCurrency: {
        QString text = locale.toString(std::get<std::int64_t>(m_value) / kCurrencyScale, 'f', 4);
        // Trailing zeros of the fraction are noise for a fixed-point amount.
        const QChar point = locale.decimalPoint().at(0);
        while (text.endsWith(QLatin1Char('0')) && text.contains(point))
            text.chop(1);
        if (text.endsWith(point))
            text.chop(1);
        return text;
    }
    case varDate:
        return KxDateTimeToString(std::get<double>(m_value));
    case varByteArray:
        return QString::fromLatin1(std::get<QByteArray>(m_value).toHex().toUpper());
    default:
        break;
    }
    if (IsIntegral())
        return QString::number(std::get<std::int64_t>(m_value));
    return std::get<QString>(m_value);
}

std::int64_t KxVariant::ToInt64() const {
    switch (m_type) {
    case varEmpty:
        return 0;
    case varBoolean:
        return std::get<bool>(m_value) ? 1 : 0;
    case varUInt64: {
        const std::uint64_t value = std::get<std::uint64_t>(m_value);
        if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            RaiseOutOfRange();
        return static_cast<std::int64_t>(value);
    }
    case varSingle:
    case varDouble:
    case varDate:
        return CheckedRound(std::get<double>(m_value));
    case varCurrency:
        return CheckedRound(std::get<std::int64_t>(m_value) / kCurrencyScale);
    case varOleStr: {
        bool ok = false;
        const QString text = std::get<QString>(m_value).trimmed();
        const std::int64_t value = text.toLongLong(&ok);
        if (ok)
            return value;
        double number = 0;
        if (ParseDouble(text, number))
            return CheckedRound(number);
        RaiseCannotConvert(varInt64);
    }
    default:
        break;
    }
    if (IsIntegral())
        return std::get<std::int64_t>(m_value);
    RaiseCannotConvert(varInt64);
}

std::uint64_t KxVariant::ToUInt64() const {
    if (m_type == varUInt64)
        return std::get<std::uint64_t>(m_value);
    return std::get<std::uint64_t>(ConvertTo(varUInt64).m_value);
}

int KxVariant::ToInt() const {
    const std::int64_t value = ToInt64();
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        RaiseOutOfRange();
    return static_cast<int>(value);
}

double KxVariant::ToDouble() const {
    switch (m_type) {
    case varEmpty:
        return 0;
    case varBoolean:
        return std::get<bool>(m_value) ? 1 : 0;
    case varUInt64:
        return static_cast<double>(std::get<std::uint64_t>(m_value));
    case varSingle:
    case varDouble:
    case varDate:
        return std::get<double>(m_value);
    case varCurrency:
        return std::get<std::int64_t>(m_value) / kCurrencyScale;
    case varOleStr: {
        double value = 0;
        if (ParseDouble(std::get<QString>(m_value), value))
            return value;
        RaiseCannotConvert(varDouble);
    }
    default:
        break;
    }
    if (IsIntegral())
        return static_cast<double>(std::get<std::int64_t>(m_value));
    RaiseCannotConvert(varDouble);
}

bool KxVariant::ToBool() const {
    switch (m_type) {
    case varEmpty:
        return false;
    case varBoolean:
        return std::get<bool>(m_value);
    case varOleStr: {
        const QString text = std::get<QString>(m_value).trimmed();
        if (text.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0)
            return true;
        if (text.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0)
            return false;
        double value = 0;
        if (ParseDouble(text, value))
            return value != 0;
        RaiseCannotConvert(varBoolean);
    }
    default:
        break;
    }
    if (IsNumeric() || m_type == varDate)
        return ToDouble() != 0;
    RaiseCannotConvert(varBoolean);
}

QByteArray KxVariant::ToBytes() const {
    switch (m_type) {
    case varEmpty:
        return {};
    case varByteArray:
        return std::get<QByteArray>(m_value);
    case varOleStr:
        return std::get<QString>(m_value).toUtf8();
    default:
        RaiseCannotConvert(varByteArray);
    }
}

std::int64_t KxVariant::ToCurrencyScaled() const {
    if (m_type == varCurrency)
        return std::get<std::int64_t>(m_value);
    if (IsIntegral()) {
        const double scaled = static_cast<double>(ToInt64()) * kCurrencyScale;
        return CheckedRound(scaled);
    }
    return CheckedRound(ToDouble() * kCurrencyScale);
}

KxVariant KxVariant::ConvertTo(TKxVarType type) const {
    if (type == m_type)
        return *this;
    if (m_type == varNull || type == varEmpty || type == varNull)
        RaiseCannotConvert(type);
    const auto ranged = [this](std::int64_t minimum, std::int64_t maximum, TKxVarType code) {
        const std::int64_t value = ToInt64();
        if (value < minimum || value > maximum)
            RaiseOutOfRange();
        return KxVariant(code, value);
    };
    switch (type) {
    case varSmallint:
        return ranged(-32768, 32767, varSmallint);
    case varInteger:
        return ranged(std::numeric_limits<std::int32_t>::min(),
                      std::numeric_limits<std::int32_t>::max(), varInteger);
    case varShortInt:
        return ranged(-128, 127, varShortInt);
    case varByte:
        return ranged(0, 255, varByte);
    case varWord:
        return ranged(0, 65535, varWord);
    case varLongWord:
        return ranged(0, std::numeric_limits<std::uint32_t>::max(), varLongWord);
    case varInt64:
        return KxVariant(ToInt64());
    case varUInt64: {
        if (m_type == varOleStr) {
            bool ok = false;
            const std::uint64_t value = std::get<QString>(m_value).trimmed().toULongLong(&ok);
            if (!ok)
                RaiseCannotConvert(type);
            return KxVariant(value);
        }
        const std::int64_t value = ToInt64();
        if (value < 0)
            RaiseOutOfRange();
        return KxVariant(static_cast<std::uint64_t>(value));
    }
    case varSingle:
        return KxVariant(static_cast<float>(ToDouble()));
    case varDouble:
        return KxVariant(ToDouble());
    case varCurrency:
        return FromCurrencyScaled(ToCurrencyScaled());
    case varDate: {
        if (m_type == varOleStr) {
            const QString text = std::get<QString>(m_value).trimmed();
            const QLocale locale;
            QDateTime moment = locale.toDateTime(text, QLocale::ShortFormat);
            if (!moment.isValid())
                moment = QDateTime(locale.toDate(text, QLocale::ShortFormat), QTime(0, 0));
            if (!moment.isValid())
                moment = QDateTime::fromString(text, Qt::ISODate);
            if (!moment.isValid())
                RaiseCannotConvert(type);
            return FromDateTime(KxToDateTime(moment));
        }
        return FromDateTime(ToDouble());
    }
    case varOleStr:
    case varString:
    case varUString:
        return KxVariant(ToString());
    case varBoolean:
        return KxVariant(ToBool());
    case varByteArray:
        return KxVariant(ToBytes());
    default:
        RaiseCannotConvert(type);
    }
}

bool operator==(const KxVariant& a, const KxVariant& b) {
    return a.m_type == b.m_type && a.m_value == b.m_value;
}

} // namespace kx
