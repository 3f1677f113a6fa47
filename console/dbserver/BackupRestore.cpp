#include "BackupRestore.h"

#include "BackupDump.h"
#include "BackupTools.h"
#include "PrivateServer.h"
#include "ServerAccounts.h"
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <routines/PrivateFiles.h>
#include <routines/TextFormat.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

namespace dbserver {

namespace {

const QString TimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

void CopyTree(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(info.filePath());
        if (info.isSymLink())
            continue;
        const bool copied = info.isDir() ? MakePrivateDirectory(target) : QFile::copy(info.filePath(), target);
        if (!copied)
            throw dataset::Error(QStringLiteral("Datoteka %1 nije prepisana u %2.").arg(detail::ShownPath(info.filePath()), detail::ShownPath(target)));
    }
}

void RefuseUsedFolder(const QString &newDir)
{
    if (PrivateServer(newDir).IsRunning())
        throw dataset::Error(QStringLiteral("Folder %1 koristi server koji radi; rezervna kopija se u njega ne vraća. "
                                            "Izaberite novi, prazan folder.").arg(detail::ShownPath(newDir)));
    const QFileInfo info(newDir);
    if (info.exists() && (!info.isDir() || !QDir(newDir).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)))
        throw dataset::Error(QStringLiteral("Folder %1 nije prazan; rezervna kopija se vraća samo u novi, prazan folder.")
                                 .arg(detail::ShownPath(newDir)));
}

Backup ChooseBackup(const QString &dest, const std::optional<QDateTime> &to)
{
    const QList<Backup> backups = ListBackups(dest);
    for (auto it = backups.crbegin(); it != backups.crend(); ++it)
        if (!to || it->manifest.time <= *to)
            return *it;
    if (backups.isEmpty())
        throw dataset::Error(QStringLiteral("U folderu %1 nema nijedne završene rezervne kopije.").arg(detail::ShownPath(dest)));
    throw dataset::Error(QStringLiteral("Nema rezervne kopije napravljene pre %1 (najstarija je od %2).")
                             .arg(to->toString(TimeFormat), backups.first().manifest.time.toLocalTime().toString(TimeFormat)));
}

// The copied log files from the backup's own file on, in order.
QStringList LogFilesAfter(const QString &dest, const Backup &backup)
{
    const QString directory = BinaryLogDirectory(dest, backup.manifest.logId);
    const QStringList names = BinaryLogFiles(directory);
    const qsizetype first = names.indexOf(backup.manifest.binlogFile);
    QStringList paths;
    if (first < 0)
        return paths;
    for (const QString &name : names.mid(first))
        paths << directory + QLatin1Char('/') + name;
    return paths;
}

// Replays the log over the restored server; returns the log reader's complaint, if any.
QString ReplayLog(const PrivateServer &server, const Backup &backup, const QStringList &files,
                  const std::optional<QDateTime> &to)
{
    QStringList reader = {QStringLiteral("--no-defaults"),
                          QStringLiteral("--start-position=%1").arg(backup.manifest.binlogPosition)};
    if (to)
        reader << QStringLiteral("--stop-datetime=") + to->toString(TimeFormat);
    reader << files;
    const QStringList client = {QStringLiteral("--no-defaults"), QStringLiteral("--binary-mode"),
                                QStringLiteral("--socket=") + server.SocketPath(),
                                QStringLiteral("--user=") + AdministratorName()};
    return detail::ReplayBinaryLog(reader, client);
}

RestoreResult RestoreInto(const QString &dest, const QString &newDir, const std::optional<QDateTime> &to)
{
    RefuseUsedFolder(newDir);
    RestoreResult result;
    result.from = ChooseBackup(dest, to);
    const QStringList damaged = DamagedFiles(result.from);
    if (!damaged.isEmpty())
        throw dataset::Error(QStringLiteral("Rezervna kopija %1 je oštećena; ne slažu se sa opisom: %2")
                                 .arg(detail::ShownPath(result.from.path), damaged.join(QStringLiteral(", "))));
    const bool dump = result.from.manifest.kind == QLatin1String(DumpKind);
    if (dump && to)
        throw dataset::Error(QStringLiteral("Kopija deljenog servera (%1) se vraća samo cela, bez --to.")
                                 .arg(detail::ShownPath(result.from.path)));
    const QStringList files = dump ? QStringList() : LogFilesAfter(dest, result.from);
    if (to && files.isEmpty())
        throw dataset::Error(QStringLiteral("Dnevnik izmena posle rezervne kopije %1 nije sačuvan (nema %2 u %3); "
                                            "vraćanje do %4 nije moguće.")
                                 .arg(detail::ShownPath(result.from.path), SafeText(result.from.manifest.binlogFile),
                                      detail::ShownPath(BinaryLogDirectory(dest, result.from.manifest.logId)), to->toString(TimeFormat)));
    if (!MakePrivateDirectory(newDir))
        throw dataset::Error(QStringLiteral("Folder %1 ne može da se napravi: %2").arg(detail::ShownPath(newDir), ErrorText()));
    if (!dump)
        CopyTree(result.from.DataPath(), newDir);
    PrivateServer server(newDir);
    server.Start();
    result.socketPath = server.SocketPath();
    if (dump) {
        LoadDump(result.from, server);
    } else if (files.isEmpty()) {
        result.logNote = QStringLiteral("Dnevnik izmena posle ove kopije nije u folderu %1; vraćeno je stanje "
                                        "same kopije.")
                             .arg(detail::ShownPath(BinaryLogDirectory(dest, result.from.manifest.logId)));
    } else if (const QString complaint = ReplayLog(server, result.from, files, to); !complaint.isEmpty()) {
        result.logNote = QStringLiteral("Dnevnik izmena je pročitan do oštećenog ili nedovršenog kraja:\n") + complaint;
    }
    result.logFiles = int(files.size());
    dataset::Connection connection;
    connection.Connect(server.ConnectionParams());
    result.check = detail::CheckDatabases(connection);
    return result;
}

} // namespace

RestoreResult Restore(const QString &dest, const QString &newDir, const std::optional<QDateTime> &to)
{
    return RestoreInto(QDir::cleanPath(QDir(dest).absolutePath()), QDir::cleanPath(QDir(newDir).absolutePath()), to);
}

RestoreResult VerifyNewestBackup(const QString &dest)
{
    const QTemporaryDir scratch;
    if (!scratch.isValid())
        throw dataset::Error(QStringLiteral("Privremeni folder za proveru nije napravljen: %1").arg(scratch.errorString()));
    const QString dir = scratch.filePath(QStringLiteral("db"));
    // The server is stopped however the check ends; the scratch folder goes with it.
    struct StopServer {
        QString dir;
        ~StopServer()
        {
            try {
                PrivateServer(dir).Stop();
            } catch (const std::exception &) {
                // The folder is removed regardless; a server left there ends with it.
            }
        }
    } stop{dir};
    return Restore(dest, dir, std::nullopt);
}

QString CoveredSpan(const QString &dest)
{
    const QList<Backup> backups = ListBackups(dest);
    if (backups.isEmpty())
        return QStringLiteral("Nema završenih rezervnih kopija.");
    QDateTime last = backups.last().manifest.time;
    for (const QString &file : LogFilesAfter(dest, backups.first()))
        last = qMax(last, QFileInfo(file).lastModified());
    return QStringLiteral("Vraćanje je moguće na bilo koji trenutak od %1 do %2.")
        .arg(backups.first().manifest.time.toLocalTime().toString(TimeFormat), last.toLocalTime().toString(TimeFormat));
}

} // namespace dbserver
