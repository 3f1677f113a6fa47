#pragma once

#include <dataset/Connection.h>

#include <QString>
#include <QStringList>
#include <chrono>
#include <memory>

namespace dbserver {

// A data directory holding this file is served to the network: the server reads its
// options from it (listening address, TLS) and keeps the network accounts at start.
inline constexpr char ServedOptionsFile[] = "served.cnf";

// The binary log's files in the data directory: "binlog.000001", … and "binlog.index".
inline constexpr char BinaryLogBaseName[] = "binlog";

struct ServerOptions {
    // Program paths; empty: looked up in PATH and the usual sbin folders.
    QString mariadbd;
    QString installDb;
    std::chrono::milliseconds startTimeout{std::chrono::seconds(60)};
    std::chrono::milliseconds stopTimeout{std::chrono::seconds(60)};
    // Also listen on TCP at 127.0.0.1:port (0: the socket only, the default).
    unsigned port = 0;
    // Further server options appended to its command line (TLS files, for one); a later
    // option wins over an earlier one.
    QStringList extraArguments;
};

// A MariaDB server of our own for one data directory, reachable only through a Unix
// socket (and on TCP 127.0.0.1 when the options name a port). Start() makes the directory
// private to this user (0700), prepares it when empty, starts the server detached from
// this process (it keeps running after we exit) and waits until it answers; a server
// already running there is reused. Either way it leaves the accounts locked down
// (SecureAccounts). Stop() shuts it down cleanly. Failures throw dataset::Error.
class PrivateServer {
public:
    explicit PrivateServer(const QString &dataDir, ServerOptions options = {});
    ~PrivateServer();
    PrivateServer(const PrivateServer &) = delete;
    PrivateServer &operator=(const PrivateServer &) = delete;

    void Start();
    void Stop();
    bool IsRunning() const;
    // Process id of the running server, 0 when none runs.
    qint64 ServerPid() const;
    // True when the last Start() found the server already running.
    bool Reused() const;

    const QString &DataDir() const;
    QString SocketPath() const;
    QString LogPath() const;
    // The administrator over the socket, for setting up databases; throws when the
    // server has no socket. The console and tools use ApplicationConnectionParams.
    dataset::ConnectionParams ConnectionParams(const QString &database = {}) const;

    // DIR/mysqld.sock, or, when that exceeds the socket path limit, the socket in a
    // private temporary directory recorded in DIR at start. Empty when the directory
    // holding the socket is not this user's alone: nobody else's server is ever used.
    static QString SocketPathFor(const QString &dataDir);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace dbserver
