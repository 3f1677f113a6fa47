#include "ServeCommand.h"

#include "Certificates.h"
#include "PrivateServer.h"
#include "ServerAccounts.h"
#include "SharedDatabase.h"
#include <dataset/Error.h>
#include <routines/PrivateFiles.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <unistd.h>

namespace dbserver {

namespace {

const QString NetworkAdministrator = QStringLiteral("parking_admin");

bool Wildcard(const QString &host)
{
    return host == QLatin1String("0.0.0.0") || host == QLatin1String("::") || host == QLatin1String("*");
}

// The names in the server's certificate: those the desks use, then this machine's own
// TCP address, which the set-up itself connects by.
QStringList CertificateNames(const ServeOptions &options)
{
    QStringList names;
    if (!Wildcard(options.listenHost))
        names << options.listenHost;
    names << options.names << QStringLiteral("127.0.0.1") << QStringLiteral("localhost");
    names.removeDuplicates();
    return names;
}

// The address the desks are told: the first name that is not this machine's own.
QString DeskHost(const ServeOptions &options)
{
    return CertificateNames(options).first();
}

QByteArray ServerConfiguration(const ServeOptions &options, const ServerCertificates &certificates)
{
    return QStringLiteral("# Written by parking-dbserver serve; run it again after changing its options.\n"
                          "[mariadbd]\n"
                          "bind-address=%1\n"
                          "port=%2\n"
                          "ssl-ca=%3\n"
                          "ssl-cert=%4\n"
                          "ssl-key=%5\n"
                          "require-secure-transport=ON\n")
        .arg(Wildcard(options.listenHost) ? QStringLiteral("*") : options.listenHost)
        .arg(options.port)
        .arg(certificates.CaFile(), certificates.CertificateFile(), certificates.KeyFile())
        .toUtf8();
}

QByteArray DeskSettings(const ServeOptions &options)
{
    return QStringLiteral("[Database]\n"
                          "host=%1\n"
                          "port=%2\n"
                          "database=%3\n"
                          "user=%4\n"
                          "password-file=desks.pw\n"
                          "ssl=required\n"
                          "ssl-ca=ca.pem\n")
        .arg(DeskHost(options))
        .arg(options.port)
        .arg(options.database, QLatin1String(ApplicationUser))
        .toUtf8();
}

// parking_admin@'%': every right with GRANT, over TLS only, for upgrades and accounts
// from another machine.
bool MakeNetworkAdministrator(dataset::Connection &administrator, const QString &passwordFile)
{
    const bool created = CreateApplicationAccount(administrator, NetworkAdministrator, QStringLiteral("%"), true,
                                                  passwordFile);
    administrator.Execute(QStringLiteral("GRANT ALL PRIVILEGES ON *.* TO %1@'%' WITH GRANT OPTION")
                              .arg(dataset::Connection::Quote(NetworkAdministrator)));
    return created;
}

QString UnitName(const QString &dir)
{
    const QByteArray hash = QCryptographicHash::hash(QFile::encodeName(dir), QCryptographicHash::Sha256).toHex();
    return QStringLiteral("parking-dbserver-%1.service").arg(QString::fromLatin1(hash.left(8)));
}

// A unit that starts the served data folder at boot (root) or at the user's log-in (with
// lingering: at boot too); the lines say what was done and what is left to the operator.
QStringList InstallUnit(const QString &dataDir)
{
    const bool root = ::geteuid() == 0;
    const QString folder = root ? QStringLiteral("/etc/systemd/system")
                                : QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                                      + QStringLiteral("/systemd/user");
    if (!QDir().mkpath(folder))
        throw dataset::Error(QStringLiteral("Folder %1 nije napravljen.").arg(folder));
    const QString program = QCoreApplication::applicationFilePath();
    const QString unit = UnitName(dataDir);
    const QByteArray text = QStringLiteral("[Unit]\n"
                                           "Description=Parking database server (%1)\n"
                                           "After=network-online.target\n"
                                           "Wants=network-online.target\n\n"
                                           "[Service]\n"
                                           "Type=oneshot\n"
                                           "RemainAfterExit=yes\n"
                                           "ExecStart=\"%2\" start \"%1\"\n"
                                           "ExecStop=\"%2\" stop \"%1\"\n"
                                           "TimeoutSec=180\n\n"
                                           "[Install]\n"
                                           "WantedBy=%3\n")
                                .arg(QString(dataDir).replace(QLatin1Char('%'), QStringLiteral("%%")),
                                     QString(program).replace(QLatin1Char('%'), QStringLiteral("%%")),
                                     root ? QStringLiteral("multi-user.target") : QStringLiteral("default.target"))
                                .toUtf8();
    QStringList lines;
    const QString path = folder + QLatin1Char('/') + unit;
    if (WriteIfChanged(path, text)) {
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        lines << QStringLiteral("Jedinica systemd %1 je zapisana.").arg(path);
    }
    const auto systemctl = [root](const QStringList &arguments) {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStringLiteral("systemctl"), root ? arguments : QStringList{QStringLiteral("--user")} + arguments);
        const bool done = process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit
            && process.exitCode() == 0;
        return done ? QString() : QStringLiteral("%1 %2").arg(process.errorString(), QString::fromLocal8Bit(process.readAll()).trimmed());
    };
    const QString command = QStringLiteral("systemctl %1enable %2").arg(root ? QString() : QStringLiteral("--user "), unit);
    systemctl({QStringLiteral("daemon-reload")});
    if (const QString failure = systemctl({QStringLiteral("enable"), unit}); failure.isEmpty())
        lines << QStringLiteral("Server se pokreće sa sistemom (%1).").arg(command);
    else
        lines << QStringLiteral("%1 nije uspeo (%2); pokrenite ga ručno.").arg(command, failure.trimmed());
    if (!root)
        lines << QStringLiteral("Da bi se server pokretao i bez prijave korisnika: loginctl enable-linger %1")
                     .arg(AdministratorName());
    return lines;
}

} // namespace

