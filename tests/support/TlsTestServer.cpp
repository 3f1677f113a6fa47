#include "TlsTestServer.h"

#include <console/dbserver/Certificates.h>
#include <console/dbserver/PrivateServer.h>
#include <dataset/Error.h>
#include <routines/PrivateFiles.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString AdminUser = QStringLiteral("tcp_admin");

QString Section(TlsTestServer::Kind kind)
{
    return kind == TlsTestServer::Kind::Tls ? QStringLiteral("tls") : QStringLiteral("plain");
}

} // namespace

unsigned TlsTestServer::FreePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw dataset::Error(QStringLiteral("Socket nije otvoren: %1").arg(ErrorText()));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0;
    ::close(fd);
    if (!bound)
        throw dataset::Error(QStringLiteral("Slobodan port nije pronađen: %1").arg(ErrorText()));
    return ntohs(address.sin_port);
}

namespace {

void RunOpenssl(const QString &dir, const QStringList &arguments)
{
    QProcess process;
    process.setWorkingDirectory(dir);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("openssl"), arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        throw dataset::Error(QStringLiteral("openssl %1 nije uspeo: %2 %3")
                                 .arg(arguments.join(QLatin1Char(' ')), process.errorString(),
                                      QString::fromLocal8Bit(process.readAll())));
}

// A CA, a server certificate it signed (for 127.0.0.1 and localhost), as a served server
// has them, and a second CA that signed nothing.
void MakeCertificates(const QString &dir)
{
    dbserver::ServerCertificates(dir).Make({QStringLiteral("127.0.0.1"), QStringLiteral("localhost")});
    RunOpenssl(dir,
               {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "3650", "-subj", "/CN=Parking unrelated CA",
                "-keyout", "wrong-ca.key", "-out", "wrong-ca.pem"});
}

} // namespace

TlsTestServer::TlsTestServer(const QString &dir)
    : m_dir(dir.isEmpty() ? qEnvironmentVariable("PARKING_TLS_SERVER_DIR") : dir)
{
    if (m_dir.isEmpty())
        throw dataset::Error(QStringLiteral("PARKING_TLS_SERVER_DIR nije postavljen: pokrenite test kroz ctest "
                                            "(fixture tlsserver)."));
    m_dir = QDir(m_dir).absolutePath();
}

QString TlsTestServer::File(const QString &name) const
{
    return m_dir + QLatin1Char('/') + name;
}

QString TlsTestServer::CaFile() const
{
    return File(QStringLiteral("ca.pem"));
}
QString TlsTestServer::WrongCaFile() const
{
    return File(QStringLiteral("wrong-ca.pem"));
}
QString TlsTestServer::PasswordFile() const
{
    return File(QStringLiteral("admin.password"));
}

unsigned TlsTestServer::Port(Kind kind) const
{
    const QSettings ini(File(QStringLiteral("fixture.ini")), QSettings::IniFormat);
    const unsigned port = ini.value(Section(kind) + QStringLiteral("/port")).toUInt();
    if (!port)
        throw dataset::Error(QStringLiteral("Mrežni test server nije pokrenut (%1 ne postoji).")
                                 .arg(File(QStringLiteral("fixture.ini"))));
    return port;
}

dataset::ConnectionParams TlsTestServer::AdminParams(Kind kind) const
{
    dataset::ConnectionParams params;
    params.host = QStringLiteral("127.0.0.1");
    params.port = Port(kind);
    params.user = AdminUser;
    params.password = QString::fromUtf8(ReadPrivateFile(PasswordFile()).trimmed());
    params.tls = kind == Kind::Tls ? dataset::TlsMode::Required : dataset::TlsMode::Off;
    params.tlsCaFile = kind == Kind::Tls ? CaFile() : QString();
    params.timeout = 10;
    return params;
}

