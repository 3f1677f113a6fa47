// parking-dbserver createdb and upgrade on a server reached over the network with
// verified TLS, and a desk connecting to what they made, as an administrator sets it up:
// the desks' account, which cannot destroy the database, and the import account.

#include <console/Authentication.h>
#include <console/connection/ConsoleSettings.h>
#include <console/connection/DatabaseStartup.h>
#include <console/dbserver/PrivateServer.h>
#include <console/dbserver/Schema.h>
#include <console/dbserver/ServerAccounts.h>
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <routines/PrivateFiles.h>
#include <tests/support/ProcessRun.h>
#include <tests/support/TlsTestServer.h>

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <thread>
#include <vector>

using Kind = TlsTestServer::Kind;

namespace {

using Result = ProcessResult;

Result RunDbServer(const QStringList &arguments)
{
    return RunProcess(QStringLiteral(PARKING_DBSERVER_EXE), arguments, 120000);
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
        m_import = QStringLiteral("t_import_") + pid;
        m_socketDesk = QStringLiteral("t_sdesk_") + pid;
        WriteFile(m_dir.filePath(QStringLiteral("admin.pw")), "Prva-lozinka\n");
        Cleanup();
    }

    void cleanupTestCase() { Cleanup(); }

    // One command makes everything a desk needs; a second run changes nothing.
    void createTwiceThenDeskLogsIn()
    {
        const QString deskPassword = m_dir.filePath(QStringLiteral("desk.pw"));
        const QStringList create = ServerOptions(QStringLiteral("createdb"))
            + QStringList{"--app-user",
                          m_desk,
                          "--app-password-out",
                          deskPassword,
                          "--import-user",
                          m_import,
                          "--import-password-out",
                          m_dir.filePath(QStringLiteral("import.pw")),
                          "--admin-password-file",
                          m_dir.filePath(QStringLiteral("admin.pw")),
                          m_database};
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
        QCOMPARE(
            Value(*Administrator(), QStringLiteral("SELECT passwordhash <> '' FROM user WHERE username = 'admin'")),
            QStringLiteral("1"));

        // The account is admitted over TLS only.
        dataset::ConnectionParams plain = desk.Params();
        plain.tls = dataset::TlsMode::Off;
        dataset::Connection refused;
        QVERIFY_THROWS_EXCEPTION(dataset::DatabaseError, refused.Connect(plain));
    }

