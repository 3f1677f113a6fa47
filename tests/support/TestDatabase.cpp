#include "TestDatabase.h"

#include <console/dbserver/PrivateServer.h>
#include <console/dbserver/Schema.h>
#include <dataset/Error.h>
#include <dataset/MysqlHandles.h>

#include <QTest>
#include <QtGlobal>

#include <mariadb/mysql.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <memory>
#include <mutex>
#include <unistd.h>

namespace {

std::atomic<int> databaseCounter{0};

// t_<test function>_<pid>_<n>: unique per process and instance, within 64 characters,
// and only [a-z0-9_] so it needs no care anywhere.
QString UniqueName()
{
    const char *function = QTest::currentTestFunction();
    QString base = function ? QString::fromLatin1(function).toLower() : QStringLiteral("db");
    for (QChar &c : base) {
        if (!((c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('0') && c <= QLatin1Char('9'))))
            c = QLatin1Char('_');
    }
    return QStringLiteral("t_%1_%2_%3").arg(base.left(36)).arg(::getpid()).arg(++databaseCounter);
}

QString ServerDir()
{
    const QString dir = qEnvironmentVariable("PARKING_TEST_SERVER_DIR");
    if (dir.isEmpty())
        throw dataset::Error(QStringLiteral("PARKING_TEST_SERVER_DIR nije postavljen: pokrenite test kroz "
                                            "ctest (on pokreće server baze) ili postavite promenljivu na "
                                            "direktorijum servera pokrenutog sa 'parking-dbserver start DIR'."));
    return dir;
}

// Test databases whose process is gone (a crashed or killed test) are dropped, once per
// process, so they do not pile up in the test server.
void DropOrphans(dataset::Connection &connection)
{
    QStringList orphans;
    {
        MYSQL *handle = connection.Handle();
        if (mysql_query(handle, "SELECT schema_name FROM information_schema.schemata "
                                "WHERE schema_name LIKE 't\\_%'") != 0)
            throw dataset::DatabaseError(QStringLiteral("Spisak test baza nije pročitan."),
                                         QString::fromUtf8(mysql_error(handle)), mysql_errno(handle));
        const dataset::detail::ResultPtr result(mysql_store_result(handle));
        while (MYSQL_ROW row = result ? mysql_fetch_row(result.get()) : nullptr) {
            const QString name = QString::fromUtf8(row[0]);
            const QStringList parts = name.split(QLatin1Char('_'));
            bool ok = false;
            const qint64 pid = parts.size() >= 3 ? parts.at(parts.size() - 2).toLongLong(&ok) : 0;
            if (ok && pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
                orphans << name;
        }
    }
    for (const QString &name : orphans)
        dbserver::DropDatabase(connection, name);
}

} // namespace

struct TestDatabase::Private {
    dataset::Connection connection;
    QString name;
    dataset::ConnectionParams params;
};

TestDatabase::TestDatabase(bool withDemoData) : d(std::make_unique<Private>())
{
    try {
        const dbserver::PrivateServer server(ServerDir());
        d->name = UniqueName();
        d->params = server.ConnectionParams(d->name);
        d->connection.Connect(server.ConnectionParams());
        static std::once_flag orphansDropped;
        std::call_once(orphansDropped, [this] { DropOrphans(d->connection); });
        dbserver::CreateDatabase(d->connection, d->name, withDemoData);
        d->connection.Connect(d->params);
    } catch (const std::exception &error) {
        // QtTest reports an escaping exception without its text; say it here.
        qCritical("TestDatabase: %s", error.what());
        throw;
    }
}

TestDatabase::~TestDatabase()
{
    try {
        if (!d->connection.Connected() && !d->name.isEmpty()) {
            dataset::ConnectionParams server = d->params;
            server.database.clear();
            d->connection.Connect(server);
        }
        if (d->connection.Connected())
            dbserver::DropDatabase(d->connection, d->name);
    } catch (const std::exception &error) {
        qWarning("TestDatabase: baza %s nije obrisana: %s", qPrintable(d->name), error.what());
    }
}

dataset::Connection &TestDatabase::connection()
{
    return d->connection;
}

const QString &TestDatabase::name() const
{
    return d->name;
}

dataset::ConnectionParams TestDatabase::params() const
{
    return d->params;
}

void SeedNumberCounters(dataset::Connection &connection)
{
    for (const dbserver::Migration &migration : dbserver::Migrations()) {
        if (!migration.name.contains(QStringLiteral("numbering")))
            continue;
        for (const QString &statement : dbserver::SplitSqlScript(migration.script))
            connection.Execute(statement);
        return;
    }
    throw dataset::Error(QStringLiteral("Nema migracije brojača."));
}

void CountParkingDocument(dataset::Connection &connection)
{
    connection.Execute(QStringLiteral("INSERT INTO numbercounter (series, n) VALUES ('parkingdocument', 1) "
                                      "ON DUPLICATE KEY UPDATE n = n + 1"));
}