void TlsTestServer::StartServer(Kind kind, unsigned port)
{
    dbserver::ServerOptions options;
    options.port = port;
    options.extraArguments = {QStringLiteral("--innodb-buffer-pool-size=16M")};
    if (kind == Kind::Tls)
        // 127.0.0.2 reaches it by an address its certificate does not name.
        options.extraArguments << QStringLiteral("--bind-address=127.0.0.1,127.0.0.2")
                               << QStringLiteral("--ssl-ca=") + CaFile()
                               << QStringLiteral("--ssl-cert=") + File("server.pem")
                               << QStringLiteral("--ssl-key=") + File("server.key");
    else
        options.extraArguments << QStringLiteral("--skip-ssl");
    dbserver::PrivateServer server(File(Section(kind)), options);
    server.Start();
    // Every start leaves the server with local accounts only: the network administrator
    // comes back each time.
    const QString password = QString::fromUtf8(ReadPrivateFile(PasswordFile()).trimmed());
    const QString account = QStringLiteral("%1@'127.0.0.1'").arg(dataset::Connection::Quote(AdminUser));
    dataset::Connection administrator;
    administrator.Connect(server.ConnectionParams());
    administrator.Execute(QStringLiteral("CREATE USER IF NOT EXISTS %1 IDENTIFIED BY %2")
                              .arg(account, dataset::Connection::Quote(password)));
    administrator.Execute(QStringLiteral("GRANT ALL PRIVILEGES ON *.* TO %1 WITH GRANT OPTION").arg(account));
}

void TlsTestServer::Start()
{
    if (!QDir().mkpath(m_dir))
        throw dataset::Error(QStringLiteral("Direktorijum %1 nije napravljen.").arg(m_dir));
    if (!QFile::exists(File(QStringLiteral("server.pem"))))
        MakeCertificates(m_dir);
    if (ReadPrivateFile(PasswordFile()).trimmed().isEmpty()) {
        QFile::remove(PasswordFile());
        const QByteArray password = QByteArray::number(QRandomGenerator::system()->generate64(), 36);
        if (!WritePrivateFile(PasswordFile(), password + '\n'))
            throw dataset::Error(QStringLiteral("%1 nije zapisan: %2").arg(PasswordFile(), ErrorText()));
    }
    QSettings ini(File(QStringLiteral("fixture.ini")), QSettings::IniFormat);
    for (const Kind kind : {Kind::Tls, Kind::Plain}) {
        const QString section = Section(kind);
        const QString dataDir = File(section);
        // A server left running by an interrupted run keeps its port.
        unsigned port = ini.value(section + QStringLiteral("/port")).toUInt();
        if (!port || !dbserver::PrivateServer(dataDir).IsRunning()) {
            dbserver::PrivateServer(dataDir).Stop();
            port = FreePort();
        }
        StartServer(kind, port);
        ini.beginGroup(section);
        ini.setValue(QStringLiteral("host"), QStringLiteral("127.0.0.1"));
        ini.setValue(QStringLiteral("port"), port);
        ini.setValue(QStringLiteral("user"), AdminUser);
        ini.setValue(QStringLiteral("password-file"), PasswordFile());
        ini.setValue(QStringLiteral("data-dir"), dataDir);
        if (kind == Kind::Tls) {
            ini.setValue(QStringLiteral("ca"), CaFile());
            ini.setValue(QStringLiteral("wrong-ca"), WrongCaFile());
        }
        ini.endGroup();
    }
    ini.sync();
    if (ini.status() != QSettings::NoError)
        throw dataset::Error(QStringLiteral("%1 nije zapisan.").arg(ini.fileName()));
}

void TlsTestServer::Stop()
{
    for (const Kind kind : {Kind::Tls, Kind::Plain})
        dbserver::PrivateServer(File(Section(kind))).Stop();
}

void TlsTestServer::Restart(Kind kind)
{
    const unsigned port = Port(kind);
    dbserver::PrivateServer(File(Section(kind))).Stop();
    StartServer(kind, port);
}
