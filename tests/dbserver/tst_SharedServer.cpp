// parking-dbserver createdb and upgrade on a server reached over the network with
// verified TLS, and a desk connecting to what they made, as an administrator sets it up.

#include <console/connection/ConsoleSettings.h>
#include <console/connection/DatabaseStartup.h>
#include <console/dbserver/Schema.h>
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <tests/support/TlsTestServer.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using Kind = TlsTestServer::Kind;

namespace {

struct Result {
    int exitCode = -1;
    QString out;
    QString err;
};

Result RunDbServer(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(PARKING_DBSERVER_EXE), arguments);
    if (!process.waitForFinished(120000))
        qFatal("parking-dbserver did not finish");
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QString Value(dataset::Connection &connection, const QString &sql)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SetSQL({sql});
    query.Open();
    return query.Fields(0).AsString();
}

} // namespace

class TestSharedServer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_server = std::make_unique<TlsTestServer>();
        const QString pid = QString::number(QCoreApplication::applicationPid());
        m_database = QStringLiteral("t_shared_") + pid;
        m_desk = QStringLiteral("t_desk_") + pid;
        WriteFile(m_dir.filePath(QStringLiteral("admin.pw")), "Prva-lozinka\n");
        Cleanup();
    }

    void cleanupTestCase() { Cleanup(); }

    // One command makes everything a desk needs; a second run changes nothing.
    void createTwiceThenDeskLogsIn()
    {
        const QString deskPassword = m_dir.filePath(QStringLiteral("desk.pw"));
        const QStringList create = ServerOptions(QStringLiteral("createdb"))
            + QStringList{"--app-user", m_desk, "--app-password-out", deskPassword, "--admin-password-file",
                          m_dir.filePath(QStringLiteral("admin.pw")), m_database};
        const Result first = RunDbServer(create);
        QVERIFY2(first.exitCode == 0, qPrintable(first.err));
        QVERIFY2(first.out.contains(QStringLiteral("je napravljena")) && first.out.contains(QStringLiteral("samo preko TLS")),
                 qPrintable(first.out));
        QCOMPARE(QFile::permissions(deskPassword) & ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser
                                                      | QFile::WriteUser),
                 QFile::Permissions());
        const QByteArray password = [&] {
            QFile file(deskPassword);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();

        const Result second = RunDbServer(create);
        QVERIFY2(second.exitCode == 0, qPrintable(second.err));
        QVERIFY2(second.out.contains(QStringLiteral("ništa nije promenjeno")), qPrintable(second.out));
        QFile again(deskPassword);
        QVERIFY(again.open(QIODevice::ReadOnly));
        QCOMPARE(again.readAll(), password);

        // The desk: a settings file with a password file and the CA, no password in it.
        dataset::Connection desk;
        QString description;
        OpenDesk(desk, &description);
        dataset::Query cipher;
        cipher.SetConnection(&desk);
        cipher.SetSQL({QStringLiteral("SHOW SESSION STATUS LIKE 'Ssl_cipher'")});
        cipher.Open();
        QVERIFY(!cipher.Fields(1).AsString().isEmpty());
        QVERIFY2(description.contains(QStringLiteral("TLS (TLSv1")), qPrintable(description));
        QCOMPARE(Value(desk, QStringLiteral("SELECT passwordhash <> '' FROM user WHERE username = 'admin'")),
                 QStringLiteral("1"));

        // The account is admitted over TLS only.
        dataset::ConnectionParams plain = desk.Params();
        plain.tls = dataset::TlsMode::Off;
        dataset::Connection refused;
        QVERIFY_THROWS_EXCEPTION(dataset::DatabaseError, refused.Connect(plain));
    }

    // A desk refuses an older database; upgrade brings it to the program's version.
    void upgradeOverTls()
    {
        {
            dataset::Connection administrator;
            dataset::ConnectionParams params = m_server->AdminParams(Kind::Tls);
            params.database = m_database;
            administrator.Connect(params);
            administrator.Execute(QStringLiteral("UPDATE schemaversion SET version = 1"));
        }
        dataset::Connection desk;
        try {
            OpenDesk(desk);
            QFAIL("a desk opened an older database");
        } catch (const dataset::Error &error) {
            QVERIFY2(error.message().contains(QStringLiteral("Baza je verzije 1; pokrenite parking-dbserver upgrade.")),
                     qPrintable(error.message()));
        }
        const Result upgraded = RunDbServer(ServerOptions(QStringLiteral("upgrade")) + QStringList{m_database});
        QVERIFY2(upgraded.exitCode == 0, qPrintable(upgraded.err));
        QVERIFY2(upgraded.out.contains(QStringLiteral("sa verzije 1")), qPrintable(upgraded.out));
        const Result current = RunDbServer(ServerOptions(QStringLiteral("upgrade")) + QStringList{m_database});
        QVERIFY2(current.out.contains(QStringLiteral("ništa nije promenjeno")), qPrintable(current.out));
        OpenDesk(desk);
    }

    // Against a CA that signed nothing the command refuses before it changes anything.
    void wrongCaRefused()
    {
        QStringList options = ServerOptions(QStringLiteral("createdb"));
        options[options.indexOf(QStringLiteral("--ssl-ca")) + 1] = m_server->WrongCaFile();
        const Result result = RunDbServer(options + QStringList{"--app-password-out", m_dir.filePath("other.pw"),
                                                                m_database + QStringLiteral("_x")});
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.contains(QStringLiteral("nije mogao da se proveri")), qPrintable(result.err));
        QVERIFY(!QFile::exists(m_dir.filePath("other.pw")));
    }

private:
    QStringList ServerOptions(const QString &command) const
    {
        const dataset::ConnectionParams admin = m_server->AdminParams(Kind::Tls);
        return {command,          "--host",     admin.host, "--port", QString::number(admin.port), "--server-user",
                admin.user,       "--server-password-file", m_server->PasswordFile(), "--ssl", "required",
                "--ssl-ca",       m_server->CaFile()};
    }

    void OpenDesk(dataset::Connection &connection, QString *description = nullptr)
    {
        const QString ini = m_dir.filePath(QStringLiteral("desk.ini"));
        WriteFile(ini, QStringLiteral("[Database]\nhost=127.0.0.1\nport=%1\ndatabase=%2\nuser=%3\n"
                                      "password-file=%4\nssl=required\nssl-ca=%5\n")
                           .arg(QString::number(m_server->Port(Kind::Tls)), m_database, m_desk,
                                m_dir.filePath(QStringLiteral("desk.pw")), m_server->CaFile())
                           .toUtf8());
        console::DatabaseStartup startup;
        startup.Open(connection, console::ConsoleSettings(ini), m_dir.filePath(QStringLiteral("unused")));
        if (description)
            *description = startup.Description(connection);
    }

    void Cleanup()
    {
        dataset::Connection administrator;
        administrator.Connect(m_server->AdminParams(Kind::Tls));
        dbserver::DropDatabase(administrator, m_database);
        administrator.Execute(QStringLiteral("DROP USER IF EXISTS %1@'%'").arg(dataset::Connection::Quote(m_desk)));
        QFile::remove(m_dir.filePath(QStringLiteral("desk.pw")));
    }

    std::unique_ptr<TlsTestServer> m_server;
    QTemporaryDir m_dir;
    QString m_database;
    QString m_desk;
};

QTEST_GUILESS_MAIN(TestSharedServer)
#include "tst_SharedServer.moc"