std::optional<ServeOptions> ParseServeOptions(const QStringList &arguments)
{
    ServeOptions options;
    QString listen;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &option = arguments.at(i);
        if (!option.startsWith(QLatin1String("--"))) {
            if (!options.dir.isEmpty())
                return std::nullopt;
            options.dir = QDir(option).absolutePath();
            continue;
        }
        if (option == QLatin1String("--systemd")) {
            options.systemd = true;
            continue;
        }
        if (i + 1 >= arguments.size())
            return std::nullopt;
        const QString value = arguments.at(++i);
        if (option == QLatin1String("--listen"))
            listen = value;
        else if (option == QLatin1String("--name"))
            options.names << value;
        else if (option == QLatin1String("--ssl-ca"))
            options.caFile = value;
        else if (option == QLatin1String("--ssl-cert"))
            options.certificateFile = value;
        else if (option == QLatin1String("--ssl-key"))
            options.keyFile = value;
        else if (option == QLatin1String("--database"))
            options.database = value;
        else if (option == QLatin1String("--admin-password-file"))
            options.adminPasswordFile = value;
        else
            return std::nullopt;
    }
    const int given = int(!options.caFile.isEmpty()) + int(!options.certificateFile.isEmpty())
        + int(!options.keyFile.isEmpty());
    if (options.dir.isEmpty() || listen.isEmpty() || options.database.isEmpty() || (given != 0 && given != 3))
        return std::nullopt;
    const QList<dataset::ServerAddress> address = dataset::ParseServerList(listen);
    if (address.size() != 1)
        return std::nullopt;
    options.listenHost = address.first().host;
    options.port = address.first().port ? address.first().port : 3306;
    if (Wildcard(options.listenHost) && options.names.isEmpty() && given == 0)
        throw dataset::Error(QStringLiteral("Server sluša na svim adresama: navedite --name IME (ime ili adresa "
                                            "po kojoj ga kase nalaze) za njegov sertifikat."));
    return options;
}

