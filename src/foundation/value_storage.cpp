#include "foundation/value_storage.h"

#include "foundation/currency_text.h"
#include "foundation/exceptions.h"

#include <QLocale>
#include <climits>
#include <cstdint>
#include <cstring>

namespace kx {
namespace {

// Numbers and dates are written in one fixed, locale-independent form: the locale's texts
// change meaning when the user's locale changes ("1,5" is 1.5 in German and 15 in English)
// and its short dates drop the century and the seconds. Locale texts from older files are
// still understood when the fixed form does not parse.
std::optional<double> ParseNumber(const QString& text) {
    bool ok = false;
    double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok)
        value = QLocale().toDouble(text.trimmed(), &ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

QString NumberText(double value) {
    return QLocale::c().toString(value, 'g', QLocale::FloatingPointShortest);
}

QString DateTimeText(TKxDateTime value) {
    return KxFromDateTime(value).toString(Qt::ISODateWithMs);
}

// The exact form KxCurrencyText writes (a sign, digits, at most four decimals); anything else is
// left to the number parser, which also reads the texts older files hold.
std::optional<std::int64_t> ParseCurrency(const QString& text) {
    const QString trimmed = text.trimmed();
    qsizetype p = 0;
    const bool negative = p < trimmed.size() && trimmed[p] == QLatin1Char('-');
    if (p < trimmed.size() && (trimmed[p] == QLatin1Char('-') || trimmed[p] == QLatin1Char('+')))
        ++p;
    const auto digit = [&](qsizetype at) {
        return at < trimmed.size() && trimmed[at] >= QLatin1Char('0') &&
               trimmed[at] <= QLatin1Char('9');
    };
    if (!digit(p))
        return std::nullopt;
    const std::uint64_t limit = std::uint64_t(INT64_MAX) + (negative ? 1 : 0);
    std::uint64_t magnitude = 0;
    const auto add = [&](int value) {
        if (magnitude > (limit - std::uint64_t(value)) / 10)
            return false;
        magnitude = magnitude * 10 + std::uint64_t(value);
        return true;
    };
    for (; digit(p); ++p) {
        if (!add(trimmed[p].unicode() - u'0'))
            return std::nullopt;
    }
    int decimals = 0;
    if (p < trimmed.size() && trimmed[p] == QLatin1Char('.')) {
        for (++p; digit(p); ++p, ++decimals) {
            if (decimals == 4 || !add(trimmed[p].unicode() - u'0'))
                return std::nullopt;
        }
    }
    if (p != trimmed.size())
        return std::nullopt;
    for (; decimals < 4; ++decimals) {
        if (!add(0))
            return std::nullopt;
    }
    return negative ? static_cast<std::int64_t>(std::uint64_t(0) - magnitude)
                    : static_cast<std::int64_t>(magnitude);
}

std::optional<TKxDateTime> ParseDateTime(const QString& text) {
    const QString trimmed = text.trimmed();
    QDateTime moment = QDateTime::fromString(trimmed, Qt::ISODateWithMs);
    const QLocale locale;
    if (!moment.isValid())
        moment = locale.toDateTime(trimmed, QLocale::ShortFormat);
    if (!moment.isValid())
        moment = locale.toDateTime(trimmed, QLocale::LongFormat);
    return moment.isValid() ? std::optional<TKxDateTime>(KxToDateTime(moment)) : std::nullopt;
}

} // namespace

TKxStorageBase& TKxValueStorageImpl::Checked() const {
    KxCheckPointer(m_backEnd.get(), QStringLiteral("Storage"), nullptr,
                   QStringLiteral("TKxValueStorageImpl"));
    return *m_backEnd;
}

bool TKxValueStorageImpl::OpenDir(const QString& path, bool create) {
    return Checked().OpenDir(path, create);
}
bool TKxValueStorageImpl::DirExists(const QString& path) {
    return Checked().DirExists(path);
}
void TKxValueStorageImpl::ReadSubDirNames(QStringList& names) {
    Checked().ReadSubDirNames(names);
}
void TKxValueStorageImpl::ReadValueNames(QStringList& names) {
    Checked().ReadValueNames(names);
}
bool TKxValueStorageImpl::DeleteValue(const QString& name) {
    return Checked().DeleteValue(name);
}
bool TKxValueStorageImpl::DeleteDir(const QString& path) {
    return Checked().DeleteDir(path);
}
QString TKxValueStorageImpl::CurrentPath() {
    return Checked().CurrentPath();
}
QString TKxValueStorageImpl::ReadString(const QString& name, const QString& defaultValue) {
    return Checked().ReadString(name, defaultValue);
}
void TKxValueStorageImpl::WriteString(const QString& name, const QString& value) {
    Checked().WriteString(name, value);
}
bool TKxValueStorageImpl::ValueExists(const QString& name) {
    return Checked().ValueExists(name);
}

std::optional<QString> TKxValueStorageImpl::Stored(const QString& name) {
    if (!Checked().ValueExists(name))
        return std::nullopt;
    return Checked().ReadString(name, {});
}

void TKxValueStorageImpl::WriteOrDelete(const QString& name, const QString& text, bool isDefault) {
    if (isDefault)
        Checked().DeleteValue(name);
    else
        Checked().WriteString(name, text);
}

int TKxValueStorageImpl::ReadInteger(const QString& name, int defaultValue) {
    const qint64 value = ReadInt64(name, defaultValue);
    return value < INT_MIN || value > INT_MAX ? defaultValue : static_cast<int>(value);
}

void TKxValueStorageImpl::WriteInteger(const QString& name, int value,
                                       std::optional<int> defaultValue) {
    WriteOrDelete(name, QString::number(value), defaultValue == value);
}

qint64 TKxValueStorageImpl::ReadInt64(const QString& name, qint64 defaultValue) {
    const std::optional<QString> text = Stored(name);
    bool ok = false;
    const qint64 value = text ? text->trimmed().toLongLong(&ok) : 0;
    return ok ? value : defaultValue;
}

void TKxValueStorageImpl::WriteInt64(const QString& name, qint64 value,
                                     std::optional<qint64> defaultValue) {
    WriteOrDelete(name, QString::number(value), defaultValue == value);
}

bool TKxValueStorageImpl::ReadBool(const QString& name, bool defaultValue) {
    const std::optional<QString> text = Stored(name);
    if (!text)
        return defaultValue;
    // The first letters of "true", "1", "wahr", "yes", "si", "qui": any of them means true.
    return !text->isEmpty() && QStringLiteral("tT1wWyYsSqQ").contains(text->at(0));
}

void TKxValueStorageImpl::WriteBool(const QString& name, bool value,
                                    std::optional<bool> defaultValue) {
    WriteOrDelete(name, value ? QStringLiteral("1") : QStringLiteral("0"), defaultValue == value);
}

TKxDateTime TKxValueStorageImpl::ReadDateTime(const QString& name, TKxDateTime defaultValue) {
    const std::optional<QString> text = Stored(name);
    return text ? ParseDateTime(*text).value_or(defaultValue) : defaultValue;
}

void TKxValueStorageImpl::WriteDateTime(const QString& name, TKxDateTime value,
                                        std::optional<TKxDateTime> defaultValue) {
    WriteOrDelete(name, DateTimeText(value), defaultValue == value);
}

double TKxValueStorageImpl::ReadFloat(const QString& name, double defaultValue) {
    const std::optional<QString> text = Stored(name);
    return text ? ParseNumber(*text).value_or(defaultValue) : defaultValue;
}

void TKxValueStorageImpl::WriteFloat(const QString& name, double value,
                                     std::optional<double> defaultValue) {
    WriteOrDelete(name, NumberText(value), defaultValue == value);
}

QString TKxValueStorageImpl::EncodeVariant(const KxVariant& value) {
    if (value.IsEmpty())
        return QStringLiteral("0,<None>");
    if (value.IsNull())
        return QStringLiteral("1,NULL");
    QString text;
    switch (value.VarType()) {
    case varSingle:
    case varDouble:
        text = NumberText(value.ToDouble());
        break;
    case varDate:
        text = DateTimeText(value.ToDouble());
        break;
    case varCurrency:
        text = KxCurrencyText(value.ToCurrencyScaled());
        break;
    case varByteArray:
        text = QString::fromLatin1(value.ToBytes().toHex().toUpper());
        break;
    default:
        text = value.ToString();
        break;
    }
    return QStringLiteral("%1,%2").arg(static_cast<int>(value.VarType())).arg(text);
}

KxVariant TKxValueStorageImpl::DecodeVariant(const QString& text, const KxVariant& defaultValue) {
    const qsizetype comma = text.indexOf(QLatin1Char(','));
    bool ok = comma > 0;
    const int code = ok ? text.left(comma).trimmed().toInt(&ok) : 0;
    const TKxVarType type = ok ? static_cast<TKxVarType>(code) : defaultValue.VarType();
    const QString valueText = ok ? text.mid(comma + 1) : text;
    if (type == varEmpty)
        return KxVariant();
    if (type == varNull)
        return KxVariant::Null();
    try {
        switch (type) {
        case varDate:
            if (const std::optional<TKxDateTime> moment = ParseDateTime(valueText))
                return KxVariant::FromDateTime(*moment);
            return defaultValue;
        case varCurrency:
            if (const std::optional<std::int64_t> scaled = ParseCurrency(valueText))
                return KxVariant::FromCurrencyScaled(*scaled);
            [[fallthrough]];
        case varSingle:
        case varDouble:
            if (const std::optional<double> number = ParseNumber(valueText))
                return KxVariant(*number).ConvertTo(type);
            return defaultValue;
        case varByteArray:
            return KxVariant(QByteArray::fromHex(valueText.toLatin1()));
        default:
            return KxVariant(valueText).ConvertTo(type);
        }
    } catch (const EKxException&) {
        return defaultValue; // a stored text that no longer fits its type reads as the default
    }
}

KxVariant TKxValueStorageImpl::ReadVariant(const QString& name, const KxVariant& defaultValue) {
    const std::optional<QString> text = Stored(name);
    return text ? DecodeVariant(*text, defaultValue) : defaultValue;
}

void TKxValueStorageImpl::WriteVariant(const QString& name, const KxVariant& value,
                                       std::optional<KxVariant> defaultValue) {
    WriteOrDelete(name, EncodeVariant(value), defaultValue == value);
}

void TKxValueStorageImpl::WriteText(const QString& name, const QString& value,
                                    std::optional<QString> defaultValue) {
    WriteOrDelete(name, value,
                  defaultValue && defaultValue->compare(value, Qt::CaseInsensitive) == 0);
}

int TKxValueStorageImpl::ReadBinary(const QString& name, void* buffer, int count, bool zeroFill) {
    const std::optional<QString> text = Stored(name);
    const QByteArray bytes = text ? QByteArray::fromHex(text->toLatin1()) : QByteArray();
    const int stored = static_cast<int>(std::min<qsizetype>(bytes.size(), std::max(count, 0)));
    if (stored > 0)
        std::memcpy(buffer, bytes.constData(), stored);
    if (zeroFill && count > stored)
        std::memset(static_cast<char*>(buffer) + stored, 0, count - stored);
    return stored;
}

int TKxValueStorageImpl::BinarySize(const QString& name) {
    const std::optional<QString> text = Stored(name);
    return text ? static_cast<int>(QByteArray::fromHex(text->toLatin1()).size()) : 0;
}

void TKxValueStorageImpl::WriteBinary(const QString& name, const QByteArray& bytes) {
    Checked().WriteString(name, QString::fromLatin1(bytes.toHex().toUpper()));
}

} // namespace kx
