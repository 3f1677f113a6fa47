#include "BackupControl.h"

#include "ErrorDisplay.h"
#include "MainWindow.h"
#include <console/dbserver/Backup.h>
#include <routines/TextFormat.h>

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLockFile>
#include <QMenu>
#include <QProgressBar>
#include <QStatusBar>

#include <signal.h>
#include <sys/prctl.h>

namespace console {

namespace {

constexpr qint64 DaySeconds = 24 * 60 * 60;
constexpr int ClockMs = 60 * 1000;
constexpr int MessageMs = 15000;

QString Age(const QDateTime &time, const QDateTime &now)
{
    const qint64 seconds = qMax<qint64>(0, time.secsTo(now));
    if (seconds < 60 * 60)
        return QStringLiteral("pre %1 min").arg(seconds / 60);
    if (seconds < 2 * DaySeconds)
        return QStringLiteral("pre %1 h").arg(seconds / (60 * 60));
    return QStringLiteral("pre %1 dana").arg(seconds / DaySeconds);
}

// The copy of the log goes on while some follower holds its lock (this console's, or
// the systemd service's).
bool FollowerRunning(const QString &logDir)
{
    QLockFile lock(logDir + QStringLiteral("/follow.lock"));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0))
        return lock.error() == QLockFile::LockFailedError;
    lock.unlock();
    return false;
}

} // namespace

BackupControl::BackupControl(MainWindow &window, QMenu &fileMenu, QAction *before, const QString &dataDir,
                             const QString &dest, const QString &program)
    : m_window(window), m_dataDir(dataDir), m_dest(dest), m_program(program)
{
    QMenu *menu = new QMenu(QStringLiteral("Rezervna kopija"), &fileMenu);
    fileMenu.insertMenu(before, menu);
    m_backupAction = menu->addAction(QStringLiteral("Napravi rezervnu kopiju sada"));
    m_listAction = menu->addAction(QStringLiteral("Spisak rezervnih kopija"));
    m_verifyAction = menu->addAction(QStringLiteral("Proveri poslednju kopiju"));
    m_status = new QLabel(&window);
    m_progress = new QProgressBar(&window);
    m_progress->setRange(0, 0);
    m_progress->setMaximumWidth(m_progress->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 10);
    m_progress->hide();
    window.statusBar()->addPermanentWidget(m_progress);
    window.statusBar()->addPermanentWidget(m_status);

    connect(m_backupAction, &QAction::triggered, this,
            [this] { Run({QStringLiteral("backup"), m_dataDir, QStringLiteral("--to"), m_dest}, m_backupAction->text(), false); });
    connect(m_listAction, &QAction::triggered, this,
            [this] { Run({QStringLiteral("restore"), m_dest, QStringLiteral("--list")}, m_listAction->text(), false); });
    connect(m_verifyAction, &QAction::triggered, this,
            [this] { Run({QStringLiteral("verify-backup"), m_dest}, m_verifyAction->text(), false); });
    connect(&m_task, &QProcess::finished, this, &BackupControl::OnFinished);
    connect(&m_task, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            OnFinished();
    });
    m_task.setProcessChannelMode(QProcess::MergedChannels);
    // Neither tool outlives the console.
    for (QProcess *process : {&m_task, &m_follower})
        process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    connect(&m_follower, &QProcess::finished, this, &BackupControl::RefreshStatus);
    connect(&m_clock, &QTimer::timeout, this, &BackupControl::RefreshStatus);
    m_clock.start(ClockMs);
    RefreshStatus();
}

BackupControl::~BackupControl()
{
    for (QProcess *process : {&m_task, &m_follower}) {
        process->disconnect(this);
        if (process->state() != QProcess::NotRunning) {
            process->terminate();
            if (!process->waitForFinished(5000))
                process->kill();
        }
    }
}

void BackupControl::Start()
{
    m_follower.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_follower.setStandardOutputFile(QProcess::nullDevice());
    m_follower.start(m_program, {QStringLiteral("follow"), m_dataDir, QStringLiteral("--to"), m_dest});
    const QList<dbserver::Backup> backups = dbserver::ListBackups(m_dest);
    if (backups.isEmpty() || backups.last().manifest.time.secsTo(QDateTime::currentDateTime()) > DaySeconds)
        Run({QStringLiteral("backup"), m_dataDir, QStringLiteral("--to"), m_dest}, m_backupAction->text(), true);
}

void BackupControl::Run(const QStringList &arguments, const QString &title, bool quiet)
{
    if (Busy())
        return;
    m_title = title;
    m_quiet = quiet;
    for (QAction *action : {m_backupAction, m_listAction, m_verifyAction})
        action->setEnabled(false);
    m_progress->show();
    m_window.statusBar()->showMessage(QStringLiteral("%1 …").arg(title));
    m_task.start(m_program, arguments);
}

void BackupControl::OnFinished()
{
    const bool ok = m_task.error() != QProcess::FailedToStart && m_task.exitStatus() == QProcess::NormalExit
        && m_task.exitCode() == 0;
    const QString output = SafeLines(QString::fromUtf8(m_task.readAll()).trimmed());
    m_progress->hide();
    for (QAction *action : {m_backupAction, m_listAction, m_verifyAction})
        action->setEnabled(true);
    m_window.AddLogLine(QStringLiteral("%1:").arg(m_title));
    m_window.AddLogLine(output.isEmpty() ? m_task.errorString() : output);
    m_window.statusBar()->showMessage(ok ? QStringLiteral("%1: gotovo.").arg(m_title)
                                         : QStringLiteral("%1: nije uspelo (detalji su u logu).").arg(m_title),
                                      MessageMs);
    if (!ok && !m_quiet)
        ErrorDisplay::Show(QStringLiteral("%1 nije uspelo:\n%2").arg(m_title, output.isEmpty() ? m_task.errorString() : output));
    RefreshStatus();
    Q_EMIT finished(ok);
}

void BackupControl::RefreshStatus()
{
    const QDateTime now = QDateTime::currentDateTime();
    QList<dbserver::Backup> backups;
    try {
        backups = dbserver::ListBackups(m_dest);
    } catch (const std::exception &) {
        // A damaged manifest shows as no backup here; verify-backup names it.
    }
    const bool stale = backups.isEmpty() || backups.last().manifest.time.secsTo(now) > DaySeconds;
    QString text = backups.isEmpty() ? QStringLiteral("Rezervna kopija: nema")
                                     : QStringLiteral("Rezervna kopija: %1").arg(Age(backups.last().manifest.time, now));
    bool following = false;
    if (QFileInfo(m_dataDir).isDir()) {
        const QString logDir = dbserver::BinaryLogDirectory(m_dest, dbserver::BinaryLogId(m_dataDir));
        following = FollowerRunning(logDir);
        const QStringList files = dbserver::BinaryLogFiles(logDir);
        text += following && !files.isEmpty()
            ? QStringLiteral(" · izmene: %1").arg(Age(QFileInfo(logDir + QLatin1Char('/') + files.last()).lastModified(), now))
            : QStringLiteral(" · izmene se ne kopiraju");
    }
    m_status->setText(text);
    m_status->setStyleSheet(stale || !following ? QStringLiteral("color: #c00000;") : QString());
}

} // namespace console
