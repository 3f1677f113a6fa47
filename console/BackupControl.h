#pragma once

#include <QDateTime>
#include <QObject>
#include <QProcess>
#include <QTimer>

#include <memory>

class QAction;
class QLabel;
class QMenu;
class QProgressBar;

namespace console {

class MainWindow;

// "Datoteka → Rezervna kopija" of the console on its private server: a backup now, the
// list and a check of the newest, each run by parking-dbserver in the background with a
// busy bar in the status bar; the follower of the binary log while the console runs; a
// backup at start when the newest is older than a day; and in the status bar the age of
// the newest backup and of the last copied change, red when the backup is older than a
// day or no follower copies the log.
class BackupControl : public QObject {
    Q_OBJECT
public:
    BackupControl(MainWindow &window, QMenu &fileMenu, QAction *before, const QString &dataDir, const QString &dest,
                  const QString &program);
    ~BackupControl() override;

    QAction *BackupAction() const { return m_backupAction; }
    QAction *ListAction() const { return m_listAction; }
    QAction *VerifyAction() const { return m_verifyAction; }
    QLabel *StatusLabel() const { return m_status; }
    bool Busy() const { return m_task.state() != QProcess::NotRunning; }

    // Starts the follower, and a backup when the newest is older than a day.
    void Start();
    void RefreshStatus();

Q_SIGNALS:
    void finished(bool ok);

private:
    void Run(const QStringList &arguments, const QString &title, bool quiet);
    void OnFinished();

    MainWindow &m_window;
    QString m_dataDir;
    QString m_dest;
    QString m_program;
    QString m_title;
    bool m_quiet = false;
    QProcess m_task;
    QProcess m_follower;
    QTimer m_clock;
    QAction *m_backupAction;
    QAction *m_listAction;
    QAction *m_verifyAction;
    QLabel *m_status;
    QProgressBar *m_progress;
};

} // namespace console
