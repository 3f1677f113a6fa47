#include "SharedDatabase.h"

#include "PasswordHash.h"
#include "Schema.h"
#include "ServerAccounts.h"
#include <dataset/Error.h>

#include <QFile>

namespace dbserver {

namespace {

QString FirstLine(const QString &path, const QString &what)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw dataset::Error(QStringLiteral("Datoteka sa lozinkom %1 (%2) ne može da se pročita: %3")
                                 .arg(path, what, file.errorString()));
    return QString::fromUtf8(file.readLine()).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
}

// Makes account 'user'@'host' with its password in 'passwordFile' unless it exists; the
// line says which. With 'requireTls' the account is admitted over TLS only, also one
// made before without that.
bool MakeAccount(dataset::Connection &administrator, const QString &user, const QString &host, bool requireTls,
                 const QString &passwordFile, QStringList &lines)
{
    const QString account = user + QLatin1Char('@') + host;
    const bool created = CreateApplicationAccount(administrator, user, host, requireTls, passwordFile);
    if (created) {
        lines << QStringLiteral("Nalog %1 je napravljen%2; lozinka je u datoteci %3.")
                     .arg(account, requireTls ? QStringLiteral(" (samo preko TLS)") : QString(), passwordFile);
        return true;
    }
    if (requireTls && RequireTls(administrator, user, host)) {
        lines << QStringLiteral("Nalog %1 od sada radi samo preko TLS; lozinka nije promenjena.").arg(account);
        return true;
    }
    lines << QStringLiteral("Nalog %1 već postoji; lozinka nije promenjena.").arg(account);
    return false;
}

} // namespace

bool NamesSharedServer(const QStringList &arguments)
{
    return !arguments.isEmpty() && arguments.first().startsWith(QLatin1String("--"));
}

std::optional<SharedServerOptions> ParseSharedServerOptions(const QStringList &arguments)
{
    SharedServerOptions options;
    options.appUser = QLatin1String(ApplicationUser);
    options.importUser = QLatin1String(ImportUser);
    QString serverPasswordFile;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &option = arguments.at(i);
        if (!option.startsWith(QLatin1String("--"))) {
            if (!options.database.isEmpty())
                return std::nullopt;
            options.database = option;
            continue;
        }
        if (i + 1 >= arguments.size())
            return std::nullopt;
        const QString value = arguments.at(++i);
        if (option == QLatin1String("--host"))
            options.server.host = value;
        else if (option == QLatin1String("--hosts"))
            options.server.hosts = dataset::ParseServerList(value); // a wrong list is told as such
        else if (option == QLatin1String("--port")) {
            bool ok = false;
            options.server.port = value.toUInt(&ok);
            if (!ok || options.server.port == 0 || options.server.port > 65535)
                return std::nullopt;
        } else if (option == QLatin1String("--socket"))
            options.server.socket = value;
        else if (option == QLatin1String("--server-user"))
            options.server.user = value;
        else if (option == QLatin1String("--server-password-file"))
            serverPasswordFile = value;
        else if (option == QLatin1String("--ssl")) {
            const auto mode = dataset::TlsModeFromText(value);
            if (!mode)
                return std::nullopt;
            options.server.tls = *mode;
        } else if (option == QLatin1String("--ssl-verify")) {
            const auto verify = dataset::SwitchFromText(value);
            if (!verify)
                return std::nullopt;
            options.server.tlsVerify = *verify;
        } else if (option == QLatin1String("--ssl-ca"))
            options.server.tlsCaFile = value;
        else if (option == QLatin1String("--app-user"))
            options.appUser = value;
        else if (option == QLatin1String("--app-host"))
            options.appHost = value;
        else if (option == QLatin1String("--app-password-out"))
            options.appPasswordOut = value;
        else if (option == QLatin1String("--import-user"))
            options.importUser = value;
        else if (option == QLatin1String("--import-password-out"))
            options.importPasswordOut = value;
        else if (option == QLatin1String("--admin-password-file"))
            options.adminPasswordFile = value;
        else
            return std::nullopt;
    }
    const int servers = int(!options.server.host.isEmpty()) + int(!options.server.hosts.isEmpty())
        + int(!options.server.socket.isEmpty());
    if (options.database.isEmpty() || options.server.user.isEmpty() || options.appUser.isEmpty()
        || options.importUser.isEmpty() || options.importUser == options.appUser || servers != 1)
        return std::nullopt;
    // The desks come over the network, whichever way this command reached the server.
    if (options.appHost.isEmpty())
        options.appHost = QStringLiteral("%");
    if (!serverPasswordFile.isEmpty())
        options.server.password = FirstLine(serverPasswordFile, QStringLiteral("administrator servera"));
    return options;
}

