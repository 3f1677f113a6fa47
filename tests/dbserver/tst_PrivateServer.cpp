// The private server on real data directories: start, reuse, stop, crash leftovers,
// two servers side by side, directories it must refuse, and the command-line front.

#include "../dataset/Scalar.h"
#include <console/dbserver/PasswordHash.h>
#include <console/dbserver/PrivateServer.h>
#include <console/dbserver/ServerAccounts.h>
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <routines/PrivateFiles.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

using dbserver::PrivateServer;

namespace {

// Stops the server of a directory when a test ends, however it ends.
struct StopAtEnd {
    PrivateServer &server;
    ~StopAtEnd()
    {
        try {
            server.Stop();
        } catch (const std::exception &error) {
            qWarning("%s", error.what());
        }
    }
};

bool IsSocket(const QString &path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISSOCK(info.st_mode);
}

// A statement through a fresh client connection; throws when the server does not answer.
void Execute(const PrivateServer &server, const QString &sql)
{
    dataset::Connection connection;
    connection.Connect(server.ConnectionParams());
    connection.Execute(sql);
}

bool DatabaseExists(const PrivateServer &server, const QString &name)
{
    try {
        dataset::Connection connection;
        connection.Connect(server.ConnectionParams(name));
        return true;
    } catch (const dataset::DatabaseError &) {
        return false;
    }
}

} // namespace

