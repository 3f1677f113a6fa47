#pragma once

// What the benchmarks' runs share: the server they measure, timing and the median.

#include "PrivateServer.h"

#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace bench {

// The server at 'socket' when one is given; else a private server in 'dataDir' (or in a
// folder "db" under 'workDir'), started here and stopped again unless it was running.
class BenchServer {
public:
    BenchServer(const QString &socket, const QString &dataDir, const QString &workDir);
    ~BenchServer();
    BenchServer(const BenchServer &) = delete;
    BenchServer &operator=(const BenchServer &) = delete;

    const QString &Socket() const { return m_socket; }

private:
    std::optional<dbserver::PrivateServer> m_server;
    QString m_socket;
};

class ClientRunner;

// A benchmark program's main: the client runner made first (see ClientRunner), then an
// offscreen application; 'body' gets its arguments. An error is printed and gives 1.
int WidgetsMain(int argc, char *argv[], const std::function<int(ClientRunner &, const QStringList &)> &body);

double SecondsOf(const std::function<void()> &step);
double Median(std::vector<double> values);

} // namespace bench
