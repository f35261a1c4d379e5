#include "app/connection_list.h"

#include "app/program_texts.h"
#include "dbcore/connection_string.h"
#include "foundation/persistent_data.h"
#include "foundation/storage_helpers.h"
#include "odbc/odbc_connect_properties.h"
#include "odbc/odbc_connection.h"

#include <algorithm>

namespace kx {
namespace {

const QString kListKey = QStringLiteral("\\ConnectionList");

// Connections to the same data source have the same key: the DSN, or for strings without
// one the full database path with server and port, so /a/x.db and /b/x.db stay two.
QString SourceKey(const QString& connectionString) {
    return KxConnectionIdentity(connectionString).toCaseFolded();
}

} // namespace

QString KxConnectionDisplayName(const TKxOdbcConnection* connection) {
    if (connection == nullptr)
        return KxNoConnectionName();
    return ExtractDataSourceName(connection->ConnectionString());
}

TKxConnectionList::TKxConnectionList(TKxOdbcEnvironment& environment)
    : m_environment(environment) {}

TKxConnectionList::~TKxConnectionList() = default;

TKxOdbcConnection* TKxConnectionList::At(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return m_connections[static_cast<std::size_t>(index)].get();
}

int TKxConnectionList::IndexOf(const QString& connectionString) const {
    const QString key = SourceKey(connectionString);
    for (int index = 0; index < Count(); ++index) {
        if (SourceKey(At(index)->ConnectionString()) == key)
            return index;
    }
    return -1;
}

int TKxConnectionList::IndexOfDisplayName(const QString& displayName) const {
    // A stored identity (a full database path) picks exactly its connection.
    for (int index = 0; index < Count(); ++index) {
        if (KxConnectionIdentity(At(index)->ConnectionString())
                .compare(displayName, Qt::CaseInsensitive) == 0)
            return index;
    }
    for (int index = 0; index < Count(); ++index) {
        if (KxConnectionDisplayName(At(index)).compare(displayName, Qt::CaseInsensitive) == 0)
            return index;
    }
    return -1;
}

int TKxConnectionList::IndexOf(const TKxOdbcConnection* connection) const {
    for (int index = 0; index < Count(); ++index) {
        if (At(index) == connection)
            return index;
    }
    return -1;
}

std::unique_ptr<TKxOdbcConnection> TKxConnectionList::Create() const {
    auto connection = std::make_unique<TKxOdbcConnection>();
    connection->SetName(QStringLiteral("OdbcConnection"));
    connection->SetODBCEnvironment(&m_environment);
    return connection;
}

int TKxConnectionList::Add(std::unique_ptr<TKxOdbcConnection> connection) {
    const int listed = IndexOf(connection->ConnectionString());
    if (listed >= 0)
        return listed;
    m_connections.push_back(std::move(connection));
    return Count() - 1;
}

void TKxConnectionList::Remove(int index) {
    if (index < 0 || index >= Count())
        return;
    std::unique_ptr<TKxOdbcConnection> removed =
        std::move(m_connections[static_cast<std::size_t>(index)]);
    m_connections.erase(m_connections.begin() + index);
    removed->SetActive(false);
}

int TKxConnectionList::SuccessorOf(int index) const {
    if (index + 1 < Count())
        return index + 1;
    return index > 0 ? 0 : -1;
}

void TKxConnectionList::Load(TKxPersistentData& store) {
    QStringList names;
    {
        const TKxKeyPathKeeper key(&store, kListKey, false);
        if (!key.Opened())
            return;
        KxCheckQueryInterface<IKxKeyValueDirectory>(&store, QStringLiteral("LoadConnectionList"))
            ->ReadSubDirNames(names);
    }
    // Entries are named by their place in the list.
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
    for (const QString& name : names) {
        const auto properties = KxMake<TKxOdbcConnectProperties>();
        KxLoadObject(&store, kListKey + QStringLiteral("\\") + name, properties.get());
        if (properties->ConnectionString.isEmpty())
            continue;
        auto connection = Create();
        properties->AssignToObj(connection.get());
        Add(std::move(connection));
    }
}

void TKxConnectionList::Store(TKxPersistentData& store) const {
    KxDeleteKey(&store, kListKey);
    for (int index = 0; index < Count(); ++index) {
        const auto properties = KxMake<TKxOdbcConnectProperties>();
        properties->AssignFromObj(At(index));
        KxStoreObject(&store, kListKey + QStringLiteral("\\") + QString::number(index),
                      properties.get());
    }
}

} // namespace kx
