// parking-dbserver: starts, stops and inspects the private database server of a data
// directory, and creates a database with the schema in it.

#include "Connection.h"
#include "Error.h"
#include "PrivateServer.h"
#include "Schema.h"

#include <QCoreApplication>
#include <QTextStream>

#include <exception>

namespace {

constexpr int ExitError = 1;
constexpr int ExitUsage = 2;
constexpr int ExitNotRunning = 3;

int Usage()
{
    QTextStream(stderr) << "Upotreba:\n"
                           "  parking-dbserver start DIR\n"
                           "  parking-dbserver stop DIR\n"
                           "  parking-dbserver status DIR\n"
                           "  parking-dbserver createdb DIR IME_BAZE [--demo]\n";
    return ExitUsage;
}

int Run(const QStringList &arguments)
{
    if (arguments.size() < 3)
        return Usage();
    const QString command = arguments.at(1);
    dbserver::PrivateServer server(arguments.at(2));
    QTextStream out(stdout);

    if (command == QLatin1String("start") && arguments.size() == 3) {
        server.Start();
        out << (server.Reused() ? "Server već radi" : "Server je pokrenut") << " (pid "
            << server.ServerPid() << ", socket " << server.SocketPath() << ").\n";
        return 0;
    }
    if (command == QLatin1String("stop") && arguments.size() == 3) {
        const bool wasRunning = server.IsRunning();
        server.Stop();
        out << (wasRunning ? "Server je zaustavljen.\n" : "Server nije radio.\n");
        return 0;
    }
    if (command == QLatin1String("status") && arguments.size() == 3) {
        if (!server.IsRunning()) {
            out << "Server ne radi (" << server.DataDir() << ").\n";
            return ExitNotRunning;
        }
        out << "Server radi (pid " << server.ServerPid() << ", socket " << server.SocketPath() << ").\n";
        return 0;
    }
    if (command == QLatin1String("createdb")
        && (arguments.size() == 4
            || (arguments.size() == 5 && arguments.at(4) == QLatin1String("--demo")))) {
        if (!server.IsRunning()) {
            QTextStream(stderr) << "Server ne radi; pokrenite ga sa: parking-dbserver start "
                                << server.DataDir() << "\n";
            return ExitNotRunning;
        }
        dataset::Connection connection;
        connection.Connect(server.ConnectionParams());
        const QString name = arguments.at(3);
        const bool created = dbserver::CreateDatabase(connection, name, arguments.size() == 5);
        out << (created ? "Baza '" + name + "' je napravljena.\n" : "Baza '" + name + "' već postoji.\n");
        return 0;
    }
    return Usage();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    try {
        return Run(QCoreApplication::arguments());
    } catch (const std::exception &error) {
        QTextStream(stderr) << "parking-dbserver: " << QString::fromUtf8(error.what()) << "\n";
        return ExitError;
    }
}
