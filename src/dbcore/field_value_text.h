#pragma once

#include "dbcore/field_data_type.h"
#include "foundation/kx_variant.h"

#include <QString>

namespace kx {

// The texts of field values: what a cell shows for a value of a kind, and the value a text
// typed by the user (an edited cell, a search text) stands for.

// The display text of a non-null value of kind `dataType` (Null and empty give "").
QString KxFieldValueDisplayText(int dataType, const KxVariant& value);

// The date-time display rule: only the time when there is no date part, only the date when
// there is no time part, both otherwise; `alwaysTime` shows a time of day even at midnight
// (a TIME column's 00:00:00 is a value, not a missing one).
QString KxDateTimeDisplayText(double value, bool alwaysTime);

// The value of a text typed into a field of kind `dataType` (empty text: Null). Integer
// kinds are range-checked when the value is stored, not here. Raises "Unsupported value
// (%d) for "TKxFieldDataType"" (routine SetAsString) for kinds a text cannot express.
KxVariant KxFieldValueFromText(const QString& text, int dataType);

// The value a search text stands for in a column of kind `dataType`: like typed text, but
// an integer search keeps only the digits (and a leading minus). Routine
// ConvertStringToFieldType.
KxVariant ConvertStringToFieldType(const QString& text, int dataType);

} // namespace kx
