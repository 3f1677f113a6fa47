#include "DatabaseStartup.h"

#include "ConsoleSettings.h"
#include <console/dbserver/PrivateServer.h>
#include <console/dbserver/Schema.h>
#include <console/dbserver/ServerAccounts.h>
#include <dataset/Connection.h>
#include <dataset/Error.h>

#include <QDir>

namespace console {

namespace {

const QString kDatabaseName = QStringLiteral("parking");

[[noreturn]] void Rethrow(const QString &what, const dataset::Error &e)
{
    throw dataset::Error(QStringLiteral("%1\n\n%2").arg(what, e.message()));
}

// True when the application account reaches a database with the current schema.
bool OpenReady(dataset::Connection &connection, const dataset::ConnectionParams &params)
{
    try {
        connection.Connect(params);
    } catch (const dataset::DatabaseError &) {
        return false;
    }
    if (dbserver::InstalledSchemaVersion(connection) == dbserver::SchemaVersion)
        return true;
    connection.Disconnect();
    return false;
}

// Set-up as the server's administrator: the database (with one administrator whose
// password is set at the first log-in) or the upgrade of an older one, and the
// application account's rights on it.
void SetUpDatabase(const dbserver::PrivateServer &server)
{
    dataset::Connection administrator;
    administrator.Connect(server.ConnectionParams());
    dbserver::PrepareDatabase(administrator, kDatabaseName, false, QByteArray(), true);
    dbserver::GrantApplicationAccess(administrator, kDatabaseName);
}

} // namespace

DatabaseStartup::DatabaseStartup() = default;

DatabaseStartup::~DatabaseStartup()
{
    if (!m_server || m_server->Reused())
        return;
    try {
        m_server->Stop();
    } catch (const std::exception &) {
        // The server's own log tells why; at exit there is nobody left to show it to.
    }
}

void DatabaseStartup::Open(dataset::Connection &connection, const ConsoleSettings &settings,
                           const QString &privateDataDir)
{
    if (const auto configured = settings.Database()) {
        QStringList servers;
        for (const dataset::ServerAddress &server : dataset::ServersOf(*configured))
            servers << server.Text();
        const QString where = servers.isEmpty() ? configured->socket : servers.join(QStringLiteral(", "));
        try {
            connection.Connect(*configured);
        } catch (const dataset::Error &e) {
            Rethrow(QStringLiteral("Veza sa bazom podataka %1 na serveru %2 nije uspostavljena. "
                                   "Proverite odeljak [Database] u datoteci %3.")
                        .arg(configured->database, where, settings.Path()),
                    e);
        }
        m_network = !servers.isEmpty();
        // A shared database is upgraded by its administrator, never by a desk.
        dbserver::CheckSchemaVersion(connection);
        return;
    }

    m_privateDataDir = privateDataDir;
    try {
        QDir().mkpath(privateDataDir);
        m_server = std::make_unique<dbserver::PrivateServer>(privateDataDir);
        m_server->Start();
    } catch (const dataset::Error &e) {
        Rethrow(
            QStringLiteral("Privatni server baze podataka u folderu %1 nije mogao da se pokrene.").arg(privateDataDir),
            e);
    }
    try {
        const auto params = dbserver::ApplicationConnectionParams(privateDataDir, kDatabaseName);
        if (!OpenReady(connection, params)) {
            SetUpDatabase(*m_server);
            connection.Connect(params);
        }
    } catch (const dataset::Error &e) {
        Rethrow(QStringLiteral("Baza podataka %1 na privatnom serveru nije mogla da se pripremi.").arg(kDatabaseName),
                e);
    }
}

QString DatabaseStartup::Description(const dataset::Connection &connection) const
{
    if (m_server)
        return QStringLiteral("Privatni server baze u %1").arg(m_privateDataDir);
    const dataset::ConnectionParams &params = connection.Params();
    if (!m_network)
        return QStringLiteral("Baza %1 na %2").arg(params.database, params.socket);
    // The node the connection is on now (another one after a lost node), and how the
    // link travels; a socket never leaves the machine.
    const QString node = connection.ServerName();
    if (node.isEmpty())
        return QStringLiteral("Baza %1  |  veza sa serverom je prekinuta").arg(params.database);
    return QStringLiteral("Baza %1 na %2  |  %3")
        .arg(params.database, node,
             connection.Encrypted() ? QStringLiteral("TLS (%1)").arg(connection.TlsVersion())
                                    : QStringLiteral("veza nije šifrovana"));
}

} // namespace console
