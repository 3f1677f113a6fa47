// A TLS link that breaks under an open connection counts as lost: the failing statement
// drops the handle and the next one connects again, once.

#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <tests/support/TlsTestServer.h>

#include <QSignalSpy>
#include <QTest>

#include <mariadb/errmsg.h>
#include <mariadb/mysqld_error.h>

using namespace dataset;
using Kind = TlsTestServer::Kind;

class TestTlsLoss : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void lostCodes();
    void killedTlsSessionReconnects();
    void serverRestartedUnderTlsConnection();
};

// Codes of a dead link, and codes of a live one that merely refused a statement.
void TestTlsLoss::lostCodes()
{
    for (const unsigned code : {2002u, 2003u, 2006u, 2013u, 2026u, 2055u, 1053u, 1927u})
        QVERIFY2(IsConnectionLost(code), qPrintable(QString::number(code)));
    for (const unsigned code : {0u, 1062u, 1146u, 1205u, unsigned(ER_QUERY_INTERRUPTED), 2014u})
        QVERIFY2(!IsConnectionLost(code), qPrintable(QString::number(code)));
}

// A session killed by the server ends the TLS stream: the client library reports 2026.
void TestTlsLoss::killedTlsSessionReconnects()
{
    const TlsTestServer server;
    Connection connection;
    connection.Connect(server.AdminParams(Kind::Tls));
    QSignalSpy reconnected(&connection, &Connection::reconnected);
    Connection killer;
    killer.Connect(server.AdminParams(Kind::Tls));
    killer.Execute(QStringLiteral("KILL CONNECTION %1").arg(connection.ThreadId()));
    try {
        connection.Execute(QStringLiteral("DO 1"));
        QFAIL("the killed session ran a statement");
    } catch (const DatabaseError &error) {
        QCOMPARE(error.serverCode(), unsigned(CR_SSL_CONNECTION_ERROR));
    }
    QVERIFY(!connection.Connected());
    QCOMPARE(connection.Execute(QStringLiteral("DO 1")), std::uint64_t(0));
    QCOMPARE(reconnected.count(), 1);
    QVERIFY(connection.Encrypted());
}

// The server restarts while the connection is idle: the next statement fails as lost,
// the one after it runs on a new, again verified TLS session.
void TestTlsLoss::serverRestartedUnderTlsConnection()
{
    TlsTestServer server;
    Connection connection;
    connection.Connect(server.AdminParams(Kind::Tls));
    QSignalSpy reconnected(&connection, &Connection::reconnected);
    server.Restart(Kind::Tls);
    try {
        connection.Execute(QStringLiteral("DO 1"));
        QFAIL("a statement ran on the old session");
    } catch (const DatabaseError &error) {
        QVERIFY2(IsConnectionLost(error.serverCode()), qPrintable(error.message()));
    }
    connection.Execute(QStringLiteral("DO 1"));
    QCOMPARE(reconnected.count(), 1);
    QVERIFY(connection.Encrypted());
}

QTEST_GUILESS_MAIN(TestTlsLoss)
#include "tst_tlsloss.moc"
