#include "PrivateServer.h"

#include "ServerAccounts.h"
#include "ServerProcess.h"
#include <dataset/Error.h>
#include <routines/PrivateFiles.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QThread>

#include <signal.h>
#include <unistd.h>

namespace dbserver {

namespace {

// sun_path holds 108 bytes including the terminating NUL.
constexpr qsizetype MaxSocketPath = 107;
constexpr int LogLinesInErrors = 15;

const QString PidFileName = QStringLiteral("mysqld.pid");
const QString LogFileName = QStringLiteral("mysqld.log");
const QString LockFileName = QStringLiteral("dbserver.lock");
const QString SocketNoteName = QStringLiteral("socket.path");
const QString SocketName = QStringLiteral("mysqld.sock");
// The only folder the server may read or write files in (secure_file_priv); the server
// is told not to take it for a database.
const QString ServerFilesName = QStringLiteral("server-files");
// The server's own temporary folder: at start a server deletes every "#sql" file in
// its temporary folder, so servers sharing one would destroy each other's work.
const QString ServerTmpName = QStringLiteral("server-tmp");
const QString BinlogBaseName = QLatin1String(BinaryLogBaseName);
// Files this class writes itself; a directory holding only these counts as empty.
const QStringList OwnFiles = {LogFileName, LockFileName, SocketNoteName, PidFileName, SocketName,
                              ServerFilesName, ServerTmpName, QLatin1String(ApplicationPasswordFile),
                              QLatin1String(ServedOptionsFile)};

bool FitsSocketLimit(const QString &path)
{
    return QFile::encodeName(path).size() <= MaxSocketPath;
}

bool RunningAsRoot()
{
    return ::geteuid() == 0;
}

} // namespace

struct PrivateServer::Private {
    QString dir;
    ServerOptions options;
    bool reused = false;

    QString File(const QString &name) const { return dir + QLatin1Char('/') + name; }
    QString Socket() const { return SocketPathFor(dir); }

    // The pid of the server running for this directory, 0 when none.
    qint64 RunningPid() const
    {
        const qint64 pid = detail::ReadPidFile(File(PidFileName));
        return detail::IsServerFor(pid, dir) ? pid : 0;
    }

    bool Served() const { return QFileInfo(File(QLatin1String(ServedOptionsFile))).isFile(); }

    bool IsInitialised() const
    {
        return QFileInfo::exists(File(QStringLiteral("mysql/global_priv.frm")))
            && QFileInfo::exists(File(QStringLiteral("ibdata1")));
    }

    QStringList ForeignEntries() const
    {
        QStringList entries =
            QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QString &own : OwnFiles)
            entries.removeAll(own);
        return entries;
    }

    std::unique_ptr<QLockFile> Lock() const
    {
        auto lock = std::make_unique<QLockFile>(File(LockFileName));
        lock->setStaleLockTime(0);
        if (!lock->tryLock(int(options.startTimeout.count())))
            throw dataset::Error(
                QStringLiteral("Direktorijum baze %1 drži drugi proces (zaključan je %2).")
                    .arg(dir, File(LockFileName)));
        return lock;
    }

    // Removes what a crashed server left behind: its pid file and its socket.
    void RemoveLeftovers() const
    {
        if (QFileInfo::exists(File(PidFileName)) && !RunningPid())
            QFile::remove(File(PidFileName));
        if (!detail::Ping(Socket()))
            detail::RemoveSocketFile(Socket());
    }

    // The closing part of an error message: where the log is and its last lines.
    QString LogTail() const
    {
        return QStringLiteral("Poslednje linije loga %1:\n%2")
            .arg(File(LogFileName), detail::TailOfFile(File(LogFileName), LogLinesInErrors));
    }

    void MakePrivate() const;
    void MakeOwnDirectory(const QString &name) const
    {
        if (!MakePrivateDirectory(File(name)))
            throw dataset::Error(QStringLiteral("Direktorijum %1 nije napravljen: %2").arg(File(name), ErrorText()));
    }
    QString NewSocketPath() const;
    void Initialise() const;
    qint64 Launch() const;
    void WaitUntilAnswering(qint64 pid) const;
};

