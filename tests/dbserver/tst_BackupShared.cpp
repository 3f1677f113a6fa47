// A logical backup of a database on a shared server over verified TLS, restored into a
// new private server; a restore to a second is refused for it.

#include "../support/TlsTestServer.h"
#include "RunDbserver.h"
#include <console/dbserver/PrivateServer.h>
#include <console/dbserver/Schema.h>
#include <dataset/Connection.h>
#include <dataset/Query.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using Kind = TlsTestServer::Kind;

class TestBackupShared : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        m_server = std::make_unique<TlsTestServer>();
        m_database = QStringLiteral("t_backup_") + QString::number(QCoreApplication::applicationPid());
        dataset::Connection administrator;
        administrator.Connect(m_server->AdminParams(Kind::Tls));
        dbserver::CreateDatabase(administrator, m_database, false);
        administrator.Execute(QStringLiteral("INSERT INTO parkingdocument (number, documentdatetime, itemtotal) "
                                             "VALUES ('7/26', NOW(), 120)"));
        administrator.Execute(QStringLiteral("INSERT INTO parkingdocumentitem (quantity, price, itemvalue, taxid, taxvalue, "
                                             "productid, parkingdocumentid) VALUES (1, 100, 100, 1, 20, 1, LAST_INSERT_ID())"));
    }

    void cleanupTestCase()
    {
        dbserver::PrivateServer(m_dir.filePath(QStringLiteral("restored"))).Stop();
        dataset::Connection administrator;
        administrator.Connect(m_server->AdminParams(Kind::Tls));
        dbserver::DropDatabase(administrator, m_database);
    }

    void dumpAndRestore()
    {
        const dataset::ConnectionParams admin = m_server->AdminParams(Kind::Tls);
        const QString dest = m_dir.filePath(QStringLiteral("backups"));
        const Run backup = Dbserver({QStringLiteral("backup"), QStringLiteral("--host"), admin.host, QStringLiteral("--port"),
                                     QString::number(admin.port), QStringLiteral("--server-user"), admin.user,
                                     QStringLiteral("--server-password-file"), m_server->PasswordFile(),
                                     QStringLiteral("--ssl"), QStringLiteral("required"), QStringLiteral("--ssl-ca"),
                                     m_server->CaFile(), m_database, QStringLiteral("--to"), dest});
        QVERIFY2(backup.code == 0, qPrintable(backup.output));
        QVERIFY2(!backup.output.contains(admin.password), "the password is not shown");

        const Run refused = Dbserver({QStringLiteral("restore"), dest, m_dir.filePath(QStringLiteral("pit")),
                                      QStringLiteral("--to"), QStringLiteral("2099-01-01 00:00:00")});
        QVERIFY2(refused.code != 0 && refused.output.contains(QStringLiteral("bez --to")), qPrintable(refused.output));

        const QString dir = m_dir.filePath(QStringLiteral("restored"));
        const Run restore = Dbserver({QStringLiteral("restore"), dest, dir});
        QVERIFY2(restore.code == 0, qPrintable(restore.output));
        QVERIFY2(restore.output.contains(QStringLiteral("1 dokumenata, 1 stavki, poslednji dokument 7/26")),
                 qPrintable(restore.output));
        dataset::Connection connection;
        connection.Connect(dbserver::PrivateServer(dir).ConnectionParams(m_database));
        dataset::Query query;
        query.SetConnection(&connection);
        query.SQL() << QStringLiteral("SELECT number FROM parkingdocument");
        query.Open();
        QCOMPARE(query.Fields(0).AsString(), QStringLiteral("7/26"));
    }

private:
    std::unique_ptr<TlsTestServer> m_server;
    QTemporaryDir m_dir;
    QString m_database;
};

QTEST_GUILESS_MAIN(TestBackupShared)
#include "tst_BackupShared.moc"
