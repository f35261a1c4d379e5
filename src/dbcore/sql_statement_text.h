#pragma once

#include "foundation/kx_variant.h"

#include <QString>

namespace kx {

// Adds the condition "FieldName Operator Value" (or "FieldName IS NULL" for a Null value) to
// the text of a WHERE part. When the field already stands in the text (as a whole word), the
// condition there is replaced, assuming the blank-separated form this routine writes;
// otherwise the condition is appended in brackets, joined by `conjunction`.
QString AddWhereCondition(const QString& where, const QString& fieldName, const QString& op,
                          const KxVariant& value, const QString& conjunction);

// Whether the first word of the text is SELECT (any case).
bool IsSelectStatement(const QString& text);

// What the first word of a statement says it does.
enum TKxSQLStatementKind : int {
    skOther = 0,
    skSelect = 1,
    skExecute = 2,
    skModify = 3,     // INSERT, UPDATE, DELETE
    skDefinition = 4, // CREATE, ALTER, DROP
};
TKxSQLStatementKind GetSQLStatementKind(const QString& text);

// Whether every item of a select list (items separated by "," or ";") starts with min, max,
// avg, count or sum; false for an empty list. Textual: a comma inside an aggregate's
// brackets splits the item like any other.
bool IsAggregateSelectList(const QString& selectList);

// "SELECT * FROM table", or with an order field "SELECT * FROM table ORDER BY field ASC;".
QString BuildSelectAllStatement(const QString& tableName, const QString& orderField);

} // namespace kx
