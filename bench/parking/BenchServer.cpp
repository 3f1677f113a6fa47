#include "BenchServer.h"

#include "BenchProcess.h"
#include "Error.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>

#include <cstdio>

namespace bench {

BenchServer::BenchServer(const QString &socket, const QString &dataDir, const QString &workDir, QTextStream &out)
    : m_socket(socket)
{
    if (!m_socket.isEmpty())
        return;
    m_server.emplace(dataDir.isEmpty() ? QDir(workDir).filePath(QStringLiteral("db")) : dataDir);
    out << "starting a private server in " << m_server->DataDir() << Qt::endl;
    m_server->Start();
    m_socket = m_server->SocketPath();
}

BenchServer::~BenchServer()
{
    if (m_server && !m_server->Reused())
        m_server->Stop();
}

int BenchMain(int argc, char *argv[], const std::function<int(ClientRunner &, const QStringList &)> &run)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ClientRunner runner;
    QApplication app(argc, argv);
    try {
        return run(runner, app.arguments());
    } catch (const dataset::Error &error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.message()));
        return 1;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}

} // namespace bench
