#pragma once

// The result sets of a batch run, written as text in one of four formats. Every format reads
// the driver's text of each value and writes it the one way described here:
//
// Values of every format
//   - Binary values are lower-case hexadecimal digits.
//   - Date-times are ISO 8601: "2024-05-01 13:45:00.25" is written "2024-05-01T13:45:00.25"
//     (a fraction is kept); a date or a time alone is written as the driver gave it.
//   - Numbers are the driver's decimal text, booleans its text ("0"/"1") except in JSON.
//   - maxRows >= 0 limits the rows written in every format; the rows after it are still
//     counted. A negative maxRows writes every row.
//
// table  For people. A line of column names, a rule, one line per row, then "(n row(s))"
//        counting every row of the result and, when rows were left out, a line saying how
//        many. Columns are separated by " | " and aligned by the cells the text takes on a
//        terminal (a CJK character takes two). A value longer than 40 cells is cut with "…";
//        a line break (CRLF, LF or CR), a tab or another control character shows as one
//        blank; NULL shows as NULL. The columns are sized from the rows held back until the
//        result ends: at most maxRows rows. When every row is asked for, the first 1000 rows
//        size the columns and are printed; later rows are printed as they come, and a wider
//        value widens its column from that row on (those lines no longer line up with the
//        header). A blank line follows each result set.
//
// tsv    For scripts and PostgreSQL's COPY ... FROM (text format). A line of column names,
//        then one line per row, values separated by a tab, lines ended by "\n". NULL is \N;
//        a backslash, tab, line feed and carriage return inside a value (or a name) are
//        written \\ \t \n \r. Each result set starts with its own line of names.
//
// csv    RFC 4180: a record of column names, then one record per row, each record ended by
//        CRLF. A field is put in double quotes when it holds a comma, a double quote, a CR or
//        an LF (a double quote inside is doubled) and also when it is empty text, so that ""
//        is an empty string while an empty unquoted field is NULL. Each result set starts
//        with its own record of names.
//
// json   One JSON array per result set on one line, written while the rows arrive and
//        followed by a newline: [{"id":1,"name":"x"},{"id":2,"name":null}]. NULL is null;
//        a number whose text is a valid JSON number is written bare, otherwise as a string;
//        a boolean "1"/"true" is true and "0"/"false" false (any case), any other text a
//        string; binary, date-time and text values are strings. Strings escape the quote,
//        the backslash, control characters (as \u00XX) and U+2028/U+2029; other non-ASCII
//        characters are written as UTF-8. A column name that repeats within a result set
//        gets "_2", "_3", … (the first number that makes it unique) so keys stay unique:
//        "id", "id" become "id", "id_2".

#include <QString>
#include <QTextStream>
#include <memory>
#include <optional>
#include <vector>

namespace kx {

enum class TKxResultFormat { Table, Tsv, Csv, Json };

// Parses "table", "tsv", "csv", "json" (any case); false for anything else.
bool KxParseResultFormat(const QString& text, TKxResultFormat& format);

// How a column's values are written (JSON writes numbers and booleans bare).
enum class TKxValueKind { Text, Number, Boolean, Binary, DateTime };

struct TKxResultColumn {
    QString name;
    TKxValueKind kind = TKxValueKind::Text;
};

// Writes result sets as they are read, row by row: memory never grows with the number of rows
// (the table format keeps at most maxRows rows to size its columns).
class TKxResultWriter {
public:
    virtual ~TKxResultWriter() = default;
    virtual void Begin(const std::vector<TKxResultColumn>& columns) = 0;
    // One row; std::nullopt is NULL. Values arrive as the ODBC driver's text: Binary as hex
    // digits, DateTime as "YYYY-MM-DD hh:mm:ss[.fraction]" (or a date or a time alone),
    // Number as the driver's decimal text, Boolean as "0"/"1" (or the driver's text).
    virtual void Row(const std::vector<std::optional<QString>>& values) = 0;
    // The result set ended after `rows` rows in all (also those not written).
    virtual void End(qint64 rows) = 0;
    // After the run's last result set.
    virtual void Finish() = 0;
};

// maxRows < 0: every row. `out` outlives the writer.
std::unique_ptr<TKxResultWriter> KxCreateResultWriter(TKxResultFormat format, QTextStream& out,
                                                      qint64 maxRows);

// The cells a text takes on a terminal: East Asian wide and fullwidth characters count two,
// combining marks and zero-width characters none.
int KxDisplayWidth(const QString& text);

} // namespace kx
