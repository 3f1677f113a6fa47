// The console's start-up against a server on the network: verified TLS, the refusals
// that keep a connection from silently falling back to plain text, and the status text.

#include <console/Authentication.h>
#include <console/connection/ConsoleSettings.h>
#include <console/connection/DatabaseStartup.h>
#include <console/dbserver/PasswordHash.h>
#include <console/dbserver/Schema.h>
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <tests/support/TlsTestServer.h>

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace console;
using Kind = TlsTestServer::Kind;

class TestConsoleTls : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void logsInOverVerifiedTls();
    void refused_data();
    void refused();
    void plainOnlyFromServerWithoutTls();
    void systemCasWithoutCaFile();
    void relativeCaBesideSettings();

private:
    // Runs the console's database start-up with a [Database] section for 'kind'.
    void Open(dataset::Connection &connection, Kind kind, const QString &lines, QString *description = nullptr);

    std::unique_ptr<TlsTestServer> m_server;
    QTemporaryDir m_dir;
    QString m_database;
};

void TestConsoleTls::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_server = std::make_unique<TlsTestServer>();
    m_database = QStringLiteral("t_console_tls_%1").arg(QCoreApplication::applicationPid());
    for (const Kind kind : {Kind::Tls, Kind::Plain}) {
        dataset::Connection administrator;
        administrator.Connect(m_server->AdminParams(kind));
        dbserver::DropDatabase(administrator, m_database);
        dbserver::CreateDatabase(administrator, m_database, false, dbserver::HashPassword(QStringLiteral("tajna1234")));
    }
}

void TestConsoleTls::cleanupTestCase()
{
    if (!m_server)
        return;
    for (const Kind kind : {Kind::Tls, Kind::Plain}) {
        dataset::Connection administrator;
        administrator.Connect(m_server->AdminParams(kind));
        dbserver::DropDatabase(administrator, m_database);
    }
}