class TestPrivateServer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startReuseStop()
    {
        QTemporaryDir temp;
        const QString dir = temp.filePath(QStringLiteral("db"));
        PrivateServer server(dir);
        StopAtEnd stop{server};
        QVERIFY(!server.IsRunning());

        server.Start();
        QVERIFY(server.IsRunning());
        QVERIFY(!server.Reused());
        QVERIFY(IsSocket(dir + "/mysqld.sock"));
        const qint64 pid = server.ServerPid();
        QVERIFY(pid > 0);
        Execute(server, QStringLiteral("CREATE DATABASE kept"));

        // A second start, even from another object, reuses the running server.
        PrivateServer again(dir);
        again.Start();
        QVERIFY(again.Reused());
        QCOMPARE(again.ServerPid(), pid);

        server.Stop();
        QVERIFY(!server.IsRunning());
        QVERIFY(!again.IsRunning());
        QVERIFY(!QFileInfo::exists(dir + "/mysqld.pid"));
        QVERIFY(!QFileInfo::exists(dir + "/mysqld.sock"));
        server.Stop(); // stopping a stopped server is fine

        // Restart on the initialised directory keeps the data.
        server.Start();
        QVERIFY(!server.Reused());
        QVERIFY(DatabaseExists(server, QStringLiteral("kept")));
    }

    // A server killed outright leaves its pid file and socket behind.
    void crashLeftovers()
    {
        QTemporaryDir temp;
        PrivateServer server(temp.path());
        StopAtEnd stop{server};
        server.Start();
        const qint64 pid = server.ServerPid();
        QVERIFY(::kill(pid_t(pid), SIGKILL) == 0);
        QTRY_VERIFY_WITH_TIMEOUT(!server.IsRunning(), 10000);
        QVERIFY(QFileInfo::exists(temp.filePath("mysqld.pid")));
        QVERIFY(IsSocket(server.SocketPath()));

        server.Start();
        QVERIFY(!server.Reused());
        QVERIFY(server.ServerPid() != pid);
        Execute(server, QStringLiteral("SELECT 1"));
    }

    // A pid file naming a live process that is not our server is stale too.
    void pidFileOfAnotherProcess()
    {
        QTemporaryDir temp;
        PrivateServer server(temp.path());
        StopAtEnd stop{server};
        server.Start();
        server.Stop();
        QFile pidFile(temp.filePath("mysqld.pid"));
        QVERIFY(pidFile.open(QIODevice::WriteOnly));
        pidFile.write(QByteArray::number(QCoreApplication::applicationPid()));
        pidFile.close();
        QVERIFY(!server.IsRunning());
        server.Stop(); // must not signal this test process
        server.Start();
        QVERIFY(server.ServerPid() != QCoreApplication::applicationPid());
    }

    void twoServersSideBySide()
    {
        QTemporaryDir temp;
        PrivateServer first(temp.filePath(QStringLiteral("one")));
        PrivateServer second(temp.filePath(QStringLiteral("two")));
        StopAtEnd stopFirst{first};
        StopAtEnd stopSecond{second};
        first.Start();
        second.Start();
        QVERIFY(first.ServerPid() != second.ServerPid());
        QVERIFY(first.SocketPath() != second.SocketPath());

        Execute(first, QStringLiteral("CREATE DATABASE only_in_first"));
        QVERIFY(DatabaseExists(first, QStringLiteral("only_in_first")));
        QVERIFY(!DatabaseExists(second, QStringLiteral("only_in_first")));

        first.Stop();
        QVERIFY(second.IsRunning());
        Execute(second, QStringLiteral("SELECT 1"));
    }

    // A data directory whose path is too long for a Unix socket still works: the socket
    // goes to a fresh private directory, recorded in the data directory.
    void longDirectory()
    {
        QTemporaryDir temp;
        const QString dir = temp.filePath(QString(100, QLatin1Char('x')));
        PrivateServer server(dir);
        StopAtEnd stop{server};
        server.Start();
        QVERIFY(!server.SocketPath().startsWith(dir));
        QVERIFY(IsPrivateDirectory(QFileInfo(server.SocketPath()).path()));
        Execute(server, QStringLiteral("SELECT 1"));
        QFile note(dir + "/socket.path");
        QVERIFY(note.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLocal8Bit(note.readAll().trimmed()), server.SocketPath());
        QCOMPARE(note.permissions() & (QFile::ReadOther | QFile::ReadGroup), QFile::Permissions());
    }

    // What a set-up server looks like: private files, the administrator only through the
    // socket's credentials, the application account with rights on granted databases
    // only, and server-side files confined to one folder.
    void lockedDown()
    {
        QTemporaryDir temp;
        // Blanks in the path are fine, also when the set-up runs as root.
        const QString dir = temp.filePath(QStringLiteral("baza podataka"));
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(QFile::setPermissions(dir, QFile::Permissions(0x7755)));
        PrivateServer server(dir);
        StopAtEnd stop{server};
        server.Start();

        QVERIFY(IsPrivateDirectory(dir));
        const QFileInfo password(dir + "/app.password");
        QCOMPARE(int(password.permissions() & QFile::Permissions(0x0077)), 0);

        dataset::Connection admin;
        admin.Connect(server.ConnectionParams());
        QCOMPARE(Scalar(admin, QStringLiteral("SELECT @@secure_file_priv")), dir + "/server-files/");
        // A temporary folder of its own: a starting server empties its temporary folder.
        QCOMPARE(Scalar(admin, QStringLiteral("SELECT @@tmpdir")), dir + "/server-tmp");
        QCOMPARE(Scalar(admin, QStringLiteral("SELECT COUNT(*) FROM mysql.user WHERE user = '' OR host <> 'localhost'")),
                 QStringLiteral("0"));
        QCOMPARE(Scalar(admin, QStringLiteral("SELECT COUNT(*) FROM information_schema.schemata "
                                              "WHERE schema_name LIKE '%server%'")),
                 QStringLiteral("0"));
        admin.Execute(QStringLiteral("CREATE DATABASE granted_1"));
        admin.Execute(QStringLiteral("CREATE DATABASE grantedX1"));
        dbserver::GrantApplicationAccess(admin, QStringLiteral("granted_1"));

        dataset::Connection app;
        app.Connect(dbserver::ApplicationConnectionParams(dir, QStringLiteral("granted_1")));
        app.Execute(QStringLiteral("CREATE TABLE t (a INT)"));
        const QString grants = Scalar(app, QStringLiteral("SELECT GROUP_CONCAT(privilege_type) FROM "
                                                          "information_schema.user_privileges"));
        QVERIFY2(!grants.contains(QLatin1String("FILE")) && !grants.contains(QLatin1String("GRANT")),
                 qPrintable(grants));
        // "_" in the granted name matches itself only.
        QVERIFY_THROWS_EXCEPTION(dataset::DatabaseError, app.Execute(QStringLiteral("USE grantedX1")));
        QVERIFY_THROWS_EXCEPTION(dataset::DatabaseError,
                                 app.Execute(QStringLiteral("SELECT 1 INTO OUTFILE '/tmp/parking-outfile'")));

        // Without the password file's content nobody gets in, root without password neither.
        dataset::ConnectionParams guess = dbserver::ApplicationConnectionParams(dir, QString());
        guess.password = QStringLiteral("x");
        QVERIFY_THROWS_EXCEPTION(dataset::DatabaseError, dataset::Connection().Connect(guess));
        if (dbserver::AdministratorName() != QLatin1String("root")) {
            guess.user = QStringLiteral("root");
            guess.password.clear();
            QVERIFY_THROWS_EXCEPTION(dataset::DatabaseError, dataset::Connection().Connect(guess));
        }
    }

    // Another local account reaches neither the server's files nor its socket.
    void anotherAccountLockedOut()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to act as another account (runuser -u nobody)");
        QTemporaryDir temp;
        QVERIFY(QFile::setPermissions(temp.path(), QFile::Permissions(0x7755)));
        const QString dir = temp.filePath(QStringLiteral("db"));
        PrivateServer server(dir);
        StopAtEnd stop{server};
        server.Start();
        const dataset::ConnectionParams app = dbserver::ApplicationConnectionParams(dir, QString());
        auto asNobody = [](const QStringList &command) {
            QProcess process;
            process.start(QStringLiteral("runuser"), QStringList{"-u", "nobody", "--"} + command);
            process.waitForFinished(30000);
            return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        };
        QCOMPARE(asNobody({"true"}), 0);
        QVERIFY(asNobody({"ls", dir}) != 0);
        QVERIFY(asNobody({"cat", dir + "/app.password"}) != 0);
        QVERIFY(asNobody({"mariadb", "-S", app.socket, "-u", app.user, "--password=" + app.password, "-e", "SELECT 1"}) != 0);
        QVERIFY(asNobody({"mariadb", "-S", app.socket, "-u", "root", "-e", "SELECT 1"}) != 0);
    }

    // Directories that hold something other than a server's data are refused untouched.
    void refusesForeignDirectory_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::newRow("half-initialised: only ibdata1") << QStringList{"ibdata1"};
        QTest::newRow("half-initialised: system tables missing") << QStringList{"ibdata1", "mysql/db.frm"};
        QTest::newRow("someone else's files") << QStringList{"notes.txt"};
    }
    void refusesForeignDirectory()
    {
        QFETCH(QStringList, files);
        QTemporaryDir temp;
        for (const QString &name : files) {
            QDir(temp.path()).mkpath(QFileInfo(name).path());
            QFile file(temp.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("data");
        }
        PrivateServer server(temp.path());
        try {
            server.Start();
            server.Stop();
            QFAIL("Start accepted a directory that is not a server's");
        } catch (const dataset::Error &error) {
            QVERIFY2(error.message().contains(server.DataDir()), qPrintable(error.message()));
        }
        QVERIFY(!server.IsRunning());
        for (const QString &name : files)
            QVERIFY2(QFileInfo::exists(temp.filePath(name)), qPrintable(name));
    }

    void missingProgram_data()
    {
        QTest::addColumn<bool>("missingServer");
        QTest::newRow("mariadbd") << true;
        QTest::newRow("mariadb-install-db") << false;
    }
    void missingProgram()
    {
        QFETCH(bool, missingServer);
        QTemporaryDir temp;
        dbserver::ServerOptions options;
        (missingServer ? options.mariadbd : options.installDb) = temp.filePath(QStringLiteral("none/program"));
        PrivateServer server(temp.filePath(QStringLiteral("db")), options);
        try {
            server.Start();
            server.Stop();
            QFAIL("Start succeeded without the program");
        } catch (const dataset::Error &error) {
            QVERIFY2(error.message().contains(QLatin1String("mariadb-server-core")), qPrintable(error.message()));
        }
    }

    // A server that dies at once or never answers: the error names the log and quotes it.
    void startFailure_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("expected");
        QTest::newRow("dies") << "echo 'marker: unknown option' >&2; exit 1" << "nije pokrenuo";
        QTest::newRow("hangs") << "echo 'marker: waiting'; exec sleep 30" << "nije odgovorio";
    }
    void startFailure()
    {
        QFETCH(QString, script);
        QFETCH(QString, expected);
        QTemporaryDir temp;
        QFile fake(temp.filePath(QStringLiteral("mariadbd")));
        QVERIFY(fake.open(QIODevice::WriteOnly));
        fake.write("#!/bin/sh\n" + script.toUtf8() + "\n");
        fake.close();
        fake.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        dbserver::ServerOptions options;
        options.mariadbd = fake.fileName();
        options.startTimeout = std::chrono::seconds(2);
        PrivateServer server(temp.filePath(QStringLiteral("db")), options);
        try {
            server.Start();
            QFAIL("Start succeeded with a server that does not answer");
        } catch (const dataset::Error &error) {
            QVERIFY2(error.message().contains(expected), qPrintable(error.message()));
            QVERIFY2(error.message().contains(server.LogPath()), qPrintable(error.message()));
            QVERIFY2(error.message().contains(QLatin1String("marker:")), qPrintable(error.message()));
        }
        QVERIFY(!server.IsRunning());
    }

    void commandLine()
    {
        QTemporaryDir temp;
        const QString dir = temp.filePath(QStringLiteral("db"));
        auto run = [&](const QStringList &arguments) {
            QProcess process;
            process.start(QStringLiteral(PARKING_DBSERVER_EXE), arguments);
            process.waitForFinished(120000);
            return process.exitCode();
        };
        QCOMPARE(run({"status", dir}), 3);
        QCOMPARE(run({"start", dir}), 0);
        PrivateServer server(dir);
        StopAtEnd stop{server};
        QCOMPARE(run({"status", dir}), 0);
        QCOMPARE(run({"createdb", dir, "demo", "--demo"}), 0);
        QVERIFY(DatabaseExists(server, QStringLiteral("demo")));
        QCOMPARE(run({"createdb", dir, "demo"}), 0);
        QCOMPARE(run({"createdb", dir, "x", "--demo", "--admin-password-file", "f"}), 2);

        // Without demo data: one administrator, whose password comes from the file.
        QFile passwordFile(temp.filePath(QStringLiteral("admin-password")));
        QVERIFY(passwordFile.open(QIODevice::WriteOnly));
        passwordFile.write("Tajna-lozinka\n");
        passwordFile.close();
        QCOMPARE(run({"createdb", dir, "fresh", "--admin-password-file", passwordFile.fileName()}), 0);
        dataset::Connection app;
        app.Connect(dbserver::ApplicationConnectionParams(dir, QStringLiteral("fresh")));
        QCOMPARE(Scalar(app, QStringLiteral("SELECT GROUP_CONCAT(username) FROM user")), QStringLiteral("admin"));
        const QString hash = Scalar(app, QStringLiteral("SELECT passwordhash FROM user"));
        QVERIFY(dbserver::VerifyPassword(QStringLiteral("Tajna-lozinka"), hash.toUtf8()));
        QCOMPARE(run({"createdb", dir, "unset"}), 0);
        dataset::Connection admin;
        admin.Connect(server.ConnectionParams(QStringLiteral("unset")));
        QCOMPARE(Scalar(admin, QStringLiteral("SELECT CONCAT(username, '/', passwordhash) FROM user")), QStringLiteral("admin/"));
        QCOMPARE(run({"bogus", dir}), 2);
        QCOMPARE(run({"stop", dir}), 0);
        QCOMPARE(run({"status", dir}), 3);
        QCOMPARE(run({"createdb", dir, "demo"}), 3);
    }
};

QTEST_GUILESS_MAIN(TestPrivateServer)
#include "tst_PrivateServer.moc"
