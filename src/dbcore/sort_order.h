#pragma once

#include <QString>
#include <QStringList>

namespace kx {

enum TKxSortOrder : int { soNone = 0, soAscending = 1, soDescending = 2 };

// "", "ASC", "DESC": the words an ORDER BY item carries for each order.
QString KxSortOrderWord(TKxSortOrder order);

// The ORDER BY part is a list of items separated by "," or ";"; an item is a column
// expression, optionally followed by a direction word. Words are delimited by
// "," ";" "(" ")" and white space — not by ".", so «t.Name» is not the field «Name».

// The order of `fieldName` in `orderBy`: the word after it in the first item naming it as a
// whole word (ignoring case) decides — nothing → ascending, a prefix of "DESC" of up to four
// letters → descending; not named → soNone.
TKxSortOrder KxFieldSortOrder(const QString& orderBy, const QString& fieldName);

// The ORDER BY part with `fieldName` sorted by `order`. Keeping the other fields, a field
// that is already listed keeps its rank and a new one is appended; otherwise the field
// alone. soNone removes the field.
QString KxOrderByWithField(const QString& orderBy, const QString& fieldName, TKxSortOrder order,
                           bool keepOtherFields);

// The column of the first ORDER BY item without its direction word; false when there is none.
bool KxFirstSortField(const QString& orderBy, QString& fieldName);

// The terms of an ORDER BY in their order ("a DESC", "\"Unit Price\""), separated by "," or
// ";" outside quoted names and trimmed; empty terms are left out.
QStringList KxOrderByTerms(const QString& orderBy);

// Whether `term` sorts by `fieldName`: one of its words is the name, plain or quoted ("",
// `` or []), compared without case. `direction` then tells the direction word after it
// (soAscending when there is none).
bool KxTermSortsField(const QString& term, const QString& fieldName, TKxSortOrder& direction);

} // namespace kx
