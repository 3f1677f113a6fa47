// parking-dbserver serve as the office's administrator types it: one command makes the
// certificates, the TLS-only server, the accounts and the database; run again it changes
// nothing; a desk logs in with the two files and the lines it printed.

#include <console/Authentication.h>
#include <console/connection/ConsoleSettings.h>
#include <console/connection/DatabaseStartup.h>
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <routines/PrivateFiles.h>
#include <tests/support/ProcessRun.h>
#include <tests/support/TlsTestServer.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Result = ProcessResult;

Result RunDbServer(const QStringList &arguments)
{
    return RunProcess(QStringLiteral(PARKING_DBSERVER_EXE), arguments, 240000);
}

// The [Database] lines as printed, from the section's title to its last key.
QString PrintedSettings(const QString &out)
{
    const qsizetype start = out.indexOf(QStringLiteral("[Database]\n"));
    const qsizetype end = out.indexOf(QStringLiteral("\n\n"), start);
    return start < 0 ? QString() : out.mid(start, end - start + 1);
}

} // namespace

class TestServe : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_serverDir = m_dir.filePath(QStringLiteral("server"));
        QFile admin(m_dir.filePath(QStringLiteral("admin.pw")));
        QVERIFY(admin.open(QIODevice::WriteOnly));
        admin.write("Kancelarija-1\n");
    }

    void cleanupTestCase() { RunDbServer({QStringLiteral("stop"), m_serverDir + QStringLiteral("/data")}); }

    void serveTwiceThenDeskLogsIn()
    {
        const QString listen = QStringLiteral("127.0.0.1:%1").arg(TlsTestServer::FreePort());
        const QStringList serve{"serve", m_serverDir, "--listen", listen, "--admin-password-file",
                                m_dir.filePath(QStringLiteral("admin.pw"))};
        const Result first = RunDbServer(serve);
        QVERIFY2(first.exitCode == 0, qPrintable(first.err + first.out));
        const QString settings = PrintedSettings(first.out);
        QVERIFY2(settings.contains(QStringLiteral("\nhost=127.0.0.1\nport=%1\n").arg(listen.section(':', 1)))
                     && settings.contains(QStringLiteral("\nssl=required\nssl-ca=ca.pem\n")),
                 qPrintable(first.out));
        const QString desks = m_serverDir + QStringLiteral("/desk/desks.pw");
        const QString certificate = m_serverDir + QStringLiteral("/tls/server.pem");
        const QByteArray password = ReadPrivateFile(desks);
        const QByteArray server = ReadPrivateFile(certificate);
        QVERIFY(!password.isEmpty() && !server.isEmpty());

        const Result second = RunDbServer(serve);
        QVERIFY2(second.exitCode == 0, qPrintable(second.err + second.out));
        QVERIFY2(second.out.startsWith(QStringLiteral("Sve je već bilo na mestu; ništa nije promenjeno.\n")),
                 qPrintable(second.out));
        QCOMPARE(PrintedSettings(second.out), settings);
        QCOMPARE(ReadPrivateFile(desks), password);
        QCOMPARE(ReadPrivateFile(certificate), server);

        // The desk: the two files and the printed lines in a folder of its own.
        const QString desk = m_dir.filePath(QStringLiteral("desk"));
        QVERIFY(QDir().mkpath(desk));
        for (const QString &name : {QStringLiteral("ca.pem"), QStringLiteral("desks.pw")})
            QVERIFY(QFile::copy(m_serverDir + QStringLiteral("/desk/") + name, desk + QLatin1Char('/') + name));
        QFile ini(desk + QStringLiteral("/parking-console.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(settings.toUtf8());
        ini.close();
        dataset::Connection connection;
        console::DatabaseStartup startup;
        startup.Open(connection, console::ConsoleSettings(ini.fileName()), m_dir.filePath(QStringLiteral("unused")));
        QVERIFY(connection.Encrypted());
        QCOMPARE(console::Authenticator(connection).LogIn(QStringLiteral("admin"), QStringLiteral("Kancelarija-1")).status,
                 console::LoginResult::Status::Accepted);

        // Nothing without TLS, not even the network administrator.
        dataset::ConnectionParams plain = connection.Params();
        plain.tls = dataset::TlsMode::Off;
        plain.tlsCaFile.clear();
        plain.user = QStringLiteral("parking_admin");
        plain.password = QString::fromUtf8(ReadPrivateFile(m_serverDir + QStringLiteral("/admin.password")).trimmed());
        dataset::Connection refused;
        QVERIFY_THROWS_EXCEPTION(dataset::DatabaseError, refused.Connect(plain));
    }

    // Wrong or missing options change nothing.
    void usage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("no listen") << QStringList{"serve", "DIR"} << 2 << "Upotreba:";
        QTest::newRow("all addresses, no name") << QStringList{"serve", "DIR", "--listen", "0.0.0.0"} << 1
                                                << "navedite --name IME";
        QTest::newRow("certificate without key") << QStringList{"serve", "DIR", "--listen", "10.0.0.5", "--ssl-cert", "x"}
                                                 << 2 << "Upotreba:";
    }
    void usage()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const QString dir = m_dir.filePath(QStringLiteral("unused-server"));
        const Result result = RunDbServer(arguments.replaceInStrings(QStringLiteral("DIR"), dir));
        QCOMPARE(result.exitCode, exitCode);
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
        QVERIFY(!QFile::exists(dir));
    }

private:
    QTemporaryDir m_dir;
    QString m_serverDir;
};

QTEST_GUILESS_MAIN(TestServe)
#include "tst_Serve.moc"
