#include "dbcore/field_value_text.h"

#include "foundation/date_time.h"
#include "foundation/exceptions.h"

#include <QCoreApplication>
#include <QLocale>
#include <cmath>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxDbCore", text);
}

[[noreturn]] void RaiseUnsupportedKind(int dataType, const char* routine) {
    KxRaise(KxUnsupportedValueText(dataType, QString::fromLatin1(kxFieldDataTypeTypeName)),
            QString::fromLatin1(routine));
}

// The locale's long time format without its time-zone part ("t"): a column value has no zone.
QString LongTimeFormat(const QLocale& locale) {
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return format.trimmed();
}

bool BoolFromText(const QString& text) {
    // The first letters the program has always taken for yes: true, 1, wahr, yes, si, and q.
    static const QString kTrueLetters = QStringLiteral("tT1wWyYsSqQ");
    return !text.isEmpty() && kTrueLetters.contains(text.front());
}

double DoubleFromText(const QString& text, int dataType, const QString& routine) {
    bool ok = false;
    const double value = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok)
        KxRaise(Tr("\"%1\" is not a valid floating point value").arg(text), routine);
    if (dataType == fdtSingle && std::isfinite(value) && std::fabs(value) > 3.4028234663852886e38)
        KxRaise(Tr("Invalid variant operation (out of range)"), routine);
    return value;
}

// A two-digit year means the century within fifty years of today, as users type them: Qt
// alone reads «3/15/23» as 1923.
QDateTime WithCenturyWindow(QDateTime moment, const QString& format) {
    if (!moment.isValid() || !format.contains(QStringLiteral("yy")) ||
        format.contains(QStringLiteral("yyyy")))
        return moment;
    const int pivot = QDate::currentDate().year() - 50;
    if (moment.date().year() < pivot)
        moment = moment.addYears(100);
    return moment;
}

KxVariant DateTimeFromText(const QString& text, int dataType, const QString& routine) {
    const QLocale locale;
    const QString trimmed = text.trimmed();
    QDateTime moment;
    switch (dataType) {
    case fdtDate:
        moment =
            WithCenturyWindow(QDateTime(locale.toDate(trimmed, QLocale::ShortFormat), QTime(0, 0)),
                              locale.dateFormat(QLocale::ShortFormat));
        if (!moment.isValid())
            moment = QDateTime(QDate::fromString(trimmed, Qt::ISODate), QTime(0, 0));
        break;
    case fdtTime: {
        QTime time = locale.toTime(trimmed, LongTimeFormat(locale));
        if (!time.isValid())
            time = locale.toTime(trimmed, QLocale::ShortFormat);
        if (!time.isValid())
            time = QTime::fromString(trimmed, Qt::ISODate);
        if (time.isValid())
            return KxVariant::FromDateTime(time.msecsSinceStartOfDay() / 86400000.0);
        break;
    }
    default: {
        const QString dateFormat = locale.dateFormat(QLocale::ShortFormat);
        // "short date, blank, long time" (the form the cell shows, without a zone), then the
        // locale's short date-time, then the date alone.
        const QString formats[] = {dateFormat + QLatin1Char(' ') + LongTimeFormat(locale),
                                   locale.dateTimeFormat(QLocale::ShortFormat), dateFormat};
        for (const QString& format : formats) {
            moment = WithCenturyWindow(locale.toDateTime(trimmed, format), format);
            if (moment.isValid())
                break;
        }
        if (!moment.isValid())
            moment = QDateTime::fromString(trimmed, Qt::ISODate);
        break;
    }
    }
    if (!moment.isValid())
        KxRaise(Tr("\"%1\" is not a valid date and time").arg(text), routine);
    return KxVariant::FromDateTime(KxToDateTime(moment));
}

} // namespace

QString KxDateTimeDisplayText(double value, bool alwaysTime) {
    const QDateTime moment = KxFromDateTime(value);
    const QLocale locale;
    const bool hasDate = std::trunc(value) != 0;
    const bool hasTime = moment.time() != QTime(0, 0);
    const QString timeText = moment.time().toString(LongTimeFormat(locale));
    if (!hasDate && (hasTime || alwaysTime))
        return timeText;
    if (!hasDate)
        return {};
    const QString dateText = locale.toString(moment.date(), QLocale::ShortFormat);
    if (!hasTime && !alwaysTime)
        return dateText;
    return dateText + QLatin1Char(' ') + timeText;
}

