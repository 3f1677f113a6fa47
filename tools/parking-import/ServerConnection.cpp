#include "ServerConnection.h"

#include "ImportCommand.h"
#include <console/connection/ConsoleSettings.h>
#include <console/dbserver/PrivateServer.h>
#include <console/dbserver/ServerAccounts.h>
#include <dataset/Error.h>
#include <routines/TextFormat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace importcmd {

namespace {

const QString kDatabaseName = QStringLiteral("parking");

// The console's settings file: beside this program, named after the console.
QString ConsoleSettingsPath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("parking-console.ini"));
}

QString ReadPasswordFile(const QString &path)
{
    try {
        return console::ConsoleSettings::ReadPasswordFile(path);
    } catch (const dataset::Error &e) {
        throw UsageError(e.message().toStdString());
    }
}

CommandError ServerError(const QString &text)
{
    return CommandError(ExitDatabase, text);
}

// A settings file that cannot be used (a value not allowed, a missing password file)
// keeps the command from connecting.
std::optional<dataset::ConnectionParams> ConfiguredDatabase(const console::ConsoleSettings &settings)
{
    try {
        return settings.Database();
    } catch (const dataset::Error &e) {
        throw CommandError(ExitDatabase, QStringLiteral("Povezivanje sa bazom nije uspelo: %1").arg(e.message()));
    }
}

} // namespace

QString SettingsPath(const CommandOptions &options)
{
    return options.config.value_or(ConsoleSettingsPath());
}

QString ServerText(const dataset::ConnectionParams &params)
{
    if (!params.hosts.isEmpty()) {
        QStringList nodes;
        for (const dataset::ServerAddress &node : params.hosts)
            nodes << node.Text();
        return nodes.join(QLatin1Char(','));
    }
    if (params.host.isEmpty())
        return QStringLiteral("Unix soket %1").arg(params.socket);
    return dataset::ServerAddress{params.host, params.port}.Text();
}

QString ConnectionFailureText(const dataset::ConnectionParams &params, const QString &reason)
{
    static const QString generic = QStringLiteral("Povezivanje sa bazom podataka nije uspelo");
    QString cause = reason;
    if (cause.startsWith(generic))
        cause = cause.mid(generic.size());
    while (!cause.isEmpty() && (cause.front() == QLatin1Char('.') || cause.front() == QLatin1Char(':') || cause.front().isSpace()))
        cause.remove(0, 1);
    cause.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return QStringLiteral("Povezivanje sa bazom nije uspelo: %1: %2").arg(ServerText(params), cause);
}

QString LinkText(const dataset::ConnectionParams &params, const dataset::Connection &connection)
{
    const QString server = params.hosts.isEmpty() ? ServerText(params) : connection.ServerName();
    QString link;
    if (connection.Encrypted())
        link = QString(connection.TlsVersion()).replace(QLatin1String("TLSv"), QLatin1String("TLS "));
    else if (params.hosts.isEmpty() && (params.host.isEmpty() || params.host == QLatin1String("localhost")))
        link = QStringLiteral("lokalni Unix soket, ne ide preko mreže");
    else
        link = QStringLiteral("nije šifrovana");
    return SafeText(QStringLiteral("Baza %1 na %2, veza: %3").arg(params.database, server, link));
}

ServerConnection::ServerConnection(const CommandOptions &options)
{
    const bool explicitServer = options.socket || options.host || options.hosts;
    const QString dataDir = options.dataDir.value_or(qEnvironmentVariable("PARKING_DATA_DIR"));
    const console::ConsoleSettings settings(SettingsPath(options));
    if (options.config && !QFile::exists(*options.config))
        throw UsageError(QStringLiteral("Datoteka podešavanja %1 ne postoji.").arg(*options.config).toStdString());

    if (explicitServer) {
        m_params = ConfiguredDatabase(settings).value_or(dataset::ConnectionParams{});
        m_params.host = options.host.value_or(QString());
        m_params.socket = options.socket.value_or(QString());
        m_params.hosts.clear();
        if (options.hosts) {
            try {
                m_params.hosts = dataset::ParseServerList(*options.hosts);
            } catch (const dataset::Error &e) {
                throw UsageError(QStringLiteral("%1 (opcija --hosts)").arg(e.message()).toStdString());
            }
        }
        if (m_params.database.isEmpty())
            m_params.database = kDatabaseName;
    } else if (!dataDir.isEmpty()) {
        m_params = PrivateServerParams(dataDir);
    } else if (const auto configured = ConfiguredDatabase(settings)) {
        m_params = *configured;
    } else {
        m_params = PrivateServerParams(console::ConsoleSettings::PrivateDataDir());
    }
    if (options.port)
        m_params.port = *options.port;
    if (options.database)
        m_params.database = *options.database;
    if (options.user)
        m_params.user = *options.user;
    if (options.passwordFile)
        m_params.password = ReadPasswordFile(*options.passwordFile);
    if (options.tls)
        m_params.tls = *options.tls;
    if (options.tlsCaFile)
        m_params.tlsCaFile = *options.tlsCaFile;
    if (options.tlsVerify)
        m_params.tlsVerify = *options.tlsVerify;
}

ServerConnection::~ServerConnection()
{
    if (!m_server || m_server->Reused())
        return;
    try {
        m_server->Stop();
    } catch (const std::exception &) {
        // The server's log says why; the import itself has ended either way.
    }
}

dataset::ConnectionParams ServerConnection::PrivateServerParams(const QString &dataDir)
{
    if (!QDir(dataDir).exists())
        throw ServerError(QStringLiteral("Folder privatnog servera %1 ne postoji.").arg(dataDir));
    try {
        m_server = std::make_unique<dbserver::PrivateServer>(dataDir);
        m_server->Start();
    } catch (const dataset::Error &e) {
        throw ServerError(QStringLiteral("Privatni server baze podataka u folderu %1 nije mogao da se pokrene: %2")
                              .arg(dataDir, e.message()));
    }
    try {
        return dbserver::ApplicationConnectionParams(dataDir, kDatabaseName);
    } catch (const dataset::Error &e) {
        throw ServerError(e.message());
    }
}

} // namespace importcmd
