#pragma once

// What the benchmark measures outside its own code: memory figures of this process and
// timed runs of the mariadb command-line client.

#include <QByteArray>
#include <QList>
#include <QString>

#include <sys/types.h>

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

} // namespace bench