QString KxFieldValueDisplayText(int dataType, const KxVariant& value) {
    if (value.IsEmptyOrNull())
        return {};
    switch (dataType) {
    case fdtBool:
        return value.ToBool() ? Tr("True") : Tr("False");
    case fdtDate:
    case fdtDateTime:
        return KxDateTimeDisplayText(value.ToDouble(), false);
    case fdtTime:
        return KxDateTimeDisplayText(value.ToDouble(), true);
    case fdtDouble:
    case fdtNumeric:
        // The shortest text that reads back as the same double: every digit the database
        // holds (3.141592653589793, not 3.14159265358979), as psql and isql show it. It is
        // also several times faster to compute than a fixed count of significant digits.
        return QLocale().toString(value.ToDouble(), 'g', QLocale::FloatingPointShortest);
    default:
        return value.ToString();
    }
}

namespace {

// The kinds a typed text and a search text convert alike; false for the others.
bool ValueOfCommonKind(const QString& text, int dataType, const QString& routine,
                       KxVariant& value) {
    switch (dataType) {
    case fdtBool:
        value = KxVariant(BoolFromText(text));
        return true;
    case fdtSingle:
    case fdtDouble:
    case fdtNumeric:
        value = KxVariant(DoubleFromText(text, dataType, routine));
        return true;
    case fdtDate:
    case fdtTime:
    case fdtDateTime:
        value = DateTimeFromText(text, dataType, routine);
        return true;
    case fdtString:
    case fdtWideString:
    case fdtGUID:
        value = KxVariant(text);
        return true;
    default:
        return false;
    }
}

// Integers at full width: a BIGINT key of 5 000 000 000 is typed like any other number, and
// UInt64 takes the values above the signed range. The buffer checks the range of its own kind
// when the value is stored.
bool IntegerFromText(const QString& text, int dataType, const QLocale& locale, KxVariant& value) {
    bool ok = false;
    const qlonglong signedValue = locale.toLongLong(text, &ok);
    if (ok) {
        value = KxVariant(static_cast<std::int64_t>(signedValue));
        return true;
    }
    if (dataType == fdtUInt64) {
        const qulonglong unsignedValue = locale.toULongLong(text, &ok);
        if (ok)
            value = KxVariant(static_cast<std::uint64_t>(unsignedValue));
    }
    return ok;
}

} // namespace

KxVariant KxFieldValueFromText(const QString& text, int dataType) {
    const QString routine = QStringLiteral("SetAsString");
    if (text.isEmpty())
        return KxVariant::Null();
    KxVariant value;
    if (ValueOfCommonKind(text, dataType, routine, value))
        return value;
    if (KxIsMemoKind(dataType))
        return KxVariant(text);
    if (KxIsIntegerKind(dataType)) {
        if (!IntegerFromText(text.trimmed(), dataType, QLocale(), value))
            KxRaise(Tr("\"%1\" is not a valid integer value").arg(text), routine);
        return value;
    }
    RaiseUnsupportedKind(dataType, "SetAsString");
}

KxVariant ConvertStringToFieldType(const QString& text, int dataType) {
    const QString routine = QStringLiteral("ConvertStringToFieldType");
    KxVariant value;
    if (KxIsIntegerKind(dataType)) {
        // A search for a number takes the digits of whatever was typed ("no. 42" finds 42).
        QString digits;
        const QString trimmed = text.trimmed();
        if (trimmed.startsWith(QLatin1Char('-')))
            digits += QLatin1Char('-');
        for (const QChar c : trimmed) {
            if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                digits += c;
        }
        if (digits.isEmpty() || digits == QStringLiteral("-"))
            digits = QStringLiteral("0");
        if (!IntegerFromText(digits, dataType, QLocale::c(), value))
            KxRaise(Tr("Invalid variant operation (out of range)"), routine);
        return value;
    }
    if (ValueOfCommonKind(text, dataType, routine, value))
        return value;
    RaiseUnsupportedKind(dataType, "ConvertStringToFieldType");
}

} // namespace kx
