#include "BackupFollow.h"

#include "Backup.h"
#include "BackupTools.h"
#include "PrivateServer.h"
#include "ServerAccounts.h"
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <routines/PrivateFiles.h>
#include <routines/TextFormat.h>

#include <QDir>
#include <QLockFile>
#include <QTextStream>
#include <QThread>

namespace dbserver {

namespace {

constexpr unsigned long RetryPauseMs = 1000;

// The server's log files, oldest first.
QStringList LogsOnServer(const PrivateServer &server)
{
    dataset::Connection connection;
    connection.Connect(server.ConnectionParams());
    dataset::Query query;
    query.SetConnection(&connection);
    query.SQL() << QStringLiteral("SHOW BINARY LOGS");
    query.Open();
    QStringList names;
    for (query.First(); !query.Eof(); query.Next())
        names << query.Fields(0).AsString();
    if (names.isEmpty())
        throw dataset::Error(QStringLiteral("Server u %1 ne vodi dnevnik izmena.").arg(SafeText(server.DataDir())));
    return names;
}

// Where to go on: the last file copied, from its start; the server's first file when
// nothing was copied yet, or when the server no longer has that file (the copy was
// stopped longer than the server keeps its log: the next backup closes the gap).
QString StartingFile(const PrivateServer &server, const QStringList &copied, QTextStream &err)
{
    const QStringList onServer = LogsOnServer(server);
    if (copied.isEmpty() || onServer.contains(copied.last()))
        return copied.isEmpty() ? onServer.first() : copied.last();
    err << "Server više nema datoteku dnevnika " << SafeText(copied.last())
        << "; kopija se nastavlja od " << SafeText(onServer.first())
        << ", a izmene između su samo u sledećoj punoj rezervnoj kopiji.\n";
    err.flush();
    return onServer.first();
}

} // namespace

void FollowBinaryLog(PrivateServer &server, const QString &dest)
{
    const QString directory = BinaryLogDirectory(dest, BinaryLogId(server.DataDir()));
    if (!MakePrivateDirectory(directory))
        throw dataset::Error(QStringLiteral("Folder %1 ne može da se napravi: %2").arg(SafeText(directory), ErrorText()));
    // One copy at a time: two would rewrite the same file over each other.
    QLockFile lock(directory + QStringLiteral("/follow.lock"));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0))
        throw dataset::Error(QStringLiteral("Dnevnik izmena u %1 već kopira drugi proces.").arg(SafeText(directory)));
    const QString program = detail::BinlogProgram();
    QTextStream err(stderr);
    for (;;) {
        try {
            // A server stopped on purpose stays stopped: the copy waits for its next start.
            if (!server.IsRunning()) {
                QThread::msleep(RetryPauseMs);
                continue;
            }
            const QString first = StartingFile(server, BinaryLogFiles(directory), err);
            detail::RunTool(program,
                            {QStringLiteral("--no-defaults"), QStringLiteral("--read-from-remote-server"),
                             QStringLiteral("--raw"), QStringLiteral("--stop-never"),
                             QStringLiteral("--socket=") + server.SocketPath(),
                             QStringLiteral("--user=") + AdministratorName(),
                             QStringLiteral("--result-file=") + directory + QLatin1Char('/'), first},
                            QStringLiteral("Praćenje dnevnika izmena"));
        } catch (const std::exception &error) {
            err << QString::fromUtf8(error.what()) << "\nPonovni pokušaj za sekundu.\n";
            err.flush();
        }
        QThread::msleep(RetryPauseMs);
    }
}

} // namespace dbserver
