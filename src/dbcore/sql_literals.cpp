#include "dbcore/sql_literals.h"

#include "foundation/currency_text.h"
#include "foundation/date_time.h"
#include "foundation/exceptions.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>
#include <cmath>

namespace kx {

namespace {

[[noreturn]] void RaiseNotLiteral() {
    KxRaise(
        QCoreApplication::translate("KxDbCore", "Variant Type Cannot be converted to SQL Literal"),
        QStringLiteral("ValueAsSQLLiteral"));
}

QString FloatingLiteral(double value, int precision) {
    if (!std::isfinite(value))
        RaiseNotLiteral();
    // QString::number is locale-independent: "." and no grouping.
    return QString::number(value, 'g', precision);
}

QString DateLiteral(TKxDateTime value, const QString& dateFormat) {
    if (!std::isfinite(value))
        RaiseNotLiteral();
    const QDateTime moment = KxFromDateTime(value);
    if (!dateFormat.isEmpty())
        return moment.toString(dateFormat);
    const bool hasTime = moment.time() != QTime(0, 0);
    const bool hasDate = std::trunc(value) != 0.0;
    if (hasTime && !hasDate)
        return QStringLiteral("{t '%1'}").arg(moment.time().toString(QStringLiteral("HH:mm:ss")));
    if (!hasTime)
        return QStringLiteral("{d '%1'}").arg(moment.date().toString(QStringLiteral("yyyy-MM-dd")));
    // Fractions of a second are kept: a time stamp used as a key must match exactly.
    const QString format = moment.time().msec() != 0 ? QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")
                                                     : QStringLiteral("yyyy-MM-dd HH:mm:ss");
    return QStringLiteral("{ts '%1'}").arg(moment.toString(format));
}

bool IsRegistryGuid(const QString& text) {
    static const QRegularExpression guid(QStringLiteral(
        "\\A\\{[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}\\}\\z"));
    return guid.match(text).hasMatch();
}

} // namespace

QString ValueAsSQLLiteral(const KxVariant& value, QChar quoteChar, const QString& dateFormat) {
    switch (value.VarType()) {
    case varNull:
        return QStringLiteral("NULL");
    case varSmallint:
    case varInteger:
    case varByte:
    case varBoolean:
    // 64-bit and unsigned integers are ordinary numbers to every database; a BIGINT key of a
    // master record must be usable in a detail condition.
    case varShortInt:
    case varWord:
    case varLongWord:
    case varInt64:
    case varUInt64:
        return value.ToString();
    case varSingle:
        return FloatingLiteral(value.ToDouble(), 7);
    case varDouble:
        return FloatingLiteral(value.ToDouble(), QLocale::FloatingPointShortest);
    case varCurrency:
        return KxCurrencyText(value.ToCurrencyScaled());
    case varDate:
        return DateLiteral(value.ToDouble(), dateFormat);
    case varOleStr:
    case varString:
    case varUString: {
        const QString text = value.ToString();
        if (IsRegistryGuid(text))
            return text;
        QString quoted = text;
        quoted.replace(quoteChar, QString(2, quoteChar));
        return quoteChar + quoted + quoteChar;
    }
    default:
        RaiseNotLiteral();
    }
}

} // namespace kx
