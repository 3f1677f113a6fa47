#include "CommitCutProxy.h"

#include <dataset/Error.h>

#include <QByteArray>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr int kNoCut = -1;
constexpr int kPollMs = 20;

class Fd {
public:
    explicit Fd(int fd = -1)
        : m_fd(fd)
    {
    }
    ~Fd() { Reset(); }
    Fd(Fd &&other) noexcept
        : m_fd(std::exchange(other.m_fd, -1))
    {
    }
    Fd &operator=(Fd &&other) noexcept
    {
        Reset();
        m_fd = std::exchange(other.m_fd, -1);
        return *this;
    }
    int get() const { return m_fd; }
    void Reset()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

bool WriteAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::send(fd, data, size, MSG_NOSIGNAL);
        if (written <= 0)
            return false;
        data += written;
        size -= size_t(written);
    }
    return true;
}

// COM_QUERY (0x03) whose text is 'start' or begins with it and a blank, in any case,
// blanks around it allowed.
bool Begins(const QByteArray &payload, const QByteArray &start)
{
    if (payload.size() <= 1 || payload.at(0) != 0x03)
        return false;
    const QByteArray text = payload.mid(1).trimmed().toUpper();
    return text == start || (text.startsWith(start) && text.size() > start.size() && text.at(start.size()) == ' ');
}

} // namespace

struct CommitCutProxy::Private {
    QString serverSocket;
    Fd listener;
    quint16 port = 0;
    std::atomic<bool> stop{false};
    std::atomic<int> cut{kNoCut};
    std::atomic<bool> done{false};
    std::atomic<bool> refusing{false};
    std::mutex statementMutex;
    QByteArray statement = QByteArrayLiteral("COMMIT"); // the statement the armed cut waits for
    std::mutex sessionsMutex;
    std::vector<std::thread> sessions;
    std::thread acceptor;

    void Accept();
    void Relay(Fd client);
    Fd ConnectServer() const;
};

CommitCutProxy::CommitCutProxy(const QString &serverSocket)
    : d(std::make_unique<Private>())
{
    d->serverSocket = serverSocket;
    d->listener = Fd(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (d->listener.get() < 0 || ::bind(d->listener.get(), reinterpret_cast<sockaddr *>(&address), length) != 0
        || ::listen(d->listener.get(), 8) != 0
        || ::getsockname(d->listener.get(), reinterpret_cast<sockaddr *>(&address), &length) != 0)
        throw dataset::Error(
            QStringLiteral("Proksi ne može da sluša: %1").arg(QString::fromLocal8Bit(strerror(errno))));
    d->port = ntohs(address.sin_port);
    d->acceptor = std::thread([this] { d->Accept(); });
}

CommitCutProxy::~CommitCutProxy()
{
    d->stop = true;
    d->acceptor.join();
    const std::lock_guard lock(d->sessionsMutex);
    for (std::thread &session : d->sessions)
        session.join();
}

void CommitCutProxy::CutNextCommit(Cut how)
{
    CutNextStatement(QByteArrayLiteral("COMMIT"), how);
}

void CommitCutProxy::CutNextStatement(const QByteArray &start, Cut how)
{
    {
        const std::lock_guard lock(d->statementMutex);
        d->statement = start.toUpper();
    }
    d->done = false;
    d->cut = int(how);
}

bool CommitCutProxy::Done() const
{
    return d->done;
}

void CommitCutProxy::AcceptAgain()
{
    d->refusing = false;
}

dataset::ConnectionParams CommitCutProxy::Params(const dataset::ConnectionParams &server) const
{
    dataset::ConnectionParams params = server;
    params.host = QStringLiteral("127.0.0.1");
    params.port = d->port;
    params.socket.clear();
    params.tls = dataset::TlsMode::Off;
    params.timeout = 5;
    return params;
}

void CommitCutProxy::Private::Accept()
{
    while (!stop) {
        pollfd waiting{listener.get(), POLLIN, 0};
        if (::poll(&waiting, 1, kPollMs) <= 0)
            continue;
        const int client = ::accept(listener.get(), nullptr, nullptr);
        if (client < 0)
            continue;
        if (refusing) {
            ::close(client);
            continue;
        }
        const std::lock_guard lock(sessionsMutex);
        sessions.emplace_back([this, client] { Relay(Fd(client)); });
    }
}

Fd CommitCutProxy::Private::ConnectServer() const
{
    Fd server(::socket(AF_UNIX, SOCK_STREAM, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = serverSocket.toLocal8Bit();
    std::strncpy(address.sun_path, path.constData(), sizeof(address.sun_path) - 1);
    if (server.get() < 0 || ::connect(server.get(), reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0)
        return Fd();
    return server;
}

// Client bytes are split into packets (3-byte length, sequence number, payload) so a
// COMMIT is recognised however the reads fall; server bytes pass as they come.
void CommitCutProxy::Private::Relay(Fd client)
{
    const Fd server = ConnectServer();
    if (server.get() < 0)
        return;
    QByteArray pending;
    char buffer[16384];
    while (!stop) {
        pollfd fds[2] = {{client.get(), POLLIN, 0}, {server.get(), POLLIN, 0}};
        if (::poll(fds, 2, kPollMs) <= 0)
            continue;
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t got = ::recv(server.get(), buffer, sizeof(buffer), 0);
            if (got <= 0 || !WriteAll(client.get(), buffer, size_t(got)))
                return;
        }
        if (!(fds[0].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        const ssize_t got = ::recv(client.get(), buffer, sizeof(buffer), 0);
        if (got <= 0)
            return;
        pending.append(buffer, got);
        while (pending.size() >= 4) {
            const auto byte = [&pending](int i) { return quint32(quint8(pending.at(i))); };
            const qsizetype size = 4 + qsizetype(byte(0) | byte(1) << 8 | byte(2) << 16);
            if (pending.size() < size)
                break;
            const QByteArray packet = pending.left(size);
            pending.remove(0, size);
            int how = cut.load();
            const auto armed = [this, &packet] {
                const std::lock_guard lock(statementMutex);
                return Begins(packet.mid(4), statement);
            };
            if (how != kNoCut && armed() && cut.compare_exchange_strong(how, kNoCut)) {
                if (how == int(Cut::AfterCommitThenRefuse))
                    refusing = true;
                if (how != int(Cut::BeforeCommit)
                    && WriteAll(server.get(), packet.constData(), size_t(packet.size()))) {
                    // The server's answer means the COMMIT is done; the client never sees it.
                    pollfd answer{server.get(), POLLIN, 0};
                    if (::poll(&answer, 1, 5000) > 0)
                        (void)::recv(server.get(), buffer, sizeof(buffer), 0);
                }
                done = true;
                return;
            }
            if (!WriteAll(server.get(), packet.constData(), size_t(packet.size())))
                return;
        }
    }
}
