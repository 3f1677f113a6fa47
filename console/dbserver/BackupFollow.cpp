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
#include <QTextStream>
#include <QThread>

namespace dbserver {

namespace {

constexpr unsigned long RetryPauseMs = 1000;

// The server's first log file: the start when nothing was copied yet.
QString FirstLogOnServer(const PrivateServer &server)
{
    dataset::Connection connection;
    connection.Connect(server.ConnectionParams());
    dataset::Query query;
    query.SetConnection(&connection);
    query.SQL() << QStringLiteral("SHOW BINARY LOGS");
    query.Open();
    if (query.IsEmpty())
        throw dataset::Error(QStringLiteral("Server u %1 ne vodi dnevnik izmena.").arg(SafeText(server.DataDir())));
    return query.Fields(0).AsString();
}

} // namespace

void FollowBinaryLog(PrivateServer &server, const QString &dest)
{
    const QString directory = BinaryLogDirectory(dest, BinaryLogId(server.DataDir()));
    if (!MakePrivateDirectory(directory))
        throw dataset::Error(QStringLiteral("Folder %1 ne može da se napravi: %2").arg(SafeText(directory), ErrorText()));
    const QString program = detail::BinlogProgram();
    QTextStream err(stderr);
    for (;;) {
        try {
            // A server stopped on purpose stays stopped: the copy waits for its next start.
            if (!server.IsRunning()) {
                QThread::msleep(RetryPauseMs);
                continue;
            }
            const QStringList copied = BinaryLogFiles(directory);
            const QString first = copied.isEmpty() ? FirstLogOnServer(server) : copied.last();
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
