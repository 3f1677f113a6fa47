// A server that goes away or hangs: with a server of its own (the shared test server
// must not be stopped under the other tests).

#include <console/dbserver/PrivateServer.h>
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

using namespace dataset;

namespace {

// Stops the server process for a scope and always lets it run again, whatever the test does.
class ServerStopped {
public:
    explicit ServerStopped(qint64 pid) : m_pid(pid) { ::kill(pid_t(m_pid), SIGSTOP); }
    ~ServerStopped() { ::kill(pid_t(m_pid), SIGCONT); }
    ServerStopped(const ServerStopped &) = delete;
    ServerStopped &operator=(const ServerStopped &) = delete;

private:
    qint64 m_pid;
};

} // namespace

class TestServerLoss : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void restartedBetweenRefreshes();
    void hungServerTimesOut();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<dbserver::PrivateServer> m_server;
    ConnectionParams params() const { return m_server->ConnectionParams(QStringLiteral("lossdb")); }
};

void TestServerLoss::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_server = std::make_unique<dbserver::PrivateServer>(m_dir.filePath(QStringLiteral("db")));
    m_server->Start();
    Connection setup;
    setup.Connect(m_server->ConnectionParams());
    setup.Execute(QStringLiteral("CREATE DATABASE lossdb"));
    setup.Execute(QStringLiteral("CREATE TABLE lossdb.t (id BIGINT AUTO_INCREMENT PRIMARY KEY, name VARCHAR(20))"));
    setup.Execute(QStringLiteral("INSERT INTO lossdb.t (name) VALUES ('a'), ('b')"));
}

void TestServerLoss::cleanupTestCase()
{
    if (m_server)
        m_server->Stop();
}

// The refresh while the server is down fails with a clear error; once it is back the next
// refresh connects again, once, and reopens the query.
void TestServerLoss::restartedBetweenRefreshes()
{
    Connection connection;
    connection.Connect(params());
    QSignalSpy reconnected(&connection, &Connection::reconnected);
    Query query;
    query.SetConnection(&connection);
    query.SQL() << QStringLiteral("SELECT * FROM t ORDER BY id");
    query.Open();
    query.Last();

    m_server->Stop();
    QVERIFY_THROWS_EXCEPTION(DatabaseError, query.Refresh());
    QVERIFY(!query.Active());
    m_server->Start();
    query.Refresh();
    QVERIFY(query.Active());
    QCOMPARE(query.RecordCount(), 2);
    QCOMPARE(reconnected.count(), 1);
    query.Refresh();
    QCOMPARE(reconnected.count(), 1);
}

// A server that stops answering gives an error within the timeout instead of freezing
// the caller, and the connection works again once the server runs.
void TestServerLoss::hungServerTimesOut()
{
    ConnectionParams p = params();
    p.timeout = 2;
    Connection connection;
    connection.Connect(p);
    QElapsedTimer timer;
    {
        const ServerStopped stopped(m_server->ServerPid());
        timer.start();
        QVERIFY_THROWS_EXCEPTION(DatabaseError, connection.Execute(QStringLiteral("UPDATE t SET name = 'c'")));
    }
    QVERIFY2(timer.elapsed() < 30000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(!connection.Connected());
    Connection check;
    check.Connect(params());
    QCOMPARE(check.Execute(QStringLiteral("UPDATE t SET name = 'd' WHERE id = 1")), std::uint64_t(1));
}

QTEST_GUILESS_MAIN(TestServerLoss)
#include "tst_serverloss.moc"
