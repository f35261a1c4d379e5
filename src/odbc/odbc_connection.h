#pragma once

#include "foundation/questions.h"
#include "odbc/odbc_driver_traits.h"
#include "odbc/odbc_environment.h"

#include <QPointer>
#include <memory>
#include <optional>

namespace kx {

class TKxOdbcConnection;
class TKxOdbcStatementBase;

// Settings of a connection that live in an object of their own; each setter applies its
// value at once while the connection is open.
class TOdbcComponentSubProperty {
public:
    explicit TOdbcComponentSubProperty(TKxOdbcConnection& owner) : m_owner(owner) {}
    virtual ~TOdbcComponentSubProperty() = default;
    TOdbcComponentSubProperty(const TOdbcComponentSubProperty&) = delete;
    TOdbcComponentSubProperty& operator=(const TOdbcComponentSubProperty&) = delete;

protected:
    TKxOdbcConnection& Owner() const { return m_owner; }

private:
    TKxOdbcConnection& m_owner;
};

class TOdbcTraceProperties : public TOdbcComponentSubProperty {
public:
    using TOdbcComponentSubProperty::TOdbcComponentSubProperty;

    bool EnableTracing() const { return m_enableTracing; }
    void SetEnableTracing(bool value);
    QString TraceFilename() const { return m_traceFilename; }
    void SetTraceFilename(const QString& value);

    bool Equals(const TOdbcTraceProperties& other) const;
    void Assign(const TOdbcTraceProperties& source);

private:
    bool m_enableTracing = false;
    QString m_traceFilename = QStringLiteral("\\SQL.LOG");
};

class TOdbcTranslateProperties : public TOdbcComponentSubProperty {
public:
    using TOdbcComponentSubProperty::TOdbcComponentSubProperty;

    QString TranslationDLLFilename() const { return m_dllFilename; }
    void SetTranslationDLLFilename(const QString& value);
    std::uint32_t TranslationAttributes() const { return m_attributes; }
    void SetTranslationAttributes(std::uint32_t value);

