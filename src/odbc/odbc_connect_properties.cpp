#include "odbc/odbc_connect_properties.h"

#include "dbcore/connection_string.h"
#include "foundation/exceptions.h"
#include "odbc/odbc_connection.h"
#include "odbc/password_cipher.h"

#include <algorithm>

namespace kx {
namespace {

const QString kConnectionString = QStringLiteral("ConnectionString");
const QString kCursorOrigin = QStringLiteral("Cursor Origin");
const QString kUsername = QStringLiteral("Username");
const QString kPassword = QStringLiteral("Password");
const QString kTimeoutForLogin = QStringLiteral("Timeout for Login");
const QString kTimeoutForStatements = QStringLiteral("Timeout for Statements");
const QString kAccessMode = QStringLiteral("Access Mode");
const QString kTransactionIsolation = QStringLiteral("Transaction Isolation");
const QString kAttributes = QStringLiteral("Attributes");

std::uint8_t ReadSet(IKxBinaryStorage& storage, const QString& name, std::uint8_t defaultValue) {
    std::uint8_t value = defaultValue;
    return storage.ReadBinary(name, &value, 1, false) == 1 ? value : defaultValue;
}

void WriteSet(IKxBinaryStorage& binary, IKxKeyValueDirectory& directory, const QString& name,
              std::uint8_t value, std::uint8_t defaultValue) {
    if (value == defaultValue)
        directory.DeleteValue(name);
    else
        binary.WriteBinary(name, QByteArray(1, static_cast<char>(value)));
}

} // namespace

QString TKxOdbcConnectProperties::GetName() const {
    return ExtractDataSourceName(ConnectionString);
}

void TKxOdbcConnectProperties::AssignFromObj(IKxUnknown* source) {
    if (const auto* other = dynamic_cast<TKxOdbcConnectProperties*>(source)) {
        AccessMode = other->AccessMode;
        Username = other->Username;
        Password = other->Password;
        ConnectionString = other->ConnectionString;
        TimeoutForStatements = other->TimeoutForStatements;
        TimeoutForLogin = other->TimeoutForLogin;
        CursorOrigin = other->CursorOrigin;
        TransactionIsolation = other->TransactionIsolation;
        Attributes = other->Attributes;
        return;
    }
    const auto* connection = dynamic_cast<TKxOdbcConnection*>(source);
    if (connection == nullptr)
        KxRaiseNoInterface(IKxAssignFromObj::IID, KxObjectDescription(source),
                           QStringLiteral("TKxOdbcConnectProperties.AssignFromObj"),
                           "TKxOdbcConnectProperties.AssignFromObj");
    AccessMode = connection->AccessMode();
    Username = connection->Username();
    Password = connection->Password();
    ConnectionString = connection->ConnectionString();
    TimeoutForStatements = connection->TimeoutForStatements();
    TimeoutForLogin = connection->TimeoutForLogin();
    CursorOrigin = connection->CursorOrigin();
    TransactionIsolation = connection->TransactionIsolation();
    Attributes = connection->Attributes();
}

void TKxOdbcConnectProperties::AssignToObj(IKxUnknown* destination) {
    auto* connection = dynamic_cast<TKxOdbcConnection*>(destination);
    if (connection == nullptr)
        KxRaiseNoInterface(IKxAssignToObj::IID, KxObjectDescription(destination),
                           QStringLiteral("TKxOdbcConnectProperties.AssignToObj"),
                           "TKxOdbcConnectProperties.AssignToObj");
    connection->SetAccessMode(AccessMode);
    connection->SetUsername(Username);
    connection->SetPassword(Password);
    connection->SetConnectionString(ConnectionString);
    connection->SetTimeoutForStatements(TimeoutForStatements);
    connection->SetTimeoutForLogin(TimeoutForLogin);
    connection->SetCursorOrigin(CursorOrigin);
    connection->SetTransactionIsolation(TransactionIsolation);
    connection->SetAttributes(Attributes);
}

void TKxOdbcConnectProperties::LoadData(IKxUnknown* storage) {
    const QString routine = QStringLiteral("TKxOdbcConnectProperties.LoadData");
    const auto values = KxCheckQueryInterface<IKxValueStorage>(storage, routine);
    const auto binary = KxCheckQueryInterface<IKxBinaryStorage>(storage, routine);

    ConnectionString = values->ReadString(kConnectionString, {});
    CursorOrigin =
        static_cast<TCursorOrigin>(std::clamp(values->ReadInteger(kCursorOrigin, 0), 0, 2));
    Username = values->ReadString(kUsername, {});
    Password.clear();
    try {
        const int size = binary->BinarySize(kPassword);
        if (size > 0) {
            QByteArray stored(size, '\0');
            if (binary->ReadBinary(kPassword, stored.data(), size, false) == size)
                Password = KxDecipherPassword(stored);
        }
    } catch (const std::exception& e) {
        KxTraceException(e, true); // a password that cannot be read is simply not there
    }
    TimeoutForLogin =
        static_cast<std::uint32_t>(std::max(0, values->ReadInteger(kTimeoutForLogin, 30)));
    TimeoutForStatements =
        static_cast<std::uint32_t>(std::max(0, values->ReadInteger(kTimeoutForStatements, 0)));
    AccessMode = static_cast<TAccessMode>(std::clamp(values->ReadInteger(kAccessMode, 0), 0, 1));
    TransactionIsolation = ReadSet(*binary, kTransactionIsolation, kxDefaultTransactionIsolation);
    Attributes = ReadSet(*binary, kAttributes, kxDefaultConnectionAttributes);
}

void TKxOdbcConnectProperties::StoreData(IKxUnknown* storage) {
    const QString routine = QStringLiteral("TKxOdbcConnectProperties.StoreData");
    const auto values = KxCheckQueryInterface<IKxValueStorage>(storage, routine);
    const auto binary = KxCheckQueryInterface<IKxBinaryStorage>(storage, routine);
    const auto directory = KxCheckQueryInterface<IKxKeyValueDirectory>(storage, routine);

    values->WriteText(kConnectionString, ConnectionString, QString());
    values->WriteInteger(kCursorOrigin, CursorOrigin, 0);
    values->WriteText(kUsername, Username, QString());
    if (Password.isEmpty())
        directory->DeleteValue(kPassword);
    else
        binary->WriteBinary(kPassword, KxEncipherPassword(Password));
    values->WriteInteger(kTimeoutForLogin, static_cast<int>(TimeoutForLogin), 30);
    values->WriteInteger(kTimeoutForStatements, static_cast<int>(TimeoutForStatements), 0);
    values->WriteInteger(kAccessMode, AccessMode, 0);
    WriteSet(*binary, *directory, kTransactionIsolation, TransactionIsolation,
             kxDefaultTransactionIsolation);
    WriteSet(*binary, *directory, kAttributes, Attributes, kxDefaultConnectionAttributes);
}

} // namespace kx
