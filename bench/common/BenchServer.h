#pragma once

#include "PrivateServer.h"

#include <QString>
#include <optional>

namespace bench {

// The server a benchmark measures against: the one listening at 'socket' when given,
// else a private one started in 'dataDir' and stopped again when this goes (unless it
// was running already).
class BenchServer {
public:
    BenchServer(const QString &socket, const QString &dataDir);
    ~BenchServer();
    BenchServer(const BenchServer &) = delete;
    BenchServer &operator=(const BenchServer &) = delete;

    const QString &Socket() const { return m_socket; }
    // The private server's folder; empty when an existing server is used.
    QString DataDir() const { return m_server ? m_server->DataDir() : QString(); }

private:
    std::optional<dbserver::PrivateServer> m_server;
    QString m_socket;
};

} // namespace bench
