#include "TestDatabase.h"

#include "Error.h"
#include "PrivateServer.h"
#include "Schema.h"

#include <QTest>
#include <QtGlobal>

#include <atomic>
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
        if (!d->connection.Connected() && !d->name.isEmpty())
            d->connection.Connect(dataset::ConnectionParams{d->params.host, d->params.port,
                                                            d->params.socket, d->params.user,
                                                            d->params.password, QString()});
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
