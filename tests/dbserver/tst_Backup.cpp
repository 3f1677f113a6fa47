// Backups of the private server with the real tools: a hot backup while two desks save,
// the follower killed and started again, restore to a second, a damaged backup named,
// restores into folders in use refused, and the retention over simulated days.

#include "RunDbserver.h"
#include <console/dbserver/Backup.h>
#include <console/dbserver/BackupRestore.h>
#include <console/dbserver/BackupRetention.h>
#include <console/dbserver/PrivateServer.h>
#include <console/dbserver/Schema.h>
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <ctime>
#include <mutex>
#include <thread>

using dbserver::PrivateServer;

namespace {

const QString Database = QStringLiteral("parking");
const QString TimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QStringList Column(const PrivateServer &server, const QString &sql)
{
    dataset::Connection connection;
    connection.Connect(server.ConnectionParams(Database));
    dataset::Query query;
    query.SetConnection(&connection);
    query.SQL() << sql;
    query.Open();
    QStringList values;
    for (query.First(); !query.Eof(); query.Next())
        values << query.Fields(0).AsString();
    return values;
}

QSet<QString> Numbers(const PrivateServer &server)
{
    const QStringList numbers = Column(server, QStringLiteral("SELECT number FROM parkingdocument"));
    return {numbers.cbegin(), numbers.cend()};
}

// One document with three items and their total, in one transaction, as a desk saves it.
void SaveDocument(dataset::Connection &connection, const QString &number)
{
    connection.Execute(QStringLiteral("START TRANSACTION"));
    connection.Execute(QStringLiteral("INSERT INTO parkingdocument (number, documentdatetime) VALUES (%1, NOW())")
                           .arg(dataset::Connection::Quote(number)));
    const qint64 id = connection.LastInsertId();
    for (int item = 1; item <= 3; ++item)
        connection.Execute(QStringLiteral("INSERT INTO parkingdocumentitem (quantity, price, itemvalue, taxid, taxvalue, "
                                          "productid, parkingdocumentid) VALUES (1, %1, %1, 1, 20, 1, %2)")
                               .arg(item * 100).arg(id));
    connection.Execute(QStringLiteral("UPDATE parkingdocument SET itemtotal = 720 WHERE parkingdocumentid = %1").arg(id));
    connection.Execute(QStringLiteral("COMMIT"));
}

void SaveDocument(const PrivateServer &server, const QString &number)
{
    dataset::Connection connection;
    connection.Connect(server.ConnectionParams(Database));
    SaveDocument(connection, number);
}

// A server with an empty parking database, stopped when the test ends.
struct Office {
    QTemporaryDir temp;
    PrivateServer server{temp.filePath(QStringLiteral("db"))};
    QString dest = temp.filePath(QStringLiteral("backups"));

    Office()
    {
        server.Start();
        dataset::Connection connection;
        connection.Connect(server.ConnectionParams());
        dbserver::CreateDatabase(connection, Database, false);
    }
    ~Office()
    {
        for (const QString &dir : started) {
            try {
                PrivateServer(dir).Stop();
            } catch (const std::exception &error) {
                qWarning("%s", error.what());
            }
        }
        try {
            server.Stop();
        } catch (const std::exception &error) {
            qWarning("%s", error.what());
        }
    }
    QString Restored(const QString &name)
    {
        started << temp.filePath(name);
        return started.last();
    }
    QStringList started;
};

// The follower as its own process, killed outright when the test is done with it.
class Follower {
public:
    Follower(const Office &office) : m_office(office) { Start(); }
    ~Follower() { Kill(); }
    void Start()
    {
        m_process.start(QStringLiteral(PARKING_DBSERVER_EXE),
                        {QStringLiteral("follow"), m_office.server.DataDir(), QStringLiteral("--to"), m_office.dest});
        QVERIFY(m_process.waitForStarted());
    }
    void Kill()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    // Waits until the copy has every change the server logged so far.
    bool CaughtUp() const
    {
        dataset::Connection connection;
        connection.Connect(m_office.server.ConnectionParams());
        dataset::Query status;
        status.SetConnection(&connection);
        status.SQL() << QStringLiteral("SHOW MASTER STATUS");
        status.Open();
        const QString copy = dbserver::BinaryLogDirectory(m_office.dest, dbserver::BinaryLogId(m_office.server.DataDir()))
            + QLatin1Char('/') + status.Fields(0).AsString();
        const qint64 position = status.Fields(1).AsLargeInt();
        for (int i = 0; i < 200; ++i) {
            if (QFileInfo(copy).size() >= position)
                return true;
            QThread::msleep(50);
        }
        return false;
    }

private:
    const Office &m_office;
    QProcess m_process;
};

// The local time of the next whole second, once it has begun.
QDateTime NextSecond()
{
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    while (QDateTime::currentSecsSinceEpoch() == now)
        QThread::msleep(20);
    return QDateTime::fromSecsSinceEpoch(now + 1);
}

} // namespace

