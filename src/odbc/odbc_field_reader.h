#pragma once

#include "foundation/basic_interfaces.h"
#include "odbc/odbc_driver_traits.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace kx {

// Reads column values of a statement's current row with SQLGetData: the one place in the
// program that calls it. Values arrive in chunks until the driver says the value is complete;
// every return code passes the checked call layer, so a failed read raises EODBCError and is
// never taken for the end of a value.
//
// The reader remembers which column it read last and how far, because drivers differ in what
// a column read again means (see TKxOdbcDriverTraits): it continues a value only where the
// driver will continue it, and otherwise starts the value over.
class TKxOdbcFieldReader {
public:
    // Room for `bytes` bytes in total; answers the start of the block (which may move).
    using TKxReadSpace = std::function<void*(std::uint64_t bytes)>;

    struct TKxReadResult {
        bool isNull = false;
        // Bytes of the value now in the target, from its start; for text without the
        // terminating zero (which is written after them).
        std::uint64_t bytes = 0;
        // The whole value arrived (false only for a read with a limit that stopped early).
        bool complete = true;
        // The value's whole length in bytes as the driver told it at the first call; -1 when
        // it could not tell (SQL_NO_TOTAL).
        std::int64_t length = -1;
    };

    // `object` is the component named in errors; `traits` outlive the reader.
    TKxOdbcFieldReader(IKxUnknown* object, const TKxOdbcDriverTraits& traits);

    void SetStatement(SQLHSTMT statement);
    // Forgets what was read: called after every fetch or refresh of the row.
    void NewRow();

    // Reads the value of `column` as `cType` from its start into `space`, at most `limit`
    // bytes (0: the whole value). `firstBytes` are already in the target from an earlier
    // Read of this column on this row that stopped at exactly that many bytes; the reader
    // continues after them when the driver can, and otherwise reads the value again from its
    // start. Raises when the value was read to its end before on this row (a driver cannot
    // give it twice) and for every failed call.
    TKxReadResult Read(SQLUSMALLINT column, SQLSMALLINT cType, const TKxReadSpace& space,
                       const QString& routineName, std::uint64_t limit = 0,
                       std::uint64_t firstBytes = 0);

    // The length of the rest of the value (one SQLGetData with no room); SQL_NULL_DATA for
    // NULL, SQL_NO_TOTAL when the driver cannot tell.
    SQLLEN RemainingLength(SQLUSMALLINT column, SQLSMALLINT cType, const QString& routineName);

    // Brings the driver to byte `offset` of `column` (read as `cType`) for a stream that
    // continues the value there: nothing when it is there already, else the first bytes are
    // read again and dropped. Raises when the value was read to its end on this row.
    void Skip(SQLUSMALLINT column, SQLSMALLINT cType, std::uint64_t offset,
              const QString& routineName);

    // One raw chunk for a stream: up to `count` bytes of `column` into `buffer`, continuing
    // the column. Answers the bytes placed (0 at the end of the value) and sets `indicator`
    // to what the driver said (SQL_NULL_DATA, SQL_NO_TOTAL or the bytes remaining before this
    // call). SQL_NO_DATA here means the end of the value.
    std::uint32_t ReadChunk(SQLUSMALLINT column, SQLSMALLINT cType, void* buffer,
                            std::uint32_t count, SQLLEN& indicator, const QString& routineName);

private:
    SQLRETURN GetData(SQLUSMALLINT column, SQLSMALLINT cType, void* buffer, SQLLEN size,
                      SQLLEN& indicator, const QString& routineName);
    [[noreturn]] void RaiseAlreadyRead(SQLUSMALLINT column, const QString& routineName) const;
    // Where the driver would continue `column` now: its bytes delivered so far when it keeps
    // them, 0 when it starts over; raises when the value was read to its end.
    std::uint64_t DriverPosition(SQLUSMALLINT column, const QString& routineName) const;
    void Delivered(SQLUSMALLINT column, std::uint64_t offset, bool finished);

    IKxUnknown* m_object;
    const TKxOdbcDriverTraits& m_traits;
    SQLHSTMT m_statement = nullptr;
    // The column read last on this row, and per column the bytes the driver delivered on
    // this row (kFinished once it said the value is complete).
    SQLUSMALLINT m_column = 0;
    std::vector<std::uint64_t> m_delivered;
};

} // namespace kx
