#pragma once

#include "odbc/odbc_field_reader.h"

#include <QString>
#include <optional>
#include <vector>

namespace kx {

// The open result of a statement read row by row as text, for printing it: column names,
// a fetch that raises on failure (only SQL_NO_DATA ends the rows) and each value as the
// driver's own text (exact for numbers of any precision), read through the field reader.
class TKxOdbcResultText {
public:
    // `object` is the statement component named in errors; `traits` outlive this object.
    TKxOdbcResultText(SQLHSTMT statement, IKxUnknown* object, const TKxOdbcDriverTraits& traits);

    // 0 when the statement produced no result set.
    int ColumnCount();
    QString ColumnName(int column);
    // The column's concise SQL type (SQL_INTEGER, SQL_TYPE_TIMESTAMP, …).
    int ColumnType(int column);
    // Moves to the next row; false at the end of the rows.
    bool Fetch();
    // The value of `column` in the current row as text, at most `maxBytes` of it (0: all);
    // nothing for NULL.
    std::optional<QString> Text(int column, std::uint64_t maxBytes);
    // A binary value as lower-case hex digits (drivers disagree on how they write binary as
    // text: SQLite3's gives X'00FF'); nothing for NULL.
    std::optional<QString> Hex(int column);

private:
    SQLHSTMT m_statement;
    IKxUnknown* m_object;
    TKxOdbcFieldReader m_reader;
    // Reused for every value: a fresh buffer per value would be cleared each time.
    std::vector<char> m_buffer;
};

} // namespace kx
