#pragma once

// What the benchmark measures outside its own code: memory figures of this process and
// timed runs of the mariadb command-line client.

#include <QByteArray>
#include <QList>
#include <QString>

#include <QStringList>
#include <functional>
#include <memory>

#include <sys/types.h>

namespace dbserver { class PrivateServer; }
namespace dataset { class Connection; struct ConnectionParams; }

namespace bench {

// Value in kB of a line such as "VmHWM:   1234 kB" in /proc/self/status; 0 when absent.
long StatusKb(const char *key);
// Starts a new peak: VmHWM drops to the current resident size.
void ResetPeak();

struct ClientRun {
    double seconds = 0;
    long maxRssKb = 0;
    int exitCode = -1;
};

// Runs `mariadb --batch --quick -e SQL` (output thrown away) from a helper process forked
// when this one is still small: a child's maximum resident size counts what it inherits
// at fork, so a client forked from the grown benchmark would report our rows as its own.
// Make it first thing in main.
class ClientRunner {
public:
    ClientRunner();
    ~ClientRunner();
    ClientRunner(const ClientRunner &) = delete;
    ClientRunner &operator=(const ClientRunner &) = delete;

    // 'options' go before the statement, e.g. "--local-infile=1" for a LOAD DATA LOCAL.
    ClientRun Run(const QString &socket, const QString &database, const QString &sql,
                  const QList<QByteArray> &options = {});

private:
    int m_channel = -1;
    pid_t m_helper = -1;
};

// The server a benchmark works on: the one listening on 'socket', else a private server
// started in a temporary folder and stopped when this object goes.
class BenchServer {
public:
    explicit BenchServer(const QString &socket);
    ~BenchServer();
    BenchServer(const BenchServer &) = delete;
    BenchServer &operator=(const BenchServer &) = delete;

    const QString &Socket() const { return m_socket; }

private:
    struct Private;
    std::unique_ptr<Private> d;
    QString m_socket;
};

// main() of a benchmark without widgets: the client's helper is forked first, while this
// process is still small, then 'run' gets the arguments; an error is printed, exit 1.
int BenchMain(int argc, char *argv[], const std::function<int(const QStringList &, ClientRunner &)> &run);

// The options every benchmark takes: --socket PATH (else a private server) and --rows N.
struct BenchOptions {
    QString socket;
    int rows = 1000000;
};
BenchOptions ParseBenchOptions(const QStringList &arguments);

// Connects 'root' to the server on 'socket' as root and makes 'name' a fresh database
// with the schema (dropped first when it exists); returns the parameters that reach it.
dataset::ConnectionParams FreshBenchDatabase(dataset::Connection &root, const QString &socket, const QString &name);

} // namespace bench