PrivateServer::PrivateServer(const QString &dataDir, ServerOptions options)
    : d(std::make_unique<Private>())
{
    d->dir = QDir::cleanPath(QDir(dataDir).absolutePath());
    d->options = std::move(options);
}

// The server outlives this object on purpose: it belongs to the data directory.
PrivateServer::~PrivateServer() = default;

QString PrivateServer::SocketPathFor(const QString &dataDir)
{
    const QString dir = QDir::cleanPath(QDir(dataDir).absolutePath());
    const QString inside = dir + QLatin1Char('/') + SocketName;
    if (FitsSocketLimit(inside))
        return IsPrivateDirectory(dir) ? inside : QString();
    const QString noted =
        QFile::decodeName(ReadPrivateFile(dir + QLatin1Char('/') + SocketNoteName).trimmed());
    if (IsPrivateDirectory(dir) && noted.endsWith(QLatin1Char('/') + SocketName) && FitsSocketLimit(noted)
        && IsPrivateDirectory(QFileInfo(noted).path()))
        return noted;
    return {};
}

void PrivateServer::Private::MakePrivate() const
{
    if (!MakePrivateDirectory(dir))
        throw dataset::Error(QStringLiteral("Direktorijum baze %1 ne može da bude privatan direktorijum "
                                            "korisnika %2 (prava 0700): %3")
                                 .arg(dir, AdministratorName(), ErrorText()));
}

// A socket path that fits the limit, in a fresh private directory (mkdtemp), recorded
// in the data directory so the next start and the clients find it.
QString PrivateServer::Private::NewSocketPath() const
{
    for (const QString &base : {QDir::tempPath(), QStringLiteral("/tmp")}) {
        const QString made = MakeUniquePrivateDirectory(base + QStringLiteral("/parking-"));
        if (made.isEmpty())
            continue;
        const QString socket = made + QLatin1Char('/') + SocketName;
        if (!FitsSocketLimit(socket)) {
            QDir().rmdir(made);
            continue;
        }
        QFile::remove(File(SocketNoteName));
        if (!WritePrivateFile(File(SocketNoteName), QFile::encodeName(socket) + '\n'))
            throw dataset::Error(QStringLiteral("Putanja socketa nije zapisana u %1: %2")
                                     .arg(File(SocketNoteName), ErrorText()));
        return socket;
    }
    throw dataset::Error(QStringLiteral("Za socket servera baze u %1 nije napravljen privatni direktorijum: %2")
                             .arg(dir, ErrorText()));
}