QStringList CreateSharedDatabase(const SharedServerOptions &options)
{
    // Read before anything changes: a wrong file leaves the server untouched.
    std::optional<QByteArray> administratorHash = QByteArray();
    if (!options.adminPasswordFile.isEmpty()) {
        const QString password = FirstLine(options.adminPasswordFile, QStringLiteral("korisnik admin"));
        if (password.size() < MinimumPasswordLength)
            throw dataset::Error(QStringLiteral("Lozinka korisnika admin mora imati najmanje %1 znakova.")
                                     .arg(MinimumPasswordLength));
        administratorHash = HashPassword(password);
    }
    dataset::Connection administrator;
    administrator.Connect(options.server);
    QStringList lines;
    const QString &name = options.database;
    const SchemaChange change = PrepareDatabase(administrator, name, false, administratorHash, false);
    switch (change) {
    case SchemaChange::Created:
        lines << QStringLiteral("Baza '%1' je napravljena (verzija %2).").arg(name).arg(SchemaVersion);
        if (options.adminPasswordFile.isEmpty())
            lines << QStringLiteral("Korisnik admin postavlja svoju lozinku pri prvoj prijavi.");
        break;
    case SchemaChange::Upgraded:
    case SchemaChange::Unchanged:
        lines << QStringLiteral("Baza '%1' već postoji (verzija %2).").arg(name).arg(SchemaVersion);
        break;
    }
    // A server that offers TLS admits the desks over TLS only; an account for the local
    // socket ('localhost') cannot use TLS.
    const bool requireTls = ServerOffersTls(administrator) && options.appHost != QLatin1String("localhost");
    const bool desk =
        MakeAccount(administrator, options.appUser, options.appHost, requireTls, options.appPasswordOut, lines);
    GrantSharedAccess(administrator, name, options.appUser, options.appHost, SharedAccount::Desk);
    lines << QStringLiteral("Prava naloga kasa na bazi: %1 na tabelama podataka, bez menjanja tabela user i "
                            "loginfailure osim kroz procedure prijave.")
                 .arg(QLatin1String(DeskTableRights));
    bool import = false;
    if (AccountExists(administrator, options.importUser, options.appHost) || !options.importPasswordOut.isEmpty()) {
        import = MakeAccount(administrator, options.importUser, options.appHost, requireTls, options.importPasswordOut,
                             lines);
        GrantSharedAccess(administrator, name, options.importUser, options.appHost, SharedAccount::Import);
        lines << QStringLiteral("Prava naloga za uvoz na celoj bazi: %1.").arg(QLatin1String(ImportDatabaseRights));
    } else {
        lines << QStringLiteral("Nalog za uvoz %1@%2 nije napravljen; navedite --import-password-out DATOTEKA.")
                     .arg(options.importUser, options.appHost);
    }
    for (const QString &anonymous : AnonymousAccounts(administrator))
        lines << QStringLiteral("Upozorenje: anonimni nalog %1 preuzima prijave sa svog računara, pa se nalozi kasa "
                                "odatle ne mogu prijaviti (greška 1045); uklonite ga sa: DROP USER %1;")
                     .arg(anonymous);
    if (change == SchemaChange::Unchanged && !desk && !import)
        lines << QStringLiteral("Sve je već bilo na mestu; ništa nije promenjeno.");
    return lines;
}

QString UpgradeDatabase(dataset::Connection &administrator, const QString &name)
{
    try {
        administrator.Execute(QStringLiteral("USE %1").arg(dataset::Connection::QuoteIdentifier(name)));
    } catch (const dataset::DatabaseError &error) {
        throw dataset::DatabaseError(QStringLiteral("Baza '%1' nije dostupna.").arg(name), error.serverMessage(),
                                     error.serverCode());
    }
    const int before = InstalledSchemaVersion(administrator);
    const int applied = UpgradeSchema(administrator);
    RefreshSharedAccess(administrator, name);
    if (applied == 0)
        return QStringLiteral("Baza '%1' je već verzije %2; ništa nije promenjeno.").arg(name).arg(SchemaVersion);
    return QStringLiteral("Baza '%1' je prevedena sa verzije %2 na verziju %3.").arg(name).arg(before).arg(SchemaVersion);
}

} // namespace dbserver