class TestBackup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        qputenv("TZ", "Europe/Belgrade");
        ::tzset();
    }

    // Two desks save while the backup runs and the follower is killed and started again:
    // the backup alone holds a first part of each desk's documents, each whole; the
    // backup with the copied log holds exactly the committed ones, none twice.
    void backupWhileSaving()
    {
        Office office;
        Follower follower(office);
        std::mutex lock;
        QList<QStringList> committed(2);
        std::atomic<bool> stop = false;
        std::atomic<int> failures = 0;
        auto desk = [&](int n) {
            try {
                dataset::Connection connection;
                connection.Connect(office.server.ConnectionParams(Database));
                for (int i = 1; !stop; ++i) {
                    const QString number = QStringLiteral("%1-%2").arg(n).arg(i);
                    SaveDocument(connection, number);
                    const std::lock_guard guard(lock);
                    committed[n].append(number);
                }
            } catch (const std::exception &error) {
                qWarning("%s", error.what());
                ++failures;
            }
        };
        std::thread first(desk, 0);
        std::thread second(desk, 1);
        QThread::msleep(300);
        follower.Kill();
        const dbserver::Backup backup = dbserver::TakeBackup(office.server, office.dest);
        follower.Start();
        QThread::msleep(300);
        follower.Kill();
        follower.Start();
        QThread::msleep(300);
        stop = true;
        first.join();
        second.join();
        QCOMPARE(failures.load(), 0);
        QVERIFY(follower.CaughtUp());
        follower.Kill();

        // The backup alone, from a copy of DEST without the log.
        const QString alone = office.temp.filePath(QStringLiteral("alone"));
        QVERIFY(QDir().mkpath(alone));
        QVERIFY(QDir().rename(backup.path, alone + QLatin1Char('/') + QFileInfo(backup.path).fileName()));
        const QString r1 = office.Restored(QStringLiteral("r1"));
        const dbserver::RestoreResult partial = dbserver::Restore(alone, r1, std::nullopt);
        QCOMPARE(partial.check.problems, QStringList());
        const QSet<QString> inBackup = Numbers(PrivateServer(r1));
        for (const QStringList &numbers : committed) {
            qsizetype held = 0;
            while (held < numbers.size() && inBackup.contains(numbers.at(held)))
                ++held;
            for (const QString &later : numbers.mid(held))
                QVERIFY2(!inBackup.contains(later), qPrintable(later));
        }
        QVERIFY(!inBackup.isEmpty());

        // With the log: exactly what was committed.
        QVERIFY(QDir().rename(alone + QLatin1Char('/') + QFileInfo(backup.path).fileName(), backup.path));
        const QString r2 = office.Restored(QStringLiteral("r2"));
        const dbserver::RestoreResult full = dbserver::Restore(office.dest, r2, std::nullopt);
        QCOMPARE(full.check.problems, QStringList());
        QVERIFY(full.logFiles >= 1);
        QSet<QString> all;
        for (const QStringList &numbers : committed)
            all.unite(QSet<QString>(numbers.cbegin(), numbers.cend()));
        const PrivateServer restored(r2);
        QCOMPARE(Numbers(restored), all);
        QCOMPARE(Column(restored, QStringLiteral("SELECT COUNT(*) FROM parkingdocumentitem")).value(0).toLongLong(),
                 3 * all.size());
        QVERIFY(all.size() > inBackup.size());
    }

    // A saved at t1, B at t2, A deleted at t3: a restore to a second between t2 and t3
    // holds both, one before t2 holds A alone, and one without a time holds B alone.
    void pointInTime()
    {
        Office office;
        Follower follower(office);
        QCOMPARE(Dbserver({QStringLiteral("backup"), office.server.DataDir(), QStringLiteral("--to"), office.dest}).code, 0);
        NextSecond();
        SaveDocument(office.server, QStringLiteral("A"));
        const QDateTime beforeB = NextSecond();
        SaveDocument(office.server, QStringLiteral("B"));
        const QDateTime beforeDelete = NextSecond();
        dataset::Connection connection;
        connection.Connect(office.server.ConnectionParams(Database));
        connection.Execute(QStringLiteral("DELETE FROM parkingdocument WHERE number = 'A'"));
        QVERIFY(follower.CaughtUp());
        follower.Kill();

        const QList<std::pair<QString, QSet<QString>>> cases = {
            {beforeB.toString(TimeFormat), {QStringLiteral("A")}},
            {beforeDelete.toString(TimeFormat), {QStringLiteral("A"), QStringLiteral("B")}},
            {QString(), {QStringLiteral("B")}},
        };
        int n = 0;
        for (const auto &[to, expected] : cases) {
            const QString dir = office.Restored(QStringLiteral("r%1").arg(++n));
            QStringList arguments = {QStringLiteral("restore"), office.dest, dir};
            if (!to.isEmpty())
                arguments << QStringLiteral("--to") << to;
            const Run run = Dbserver(arguments);
            QVERIFY2(run.code == 0, qPrintable(run.output));
            QCOMPARE(Numbers(PrivateServer(dir)), expected);
        }
        const Run list = Dbserver({QStringLiteral("restore"), office.dest, QStringLiteral("--list")});
        QCOMPARE(list.code, 0);
        QVERIFY2(list.output.contains(QStringLiteral("Vraćanje je moguće")), qPrintable(list.output));
    }

    // The copied log cut inside the last transaction (a follower killed mid-write, a disk
    // lost): the restore holds every whole transaction before it and nothing of that one.
    void logCutInsideTransaction()
    {
        Office office;
        Follower follower(office);
        dbserver::TakeBackup(office.server, office.dest);
        SaveDocument(office.server, QStringLiteral("A"));
        SaveDocument(office.server, QStringLiteral("B"));
        QVERIFY(follower.CaughtUp());
        follower.Kill();
        const QString logDir = dbserver::BinaryLogDirectory(office.dest, dbserver::BinaryLogId(office.server.DataDir()));
        QFile log(logDir + QLatin1Char('/') + dbserver::BinaryLogFiles(logDir).last());
        QVERIFY(log.resize(log.size() - 10));
        const QString dir = office.Restored(QStringLiteral("cut"));
        const dbserver::RestoreResult result = dbserver::Restore(office.dest, dir, std::nullopt);
        QVERIFY(!result.logNote.isEmpty());
        QCOMPARE(result.check.problems, QStringList());
        const PrivateServer restored(dir);
        QCOMPARE(Numbers(restored), QSet<QString>{QStringLiteral("A")});
        QCOMPARE(Column(restored, QStringLiteral("SELECT COUNT(*) FROM parkingdocumentitem")), QStringList{QStringLiteral("3")});
    }

    // A byte changed in a backup file: verify-backup names the file and fails; the
    // untouched backup passes.
    void verifyNamesChangedFile()
    {
        Office office;
        SaveDocument(office.server, QStringLiteral("1/26"));
        const dbserver::Backup backup = dbserver::TakeBackup(office.server, office.dest);
        const Run sound = Dbserver({QStringLiteral("verify-backup"), office.dest});
        QVERIFY2(sound.code == 0, qPrintable(sound.output));
        QVERIFY(sound.output.contains(QStringLiteral("1 dokumenata, 3 stavki")));

        QFile file(backup.DataPath() + QStringLiteral("/parking/parkingdocument.frm"));
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.seek(100);
        char byte = 0;
        QVERIFY(file.getChar(&byte));
        file.seek(100);
        QVERIFY(file.putChar(char(byte ^ 1)));
        file.close();
        const Run damaged = Dbserver({QStringLiteral("verify-backup"), office.dest});
        QVERIFY(damaged.code != 0);
        QVERIFY2(damaged.output.contains(QStringLiteral("parking/parkingdocument.frm (promenjena)")),
                 qPrintable(damaged.output));
    }

    // A restore goes into a new, empty folder only.
    void restoreRefusesFolderInUse()
    {
        Office office;
        dbserver::TakeBackup(office.server, office.dest);
        const QString full = office.temp.filePath(QStringLiteral("full"));
        QVERIFY(QDir().mkpath(full));
        QFile note(full + QStringLiteral("/note.txt"));
        QVERIFY(note.open(QIODevice::WriteOnly));
        note.close();
        for (const QString &dir : {office.server.DataDir(), full}) {
            const Run run = Dbserver({QStringLiteral("restore"), office.dest, dir});
            QVERIFY(run.code != 0);
            QVERIFY2(run.output.contains(QStringLiteral("server koji radi")) || run.output.contains(QStringLiteral("nije prazan")),
                     qPrintable(run.output));
        }
        QVERIFY(office.server.IsRunning());
        QVERIFY(QFileInfo::exists(full + QStringLiteral("/note.txt")));
        QCOMPARE(QDir(full).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 1);
    }

    // A backup folder on a disk too small: a clear message, and nothing left behind that
    // could pass for a backup. Needs a small file system of its own (tmpfs, as root).
    void fullDisk()
    {
        Office office;
        const QString small = office.temp.filePath(QStringLiteral("small"));
        QVERIFY(QDir().mkpath(small));
        if (QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                                        QStringLiteral("size=4m"), QStringLiteral("tmpfs"), small}) != 0)
            QSKIP("a small file system cannot be mounted here");
        struct Unmount {
            QString path;
            ~Unmount() { QProcess::execute(QStringLiteral("umount"), {path}); }
        } unmount{small};
        const QString dest = small + QStringLiteral("/backups");
        const Run run = Dbserver({QStringLiteral("backup"), office.server.DataDir(), QStringLiteral("--to"), dest});
        QCOMPARE(run.code, 1);
        QVERIFY2(run.output.contains(QStringLiteral("nema dovoljno mesta")), qPrintable(run.output));
        QCOMPARE(QDir(dest).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
        QVERIFY(office.server.IsRunning());
    }

    // Only a folder with its manifest counts as a backup: an unfinished one is invisible.
    void unfinishedBackupsAreNotListed()
    {
        Office office;
        const dbserver::Backup backup = dbserver::TakeBackup(office.server, office.dest);
        QVERIFY(QDir().mkpath(office.dest + QStringLiteral("/2030-01-01_00-00-00/data")));
        QVERIFY(QDir().mkpath(office.dest + QStringLiteral("/.nedovrseno-abcdef/data")));
        QVERIFY(QFile::copy(backup.path + QStringLiteral("/manifest.json"),
                            office.dest + QStringLiteral("/.nedovrseno-abcdef/manifest.json")));
        const QList<dbserver::Backup> listed = dbserver::ListBackups(office.dest);
        QCOMPARE(listed.size(), 1);
        QCOMPARE(listed.first().path, backup.path);
        QVERIFY(QDir(office.dest).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot).filter(QStringLiteral(".nedovrseno")).size() == 1);
    }

    // A backup every night at 02:00 for 40 days (across the end of summer time), the
    // retention applied after each: what is left is the newest of each of the last
    // days, weeks and months.
    void retentionOverFortyDays_data()
    {
        QTest::addColumn<QString>("keep");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("7,4,12") << QStringLiteral("7,4,12")
                                << QStringList{QStringLiteral("2026-10-31"), QStringLiteral("2026-11-01"),
                                               QStringLiteral("2026-11-08"), QStringLiteral("2026-11-12"),
                                               QStringLiteral("2026-11-13"), QStringLiteral("2026-11-14"),
                                               QStringLiteral("2026-11-15"), QStringLiteral("2026-11-16"),
                                               QStringLiteral("2026-11-17"), QStringLiteral("2026-11-18")};
        QTest::newRow("2,1,1") << QStringLiteral("2,1,1")
                               << QStringList{QStringLiteral("2026-11-17"), QStringLiteral("2026-11-18")};
        QTest::newRow("0,0,2") << QStringLiteral("0,0,2")
                               << QStringList{QStringLiteral("2026-10-31"), QStringLiteral("2026-11-18")};
        QTest::newRow("0,0,0 keeps the newest") << QStringLiteral("0,0,0") << QStringList{QStringLiteral("2026-11-18")};
    }

    void retentionOverFortyDays()
    {
        QFETCH(QString, keep);
        QFETCH(QStringList, expected);
        const auto policy = dbserver::RetentionPolicy::FromText(keep);
        QVERIFY(policy);
        QList<dbserver::BackupPoint> kept;
        const QDate first(2026, 10, 10);
        for (int day = 0; day < 40; ++day) {
            const QDate date = first.addDays(day);
            kept.append({QDateTime(date, QTime(2, 0)), QStringLiteral("log")});
            const QDateTime now(date, QTime(3, 0));
            QList<dbserver::BackupPoint> next;
            for (const qsizetype index : dbserver::BackupsToKeep(kept, now, *policy))
                next << kept.at(index);
            kept = next;
        }
        QStringList days;
        for (const dbserver::BackupPoint &backup : kept)
            days << backup.time.date().toString(Qt::ISODate);
        QCOMPARE(days, expected);
    }

    // A restore starts a new log: the last backup of the old one stays while its day is
    // kept, though a newer backup was taken the same day, and goes with its day.
    void retentionKeepsEachLogsBackup()
    {
        const QDate day(2026, 12, 8);
        const QList<dbserver::BackupPoint> backups = {{QDateTime(day, QTime(2, 0)), QStringLiteral("old")},
                                                      {QDateTime(day, QTime(9, 0)), QStringLiteral("old")},
                                                      {QDateTime(day, QTime(11, 0)), QStringLiteral("new")},
                                                      {QDateTime(day, QTime(12, 0)), QStringLiteral("new")}};
        const dbserver::RetentionPolicy policy{1, 0, 0};
        QCOMPARE(dbserver::BackupsToKeep(backups, QDateTime(day, QTime(13, 0)), policy), (QList<qsizetype>{1, 3}));
        QCOMPARE(dbserver::BackupsToKeep(backups, QDateTime(day.addDays(1), QTime(13, 0)), policy), (QList<qsizetype>{3}));
    }

    void retentionPolicyText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("default") << QStringLiteral("7,4,12") << true;
        QTest::newRow("blanks") << QStringLiteral(" 1, 2 ,3") << true;
        QTest::newRow("two") << QStringLiteral("7,4") << false;
        QTest::newRow("negative") << QStringLiteral("7,-1,12") << false;
        QTest::newRow("word") << QStringLiteral("sedam,4,12") << false;
    }

    void retentionPolicyText()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QCOMPARE(dbserver::RetentionPolicy::FromText(text).has_value(), valid);
    }
};

QTEST_GUILESS_MAIN(TestBackup)
#include "tst_Backup.moc"
