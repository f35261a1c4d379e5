#pragma once

#include "foundation/kx_variant.h"

#include <QChar>
#include <QString>

namespace kx {

// A value written as an SQL literal for text sent to the driver:
//  - Null: NULL;
//  - integers, byte, Boolean: their standard text;
//  - single, double, currency: "." as decimal separator and no grouping, in every locale;
//  - dates: with `dateFormat` (Qt's date-time format syntax) when given; otherwise as ODBC
//    escapes, {d 'yyyy-MM-dd'} for a date without time, {t 'hh:mm:ss'} for a time without
//    date and {ts 'yyyy-MM-dd hh:mm:ss'} for both, which every driver reads in every locale;
//  - text: a GUID in registry form ("{…}") as it is, anything else between `quoteChar`s
//    with each `quoteChar` inside doubled.
// Everything else (empty, byte arrays, infinite or NaN numbers) raises "Variant Type Cannot
// be converted to SQL Literal".
QString ValueAsSQLLiteral(const KxVariant& value, QChar quoteChar = QLatin1Char('\''),
                          const QString& dateFormat = {});

} // namespace kx
