// The batch import against the TLS server of the network fixture: the TLS options, and
// the copies of an import whose TLS link broke are dropped all the same.

#include "ImportTestFiles.h"
#include <console/dbserver/Schema.h>
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <parking/imports/TableReplacement.h>
#include <tests/support/ProcessRun.h>
#include <tests/support/TlsTestServer.h>

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using Kind = TlsTestServer::Kind;

namespace {

using Result = ProcessResult;

Result Run(const QStringList &arguments)
{
    return RunProcess(QStringLiteral(PARKING_IMPORT_PROGRAM), arguments, 60000);
}

int Count(dataset::Connection &connection, const QString &sql)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SetSQL({sql});
    query.Open();
    return query.Fields(0).AsInteger();
}

} // namespace

class TestParkingImportTls : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void ticketsOverTls_data();
    void ticketsOverTls();
    void copiesDroppedAfterLostTlsLink();

private:
    dataset::ConnectionParams Params() const;

    std::unique_ptr<TlsTestServer> m_server;
    QString m_database;
};

dataset::ConnectionParams TestParkingImportTls::Params() const
{
    dataset::ConnectionParams params = m_server->AdminParams(Kind::Tls);
    params.database = m_database;
    return params;
}

void TestParkingImportTls::initTestCase()
{
    m_server = std::make_unique<TlsTestServer>();
    m_database = QStringLiteral("t_import_tls_%1").arg(QCoreApplication::applicationPid());
    dataset::Connection administrator;
    administrator.Connect(m_server->AdminParams(Kind::Tls));
    dbserver::DropDatabase(administrator, m_database);
    dbserver::CreateDatabase(administrator, m_database, false);
}

void TestParkingImportTls::cleanupTestCase()
{
    if (!m_server)
        return;
    dataset::Connection administrator;
    administrator.Connect(m_server->AdminParams(Kind::Tls));
    dbserver::DropDatabase(administrator, m_database);
}

void TestParkingImportTls::ticketsOverTls_data()
{
    QTest::addColumn<QStringList>("tls");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("required, right CA") << QStringList{"--ssl", "required", "--ssl-ca", "CA"} << 0 << QString();
    QTest::newRow("defaults, right CA") << QStringList{"--ssl-ca=CA"} << 0 << QString();
    QTest::newRow("wrong CA") << QStringList{"--ssl", "required", "--ssl-ca", "WRONG"} << 2
                              << "Sertifikat servera baze podataka";
    QTest::newRow("self-signed, no CA") << QStringList{} << 2 << "Navedite datoteku sertifikata izdavača";
    QTest::newRow("bad mode") << QStringList{"--ssl", "maybe"} << 3 << "Neispravna vrednost opcije --ssl: maybe";
    QTest::newRow("bad switch") << QStringList{"--ssl-verify", "da"} << 3 << "Neispravna vrednost opcije --ssl-verify";
}

// Progress and summary as over the socket; the ticket rows travel by LOAD DATA LOCAL.
void TestParkingImportTls::ticketsOverTls()
{
    QFETCH(QStringList, tls);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString file =
        WriteTestFile(dir, "karte.csv", "h\r\n2024-05-01 10:00:00,DK1,1,BG1,300,1,,0,,1,A,,,,,1,,K\r\n");
    for (QString &argument : tls)
        argument.replace("WRONG", m_server->WrongCaFile()).replace("CA", m_server->CaFile());
    const dataset::ConnectionParams params = Params();
    const Result result =
        Run(QStringList{"tickets", file, "--host", params.host, "--port", QString::number(params.port), "--user",
                        params.user, "--password-file", m_server->PasswordFile(), "--database", m_database}
            + tls);
    QVERIFY2(result.exitCode == exitCode, qPrintable(result.err));
    QVERIFY2(result.err.contains(message), qPrintable(result.err));
    if (exitCode != 0)
        return;
    QVERIFY2(result.out.contains(QStringLiteral("Baza %1 na %2:%3, veza: TLS 1.").arg(m_database, params.host).arg(params.port)),
             qPrintable(result.out));
    dataset::Connection check;
    check.Connect(params);
    QCOMPARE(Count(check, "SELECT COUNT(*) FROM parkingticket WHERE ticketnumber = 'DK1'"), 1);
}

// The statement that finds the link broken fails; the copies are dropped on the way out,
// over a new connection.
void TestParkingImportTls::copiesDroppedAfterLostTlsLink()
{
    dataset::Connection connection;
    connection.Connect(Params());
    const QString copies = "SELECT COUNT(*) FROM information_schema.tables WHERE table_schema = DATABASE() "
                           "AND table_name LIKE 'parkingsubscription\\_n%'";
    try {
        const imports::TableReplacement replacement(connection, {"parkingsubscription"});
        QCOMPARE(Count(connection, copies), 1);
        m_server->Restart(Kind::Tls);
        connection.Execute("DO 1");
        QFAIL("a statement ran on the old session");
    } catch (const dataset::DatabaseError &error) {
        QVERIFY2(dataset::IsConnectionLost(error.serverCode()), qPrintable(error.message()));
    }
    dataset::Connection check;
    check.Connect(Params());
    QCOMPARE(Count(check, copies), 0);
}

QTEST_MAIN(TestParkingImportTls)
#include "tst_ParkingImportTls.moc"