QStringList Serve(const ServeOptions &options)
{
    if (!MakePrivateDirectory(options.dir))
        throw dataset::Error(QStringLiteral("Folder %1 nije napravljen: %2").arg(options.dir, ErrorText()));
    const QDir dir(options.dir);
    QStringList lines;
    bool changed = false;

    ServerCertificates certificates(dir.filePath(QStringLiteral("tls")));
    if (options.caFile.isEmpty() ? certificates.Make(CertificateNames(options))
                                 : certificates.Take(options.caFile, options.certificateFile, options.keyFile)) {
        lines << QStringLiteral("Sertifikat servera je napravljen za: %1.")
                     .arg(options.caFile.isEmpty() ? CertificateNames(options).join(QStringLiteral(", "))
                                                   : options.certificateFile);
        changed = true;
    }

    const QString dataDir = dir.filePath(QStringLiteral("data"));
    if (!MakePrivateDirectory(dataDir))
        throw dataset::Error(QStringLiteral("Folder %1 nije napravljen: %2").arg(dataDir, ErrorText()));
    const bool reconfigured = WriteIfChanged(QDir(dataDir).filePath(QLatin1String(ServedOptionsFile)),
                                             ServerConfiguration(options, certificates));
    PrivateServer server(dataDir);
    if ((reconfigured || changed) && server.IsRunning()) {
        server.Stop();
        lines << QStringLiteral("Podešavanja servera su promenjena; server se ponovo pokreće.");
    }
    server.Start();
    if (!server.Reused()) {
        lines << QStringLiteral("Server je pokrenut na %1 (samo TLS), podaci u %2.")
                     .arg(dataset::ServerAddress{options.listenHost, options.port}.Text(), dataDir);
        changed = true;
    }
    if (options.systemd)
        lines << InstallUnit(dataDir);

    const QString deskDir = dir.filePath(QStringLiteral("desk"));
    if (!MakePrivateDirectory(deskDir))
        throw dataset::Error(QStringLiteral("Folder %1 nije napravljen: %2").arg(deskDir, ErrorText()));
    {
        dataset::Connection administrator;
        administrator.Connect(server.ConnectionParams());
        if (MakeNetworkAdministrator(administrator, dir.filePath(QStringLiteral("admin.password")))) {
            lines << QStringLiteral("Mrežni administrator %1@'%' (samo TLS) je napravljen; lozinka je u %2.")
                         .arg(NetworkAdministrator, dir.filePath(QStringLiteral("admin.password")));
            changed = true;
        }
    }

    SharedServerOptions database;
    database.server = server.ConnectionParams();
    database.database = options.database;
    database.appUser = QLatin1String(ApplicationUser);
    database.appHost = QStringLiteral("%");
    database.appPasswordOut = QDir(deskDir).filePath(QStringLiteral("desks.pw"));
    database.importUser = QLatin1String(ImportUser);
    database.importPasswordOut = dir.filePath(QStringLiteral("import.pw"));
    database.adminPasswordFile = options.adminPasswordFile;
    const QStringList created = CreateSharedDatabase(database);
    const bool databaseUnchanged = created.contains(QStringLiteral("Sve je već bilo na mestu; ništa nije promenjeno."));
    if (!databaseUnchanged) {
        lines << created;
        changed = true;
    }

    changed = WriteIfChanged(QDir(deskDir).filePath(QStringLiteral("ca.pem")), ReadPrivateFile(certificates.CaFile()))
        || changed;
    changed = WriteIfChanged(QDir(deskDir).filePath(QStringLiteral("parking-console.ini")), DeskSettings(options))
        || changed;
    if (!changed)
        lines << QStringLiteral("Sve je već bilo na mestu; ništa nije promenjeno.");

    lines << QString()
          << QStringLiteral("Svakoj kasi kopirajte dve datoteke (desks.pw čitljivu samo korisniku kase):")
          << QStringLiteral("  %1").arg(QDir(deskDir).filePath(QStringLiteral("ca.pem")))
          << QStringLiteral("  %1").arg(QDir(deskDir).filePath(QStringLiteral("desks.pw")))
          << QStringLiteral("i pored njih u parking-console.ini upišite (ili kopirajte %1):")
                 .arg(QDir(deskDir).filePath(QStringLiteral("parking-console.ini")));
    lines << QString::fromUtf8(DeskSettings(options)).trimmed().split(QLatin1Char('\n'));
    lines << QString()
          << QStringLiteral("Uvoz (parking-import) na ovom računaru: user=%1, lozinka u %2.")
                 .arg(QLatin1String(ImportUser), dir.filePath(QStringLiteral("import.pw")));
    return lines;
}

} // namespace dbserver
