#include "odbc/odbc_field_reader.h"

#include "odbc/odbc_error.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstring>
#include <limits>

namespace kx {
namespace {

constexpr std::uint64_t kFinished = std::numeric_limits<std::uint64_t>::max();
// The first chunk of a value: enough for most values in one call, and when not, the driver
// tells the remaining length and the second call is sized exactly.
constexpr std::uint64_t kFirstChunk = 8192;
// One SQLGetData never asks for more than this.
constexpr std::uint64_t kMaxChunk = std::uint64_t{1} << 30;

int CharSizeOf(SQLSMALLINT cType) {
    switch (cType) {
    case SQL_C_CHAR:
        return 1;
    case SQL_C_WCHAR:
        return 2;
    default:
        return 0;
    }
}

} // namespace

TKxOdbcFieldReader::TKxOdbcFieldReader(IKxUnknown* object, const TKxOdbcDriverTraits& traits)
    : m_object(object), m_traits(traits) {}

void TKxOdbcFieldReader::SetStatement(SQLHSTMT statement) {
    m_statement = statement;
    NewRow();
}

void TKxOdbcFieldReader::NewRow() {
    m_column = 0;
    std::fill(m_delivered.begin(), m_delivered.end(), 0);
}

SQLRETURN TKxOdbcFieldReader::GetData(SQLUSMALLINT column, SQLSMALLINT cType, void* buffer,
                                      SQLLEN size, SQLLEN& indicator, const QString& routineName) {
    indicator = 0;
    const SQLRETURN rc = SQLGetData(m_statement, column, cType, buffer, size, &indicator);
    m_column = column;
    if (rc != SQL_NO_DATA)
        CheckOdbcResult(rc, m_object, routineName, m_statement, SQL_HANDLE_STMT);
    return rc;
}

void TKxOdbcFieldReader::RaiseAlreadyRead(SQLUSMALLINT column, const QString& routineName) const {
    KxRaise(QCoreApplication::translate(
                "KxOdbc", "The value of column %1 was read to its end already; the driver "
                          "cannot give it again before the row is fetched anew")
                .arg(column),
            routineName, KxObjectDescription::OfInterface(m_object));
}

std::uint64_t TKxOdbcFieldReader::DriverPosition(SQLUSMALLINT column,
                                                 const QString& routineName) const {
    const std::uint64_t delivered = column < m_delivered.size() ? m_delivered[column] : 0;
    if (delivered == kFinished)
        RaiseAlreadyRead(column, routineName);
    if (column == m_column || m_traits.keepsGetDataOffsetPerColumn)
        return delivered;
    return 0;
}

void TKxOdbcFieldReader::Delivered(SQLUSMALLINT column, std::uint64_t offset, bool finished) {
    if (column >= m_delivered.size())
        m_delivered.resize(static_cast<std::size_t>(column) + 1, 0);
    m_delivered[column] = finished ? kFinished : offset;
}

TKxOdbcFieldReader::TKxReadResult TKxOdbcFieldReader::Read(SQLUSMALLINT column, SQLSMALLINT cType,
                                                           const TKxReadSpace& space,
                                                           const QString& routineName,
                                                           std::uint64_t limit,
                                                           std::uint64_t firstBytes) {
    const int charSize = CharSizeOf(cType);
    const std::uint64_t driverAt = DriverPosition(column, routineName);
    // Continue after the bytes the target holds when the driver continues there; otherwise
    // the driver starts over and the value is read again from its start.
    if (driverAt != 0 && driverAt != firstBytes)
        RaiseAlreadyRead(column, routineName);
    TKxReadResult result;
    std::uint64_t used = driverAt;
    std::uint64_t step = kFirstChunk;
    if (limit != 0)
        step = std::max<std::uint64_t>(limit - std::min(limit, used), 1);
    bool firstCall = true;
    for (;;) {
        step = std::min(step, kMaxChunk);
        auto* base = static_cast<unsigned char*>(space(used + step + charSize));
        const SQLLEN room = static_cast<SQLLEN>(step + charSize);
        SQLLEN indicator = 0;
        const SQLRETURN rc = GetData(column, cType, base + used, room, indicator, routineName);
        if (rc == SQL_NO_DATA) {
            // Nothing at all on the first call means the value was consumed before; after
            // earlier chunks it is the end of the value.
            if (firstCall && used == 0)
                RaiseAlreadyRead(column, routineName);
            break;
        }
        if (indicator == SQL_NULL_DATA) {
            result.isNull = true;
            Delivered(column, 0, true);
            return result;
        }
        if (firstCall && indicator != SQL_NO_TOTAL)
            result.length = static_cast<std::int64_t>(used) + indicator;
        firstCall = false;
        // What one call can place: the room without the terminating zero, whole characters.
        const std::uint64_t placeable =
            charSize == 0 ? step : step / static_cast<std::uint64_t>(charSize) * charSize;
        if (indicator != SQL_NO_TOTAL && static_cast<std::uint64_t>(indicator) <= placeable) {
            used += static_cast<std::uint64_t>(indicator);
            break;
        }
        used += placeable;
        if (limit != 0 && used >= limit) {
            result.complete = false;
            break;
        }
        // The driver tells how much is left, or (SQL_NO_TOTAL) not: then the chunks grow.
        step = indicator == SQL_NO_TOTAL ? step * 2
                                         : static_cast<std::uint64_t>(indicator) - placeable;
        if (limit != 0)
            step = std::min(step, limit - used);
    }
    if (charSize != 0) {
        auto* base = static_cast<unsigned char*>(space(used + charSize));
        std::memset(base + used, 0, static_cast<std::size_t>(charSize));
    }
    result.bytes = used;
    if (result.complete)
        result.length = static_cast<std::int64_t>(used);
    Delivered(column, used, result.complete);
    return result;
}

SQLLEN TKxOdbcFieldReader::RemainingLength(SQLUSMALLINT column, SQLSMALLINT cType,
                                           const QString& routineName) {
    DriverPosition(column, routineName);
    // A zero-length read of binary data tells the length without moving; text needs room
    // for the terminating zero, so it is asked for with a one-character buffer.
    unsigned char scratch[2] = {};
    SQLLEN indicator = 0;
    const SQLRETURN rc = GetData(column, cType, scratch, 0, indicator, routineName);
    if (rc == SQL_NO_DATA)
        RaiseAlreadyRead(column, routineName);
    return indicator;
}

void TKxOdbcFieldReader::Skip(SQLUSMALLINT column, SQLSMALLINT cType, std::uint64_t offset,
                              const QString& routineName) {
    if (DriverPosition(column, routineName) == offset)
        return;
    std::vector<unsigned char> scratch;
    const TKxReadResult result = Read(
        column, cType,
        [&scratch](std::uint64_t bytes) {
            scratch.resize(static_cast<std::size_t>(bytes));
            return static_cast<void*>(scratch.data());
        },
        routineName, offset);
    if (result.complete && result.bytes < offset)
        RaiseAlreadyRead(column, routineName);
}

std::uint32_t TKxOdbcFieldReader::ReadChunk(SQLUSMALLINT column, SQLSMALLINT cType, void* buffer,
                                            std::uint32_t count, SQLLEN& indicator,
                                            const QString& routineName) {
    indicator = 0;
    const std::uint64_t delivered = column < m_delivered.size() ? m_delivered[column] : 0;
    if (delivered == kFinished)
        return 0; // the stream is at the end of the value
    const std::uint64_t at = DriverPosition(column, routineName);
    const SQLRETURN rc = GetData(column, cType, buffer, count, indicator, routineName);
    if (rc == SQL_NO_DATA || indicator == SQL_NULL_DATA) {
        Delivered(column, 0, true);
        return 0;
    }
    const bool whole = indicator != SQL_NO_TOTAL && static_cast<std::uint64_t>(indicator) <= count;
    const auto placed = whole ? static_cast<std::uint32_t>(indicator) : count;
    Delivered(column, at + placed, whole);
    return placed;
}

} // namespace kx
