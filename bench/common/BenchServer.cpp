#include "BenchServer.h"

namespace bench {

BenchServer::BenchServer(const QString &socket, const QString &dataDir) : m_socket(socket)
{
    if (!m_socket.isEmpty())
        return;
    m_server.emplace(dataDir);
    m_server->Start();
    m_socket = m_server->SocketPath();
}

BenchServer::~BenchServer()
{
    try {
        if (m_server && !m_server->Reused())
            m_server->Stop();
    } catch (const std::exception &error) {
        qWarning("%s", error.what());
    }
}

} // namespace bench
