#pragma once

#include <QString>
#include <memory>

namespace dataset {
class Connection;
}
namespace dbserver {
class PrivateServer;
}

namespace console {

class ConsoleSettings;

// Opens the console's database: the server of the settings' [Database] section, or,
// with none configured, the private server in 'privateDataDir' with the database
// `parking` as the application account (schema and one administrator without a
// password created on first start). Throws dataset::Error with
// a message that says which server could not be reached and why.
class DatabaseStartup {
public:
    DatabaseStartup();
    ~DatabaseStartup(); // stops the private server when this run started it
    DatabaseStartup(const DatabaseStartup &) = delete;
    DatabaseStartup &operator=(const DatabaseStartup &) = delete;

    void Open(dataset::Connection &connection, const ConsoleSettings &settings, const QString &privateDataDir);

    // A text for the status bar: where the data live (for a network server, the node the
    // connection is on and whether the link is encrypted).
    QString Description(const dataset::Connection &connection) const;
    // The private server's data folder; empty when the database is on another server.
    const QString &PrivateDataDir() const { return m_privateDataDir; }

private:
    std::unique_ptr<dbserver::PrivateServer> m_server;
    QString m_privateDataDir;
    bool m_network = false;
};

} // namespace console
