#include "BackupDump.h"

#include "BackupStats.h"
#include "BackupTools.h"
#include "PrivateServer.h"
#include "ServerAccounts.h"
#include <dataset/Error.h>
#include <dataset/ServerList.h>
#include <routines/PrivateFiles.h>

#include <QFile>
#include <QRegularExpression>

namespace dbserver {

namespace {

// A value of an option file, quoted: the password may hold anything.
QByteArray OptionValue(const QString &value)
{
    QByteArray text = value.toUtf8();
    text.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + text + '"';
}

// The connection for mariadb-dump as an option file (0600) beside the dump: the password
// never appears on a command line.
QString WriteClientOptions(const dataset::ConnectionParams &server, const QString &folder)
{
    QByteArray text = "[client]\nuser=" + OptionValue(server.user) + "\npassword=" + OptionValue(server.password) + "\n";
    const QList<dataset::ServerAddress> servers = dataset::ServersOf(server);
    if (!servers.isEmpty()) {
        text += "host=" + OptionValue(servers.first().host) + "\nprotocol=tcp\n";
        if (servers.first().port)
            text += "port=" + QByteArray::number(servers.first().port) + "\n";
        if (server.tls == dataset::TlsMode::Off) {
            text += "skip-ssl\n";
        } else {
            text += "ssl\n";
            if (!server.tlsCaFile.isEmpty())
                text += "ssl-ca=" + OptionValue(server.tlsCaFile) + "\n";
            text += server.tlsVerify ? "ssl-verify-server-cert\n" : "skip-ssl-verify-server-cert\n";
        }
    } else {
        text += "socket=" + OptionValue(server.socket) + "\n";
    }
    const QString path = folder + QStringLiteral("/client.cnf");
    if (!WritePrivateFile(path, text))
        throw dataset::Error(QStringLiteral("Podaci za vezu nisu zapisani u %1: %2").arg(detail::ShownPath(path), ErrorText()));
    return path;
}

// "-- CHANGE MASTER TO MASTER_LOG_FILE='binlog.000003', MASTER_LOG_POS=1234;" near the top.
void ReadDumpPosition(const QString &dump, BackupManifest &manifest)
{
    QFile file(dump);
    if (!file.open(QIODevice::ReadOnly))
        return;
    static const QRegularExpression position(QStringLiteral("MASTER_LOG_FILE='([^']+)', MASTER_LOG_POS=([0-9]+)"));
    for (int line = 0; line < 100 && !file.atEnd(); ++line) {
        const auto match = position.match(QString::fromUtf8(file.readLine()));
        if (match.hasMatch()) {
            manifest.binlogFile = match.captured(1);
            manifest.binlogPosition = match.captured(2).toLongLong();
            return;
        }
    }
}

} // namespace

Backup TakeDump(const dataset::ConnectionParams &server, const QString &database, const QString &dest)
{
    IncompleteBackup folder(dest);
    if (!MakePrivateDirectory(folder.DataPath()))
        throw dataset::Error(QStringLiteral("Folder %1 ne može da se napravi: %2").arg(detail::ShownPath(folder.DataPath()), ErrorText()));
    const QString options = WriteClientOptions(server, folder.Path());
    const QString dump = folder.DataPath() + QLatin1Char('/') + QLatin1String(DumpFileName);
    const QStringList common = {QStringLiteral("--defaults-file=") + options, QStringLiteral("--single-transaction"),
                                QStringLiteral("--routines"), QStringLiteral("--triggers"),
                                QStringLiteral("--result-file=") + dump};
    BackupManifest manifest;
    manifest.kind = QLatin1String(DumpKind);
    try {
        try {
            detail::RunTool(detail::DumpProgram(),
                            common + QStringList{QStringLiteral("--master-data=2"), QStringLiteral("--databases"), database},
                            QStringLiteral("Kopiranje baze"));
        } catch (const dataset::Error &error) {
            // A server without a binary log gives a dump without a position.
            if (!QString::fromUtf8(error.what()).contains(QLatin1String("Binlogging on server not active")))
                throw;
            detail::RunTool(detail::DumpProgram(), common + QStringList{QStringLiteral("--databases"), database},
                            QStringLiteral("Kopiranje baze"));
        }
    } catch (const dataset::Error &error) {
        detail::ThrowCopyFailed(dest, error);
    }
    manifest.time = QDateTime::currentDateTime();
    QFile::remove(options);
    ReadDumpPosition(dump, manifest);
    dataset::Connection connection;
    dataset::ConnectionParams params = server;
    params.database = database;
    connection.Connect(params);
    for (const BackupDatabase &stats : detail::ReadDatabaseStats(connection))
        if (stats.name == database)
            manifest.databases << stats;
    return folder.Keep(manifest);
}

void LoadDump(const Backup &backup, const PrivateServer &server)
{
    detail::RunTool(detail::ClientProgram(),
                    {QStringLiteral("--no-defaults"), QStringLiteral("--binary-mode"),
                     QStringLiteral("--socket=") + server.SocketPath(), QStringLiteral("--user=") + AdministratorName()},
                    QStringLiteral("Učitavanje kopije"), backup.DataPath() + QLatin1Char('/') + QLatin1String(DumpFileName));
    dataset::Connection connection;
    connection.Connect(server.ConnectionParams());
    for (const BackupDatabase &database : backup.manifest.databases)
        GrantApplicationAccess(connection, database.name);
}

} // namespace dbserver
