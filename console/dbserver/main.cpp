// parking-dbserver: starts, stops and inspects the private database server of a data
// directory, and creates or upgrades a database with the schema in it, on the private
// server or on any server named by its address.

#include "BackupCommands.h"
#include "PasswordHash.h"
#include "PrivateServer.h"
#include "Schema.h"
#include "ServerAccounts.h"
#include "ServeCommand.h"
#include "SharedDatabase.h"
#include <dataset/Connection.h>
#include <dataset/Error.h>

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <optional>

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
                           "  parking-dbserver createdb DIR IME_BAZE [--demo | --admin-password-file DATOTEKA]\n"
                           "  parking-dbserver upgrade DIR IME_BAZE\n"
                           "  parking-dbserver createdb SERVER [--app-user NALOG] [--app-host HOST]\n"
                           "                   [--import-user NALOG] [--import-password-out DATOTEKA]\n"
                           "                   [--app-password-out DATOTEKA] [--admin-password-file DATOTEKA] IME_BAZE\n"
                           "  parking-dbserver upgrade SERVER IME_BAZE\n"
                           "  parking-dbserver serve DIR --listen ADRESA[:PORT] [--name IME]... [--systemd]\n"
                           "                   [--ssl-ca F --ssl-cert F --ssl-key F] [--database IME_BAZE]\n"
                           "                   [--admin-password-file DATOTEKA]\n"
                           "SERVER: (--host H [--port P] | --hosts H1:P1,H2:P2,… | --socket S)\n"
                           "        --server-user NALOG\n"
                           "        [--server-password-file DATOTEKA] [--ssl required|preferred|off] [--ssl-ca DATOTEKA]\n"
                           "        [--ssl-verify on|off]\n";
    return ExitUsage;
}

// The administrator's password hash for a new database without demo data: from the
// file's first line, or empty (the password is then set at the first log-in).
QByteArray AdministratorHash(const QString &passwordFile)
{
    if (passwordFile.isEmpty())
        return {};
    QFile file(passwordFile);
    if (!file.open(QIODevice::ReadOnly))
        throw dataset::Error(QStringLiteral("Datoteka sa lozinkom %1 ne može da se pročita: %2")
                                 .arg(passwordFile, file.errorString()));
    const QString password = QString::fromUtf8(file.readLine()).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
    if (password.size() < dbserver::MinimumPasswordLength)
        throw dataset::Error(QStringLiteral("Lozinka administratora mora imati najmanje %1 znakova.")
                                 .arg(dbserver::MinimumPasswordLength));
    return dbserver::HashPassword(password);
}

int CreateDatabase(const dbserver::PrivateServer &server, const QStringList &options)
{
    const QString name = options.at(0);
    bool demo = false;
    QString passwordFile;
    for (qsizetype i = 1; i < options.size(); ++i) {
        if (options.at(i) == QLatin1String("--demo") && passwordFile.isEmpty())
            demo = true;
        else if (options.at(i) == QLatin1String("--admin-password-file") && !demo && i + 1 < options.size())
            passwordFile = options.at(++i);
        else
            return Usage();
    }
    if (!server.IsRunning()) {
        QTextStream(stderr) << "Server ne radi; pokrenite ga sa: parking-dbserver start "
                            << server.DataDir() << "\n";
        return ExitNotRunning;
    }
    const std::optional<QByteArray> administrator =
        demo ? std::nullopt : std::optional<QByteArray>(AdministratorHash(passwordFile));
    dataset::Connection connection;
    connection.Connect(server.ConnectionParams());
    const bool created = dbserver::CreateDatabase(connection, name, demo, administrator);
    dbserver::GrantApplicationAccess(connection, name);
    QTextStream out(stdout);
    out << (created ? "Baza '" + name + "' je napravljena.\n" : "Baza '" + name + "' već postoji.\n");
    if (created && !demo && passwordFile.isEmpty())
        out << "Korisnik admin postavlja svoju lozinku pri prvoj prijavi.\n";
    return 0;
}

int OnSharedServer(const QString &command, const QStringList &arguments)
{
    const auto options = dbserver::ParseSharedServerOptions(arguments);
    if (!options)
        return Usage();
    QTextStream out(stdout);
    if (command == QLatin1String("createdb")) {
        for (const QString &line : dbserver::CreateSharedDatabase(*options))
            out << line << "\n";
        return 0;
    }
    dataset::Connection administrator;
    administrator.Connect(options->server);
    out << dbserver::UpgradeDatabase(administrator, options->database) << "\n";
    return 0;
}

int Upgrade(const dbserver::PrivateServer &server, const QStringList &options)
{
    if (options.size() != 1)
        return Usage();
    if (!server.IsRunning()) {
        QTextStream(stderr) << "Server ne radi; pokrenite ga sa: parking-dbserver start " << server.DataDir() << "\n";
        return ExitNotRunning;
    }
    dataset::Connection administrator;
    administrator.Connect(server.ConnectionParams());
    QTextStream(stdout) << dbserver::UpgradeDatabase(administrator, options.at(0)) << "\n";
    return 0;
}

int Run(const QStringList &arguments)
{
    if (const auto code = dbserver::RunBackupCommand(arguments.mid(1)))
        return *code;
    if (arguments.size() < 3)
        return Usage();
    const QString command = arguments.at(1);
    const bool databaseCommand = command == QLatin1String("createdb") || command == QLatin1String("upgrade");
    if (databaseCommand && dbserver::NamesSharedServer(arguments.mid(2)))
        return OnSharedServer(command, arguments.mid(2));
    QTextStream out(stdout);
    if (command == QLatin1String("serve")) {
        const auto options = dbserver::ParseServeOptions(arguments.mid(2));
        if (!options)
            return Usage();
        for (const QString &line : dbserver::Serve(*options))
            out << line << "\n";
        return 0;
    }
    dbserver::PrivateServer server(arguments.at(2));

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
    if (command == QLatin1String("createdb") && arguments.size() >= 4)
        return CreateDatabase(server, arguments.mid(3));
    if (command == QLatin1String("upgrade"))
        return Upgrade(server, arguments.mid(3));
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
