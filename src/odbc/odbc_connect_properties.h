#pragma once

#include "foundation/interfaced_object.h"
#include "foundation/storage_interfaces.h"
#include "odbc/odbc_enums.h"

namespace kx {

class TKxOdbcConnection;

// A stored copy of a connection's settings: the entries of the connection list and of the
// recent connections. The password is kept enciphered for this machine.
class TKxOdbcConnectProperties : public TKxInterfacedPersistent,
                                 public virtual IKxGetName,
                                 public virtual IKxAssignToObj,
                                 public virtual IKxAssignFromObj,
                                 public virtual IKxLoadStoreData {
public:
    explicit TKxOdbcConnectProperties(TKxLifetime lifetime = TKxLifetime::SelfOwned)
        : TKxInterfacedPersistent(lifetime) {}

    // The data source name of the connection string.
    QString GetName() const override;

    // From another properties object or from a connection.
    void AssignFromObj(IKxUnknown* source) override;
    // To a connection, through its setters.
    void AssignToObj(IKxUnknown* destination) override;
    void LoadData(IKxUnknown* storage) override;
    void StoreData(IKxUnknown* storage) override;

    TAccessMode AccessMode = amReadWrite;
    QString Username;
    QString Password;
    QString ConnectionString;
    std::uint32_t TimeoutForStatements = 0;
    std::uint32_t TimeoutForLogin = 30;
    TCursorOrigin CursorOrigin = coUseODBCCursorsIfNeeded;
    TTransactionIsolations TransactionIsolation = kxDefaultTransactionIsolation;
    TOdbcConnectionAttributes Attributes = kxDefaultConnectionAttributes;
};

} // namespace kx
