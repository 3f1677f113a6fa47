#pragma once

#include <dataset/Connection.h>

#include <memory>

namespace dbserver {
class PrivateServer;
}

namespace importcmd {

struct CommandOptions;

// The settings file the command reads: --config, else the console's beside this program.
QString SettingsPath(const CommandOptions &options);

// Where 'params' lead, for messages: "127.0.0.1:3306", the cluster's nodes, the Unix
// socket (host=localhost too: the server's default Unix socket, named as such).
QString ServerText(const dataset::ConnectionParams &params);
// "Povezivanje sa bazom nije uspelo: " with the server and the reason on one line.
QString ConnectionFailureText(const dataset::ConnectionParams &params, const QString &reason);
// The summary's line naming the database, its server and whether the link is encrypted.
QString LinkText(const dataset::ConnectionParams &params, const dataset::Connection &connection);

// The server the command connects to, as the console does: explicit --socket, --host,
// --port and --database win over the settings file (--config, else the console's);
// --data-dir (or PARKING_DATA_DIR) means the private server of that folder with its
// application account; without a configured server the console's private server.
// --user and --password-file name the account; --ssl, --ssl-ca and --ssl-verify the
// transport, with the console's defaults (preferred, verified). A private server this run had to start
// is stopped again at the end.
class ServerConnection {
public:
    explicit ServerConnection(const CommandOptions &options);
    ~ServerConnection();
    ServerConnection(const ServerConnection &) = delete;
    ServerConnection &operator=(const ServerConnection &) = delete;

    const dataset::ConnectionParams &Params() const { return m_params; }

private:
    dataset::ConnectionParams PrivateServerParams(const QString &dataDir);

    std::unique_ptr<dbserver::PrivateServer> m_server;
    dataset::ConnectionParams m_params;
};

} // namespace importcmd