void TestConsoleTls::Open(dataset::Connection &connection, Kind kind, const QString &lines, QString *description)
{
    const QString path = m_dir.filePath(QStringLiteral("console.ini"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    const QString host = lines.contains(QLatin1String("host=")) ? QString() : QStringLiteral("host=127.0.0.1\n");
    const QString text = QStringLiteral("[Database]\n%5port=%1\nuser=tcp_admin\npassword-file=%2\n"
                                        "database=%3\n%4\n")
                             .arg(QString::number(m_server->Port(kind)), m_server->PasswordFile(), m_database,
                                  QString(lines)
                                      .replace(QLatin1String("CA"), m_server->CaFile())
                                      .replace(QLatin1String("WRONG"), m_server->WrongCaFile()),
                                  host);
    file.write(text.toUtf8());
    file.close();
    DatabaseStartup startup;
    startup.Open(connection, ConsoleSettings(path), m_dir.filePath(QStringLiteral("unused")));
    if (description)
        *description = startup.Description(connection);
}

// The real start-up path with ssl=required and the right CA: the user logs in, the
// session is encrypted and the status bar says so.
void TestConsoleTls::logsInOverVerifiedTls()
{
    dataset::Connection connection;
    QString description;
    Open(connection, Kind::Tls, QStringLiteral("ssl=required\nssl-ca=CA"), &description);
    const LoginResult login = Authenticator(connection).LogIn(QStringLiteral("admin"), QStringLiteral("tajna1234"));
    QVERIFY(login.status == LoginResult::Status::Accepted);

    dataset::Query cipher;
    cipher.SetConnection(&connection);
    cipher.SetSQL({QStringLiteral("SHOW SESSION STATUS LIKE 'Ssl_cipher'")});
    cipher.Open();
    QVERIFY(!cipher.Fields(1).AsString().isEmpty());
    QVERIFY2(description.endsWith(QStringLiteral("  |  TLS (TLSv1.3)"))
                 || description.endsWith(QStringLiteral("  |  TLS (TLSv1.2)")),
             qPrintable(description));
}

void TestConsoleTls::refused_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("lines");
    QTest::addColumn<QString>("reason");
    const QString unverified = QStringLiteral("nije mogao da se proveri");
    const QString noTls = QStringLiteral("ne nudi šifrovanu vezu");
    QTest::newRow("required, wrong CA") << int(Kind::Tls) << "ssl=required\nssl-ca=WRONG" << unverified;
    QTest::newRow("required, right CA, another name")
        << int(Kind::Tls) << "host=127.0.0.2\nssl=required\nssl-ca=CA" << QStringLiteral("glasi na ime 127.0.0.2");
    QTest::newRow("preferred, wrong CA: not downgraded")
        << int(Kind::Tls) << "ssl=preferred\nssl-ca=WRONG" << unverified;
    QTest::newRow("preferred, wrong CA, unverified") << int(Kind::Tls) << "ssl-ca=WRONG\nssl-verify=off" << unverified;
    QTest::newRow("required, self-signed against the system's CAs")
        << int(Kind::Tls) << "ssl=required" << QStringLiteral("Navedite datoteku sertifikata izdavača (CA)");
    QTest::newRow("preferred, self-signed: not downgraded") << int(Kind::Tls) << "ssl=preferred" << unverified;
    QTest::newRow("required, no TLS") << int(Kind::Plain) << "ssl=required" << noTls;
    QTest::newRow("required, no TLS, unverified") << int(Kind::Plain) << "ssl=required\nssl-verify=off" << noTls;
    QTest::newRow("preferred with CA, no TLS") << int(Kind::Plain) << "ssl=preferred\nssl-ca=CA" << noTls;
    QTest::newRow("preferred with CA, no TLS, unverified") << int(Kind::Plain) << "ssl-ca=CA\nssl-verify=off" << noTls;
    QTest::newRow("CA file missing") << int(Kind::Tls) << "ssl-ca=/nonexistent/ca.pem"
                                     << QStringLiteral("/nonexistent/ca.pem ne može da se pročita");
    QTest::newRow("password file missing") << int(Kind::Tls) << "ssl-ca=CA\npassword-file=/nonexistent/pw"
                                           << QStringLiteral("/nonexistent/pw ne može da se pročita");
}

void TestConsoleTls::refused()
{
    QFETCH(int, kind);
    QFETCH(QString, lines);
    QFETCH(QString, reason);
    dataset::Connection connection;
    try {
        Open(connection, Kind(kind), lines);
        QFAIL("connected");
    } catch (const dataset::Error &error) {
        QVERIFY2(error.message().contains(reason), qPrintable(error.message()));
    }
    QVERIFY(!connection.Connected());
}

// "preferred" without a CA file takes plain text from a server with no TLS at all, and
// says so; with verification off it takes an unchecked certificate, still encrypted.
void TestConsoleTls::plainOnlyFromServerWithoutTls()
{
    QString description;
    {
        dataset::Connection connection;
        Open(connection, Kind::Plain, QStringLiteral("ssl=preferred"), &description);
        QVERIFY(connection.Connected());
        QVERIFY(!connection.Encrypted());
        QVERIFY2(description.endsWith(QStringLiteral("  |  veza nije šifrovana")), qPrintable(description));
    }
    dataset::Connection connection;
    Open(connection, Kind::Tls, QStringLiteral("ssl-verify=off"), &description);
    QVERIFY(connection.Encrypted());
}

// Without ssl-ca the chain is checked against the system's CAs (OpenSSL's default
// paths, which SSL_CERT_FILE replaces here).
void TestConsoleTls::systemCasWithoutCaFile()
{
    qputenv("SSL_CERT_FILE", QFile::encodeName(m_server->CaFile()));
    dataset::Connection connection;
    try {
        Open(connection, Kind::Tls, QStringLiteral("ssl=required"));
    } catch (...) {
        qunsetenv("SSL_CERT_FILE");
        throw;
    }
    qunsetenv("SSL_CERT_FILE");
    QVERIFY(connection.Encrypted());
}

// A relative ssl-ca is read beside the settings file, not from the working folder.
void TestConsoleTls::relativeCaBesideSettings()
{
    const QString copy = m_dir.filePath(QStringLiteral("izdavac.pem"));
    QFile::remove(copy);
    QVERIFY(QFile::copy(m_server->CaFile(), copy));
    QVERIFY(QDir::currentPath() != m_dir.path());
    dataset::Connection connection;
    Open(connection, Kind::Tls, QStringLiteral("ssl=required\nssl-ca=izdavac.pem"));
    QVERIFY(connection.Encrypted());

    // Settings reached through a link in another folder (as the installed programs reach
    // /etc/parking): the files lie beside the settings file itself.
    QTemporaryDir programs;
    const QString link = programs.filePath(QStringLiteral("parking-console.ini"));
    QVERIFY(QFile::link(m_dir.filePath(QStringLiteral("console.ini")), link));
    dataset::Connection linked;
    DatabaseStartup startup;
    startup.Open(linked, ConsoleSettings(link), m_dir.filePath(QStringLiteral("unused")));
    QVERIFY(linked.Encrypted());
}

QTEST_MAIN(TestConsoleTls)
#include "tst_console_tls.moc"
