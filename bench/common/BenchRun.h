#pragma once

// What the benchmarks' runs share: the server they measure, timing and the median.

#include <console/dbserver/PrivateServer.h>

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace dataset { class Connection; }

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

// The "--name value" pairs of a command line, by name without the dashes; a name not in
// 'names' or one without a value is an error.
QHash<QString, QString> ParseOptions(const QStringList &arguments, const QStringList &names);
// The first column of the first row of 'sql'; empty when there is no row.
QString Scalar(dataset::Connection &connection, const QString &sql);

} // namespace bench
