#include "BackupCommands.h"

#include "Backup.h"
#include "BackupDump.h"
#include "BackupFollow.h"
#include "BackupRestore.h"
#include "BackupRetention.h"
#include "PrivateServer.h"
#include "SharedDatabase.h"
#include <dataset/Error.h>
#include <routines/TextFormat.h>

#include <QDir>
#include <QTextStream>

namespace dbserver {

namespace {

constexpr int ExitUsage = 2;
constexpr int ExitCheckFailed = 4;

int Usage()
{
    QTextStream(stderr) << "Upotreba:\n"
                           "  parking-dbserver backup DIR [--to ODREDIŠTE]\n"
                           "  parking-dbserver backup SERVER IME_BAZE [--to ODREDIŠTE]   (logička kopija deljenog servera)\n"
                           "  parking-dbserver follow DIR [--to ODREDIŠTE]\n"
                           "  parking-dbserver restore ODREDIŠTE NOVI_DIR [--to \"GGGG-MM-DD HH:MM:SS\"]\n"
                           "  parking-dbserver restore ODREDIŠTE --list\n"
                           "  parking-dbserver verify-backup [ODREDIŠTE]\n"
                           "SERVER: kao kod createdb (--host H [--port P] | --hosts … | --socket S, --server-user …)\n"
                           "ODREDIŠTE: folder rezervnih kopija ([Backup] dir=, inače ~/.local/share/parking/backups)\n";
    return ExitUsage;
}

// "--to X" at the end of the options, or the default; nullopt when anything else is there.
std::optional<QString> Destination(const QStringList &options)
{
    if (options.isEmpty())
        return DefaultBackupDirectory();
    if (options.size() == 2 && options.at(0) == QLatin1String("--to"))
        return options.at(1);
    return std::nullopt;
}

int PrintRestore(const RestoreResult &result, QTextStream &out)
{
    out << "Vraćena je rezervna kopija " << Describe(result.from) << "\n";
    if (result.logFiles)
        out << "Primenjen dnevnik izmena (" << result.logFiles << " datoteka).\n";
    if (!result.logNote.isEmpty())
        out << result.logNote << "\n";
    for (const QString &line : result.check.summary)
        out << line << "\n";
    for (const QString &line : result.check.warnings)
        out << "Upozorenje: " << line << "\n";
    for (const QString &line : result.check.problems)
        out << "GREŠKA: " << line << "\n";
    return result.check.problems.isEmpty() ? 0 : ExitCheckFailed;
}

// A shared server's options and database, with "--to DEST" anywhere among them.
Backup DumpSharedServer(QStringList options, QString &dest)
{
    const qsizetype to = options.indexOf(QStringLiteral("--to"));
    if (to >= 0 && to + 1 < options.size()) {
        dest = options.at(to + 1);
        options.remove(to, 2);
    }
    const auto shared = ParseSharedServerOptions(options);
    if (!shared)
        throw dataset::Error(QStringLiteral("Opcije servera nisu potpune (vidite: parking-dbserver bez argumenata)."));
    return TakeDump(shared->server, shared->database, dest);
}

int TakeBackup(const QStringList &arguments)
{
    std::optional<QString> dest;
    Backup backup;
    if (NamesSharedServer(arguments.mid(1))) {
        dest = DefaultBackupDirectory();
        backup = DumpSharedServer(arguments.mid(1), *dest);
    } else {
        dest = Destination(arguments.mid(2));
        if (!dest)
            return Usage();
        PrivateServer server(arguments.at(1));
        backup = dbserver::TakeBackup(server, *dest);
    }
    QTextStream out(stdout);
    out << "Rezervna kopija je napravljena: " << SafeText(backup.path) << "\n" << Describe(backup) << "\n";
    for (const QString &removed : PruneBackups(*dest, ConfiguredRetention(), QDateTime::currentDateTime()))
        out << "Uklonjeno po pravilu čuvanja: " << removed << "\n";
    return 0;
}

int RestoreBackup(const QStringList &arguments)
{
    QTextStream out(stdout);
    if (arguments.size() == 3 && arguments.at(2) == QLatin1String("--list")) {
        const QList<Backup> backups = ListBackups(arguments.at(1));
        for (const Backup &backup : backups)
            out << Describe(backup) << "\n";
        out << CoveredSpan(arguments.at(1)) << "\n";
        return 0;
    }
    std::optional<QDateTime> to;
    if (arguments.size() == 5 && arguments.at(3) == QLatin1String("--to")) {
        to = QDateTime::fromString(arguments.at(4), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (!to->isValid())
            throw dataset::Error(QStringLiteral("Vreme %1 nije u obliku \"GGGG-MM-DD HH:MM:SS\".").arg(SafeText(arguments.at(4))));
    } else if (arguments.size() != 3) {
        return Usage();
    }
    const RestoreResult result = Restore(arguments.at(1), arguments.at(2), to);
    const int code = PrintRestore(result, out);
    out << "Server vraćene baze radi (socket " << SafeText(result.socketPath) << ").\n";
    return code;
}

int VerifyBackup(const QStringList &arguments)
{
    if (arguments.size() > 2)
        return Usage();
    const QString dest = arguments.size() == 2 ? arguments.at(1) : DefaultBackupDirectory();
    QTextStream out(stdout);
    const QList<Backup> backups = ListBackups(dest);
    bool newestDamaged = false;
    for (const Backup &backup : backups) {
        const QStringList damaged = DamagedFiles(backup);
        if (!damaged.isEmpty())
            out << "GREŠKA: rezervna kopija " << SafeText(backup.path) << " ne odgovara svom opisu: "
                << damaged.join(QStringLiteral(", ")) << "\n";
        newestDamaged = !damaged.isEmpty();
    }
    const int code = newestDamaged ? ExitCheckFailed : PrintRestore(VerifyNewestBackup(dest), out);
    out << (code == 0 ? "Rezervna kopija je ispravna.\n" : "Rezervna kopija NIJE ispravna.\n");
    return code;
}

int Follow(const QStringList &arguments)
{
    const auto dest = Destination(arguments.mid(2));
    if (!dest)
        return Usage();
    PrivateServer server(arguments.at(1));
    FollowBinaryLog(server, *dest);
}

} // namespace

std::optional<int> RunBackupCommand(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return std::nullopt;
    const QString command = arguments.at(0);
    if (command == QLatin1String("verify-backup"))
        return VerifyBackup(arguments);
    const bool known = command == QLatin1String("backup") || command == QLatin1String("restore")
        || command == QLatin1String("follow");
    if (!known)
        return std::nullopt;
    if (arguments.size() < 2)
        return Usage();
    if (command == QLatin1String("backup"))
        return TakeBackup(arguments);
    if (command == QLatin1String("restore"))
        return RestoreBackup(arguments);
    return Follow(arguments);
}

} // namespace dbserver
