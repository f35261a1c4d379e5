#include "odbc/odbc_blob_streams.h"

#include "odbc/odbc_error.h"

#include <QCoreApplication>

namespace kx {

std::int64_t TOdbcBlobStreamBase::Seek(std::int64_t offset, TKxSeekOrigin origin) {
    if (offset == 0 && origin == TKxSeekOrigin::Current)
        return m_position;
    KxRaise(
        QCoreApplication::translate("KxOdbc", "Unsupported Seek operation Offset: %1, Origin: %2")
            .arg(offset)
            .arg(static_cast<int>(origin)),
        QString::fromLatin1(m_className) + QStringLiteral(".Seek"),
        KxObjectDescription::OfInterface(m_owner));
}

void TOdbcBlobStreamBase::RaiseUnsupported(const char* operation) const {
    const QString routine =
        QString::fromLatin1(m_className) + QLatin1Char('.') + QString::fromLatin1(operation);
    KxRaise(QCoreApplication::translate("KxOdbc", "Unsupported Stream Operation: %1").arg(routine),
            routine, KxObjectDescription::OfInterface(m_owner));
}

std::uint32_t TOdbcBlobReadStream::Read(void* buffer, std::uint32_t count) {
    if (m_totalSize >= 0 && m_position >= m_totalSize)
        return 0;
    SQLLEN indicator = 0;
    const std::uint32_t placed =
        m_reader.ReadChunk(m_column, SQL_C_BINARY, buffer, count, indicator,
                           QStringLiteral("TOdbcBlobReadStream.Read"));
    if (m_totalSize < 0 && indicator >= 0)
        m_totalSize = m_position + indicator;
    m_position += placed;
    return placed;
}

std::uint32_t TOdbcBlobReadStream::Write(const void*, std::uint32_t) {
    RaiseUnsupported("Write");
}

std::uint32_t TOdbcBlobWriteStream::Read(void*, std::uint32_t) {
    RaiseUnsupported("Read");
}

std::uint32_t TOdbcBlobWriteStream::Write(const void* buffer, std::uint32_t count) {
    KxOdbcPutData(m_statement, buffer, static_cast<SQLLEN>(count), m_owner,
                  QStringLiteral("TOdbcBlobWriteStream.Write"));
    m_position += count;
    return count;
}

void KxOdbcPutData(SQLHSTMT statement, const void* data, SQLLEN length, IKxUnknown* owner,
                   const QString& routineName) {
    CheckOdbcResult(SQLPutData(statement, const_cast<void*>(data), length), owner, routineName,
                    statement, SQL_HANDLE_STMT);
}

} // namespace kx
