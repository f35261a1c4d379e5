#pragma once

#include <QString>
#include <memory>
#include <vector>

namespace kx {

class TKxOdbcConnection;
class TKxOdbcEnvironment;
class TKxPersistentData;

// The display name of a connection: the data source of its connection string, or
// "No DB Connection" without a connection.
QString KxConnectionDisplayName(const TKxOdbcConnection* connection);

// The main window's connections, in the order they were added; one may be current. The list
// owns them. Two entries never reach the same data source: adding one that is listed already
// gives back the listed one.
class TKxConnectionList {
public:
    explicit TKxConnectionList(TKxOdbcEnvironment& environment);
    ~TKxConnectionList();
    TKxConnectionList(const TKxConnectionList&) = delete;
    TKxConnectionList& operator=(const TKxConnectionList&) = delete;

    int Count() const { return static_cast<int>(m_connections.size()); }
    TKxOdbcConnection* At(int index) const;
    // The listed connection to the same data source as `connectionString`, or -1.
    int IndexOf(const QString& connectionString) const;
    // The connection whose identity or display name is `displayName` (ignoring case), or -1.
    int IndexOfDisplayName(const QString& displayName) const;
    int IndexOf(const TKxOdbcConnection* connection) const;

    // A new connection of this list's environment, not yet listed.
    std::unique_ptr<TKxOdbcConnection> Create() const;
    // Lists `connection` unless one to its data source is listed already; answers the index
    // of the listed one (the new one is then dropped).
    int Add(std::unique_ptr<TKxOdbcConnection> connection);
    // Closes and frees the entry.
    void Remove(int index);
    // The entry that becomes current when entry `index` is closed: the next one, else the
    // first when `index` is not the first, else none (-1).
    int SuccessorOf(int index) const;

    // The list as stored: one key per connection under "ConnectionList", named 0, 1, ….
    void Load(TKxPersistentData& store);
    void Store(TKxPersistentData& store) const;

private:
    TKxOdbcEnvironment& m_environment;
    std::vector<std::unique_ptr<TKxOdbcConnection>> m_connections;
};

} // namespace kx