void PrivateServer::Private::Initialise() const
{
    const QStringList foreign = ForeignEntries();
    if (!foreign.isEmpty()) {
        throw dataset::Error(
            QStringLiteral("Direktorijum %1 nije prazan, a ne sadrži ispravno pripremljenu bazu "
                           "podataka (nedostaje mysql/global_priv.frm ili ibdata1; zatečeno: %2). "
                           "Podaci u njemu se ne diraju: ispraznite ga ili izaberite drugi direktorijum.")
                .arg(dir, foreign.mid(0, 5).join(QStringLiteral(", "))));
    }
    const QString program = detail::FindProgram(options.installDb, QStringLiteral("mariadb-install-db"),
                                        QStringLiteral("mariadb-server-core (ili mariadb-server)"));
    // The directory is given relative to the working directory: the installer script
    // leaves the path unquoted in places, so blanks in it would break the set-up.
    MakeOwnDirectory(ServerTmpName);
    // A served directory's options file (network, TLS) is read instead of none.
    const bool served = Served();
    QStringList arguments = {served ? QStringLiteral("--defaults-file=") + File(QLatin1String(ServedOptionsFile))
                                    : QStringLiteral("--no-defaults"),
                             QStringLiteral("--datadir=."),
                             QStringLiteral("--tmpdir=") + ServerTmpName,
                             QStringLiteral("--auth-root-authentication-method=socket"),
                             QStringLiteral("--skip-test-db"),
                             QStringLiteral("--skip-name-resolve")};
    if (RunningAsRoot())
        arguments << QStringLiteral("--user=root");
    else
        arguments << QStringLiteral("--auth-root-socket-user=") + AdministratorName();
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardOutputFile(File(LogFileName), QIODevice::Append);
    process.setWorkingDirectory(dir);
    process.start(program, arguments);
    // Initialisation writes the system tables once; it gets its own, generous time limit.
    constexpr int InstallTimeoutMs = 300000;
    const bool finished = process.waitForFinished(InstallTimeoutMs);
    if (finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0
        && IsInitialised())
        return;
    if (!finished)
        process.kill();
    process.waitForFinished(5000);
    // The directory held nothing before, so everything in it but our own files came from
    // this failed attempt; clear it so the next start begins afresh.
    for (const QString &entry : ForeignEntries()) {
        const QFileInfo info(File(entry));
        if (info.isDir() && !info.isSymLink())
            QDir(info.filePath()).removeRecursively();
        else
            QFile::remove(info.filePath());
    }
    const QString reason = !finished || process.exitStatus() != QProcess::NormalExit
        ? process.errorString()
        : QStringLiteral("%1 je završio sa kodom %2").arg(QFileInfo(program).fileName(), QString::number(process.exitCode()));
    throw dataset::Error(QStringLiteral("Priprema direktorijuma baze %1 nije uspela (%2). %3")
                             .arg(dir, reason, LogTail()));
}

qint64 PrivateServer::Private::Launch() const
{
    const QString program = detail::FindProgram(options.mariadbd, QStringLiteral("mariadbd"),
                                        QStringLiteral("mariadb-server-core (ili mariadb-server)"));
    // --no-defaults keeps the system's my.cnf (datadir, socket, port) out of it.
    // Every commit reaches the disk before it is confirmed: a payment the pay desk was told
    // is saved survives a power cut, in the tables and in the binary log. The binary log
    // (row format) carries every change after the last backup, so a restore reaches any second.
    // A served directory's options file (network, TLS) is read instead of none.
    const bool served = Served();
    QStringList arguments = {served ? QStringLiteral("--defaults-file=") + File(QLatin1String(ServedOptionsFile))
                                    : QStringLiteral("--no-defaults"),
                             QStringLiteral("--datadir=") + dir,
                             QStringLiteral("--socket=") + Socket(),
                             QStringLiteral("--pid-file=") + File(PidFileName),
                             QStringLiteral("--log-error=") + File(LogFileName),
                             QStringLiteral("--local-infile=1"),
                             QStringLiteral("--secure-file-priv=") + File(ServerFilesName),
                             QStringLiteral("--tmpdir=") + File(ServerTmpName),
                             QStringLiteral("--ignore-db-dirs=") + ServerFilesName,
                             QStringLiteral("--ignore-db-dirs=") + ServerTmpName,
                             QStringLiteral("--character-set-server=utf8mb4"),
                             QStringLiteral("--collation-server=utf8mb4_unicode_ci"),
                             QStringLiteral("--innodb-buffer-pool-size=128M"),
                             QStringLiteral("--innodb-log-file-size=16M"),
                             QStringLiteral("--innodb-flush-log-at-trx-commit=1"),
                             QStringLiteral("--sync-binlog=1"),
                             QStringLiteral("--log-bin=") + File(BinlogBaseName),
                             QStringLiteral("--binlog-format=ROW"),
                             // Rows are logged, not the statements calling a function, so a
                             // function need not be declared deterministic to be logged safely.
                             QStringLiteral("--log-bin-trust-function-creators=1"),
                             QStringLiteral("--server-id=1"),
                             // Eight days: the nightly backup and the copy in the backup folder
                             // need only what came after the last backup.
                             QStringLiteral("--binlog-expire-logs-seconds=691200"),
                             QStringLiteral("--skip-name-resolve")};
    // A served server listens where its options file says.
    if (!served && options.port)
        arguments << QStringLiteral("--port=%1").arg(options.port) << QStringLiteral("--bind-address=127.0.0.1");
    else if (!served)
        arguments << QStringLiteral("--skip-networking");
    if (RunningAsRoot())
        arguments << QStringLiteral("--user=root");
    arguments << options.extraArguments;
    MakeOwnDirectory(ServerFilesName);
    MakeOwnDirectory(ServerTmpName);
    return detail::SpawnDetached(program, arguments, File(LogFileName));
}

