#include "foundation/date_time.h"

#include <QLocale>
#include <cmath>

namespace kx {
namespace {

const QDate kEpoch(1899, 12, 30);
constexpr double kMillisecondsPerDay = 86400000.0;

} // namespace

TKxDateTime KxToDateTime(const QDateTime& value) {
    const double days = static_cast<double>(kEpoch.daysTo(value.date()));
    const double fraction = value.time().msecsSinceStartOfDay() / kMillisecondsPerDay;
    // Before the epoch the fraction still counts forward from midnight, so it is subtracted
    // from the (negative) day number, as in the classic representation.
    return days >= 0 ? days + fraction : days - fraction;
}

QDateTime KxFromDateTime(TKxDateTime value) {
    const double days = std::trunc(value);
    const double fraction = std::fabs(value - days);
    const qint64 msecs = std::llround(fraction * kMillisecondsPerDay);
    QDateTime result(kEpoch.addDays(static_cast<qint64>(days)), QTime(0, 0));
    return result.addMSecs(msecs);
}

QString KxDateTimeToString(TKxDateTime value) {
    const QDateTime moment = KxFromDateTime(value);
    const QLocale locale;
    QString text = locale.toString(moment.date(), QLocale::ShortFormat);
    if (moment.time() != QTime(0, 0))
        text += QLatin1Char(' ') + locale.toString(moment.time(), QLocale::LongFormat);
    return text;
}

} // namespace kx
