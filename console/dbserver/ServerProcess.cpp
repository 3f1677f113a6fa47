#include "ServerProcess.h"

#include "ServerAccounts.h"
#include <dataset/Error.h>
#include <dataset/MysqlHandles.h>

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>
#include <QElapsedTimer>

#include <mariadb/mysql.h>
#include <mariadb/mysqld_error.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#if __has_include(<linux/close_range.h>)
#include <linux/close_range.h>
#endif

namespace dbserver::detail {

namespace {

using dataset::detail::MysqlPtr;

// A file descriptor closed when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1) noexcept : m_fd(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const noexcept { return m_fd; }
    void reset() noexcept
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

// A connection as 'user' without password over the socket; with 'refused' set, a server
// that answered but refused the account still yields no handle.
MysqlPtr ConnectWithoutPassword(const QString &socketPath, const QString &user, bool *refused = nullptr)
{
    // An empty path would make the client library pick the system server's socket.
    if (socketPath.isEmpty())
        return {};
    MysqlPtr handle(mysql_init(nullptr));
    if (!handle)
        return {};
    const unsigned timeout = 2;
    mysql_optionsv(handle.get(), MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
    const QByteArray socket = QFile::encodeName(socketPath);
    const QByteArray name = user.toUtf8();
    if (!mysql_real_connect(handle.get(), nullptr, name.constData(), "", nullptr, 0, socket.constData(), 0)) {
        const unsigned code = mysql_errno(handle.get());
        if (refused)
            *refused = code == ER_ACCESS_DENIED_ERROR || code == ER_ACCESS_DENIED_NO_PASSWORD_ERROR;
        return {};
    }
    return handle;
}

bool ReadAll(int fd, void *buffer, size_t size)
{
    auto *bytes = static_cast<char *>(buffer);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

// Only async-signal-safe calls between fork and exec.
void WriteInt(int fd, std::int32_t value)
{
    ssize_t ignored = ::write(fd, &value, sizeof value);
    (void)ignored;
}

} // namespace

QString FindProgram(const QString &configured, const QString &name, const QString &package)
{
    if (!configured.isEmpty()) {
        if (QFileInfo(configured).isExecutable())
            return configured;
    } else {
        QString found = QStandardPaths::findExecutable(name);
        if (found.isEmpty())
            found = QStandardPaths::findExecutable(
                name, {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin"),
                       QStringLiteral("/usr/bin"), QStringLiteral("/usr/local/bin")});
        if (!found.isEmpty())
            return found;
    }
    throw dataset::Error(
        QStringLiteral("Program %1 nije pronađen. Instalirajte Debian paket %2 "
                       "(scripts/install-deps.sh to radi sam).")
            .arg(configured.isEmpty() ? name : configured, package));
}

qint64 ReadPidFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    bool ok = false;
    const qint64 pid = file.readAll().trimmed().toLongLong(&ok);
    return ok && pid > 0 ? pid : 0;
}

bool IsProcessAlive(qint64 pid)
{
    if (pid <= 0)
        return false;
    if (::kill(pid_t(pid), 0) != 0 && errno != EPERM)
        return false;
    // A zombie has exited; nobody may have reaped it yet (e.g. no init in a container).
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    const qsizetype paren = text.lastIndexOf(')');
    return paren < 0 || paren + 2 >= text.size() || (text.at(paren + 2) != 'Z' && text.at(paren + 2) != 'X');
}

bool IsServerFor(qint64 pid, const QString &dataDir)
{
    if (!IsProcessAlive(pid))
        return false;
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!cmdline.open(QIODevice::ReadOnly))
        return false;
    const QByteArray wanted = "--datadir=" + QFile::encodeName(dataDir);
    const QList<QByteArray> arguments = cmdline.readAll().split('\0');
    if (arguments.isEmpty() || !arguments.first().endsWith("mariadbd"))
        return false;
    return arguments.contains(wanted);
}

qint64 SpawnDetached(const QString &program, const QStringList &arguments, const QString &logPath)
{
    // Everything the child needs is prepared before fork.
    std::vector<QByteArray> storage;
    storage.push_back(QFile::encodeName(program));
    for (const QString &argument : arguments)
        storage.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &item : storage)
        argv.push_back(item.data());
    argv.push_back(nullptr);
    const QByteArray log = QFile::encodeName(logPath);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        throw dataset::Error(QStringLiteral("Ne mogu da pokrenem %1: %2")
                                 .arg(program, QString::fromLocal8Bit(std::strerror(errno))));
    Fd readEnd(pipeFds[0]);
    Fd writeEnd(pipeFds[1]);

