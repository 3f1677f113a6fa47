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
