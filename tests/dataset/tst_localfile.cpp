// A server that asks for a local file (LOAD DATA LOCAL INFILE answered by the server
// side) gets nothing unless the connection is loading exactly that file. The server
// here is a fake on a Unix socket that speaks just enough of the protocol.

#include <dataset/Connection.h>
#include <dataset/Error.h>

#include <QTemporaryDir>
#include <QtTest>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

// Accepts one client, lets it log in, answers 'okBeforeAsking' statements with OK and
// every later one with a request for 'wanted'; keeps whatever file data arrives.
class FakeServer {
public:
    FakeServer(const QString &socketPath, const QByteArray &wanted, int okBeforeAsking)
        : m_wanted(wanted), m_okBeforeAsking(okBeforeAsking)
    {
        m_listen = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(socketPath);
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        if (::bind(m_listen, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || ::listen(m_listen, 1) != 0)
            qFatal("fake server: cannot listen on %s", path.constData());
        m_thread = std::thread([this] { Serve(); });
    }
    ~FakeServer()
    {
        Wait();
        ::close(m_listen);
    }
    FakeServer(const FakeServer &) = delete;
    FakeServer &operator=(const FakeServer &) = delete;

    // Waits until the client has gone.
    void Wait()
    {
        if (m_thread.joinable())
            m_thread.join();
    }
    // File bytes the client sent, and how often the server asked; read after Wait().
    QByteArray Received() const { return m_received; }
    int Requests() const { return m_requests; }

private:
    static constexpr int TimeoutMs = 10000;

    bool ReadExactly(int fd, char *buffer, size_t size)
    {
        size_t done = 0;
        while (done < size) {
            pollfd wait{fd, POLLIN, 0};
            if (::poll(&wait, 1, TimeoutMs) <= 0)
                return false;
            const ssize_t n = ::read(fd, buffer + done, size - done);
            if (n <= 0)
                return false;
            done += size_t(n);
        }
        return true;
    }
    // One packet's payload and sequence number; false when the client is gone.
    bool ReadPacket(int fd, QByteArray &payload, quint8 &sequence)
    {
        unsigned char header[4];
        if (!ReadExactly(fd, reinterpret_cast<char *>(header), 4))
            return false;
        payload.resize(header[0] | (header[1] << 8) | (header[2] << 16));
        sequence = header[3];
        return ReadExactly(fd, payload.data(), size_t(payload.size()));
    }
    static void WritePacket(int fd, const QByteArray &payload, quint8 sequence)
    {
        QByteArray packet;
        packet.append(char(payload.size() & 0xff)).append(char((payload.size() >> 8) & 0xff));
        packet.append(char((payload.size() >> 16) & 0xff)).append(char(sequence)).append(payload);
        if (::write(fd, packet.constData(), size_t(packet.size())) != packet.size())
            qWarning("fake server: short write");
    }
    static QByteArray Ok() { return QByteArray("\x00\x00\x00\x02\x00\x00\x00", 7); }
    static QByteArray Handshake()
    {
        const quint32 capabilities = 0x1 | 0x4 | 0x8 | 0x80 /* local files */ | 0x200 | 0x2000 | 0x8000
                                   | 0x10000 | 0x20000 | 0x80000;
        QByteArray p;
        p.append('\x0a').append("5.5.5-10.11.0-fake").append('\0');
        p.append("\x01\x00\x00\x00", 4).append("abcdefgh").append('\0');
        p.append(char(capabilities & 0xff)).append(char((capabilities >> 8) & 0xff));
        p.append('\x2d').append("\x02\x00", 2);
        p.append(char((capabilities >> 16) & 0xff)).append(char((capabilities >> 24) & 0xff));
        p.append(char(21)).append(QByteArray(10, '\0'));
        p.append("ijklmnopqrst").append('\0').append("mysql_native_password").append('\0');
        return p;
    }

    void Serve()
    {
        pollfd wait{m_listen, POLLIN, 0};
        if (::poll(&wait, 1, TimeoutMs) <= 0)
            return;
        const int client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            return;
        QByteArray payload;
        quint8 sequence = 0;
        WritePacket(client, Handshake(), 0);
        if (ReadPacket(client, payload, sequence))
            WritePacket(client, Ok(), quint8(sequence + 1));
        int statements = 0;
        while (ReadPacket(client, payload, sequence) && !payload.isEmpty() && payload.at(0) == '\x03') {
            if (statements++ < m_okBeforeAsking) {
                WritePacket(client, Ok(), 1);
                continue;
            }
            ++m_requests;
            WritePacket(client, '\xfb' + m_wanted, 1);
            // The file's content follows in packets; an empty packet ends it (also a refusal).
            quint8 last = 1;
            while (ReadPacket(client, payload, sequence) && !payload.isEmpty()) {
                m_received += payload;
                last = sequence;
            }
            WritePacket(client, Ok(), quint8(std::max(last, sequence) + 1));
        }
        ::close(client);
    }

    QByteArray m_wanted;
    int m_okBeforeAsking;
    int m_listen = -1;
    QByteArray m_received;
    int m_requests = 0;
    std::thread m_thread;
};

} // namespace

class TestLocalFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void serverAsksForAFile_data();
    void serverAsksForAFile();
};

void TestLocalFile::serverAsksForAFile_data()
{
    QTest::addColumn<bool>("localLoad");
    QTest::addColumn<bool>("armSecret");     // the load names the very file the server wants
    QTest::addColumn<int>("okBeforeAsking"); // 0: the server asks at the first statement
    QTest::addColumn<bool>("sent");
    QTest::newRow("ordinary connection, first statement") << false << false << 0 << false;
    QTest::newRow("ordinary connection, later statement") << false << false << 1 << false;
    QTest::newRow("loading connection, another file armed") << true << false << 1 << false;
    QTest::newRow("loading connection, nothing armed") << true << false << 0 << false;
    // Shows that the fake server does receive a file when the client sends one.
    QTest::newRow("loading connection, that file armed") << true << true << 1 << true;
}

void TestLocalFile::serverAsksForAFile()
{
    QFETCH(bool, localLoad);
    QFETCH(bool, armSecret);
    QFETCH(int, okBeforeAsking);
    QFETCH(bool, sent);
    QTemporaryDir dir;
    const QString secretPath = dir.filePath(QStringLiteral("tajna.txt"));
    const QString otherPath = dir.filePath(QStringLiteral("uvoz.txt"));
    for (const QString &path : {secretPath, otherPath}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("TAJNA " + QFile::encodeName(path));
    }
    int requests = 0;
    QByteArray received;
    {
        FakeServer server(dir.filePath(QStringLiteral("s.sock")), QFile::encodeName(secretPath), okBeforeAsking);
        dataset::ConnectionParams params;
        params.socket = dir.filePath(QStringLiteral("s.sock"));
        params.user = QStringLiteral("parking");
        params.localLoad = localLoad;
        dataset::Connection connection;
        try {
            connection.Connect(params);
            const QString armed = armSecret ? secretPath : otherPath;
            const QString load = QStringLiteral("LOAD DATA LOCAL INFILE %1 INTO TABLE t").arg(dataset::Connection::Quote(armed));
            if (localLoad)
                connection.ExecuteLocalLoad(load, armed);
            else
                connection.Execute(QStringLiteral("SELECT 1"));
        } catch (const dataset::Error &) {
            // A refused request ends the statement with an error; what counts is what was sent.
        }
        connection.Disconnect();
        server.Wait();
        requests = server.Requests();
        received = server.Received();
    }
    QCOMPARE(requests, 1);
    QCOMPARE(received, sent ? "TAJNA " + QFile::encodeName(secretPath) : QByteArray());
}

QTEST_GUILESS_MAIN(TestLocalFile)
#include "tst_localfile.moc"