    // What a desk's password file lets anyone do on the shared database: change the data,
    // never the database itself, the accounts of the console or the log-in's count.
    void deskCannotDestroy_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::newRow("drop database") << "DROP DATABASE %1";
        QTest::newRow("drop table") << "DROP TABLE parkingdocument";
        QTest::newRow("alter table") << "ALTER TABLE parkingdocument ADD COLUMN x INT";
        QTest::newRow("create table") << "CREATE TABLE parkingticket_n1x00000000 (a INT)";
        QTest::newRow("rename table") << "RENAME TABLE parkingticket TO parkingticket_x";
        QTest::newRow("empty admin's password") << "UPDATE user SET passwordhash = '' WHERE username = 'admin'";
        QTest::newRow("add a user") << "INSERT INTO user (username) VALUES ('mallory')";
        QTest::newRow("delete a user") << "DELETE FROM user WHERE username = 'admin'";
        QTest::newRow("read the hashes") << "SELECT passwordhash FROM user";
        QTest::newRow("forget wrong tries") << "DELETE FROM loginfailure";
        QTest::newRow("change the version") << "DELETE FROM schemaversion";
        QTest::newRow("replace a procedure") << "CREATE OR REPLACE PROCEDURE login() SELECT 1";
    }
    void deskCannotDestroy()
    {
        QFETCH(QString, statement);
        dataset::Connection desk;
        OpenDesk(desk);
        try {
            desk.Execute(
                QString(statement).replace(QStringLiteral("%1"), dataset::Connection::QuoteIdentifier(m_database)));
            QFAIL("the desks' account ran it");
        } catch (const dataset::DatabaseError &error) {
            QVERIFY2(error.serverCode() != 0, qPrintable(error.message()));
        }
        QCOMPARE(Value(*Administrator(),
                       QStringLiteral("SELECT COUNT(*) FROM user WHERE username = 'admin' "
                                      "AND passwordhash LIKE '$argon2%'")),
                 QStringLiteral("1"));
    }

    // Through the procedures the desk logs in, is refused and counted, changes its own
    // password and stores a document.
    void deskLogsInAndSaves()
    {
        dataset::Connection desk;
        OpenDesk(desk);
        using Status = console::LoginResult::Status;
        console::Authenticator authenticator(desk);
        QCOMPARE(authenticator.LogIn(QStringLiteral("admin"), QStringLiteral("pogresna")).status, Status::Rejected);
        auto administrator = Administrator();
        QCOMPARE(Value(*administrator, QStringLiteral("SELECT failures FROM loginfailure WHERE username = 'admin'")),
                 QStringLiteral("1"));
        const console::LoginResult login = authenticator.LogIn(QStringLiteral("admin"), QStringLiteral("Prva-lozinka"));
        QCOMPARE(login.status, Status::Accepted);
        QCOMPARE(Value(*administrator, QStringLiteral("SELECT COUNT(*) FROM loginfailure")), QStringLiteral("0"));
        // A wrong present password changes nothing and counts as a wrong try.
        QVERIFY_THROWS_EXCEPTION(dataset::Error,
                                 authenticator.ChangePassword(login.user.UserID, QStringLiteral("pogresna"),
                                                              QStringLiteral("Druga-lozinka"),
                                                              QStringLiteral("Druga-lozinka")));
        QCOMPARE(Value(*administrator, QStringLiteral("SELECT failures FROM loginfailure WHERE username = 'admin'")),
                 QStringLiteral("1"));
        authenticator.ChangePassword(login.user.UserID, QStringLiteral("Prva-lozinka"), QStringLiteral("Druga-lozinka"),
                                     QStringLiteral("Druga-lozinka"));
        QCOMPARE(authenticator.LogIn(QStringLiteral("admin"), QStringLiteral("Druga-lozinka")).status,
                 Status::Accepted);
        authenticator.ChangePassword(login.user.UserID, QStringLiteral("Druga-lozinka"), QStringLiteral("Prva-lozinka"),
                                     QStringLiteral("Prva-lozinka"));

        desk.Execute(QStringLiteral("START TRANSACTION"));
        desk.Execute(QStringLiteral("INSERT INTO numbercounter (series, n) VALUES ('parkingdocument', 1) "
                                    "ON DUPLICATE KEY UPDATE n = n + 1"));
        desk.Execute(
            QStringLiteral("INSERT INTO parkingdocument (number, documentdatetime, cityreg, regnumber, userid) "
                           "VALUES ('1/26', NOW(), 'BG', '123AB', %1)")
                .arg(login.user.UserID));
        desk.Execute(QStringLiteral("COMMIT"));
        QCOMPARE(Value(desk,
                       QStringLiteral("SELECT CONCAT(u.firstname, ' ', pd.number) FROM parkingdocument AS pd "
                                      "JOIN user AS u ON u.userid = pd.userid")),
                 QStringLiteral("Administrator 1/26"));
    }

    // The wait after wrong passwords is the server's: a desk that calls the procedure
    // itself with the right hash is refused until the wait is over, and is not counted.
    void waitHeldByServer()
    {
        dataset::Connection desk;
        OpenDesk(desk);
        desk.Execute(QStringLiteral("CALL loginstate('admin', @id, @settings, @wait)"));
        const QByteArray hash = dbserver::DerivePasswordHash(
            QStringLiteral("Prva-lozinka"), Value(desk, QStringLiteral("SELECT @settings")).toLatin1());
        QVERIFY(!hash.isEmpty());
        console::Authenticator authenticator(desk);
        for (int i = 0; i < console::FreeLoginAttempts; ++i)
            authenticator.LogIn(QStringLiteral("admin"), QStringLiteral("pogresna"));
        // The 1 s wait starts now, however long the wrong tries took on a loaded machine.
        auto administrator = Administrator();
        administrator->Execute(
            QStringLiteral("UPDATE loginfailure SET lastfailure = UTC_TIMESTAMP(6) WHERE username = 'admin'"));
        desk.Execute(QStringLiteral("CALL login('admin', %1, @id, @wait)")
                         .arg(dataset::Connection::Quote(QString::fromLatin1(hash))));
        QCOMPARE(Value(desk, QStringLiteral("SELECT @id IS NULL AND @wait > 0")), QStringLiteral("1"));
        QCOMPARE(Value(*administrator, QStringLiteral("SELECT failures FROM loginfailure WHERE username = 'admin'")),
                 QString::number(console::FreeLoginAttempts));
        administrator->Execute(QStringLiteral("UPDATE loginfailure SET lastfailure = lastfailure - INTERVAL 2 SECOND"));
        desk.Execute(QStringLiteral("CALL login('admin', %1, @id, @wait)")
                         .arg(dataset::Connection::Quote(QString::fromLatin1(hash))));
        QCOMPARE(Value(desk, QStringLiteral("SELECT @id IS NOT NULL")), QStringLiteral("1"));
    }

    // Log-in tries sent at once for one name take turns on the server: with one free try
    // left, only one of them is checked and counted; the rest meet the wait it starts.
    void triesAtOnceTakeTurns()
    {
        auto administrator = Administrator();
        administrator->Execute(QStringLiteral("DELETE FROM loginfailure WHERE username = 'admin'"));
        administrator->Execute(QStringLiteral("INSERT INTO loginfailure (username, failures, lastfailure) "
                                              "VALUES ('admin', %1, UTC_TIMESTAMP(6))")
                                   .arg(console::FreeLoginAttempts - 1));
        std::vector<std::unique_ptr<dataset::Connection>> desks;
        for (int i = 0; i < 6; ++i) {
            desks.push_back(std::make_unique<dataset::Connection>());
            OpenDesk(*desks.back());
        }
        std::vector<std::thread> tries;
        for (const auto &desk : desks)
            tries.emplace_back([&desk] { desk->Execute(QStringLiteral("CALL login('admin', 'x', @id, @wait)")); });
        for (std::thread &attempt : tries)
            attempt.join();
        QCOMPARE(Value(*administrator, QStringLiteral("SELECT failures FROM loginfailure WHERE username = 'admin'")),
                 QString::number(console::FreeLoginAttempts));
        administrator->Execute(QStringLiteral("DELETE FROM loginfailure WHERE username = 'admin'"));
    }

    // The import account replaces the ticket tables and undoes it; the desks' account
    // is refused the same import, and the tables stay as they were.
    void importAccountImportsAndUndoes()
    {
        const QString file = m_dir.filePath(QStringLiteral("karte.csv"));
        WriteFile(file, "h\r\n2024-05-01 10:00:00,DK1,1,BG1,300,1,,0,,1,A,,,,,1,,K\r\n");
        const auto import = [&](const QString &user, const QString &passwordFile, const QStringList &command) {
            return RunProcess(QStringLiteral(PARKING_IMPORT_EXE),
                              command
                                  + QStringList{"--host", "127.0.0.1", "--port",
                                                QString::number(m_server->Port(Kind::Tls)), "--user", user,
                                                "--password-file", m_dir.filePath(passwordFile), "--database",
                                                m_database, "--ssl", "required", "--ssl-ca", m_server->CaFile()},
                              120000);
        };
        auto administrator = Administrator();
        const QString count = QStringLiteral("SELECT COUNT(*) FROM parkingticket WHERE ticketnumber = 'DK1'");
        const Result refused = import(m_desk, QStringLiteral("desk.pw"), {"tickets", file});
        QVERIFY2(refused.exitCode == 2, qPrintable(refused.out + refused.err));
        QCOMPARE(Value(*administrator, count), QStringLiteral("0"));

        const Result imported = import(m_import, QStringLiteral("import.pw"), {"tickets", file});
        QVERIFY2(imported.exitCode == 0, qPrintable(imported.out + imported.err));
        QCOMPARE(Value(*administrator, count), QStringLiteral("1"));
        const Result undone = import(m_import, QStringLiteral("import.pw"), {"undo", "tickets"});
        QVERIFY2(undone.exitCode == 0, qPrintable(undone.out + undone.err));
        QCOMPARE(Value(*administrator, count), QStringLiteral("0"));
    }

    // An anonymous account takes over the log-ins from its host: createdb names it.
    void anonymousAccountsWarned()
    {
        auto administrator = Administrator();
        administrator->Execute(QStringLiteral("CREATE USER IF NOT EXISTS ''@'localhost'"));
        const Result result = RunDbServer(ServerOptions(QStringLiteral("createdb"))
                                          + QStringList{"--app-user", m_desk, "--import-user", m_import, m_database});
        administrator->Execute(QStringLiteral("DROP USER IF EXISTS ''@'localhost'"));
        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        QVERIFY2(result.out.contains(QStringLiteral("Upozorenje: anonimni nalog ''@'localhost'"))
                     && result.out.contains(QStringLiteral("DROP USER ''@'localhost';")),
                 qPrintable(result.out));
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

    // An administrator on the server machine goes through the socket: the desks' account is
    // still for the network and TLS-only, since the server offers TLS; a second run changes
    // nothing. A desk logs in over TCP with TLS and is refused without.
    void createOverSocketMakesNetworkTlsAccount()
    {
        const QString socket = dbserver::PrivateServer::SocketPathFor(m_server->Dir() + QStringLiteral("/tls"));
        QVERIFY(!socket.isEmpty());
        const QStringList create{"createdb",
                                 "--socket",
                                 socket,
                                 "--server-user",
                                 dbserver::AdministratorName(),
                                 "--app-user",
                                 m_socketDesk,
                                 "--app-password-out",
                                 m_dir.filePath(QStringLiteral("socket-desk.pw")),
                                 m_database + QStringLiteral("_s")};
        const Result first = RunDbServer(create);
        QVERIFY2(first.exitCode == 0, qPrintable(first.err));
        QVERIFY2(first.out.contains(QStringLiteral("Nalog %1@% je napravljen (samo preko TLS)").arg(m_socketDesk)),
                 qPrintable(first.out));
        const Result second = RunDbServer(create);
        QVERIFY2(second.out.contains(QStringLiteral("ništa nije promenjeno")), qPrintable(second.out));

        dataset::ConnectionParams desk = m_server->AdminParams(Kind::Tls);
        desk.user = m_socketDesk;
        desk.password = QString::fromUtf8(ReadPrivateFile(m_dir.filePath(QStringLiteral("socket-desk.pw"))).trimmed());
        desk.database = m_database + QStringLiteral("_s");
        dataset::Connection overTls;
        overTls.Connect(desk);
        QVERIFY(overTls.Encrypted());
        QCOMPARE(Value(overTls, QStringLiteral("SELECT COUNT(*) FROM schemaversion") ).isEmpty(), false);
        desk.tls = dataset::TlsMode::Off;
        desk.tlsCaFile.clear();
        dataset::Connection plain;
        try {
            plain.Connect(desk);
            QFAIL("the desks' account logged in without TLS");
        } catch (const dataset::DatabaseError &error) {
            QCOMPARE(error.serverCode(), 1045u);
        }
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

    // The network administrator on the test database.
    std::unique_ptr<dataset::Connection> Administrator() const
    {
        auto administrator = std::make_unique<dataset::Connection>();
        dataset::ConnectionParams params = m_server->AdminParams(Kind::Tls);
        params.database = m_database;
        administrator->Connect(params);
        return administrator;
    }

    void Cleanup()
    {
        dataset::Connection administrator;
        administrator.Connect(m_server->AdminParams(Kind::Tls));
        dbserver::DropDatabase(administrator, m_database);
        dbserver::DropDatabase(administrator, m_database + QStringLiteral("_s"));
        QFile::remove(m_dir.filePath(QStringLiteral("socket-desk.pw")));
        for (const QString &user : {m_desk, m_import, m_socketDesk})
            administrator.Execute(QStringLiteral("DROP USER IF EXISTS %1@'%'").arg(dataset::Connection::Quote(user)));
        QFile::remove(m_dir.filePath(QStringLiteral("desk.pw")));
        QFile::remove(m_dir.filePath(QStringLiteral("import.pw")));
    }

    std::unique_ptr<TlsTestServer> m_server;
    QTemporaryDir m_dir;
    QString m_database;
    QString m_desk;
    QString m_import;
    QString m_socketDesk;
};

QTEST_GUILESS_MAIN(TestSharedServer)
#include "tst_SharedServer.moc"