    bool Equals(const TOdbcTranslateProperties& other) const;
    void Assign(const TOdbcTranslateProperties& source);

private:
    QString m_dllFilename;
    std::uint32_t m_attributes = 0;
};

// Runs a modifying statement directly on a connection.
class IKxExecuteDirect : public virtual IKxUnknown {
public:
    static constexpr KxGuid IID{
        0x6B9C1AD1, 0x4E21, 0x4C5B, {0x9A, 0x10, 0x2F, 0x61, 0x0B, 0x7C, 0x1C, 0x01}};
    // Answers through `recordsAffected` (when given) what the driver reports, -1 when unknown.
    virtual void ExecuteDirect(const QString& sqlText, SQLLEN* recordsAffected) = 0;
};

// A connection to a data source. Open means: the connection handle is allocated, every
// connect attribute is applied and SQLDriverConnect succeeded. Closing rolls back a manual
// transaction, disconnects and frees the handle.
class TKxOdbcConnection : public TKxOdbcTransactionComponent,
                          public virtual IKxAskBoolean,
                          public virtual IKxExecuteDirect {
public:
    explicit TKxOdbcConnection(QObject* owner = nullptr);
    ~TKxOdbcConnection() override;

    SQLSMALLINT HandleType() const override { return SQL_HANDLE_DBC; }
    // Question 9 (may data be modified): true unless the access mode is read-only.
    int AskBoolean(int id) override;
    bool Connected() const { return m_connected; }
    // Executes `sqlText` once on a temporary statement (opening the connection on demand);
    // an empty text does nothing.
    void ExecuteDirect(const QString& sqlText, SQLLEN* recordsAffected = nullptr) override;
    // The character the data source quotes identifiers with (SQL_IDENTIFIER_QUOTE_CHAR),
    // asked once per connect; empty when it has none. Opens the connection on demand.
    QString IdentifierQuoteChar();
    // The character the driver puts before "_" and "%" in catalog search patterns to take
    // them literally (SQL_SEARCH_PATTERN_ESCAPE), asked once per connect; empty when the
    // driver has none. Opens the connection on demand.
    QString SearchPatternEscape();
    // The driver's answers that decide driver-specific behaviour, read once per connect.
    // Opens the connection on demand.
    const TKxOdbcDriverTraits& DriverTraits();

    TAccessMode AccessMode() const { return m_accessMode; }
    void SetAccessMode(TAccessMode value);
    TOdbcConnectionAttributes Attributes() const { return m_attributes; }
    void SetAttributes(TOdbcConnectionAttributes value);
    TKxOdbcEnvironment* ODBCEnvironment() const { return m_environment; }
    void SetODBCEnvironment(TKxOdbcEnvironment* value);
    QString ConnectionString() const { return m_connectionString; }
    void SetConnectionString(const QString& value);
    QString DataSourceCatalog() const { return m_dataSourceCatalog; }
    void SetDataSourceCatalog(const QString& value);
    // Added to the string handed to the driver (UID/PWD in braces) when that string has none
    // of its own; never written into ConnectionString. Changing them while open only keeps
    // them for the next open.
    QString Username() const { return m_username; }
    void SetUsername(const QString& value) { m_username = value; }
    QString Password() const { return m_password; }
    void SetPassword(const QString& value) { m_password = value; }
    std::uint32_t TimeoutForStatements() const { return m_timeoutForStatements; }
    void SetTimeoutForStatements(std::uint32_t value);
    std::uint32_t TimeoutForLogin() const { return m_timeoutForLogin; }
    void SetTimeoutForLogin(std::uint32_t value);
    TCursorOrigin CursorOrigin() const { return m_cursorOrigin; }
    void SetCursorOrigin(TCursorOrigin value);
    // While open, what the driver reports (0 when it cannot say).
    std::uint32_t NetworkPacketSize() const;
    void SetNetworkPacketSize(std::uint32_t value);
    TTransactionIsolations TransactionIsolation() const { return m_transactionIsolation; }
    void SetTransactionIsolation(TTransactionIsolations value);
    TOdbcTraceProperties& TraceProperties() { return *m_trace; }
    void SetTraceProperties(const TOdbcTraceProperties& value);
    TOdbcTranslateProperties& TranslateProperties() { return *m_translate; }
    void SetTranslateProperties(const TOdbcTranslateProperties& value);

    // Copies every setting of `source`; closes this connection first.
    void Assign(const TKxOdbcConnection& source);

    // The attribute routines the setters and the opening sequence use; each does nothing
    // while no handle is allocated.
    void SetODBCAllowDriverDialogs();
    void SetODBCTransactionIsolation();
    void SetODBCAccessMode();
    void SetODBCCursorOrigin();
    void SetODBCTimeoutForStatements();
    void SetODBCTimeoutForLogin();
    void SetODBCDataSorceCatalog();
    void SetODBCNetworkPacketSize();
    void SetODBCAsynchronOperations();
    void SetODBCAutoCommitTransactions();
    void SetODBCCaseSensitiveCatalogNames();
    void SetODBCEnableTracing();
    void SetODBCTraceFilename();
    void SetODBCTranslationDLLFilename();
    void SetODBCTranslationAttributes();

    // The transaction-isolation bit mask sent to the driver for a set.
    static SQLULEN IsolationMask(TTransactionIsolations isolations);

protected:
    void AllocHandle() override;
    void FreeHandle() override;

private:
    void SetIntegerAttribute(SQLINTEGER attribute, SQLULEN value, const char* routine);
    void SetTextAttribute(SQLINTEGER attribute, const QString& value, const char* routine);
    void CheckInactiveProperty(const char* property);

    TAccessMode m_accessMode = amReadWrite;
    TOdbcConnectionAttributes m_attributes = kxDefaultConnectionAttributes;
    QPointer<TKxOdbcEnvironment> m_environment;
    QString m_connectionString;
    QString m_dataSourceCatalog;
    QString m_username;
    QString m_password;
    std::uint32_t m_timeoutForStatements = 0;
    std::uint32_t m_timeoutForLogin = 30;
    TCursorOrigin m_cursorOrigin = coUseODBCCursorsIfNeeded;
    std::uint32_t m_networkPacketSize = 0;
    TTransactionIsolations m_transactionIsolation = kxDefaultTransactionIsolation;
    std::unique_ptr<TOdbcTraceProperties> m_trace;
    std::unique_ptr<TOdbcTranslateProperties> m_translate;
    bool m_connected = false;
    std::optional<TKxOdbcDriverTraits> m_driverTraits;
    // The statement ExecuteDirect runs its texts on: made once and closed after every
    // execution, because making one (notification points, SQL property, timer) costs more
    // than executing a small INSERT.
    void ReleaseDirectStatementHandle();

    std::unique_ptr<TKxOdbcStatementBase> m_directStatement;
    bool m_directStatementBusy = false;
};

} // namespace kx
