#pragma once

// What the parking benchmarks share around their measurements: the server they measure
// and the shell of their main function.

#include "PrivateServer.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QTextStream;

namespace bench {

class ClientRunner;

// The server a benchmark measures: the one listening on 'socket' when that is given,
// else a private server in 'dataDir' (or 'workDir'/db) started here and stopped again
// on destruction, unless it was running before.
class BenchServer {
public:
    BenchServer(const QString &socket, const QString &dataDir, const QString &workDir, QTextStream &out);
    ~BenchServer();
    BenchServer(const BenchServer &) = delete;
    BenchServer &operator=(const BenchServer &) = delete;

    const QString &Socket() const { return m_socket; }

private:
    std::optional<dbserver::PrivateServer> m_server;
    QString m_socket;
};

// main of a benchmark: offscreen by default, the client runner forked first, 'run'
// given the arguments; errors are printed and end the program with 1.
int BenchMain(int argc, char *argv[], const std::function<int(ClientRunner &, const QStringList &)> &run);

} // namespace bench
