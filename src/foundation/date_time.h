#pragma once

#include <QDateTime>
#include <QString>

namespace kx {

// The program's date-time value: days since 1899-12-30 as a double, the time of day in the
// fraction. Fields, variants and the settings file all exchange dates in this form.
using TKxDateTime = double;

TKxDateTime KxToDateTime(const QDateTime& value);
QDateTime KxFromDateTime(TKxDateTime value);

// "Short date" and "long time" of the user's locale; the time is left out when the value
// has none, as users expect of a date column.
QString KxDateTimeToString(TKxDateTime value);

} // namespace kx
