#include "BenchProcess.h"

#include <dataset/Error.h>

#include <QFile>

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace bench {

namespace {

bool readAll(int fd, void *data, std::size_t size)
{
    auto *bytes = static_cast<char *>(data);
    while (size > 0) {
        const ssize_t got = read(fd, bytes, size);
        if (got <= 0)
            return false;
        bytes += got;
        size -= std::size_t(got);
    }
    return true;
}

bool writeAll(int fd, const void *data, std::size_t size)
{
    const auto *bytes = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t put = write(fd, bytes, size);
        if (put <= 0)
            return false;
        bytes += put;
        size -= std::size_t(put);
    }
    return true;
}

double now()
{
    timespec time{};
    clock_gettime(CLOCK_MONOTONIC, &time);
    return double(time.tv_sec) + double(time.tv_nsec) / 1e9;
}

// The helper: a request is the client's arguments after the program name, each ended by
// a NUL, preceded by their total length; the answer is a ClientRun. Ends when the
// benchmark closes the channel.
[[noreturn]] void serve(int channel)
{
    for (;;) {
        std::uint32_t size = 0;
        if (!readAll(channel, &size, sizeof size))
            _exit(0);
        std::string request(size, '\0');
        if (!readAll(channel, request.data(), size))
            _exit(0);
        std::vector<char *> argv{const_cast<char *>("mariadb")};
        for (std::size_t at = 0; at < request.size(); at = request.find('\0', at) + 1)
            argv.push_back(request.data() + at);
        argv.push_back(nullptr);

        ClientRun run;
        const double start = now();
        const pid_t pid = fork();
        if (pid == 0) {
            const int devNull = open("/dev/null", O_WRONLY);
            if (devNull >= 0)
                dup2(devNull, STDOUT_FILENO);
            close(channel);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        int status = 0;
        rusage usage{};
        if (pid > 0 && wait4(pid, &status, 0, &usage) == pid) {
            run.seconds = now() - start;
            run.maxRssKb = usage.ru_maxrss;
            run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (!writeAll(channel, &run, sizeof run))
            _exit(0);
    }
}

} // namespace

long StatusKb(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

void ResetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

ClientRunner::ClientRunner()
{
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        return;
    m_helper = fork();
    if (m_helper == 0) {
        close(pair[0]);
        serve(pair[1]);
    }
    close(pair[1]);
    if (m_helper < 0)
        close(pair[0]);
    else
        m_channel = pair[0];
}

ClientRunner::~ClientRunner()
{
    if (m_channel >= 0)
        close(m_channel);
    if (m_helper > 0)
        waitpid(m_helper, nullptr, 0);
}

ClientRun ClientRunner::Run(const QString &socket, const QString &database, const QString &sql,
                            const QList<QByteArray> &options)
{
    if (m_channel < 0)
        throw dataset::Error(QStringLiteral("Pomoćni proces za program mariadb nije pokrenut."));
    QByteArray request;
    QList<QByteArray> arguments{QByteArray("--batch"), QByteArray("--quick"), QByteArray("--user=root"),
                                "--socket=" + QFile::encodeName(socket), "--database=" + database.toUtf8()};
    arguments << options << QByteArray("-e") << sql.toUtf8();
    for (const QByteArray &argument : arguments) {
        request += argument;
        request += '\0';
    }
    const auto size = std::uint32_t(request.size());
    ClientRun run;
    if (!writeAll(m_channel, &size, sizeof size) || !writeAll(m_channel, request.constData(), size)
        || !readAll(m_channel, &run, sizeof run))
        throw dataset::Error(QStringLiteral("Pomoćni proces za program mariadb je prekinut."));
    if (run.exitCode != 0)
        throw dataset::Error(QStringLiteral("Program mariadb je završio sa greškom (%1).").arg(run.exitCode));
    return run;
}

} // namespace bench
