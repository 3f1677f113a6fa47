// "Datoteka → Rezervna kopija" on a real private server: the backup at start when there
// is none, with the busy bar; the follower; the status bar's ages and colour; the check
// of the newest backup from the menu.

#include <console/BackupControl.h>
#include <console/MainWindow.h>
#include <console/dbserver/Backup.h>
#include <console/dbserver/PrivateServer.h>
#include <console/services/Console.h>
#include <console/services/NoticeLog.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

using namespace console;

class TestBackupControl : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void backupAtStartFollowerAndCheck()
    {
        QTemporaryDir temp;
        dbserver::PrivateServer server(temp.filePath(QStringLiteral("db")));
        server.Start();
        struct Stop {
            dbserver::PrivateServer &server;
            ~Stop() { server.Stop(); }
        } stop{server};
        const QString dest = temp.filePath(QStringLiteral("backups"));
        const IntfPtr<Console> host(new Console);
        NoticeLog notices;
        MainWindow window(*host, notices);
        auto control = std::make_unique<BackupControl>(window, *window.FileMenu(), window.PasswordAction(),
                                                       server.DataDir(), dest, QStringLiteral(PARKING_DBSERVER_EXE));
        QMenu *menu = nullptr;
        for (QAction *action : window.FileMenu()->actions())
            if (action->menu() && action->text() == QStringLiteral("Rezervna kopija"))
                menu = action->menu();
        QVERIFY(menu);
        QCOMPARE(menu->actions().size(), 3);
        QVERIFY(control->StatusLabel()->text().contains(QStringLiteral("nema")));
        QVERIFY(control->StatusLabel()->styleSheet().contains(QStringLiteral("c00000")));

        QSignalSpy finished(control.get(), &BackupControl::finished);
        control->Start();
        QVERIFY(control->Busy());
        QVERIFY(!control->BackupAction()->isEnabled());
        QVERIFY(window.statusBar()->findChild<QProgressBar *>()->isVisibleTo(&window));
        QVERIFY(finished.wait(180000));
        QCOMPARE(finished.first().first().toBool(), true);
        QCOMPARE(dbserver::ListBackups(dest).size(), 1);
        QVERIFY(!window.statusBar()->findChild<QProgressBar *>()->isVisibleTo(&window));
        QTRY_VERIFY_WITH_TIMEOUT((control->RefreshStatus(), control->StatusLabel()->text().contains(QStringLiteral("izmene: pre 0 min"))),
                                 20000);
        QVERIFY(control->StatusLabel()->text().contains(QStringLiteral("Rezervna kopija: pre 0 min")));
        QCOMPARE(control->StatusLabel()->styleSheet(), QString());

        control->VerifyAction()->trigger();
        QVERIFY(finished.wait(180000));
        QCOMPARE(finished.last().first().toBool(), true);
        QVERIFY(window.LogPane()->toPlainText().contains(QStringLiteral("Rezervna kopija je ispravna.")));

        // Without the console's follower the copy stops, and the status bar says so in red.
        control.reset();
        BackupControl after(window, *window.FileMenu(), window.PasswordAction(), server.DataDir(), dest,
                            QStringLiteral(PARKING_DBSERVER_EXE));
        QVERIFY(after.StatusLabel()->text().contains(QStringLiteral("izmene se ne kopiraju")));
        QVERIFY(after.StatusLabel()->styleSheet().contains(QStringLiteral("c00000")));
    }
};

QTEST_MAIN(TestBackupControl)
#include "tst_backup_control.moc"
