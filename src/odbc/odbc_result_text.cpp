#include "odbc/odbc_result_text.h"

#include "odbc/odbc_error.h"
#include "odbc/odbc_sql_types.h"

#include <vector>

namespace kx {

TKxOdbcResultText::TKxOdbcResultText(SQLHSTMT statement, IKxUnknown* object,
                                     const TKxOdbcDriverTraits& traits)
    : m_statement(statement), m_object(object), m_reader(object, traits) {
    m_reader.SetStatement(statement);
}

int TKxOdbcResultText::ColumnCount() {
    SQLSMALLINT count = 0;
    CheckOdbcResult(SQLNumResultCols(m_statement, &count), m_object,
                    QStringLiteral("GetODBCFieldCount"), m_statement, SQL_HANDLE_STMT);
    return count;
}

QString TKxOdbcResultText::ColumnName(int column) {
    SQLCHAR name[256] = {};
    SQLSMALLINT length = 0;
    CheckOdbcResult(SQLColAttribute(m_statement, static_cast<SQLUSMALLINT>(column), SQL_DESC_NAME,
                                    name, sizeof name - 1, &length, nullptr),
                    m_object, QStringLiteral("CreateFields"), m_statement, SQL_HANDLE_STMT);
    return QString::fromUtf8(reinterpret_cast<const char*>(name));
}

int TKxOdbcResultText::ColumnType(int column) {
    const auto number = [&](SQLUSMALLINT field) {
        SQLLEN value = SQL_UNKNOWN_TYPE;
        CheckOdbcResult(SQLColAttribute(m_statement, static_cast<SQLUSMALLINT>(column), field,
                                        nullptr, 0, nullptr, &value),
                        m_object, QStringLiteral("CreateFields"), m_statement, SQL_HANDLE_STMT);
        return value;
    };
    // As the recordset reads it: some drivers (SQLite3's for BLOB) tell the truth only in
    // the verbose type.
    return KxColumnSqlType(number(SQL_DESC_CONCISE_TYPE), number(SQL_DESC_TYPE));
}

bool TKxOdbcResultText::Fetch() {
    const SQLRETURN rc = SQLFetch(m_statement);
    m_reader.NewRow();
    if (rc == SQL_NO_DATA)
        return false;
    CheckOdbcResult(rc, m_object, QStringLiteral("MoveToNext"), m_statement, SQL_HANDLE_STMT);
    return true;
}

std::optional<QString> TKxOdbcResultText::Text(int column, std::uint64_t maxBytes) {
    const auto result = m_reader.Read(
        static_cast<SQLUSMALLINT>(column), SQL_C_CHAR,
        [this](std::uint64_t size) {
            if (m_buffer.size() < size)
                m_buffer.resize(static_cast<std::size_t>(size));
            return static_cast<void*>(m_buffer.data());
        },
        QStringLiteral("ReadValueText"), maxBytes);
    if (result.isNull)
        return std::nullopt;
    return QString::fromUtf8(m_buffer.data(), static_cast<qsizetype>(result.bytes));
}

std::optional<QString> TKxOdbcResultText::Hex(int column) {
    QByteArray bytes;
    const auto result = m_reader.Read(
        static_cast<SQLUSMALLINT>(column), SQL_C_BINARY,
        [&bytes](std::uint64_t size) {
            bytes.resize(static_cast<qsizetype>(size));
            return static_cast<void*>(bytes.data());
        },
        QStringLiteral("ReadValueText"), 0);
    if (result.isNull)
        return std::nullopt;
    bytes.truncate(static_cast<qsizetype>(result.bytes));
    return QString::fromLatin1(bytes.toHex());
}

} // namespace kx