void PrivateServer::Private::WaitUntilAnswering(qint64 pid) const
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        if (detail::Ping(Socket()))
            return;
        if (!detail::IsProcessAlive(pid)) {
            throw dataset::Error(QStringLiteral("Server baze podataka u %1 se nije pokrenuo. %2")
                                     .arg(dir, LogTail()));
        }
        if (timer.elapsed() > options.startTimeout.count()) {
            ::kill(pid_t(pid), SIGTERM);
            throw dataset::Error(QStringLiteral("Server baze podataka u %1 nije odgovorio za %2 s. %3")
                                     .arg(dir, QString::number(options.startTimeout.count() / 1000), LogTail()));
        }
        QThread::msleep(50);
    }
}

void PrivateServer::Start()
{
    d->reused = false;
    // The socket lives in the data directory (or a private one recorded there), so a
    // server answering on it was started by this user: only then is it reused.
    d->MakePrivate();
    const auto lock = d->Lock();

    if (const qint64 pid = d->RunningPid()) {
        d->WaitUntilAnswering(pid);
        d->reused = true;
    } else if (detail::Ping(d->Socket())) {
        // A server whose pid file was removed still owns its socket.
        d->reused = true;
    } else {
        d->RemoveLeftovers();
        if (d->Socket().isEmpty())
            d->NewSocketPath();
        if (!d->IsInitialised())
            d->Initialise();
        d->WaitUntilAnswering(d->Launch());
    }
    SecureAccounts(d->dir, d->Socket(), d->Served() ? NetworkAccounts::Keep : NetworkAccounts::Drop);
}

void PrivateServer::Stop()
{
    if (!QFileInfo(d->dir).isDir())
        return;
    const auto lock = d->Lock();
    const qint64 pid = d->RunningPid();
    if (!pid) {
        // Without a pid file all we can do is ask whoever answers on the socket to go.
        if (detail::SendShutdown(d->Socket())) {
            QElapsedTimer timer;
            timer.start();
            while (detail::Ping(d->Socket()) && timer.elapsed() < d->options.stopTimeout.count())
                QThread::msleep(50);
        }
        d->RemoveLeftovers();
        return;
    }
    if (!detail::SendShutdown(d->Socket()))
        ::kill(pid_t(pid), SIGTERM);
    if (!detail::WaitForExit(pid, d->options.stopTimeout)) {
        throw dataset::Error(QStringLiteral("Server baze podataka u %1 (pid %2) se nije zaustavio za %3 s. %4")
                                 .arg(d->dir, QString::number(pid),
                                      QString::number(d->options.stopTimeout.count() / 1000), d->LogTail()));
    }
    d->RemoveLeftovers();
}

bool PrivateServer::IsRunning() const
{
    return d->RunningPid() != 0 || detail::Ping(d->Socket());
}

qint64 PrivateServer::ServerPid() const
{
    return d->RunningPid();
}

bool PrivateServer::Reused() const
{
    return d->reused;
}

const QString &PrivateServer::DataDir() const
{
    return d->dir;
}

QString PrivateServer::SocketPath() const
{
    return d->Socket();
}

QString PrivateServer::LogPath() const
{
    return d->File(LogFileName);
}

dataset::ConnectionParams PrivateServer::ConnectionParams(const QString &database) const
{
    const QString socket = d->Socket();
    if (socket.isEmpty())
        throw dataset::Error(QStringLiteral("Privatni server baze u %1 nije pokrenut.").arg(d->dir));
    return AdministratorParams(socket, database);
}

} // namespace dbserver
