#pragma once

#include "foundation/basic_interfaces.h"
#include "foundation/streams.h"
#include "odbc/odbc_field_reader.h"

namespace kx {

// The streams the compressor and decompressor run over when a binary value travels between
// a value buffer and the driver: reading continues the column with SQLGetData (through the
// field reader), writing sends data-at-execution with SQLPutData. Both only go forward: the
// only seek they know answers the bytes moved so far.
class TOdbcBlobStreamBase : public TKxStream {
public:
    std::int64_t Seek(std::int64_t offset, TKxSeekOrigin origin) override;

protected:
    // `owner` is the component named in errors.
    explicit TOdbcBlobStreamBase(IKxUnknown* owner, const char* className)
        : m_owner(owner), m_className(className) {}

    [[noreturn]] void RaiseUnsupported(const char* operation) const;

    IKxUnknown* m_owner;
    const char* m_className;
    std::int64_t m_position = 0;
};

class TOdbcBlobReadStream : public TOdbcBlobStreamBase {
public:
    // Reads the rest of `column` as binary data; `reader` is where the statement's reads go.
    TOdbcBlobReadStream(IKxUnknown* owner, TKxOdbcFieldReader& reader, SQLUSMALLINT column)
        : TOdbcBlobStreamBase(owner, "TOdbcBlobReadStream"), m_reader(reader), m_column(column) {}

    std::uint32_t Read(void* buffer, std::uint32_t count) override;
    std::uint32_t Write(const void* buffer, std::uint32_t count) override;
    // The bytes that were left of the value at the first read; -1 before it, or when the
    // driver could not tell.
    std::int64_t TotalSize() const { return m_totalSize; }

private:
    TKxOdbcFieldReader& m_reader;
    SQLUSMALLINT m_column;
    std::int64_t m_totalSize = -1;
};

class TOdbcBlobWriteStream : public TOdbcBlobStreamBase {
public:
    TOdbcBlobWriteStream(IKxUnknown* owner, SQLHSTMT statement)
        : TOdbcBlobStreamBase(owner, "TOdbcBlobWriteStream"), m_statement(statement) {}

    std::uint32_t Read(void* buffer, std::uint32_t count) override;
    std::uint32_t Write(const void* buffer, std::uint32_t count) override;

private:
    SQLHSTMT m_statement;
};

// Sends one piece of a data-at-execution value (SQLPutData through the checked call layer).
void KxOdbcPutData(SQLHSTMT statement, const void* data, SQLLEN length, IKxUnknown* owner,
                   const QString& routineName);

} // namespace kx
