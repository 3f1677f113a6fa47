#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <tests/support/TlsTestServer.h>

#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using dataset::ServerAddress;

// Several servers of one cluster: the list's text, the first one that answers, and after
// a lost link the next one first.
class TestServerList : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parses_data();
    void parses();
    void refuses_data();
    void refuses();
    void singleHostIsOneEntryList();
    void skipsServerThatDoesNotAnswer();
    void reconnectTriesNextServerFirst();
    void refusalOfAccountIsNotPassedOver();
};

void TestServerList::parses_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<ServerAddress>>("servers");
    QTest::addColumn<QString>("lastText");
    QTest::newRow("three") << "h1:3306,h2:3307,10.0.0.3:3308"
                           << QList<ServerAddress>{{"h1", 3306}, {"h2", 3307}, {"10.0.0.3", 3308}} << "10.0.0.3:3308";
    QTest::newRow("blanks, default port")
        << " h1 , h2:3310 , h3" << QList<ServerAddress>{{"h1", 0}, {"h2", 3310}, {"h3", 0}} << "h3:3306";
    QTest::newRow("IPv6") << "[::1]:3306,[fe80::1]" << QList<ServerAddress>{{"::1", 3306}, {"fe80::1", 0}}
                          << "[fe80::1]:3306";
    QTest::newRow("localhost is the socket") << "h1,localhost:3307" << QList<ServerAddress>{{"h1", 0}, {"localhost", 3307}}
                                             << "localhost (podrazumevani Unix soket servera, ne TCP)";
}

void TestServerList::parses()
{
    QFETCH(QString, text);
    QFETCH(QList<ServerAddress>, servers);
    QFETCH(QString, lastText);
    QCOMPARE(dataset::ParseServerList(text), servers);
    QCOMPARE(servers.last().Text(), lastText);
}

void TestServerList::refuses_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("why");
    QTest::newRow("empty") << ""
                           << "je prazan unos";
    QTest::newRow("empty entry") << "h1:3306,,h2"
                                 << "je prazan unos";
    QTest::newRow("port zero") << "h1:0"
                               << "nema ispravan port";
    QTest::newRow("port too big") << "h1:70000"
                                  << "nema ispravan port";
    QTest::newRow("port not a number") << "h1:abc"
                                       << "nema ispravan port";
    QTest::newRow("colon without port") << "h1:"
                                        << "nema port iza dvotačke";
    QTest::newRow("no host") << ":3306"
                             << "nema ispravno ime servera";
    QTest::newRow("bare IPv6") << "::1:3306"
                               << "IPv6 adresa bez uglastih zagrada";
    QTest::newRow("open bracket") << "[::1:3306"
                                  << "nema zatvorenu zagradu";
}

void TestServerList::refuses()
{
    QFETCH(QString, text);
    QFETCH(QString, why);
    try {
        dataset::ParseServerList(text);
        QFAIL("accepted");
    } catch (const dataset::Error &error) {
        QVERIFY2(error.message().startsWith(QStringLiteral("Spisak servera „")), qPrintable(error.message()));
        QVERIFY2(error.message().contains(why), qPrintable(error.message()));
    }
}

void TestServerList::singleHostIsOneEntryList()
{
    dataset::ConnectionParams params;
    QVERIFY(dataset::ServersOf(params).isEmpty());
    params.host = QStringLiteral("db");
    params.port = 3310;
    QCOMPARE(dataset::ServersOf(params), (QList<ServerAddress>{{"db", 3310}}));
    params.hosts = {{"a", 1}, {"b", 2}};
    QCOMPARE(dataset::ServersOf(params), params.hosts);
}

namespace {

// A port on which nothing listens: bound once, then let go.
unsigned DeadPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        qFatal("no free port");
    ::close(fd);
    return ntohs(address.sin_port);
}

} // namespace

void TestServerList::skipsServerThatDoesNotAnswer()
{
    const TlsTestServer server;
    dataset::ConnectionParams params = server.AdminParams(TlsTestServer::Kind::Plain);
    const ServerAddress live{params.host, params.port};
    params.hosts = {{QStringLiteral("127.0.0.1"), DeadPort()}, live};
    dataset::Connection connection;
    connection.Connect(params);
    QCOMPARE(connection.ServerName(), live.Text());
    QVERIFY(!connection.Galera());
    QCOMPARE(connection.Params().hosts, params.hosts);

    // None answers: one error naming every server tried.
    params.hosts = {{QStringLiteral("127.0.0.1"), DeadPort()}, {QStringLiteral("127.0.0.1"), DeadPort()}};
    try {
        connection.Connect(params);
        QFAIL("connected");
    } catch (const dataset::DatabaseError &error) {
        QVERIFY(dataset::IsConnectionLost(error.serverCode()));
        QVERIFY2(error.message().contains(QStringLiteral("nijedan server")), qPrintable(error.message()));
        QCOMPARE(error.serverMessage().count(QStringLiteral("127.0.0.1:")), 2);
    }
    QVERIFY(!connection.Connected());
    QVERIFY(connection.ServerName().isEmpty());
}

// The server the link was lost on is tried last: with two live servers the session
// moves from the first to the second after its session is killed.
void TestServerList::reconnectTriesNextServerFirst()
{
    const TlsTestServer server;
    dataset::ConnectionParams plain = server.AdminParams(TlsTestServer::Kind::Plain);
    const dataset::ConnectionParams tls = server.AdminParams(TlsTestServer::Kind::Tls);
    // Both servers take the plain account over TLS "preferred" without a CA of its own.
    plain.tls = dataset::TlsMode::Preferred;
    plain.tlsVerify = false;
    plain.hosts = {{plain.host, plain.port}, {tls.host, tls.port}};
    dataset::Connection connection;
    connection.Connect(plain);
    QCOMPARE(connection.ServerName(), plain.hosts.at(0).Text());

    dataset::Connection killer;
    killer.Connect(server.AdminParams(TlsTestServer::Kind::Plain));
    killer.Execute(QStringLiteral("KILL CONNECTION %1").arg(connection.ThreadId()));
    QSignalSpy reconnected(&connection, &dataset::Connection::reconnected);
    QVERIFY_THROWS_EXCEPTION(dataset::DatabaseError, connection.Execute(QStringLiteral("DO 1")));
    connection.Execute(QStringLiteral("DO 1"));
    QCOMPARE(reconnected.count(), 1);
    QCOMPARE(connection.ServerName(), plain.hosts.at(1).Text());
}

// A wrong password is the same on every node: told at once, no further server tried.
void TestServerList::refusalOfAccountIsNotPassedOver()
{
    const TlsTestServer server;
    dataset::ConnectionParams params = server.AdminParams(TlsTestServer::Kind::Plain);
    params.password = QStringLiteral("wrong");
    params.hosts = {{params.host, params.port}, {QStringLiteral("127.0.0.1"), DeadPort()}};
    try {
        dataset::Connection().Connect(params);
        QFAIL("connected");
    } catch (const dataset::DatabaseError &error) {
        QCOMPARE(error.serverCode(), 1045u);
    }
}

QTEST_GUILESS_MAIN(TestServerList)
#include "tst_serverlist.moc"