    const pid_t child = ::fork();
    if (child < 0)
        throw dataset::Error(QStringLiteral("Ne mogu da pokrenem %1: %2")
                                 .arg(program, QString::fromLocal8Bit(std::strerror(errno))));
    if (child == 0) {
        // Intermediate child: new session, fork the server, report its pid and leave,
        // so the server is adopted by init and never becomes our zombie.
        ::setsid();
        const pid_t server = ::fork();
        if (server != 0) {
            WriteInt(pipeFds[1], std::int32_t(server < 0 ? -errno : server));
            ::_exit(0);
        }
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(log.constData(), O_WRONLY | O_CREAT | O_APPEND, 0640);
        if (in >= 0)
            ::dup2(in, 0);
        if (out >= 0) {
            ::dup2(out, 1);
            ::dup2(out, 2);
        }
#ifdef CLOSE_RANGE_CLOEXEC
        ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
#endif
        ::execv(argv[0], argv.data());
        WriteInt(pipeFds[1], std::int32_t(errno));
        ::_exit(127);
    }
    writeEnd.reset();
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    std::int32_t pid = 0;
    if (!ReadAll(readEnd.get(), &pid, sizeof pid) || pid <= 0)
        throw dataset::Error(QStringLiteral("Ne mogu da pokrenem %1: %2")
                                 .arg(program, QString::fromLocal8Bit(std::strerror(pid < 0 ? -pid : EAGAIN))));
    std::int32_t execError = 0;
    if (ReadAll(readEnd.get(), &execError, sizeof execError))
        throw dataset::Error(QStringLiteral("Ne mogu da pokrenem %1: %2")
                                 .arg(program, QString::fromLocal8Bit(std::strerror(execError))));
    return pid;
}

bool WaitForExit(qint64 pid, std::chrono::milliseconds timeout)
{
    QElapsedTimer timer;
    timer.start();
    while (IsProcessAlive(pid)) {
        if (timer.elapsed() > timeout.count())
            return false;
        QThread::msleep(50);
    }
    return true;
}

void RemoveSocketFile(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (::lstat(name.constData(), &info) == 0 && S_ISSOCK(info.st_mode))
        ::unlink(name.constData());
}

bool Ping(const QString &socketPath)
{
    bool refused = false;
    MysqlPtr handle = ConnectWithoutPassword(socketPath, AdministratorName(), &refused);
    // A server made before the administrator had socket credentials answers with a refusal.
    return refused || (handle && mysql_ping(handle.get()) == 0);
}

bool SendShutdown(const QString &socketPath)
{
    MysqlPtr handle = ConnectWithoutPassword(socketPath, AdministratorName());
    if (!handle)
        handle = ConnectWithoutPassword(socketPath, QStringLiteral("root"));
    if (!handle)
        return false;
    // The server may drop the connection before it answers; either way it is going down.
    mysql_query(handle.get(), "SHUTDOWN");
    return true;
}

QString TailOfFile(const QString &path, int lines)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("(log %1 ne postoji)").arg(path);
    const qint64 size = file.size();
    file.seek(qMax<qint64>(0, size - 16384));
    QStringList all = QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'));
    while (!all.isEmpty() && all.last().trimmed().isEmpty())
        all.removeLast();
    return all.mid(qMax<qsizetype>(0, all.size() - lines)).join(QLatin1Char('\n'));
}

} // namespace dbserver::detail
