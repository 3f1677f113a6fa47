#include "ServerAccounts.h"

#include "PrivateServer.h"
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <routines/PrivateFiles.h>

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QVariantMap>

#include <mariadb/mysqld_error.h>

#include <pwd.h>
#include <unistd.h>

namespace dbserver {

namespace {

const QString Localhost = QStringLiteral("localhost");

QString Account(const QString &user, const QString &host = Localhost)
{
    return dataset::Connection::Quote(user) + QLatin1Char('@') + dataset::Connection::Quote(host);
}

bool IsAccessDenied(unsigned code)
{
    return code == ER_ACCESS_DENIED_ERROR || code == ER_ACCESS_DENIED_NO_PASSWORD_ERROR;
}

// Rows of a query as text, for the few administrative lookups below.
QList<QStringList> Rows(dataset::Connection &connection, const QString &sql, int columns,
                        const QVariantMap &params = {})
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SetSQL({sql});
    for (auto it = params.cbegin(); it != params.cend(); ++it)
        query.SetParam(it.key(), it.value());
    query.Open();
    QList<QStringList> rows;
    for (query.First(); !query.Eof(); query.Next()) {
        QStringList row;
        for (int i = 0; i < columns; ++i)
            row << query.Fields(i).AsString();
        rows << row;
    }
    return rows;
}

// A server prepared before accounts were locked down let root in without a password:
// give the administrator socket credentials and take root's password-less access away.
void ConvertPasswordlessRoot(const QString &socketPath, const dataset::DatabaseError &refusal)
{
    dataset::Connection root;
    dataset::ConnectionParams params = AdministratorParams(socketPath);
    params.user = QStringLiteral("root");
    try {
        root.Connect(params);
    } catch (const dataset::DatabaseError &) {
        throw dataset::DatabaseError(
            QStringLiteral("Server baze na %1 ne prima administratora %2 (prijava preko socketa).")
                .arg(socketPath, AdministratorName()),
            refusal.serverMessage(), refusal.serverCode());
    }
    const QString name = AdministratorName();
    if (name != QLatin1String("root")) {
        root.Execute(QStringLiteral("CREATE USER IF NOT EXISTS %1 IDENTIFIED VIA unix_socket").arg(Account(name)));
        root.Execute(QStringLiteral("GRANT ALL PRIVILEGES ON *.* TO %1 WITH GRANT OPTION").arg(Account(name)));
    }
    root.Execute(QStringLiteral("ALTER USER %1 IDENTIFIED VIA unix_socket").arg(Account(QStringLiteral("root"))));
}

// Anonymous accounts and accounts for other hosts serve nobody on a socket-only server.
void DropLooseAccounts(dataset::Connection &administrator, NetworkAccounts network)
{
    const auto loose = Rows(administrator,
                            network == NetworkAccounts::Drop
                                ? QStringLiteral("SELECT user, host FROM mysql.user WHERE user = '' OR host <> 'localhost'")
                                : QStringLiteral("SELECT user, host FROM mysql.user WHERE user = ''"),
                            2);
    for (const QStringList &row : loose)
        administrator.Execute(QStringLiteral("DROP USER IF EXISTS %1").arg(Account(row.at(0), row.at(1))));
}

// Database 'name' in a database-level grant, where _ and % are wildcards: escaped, the
// grant covers this name only.
QString DatabaseGrantName(const QString &name)
{
    QString literal = name;
    literal.replace(QLatin1Char('_'), QStringLiteral("\\_")).replace(QLatin1Char('%'), QStringLiteral("\\%"));
    return dataset::Connection::QuoteIdentifier(literal);
}

// The tables whose rows the desks change: all but the users', the log-in failures', the
// version and the copies an import makes and keeps (their names end in _prev, or _n, _o
// or _u and a number).
QStringList DeskTables(dataset::Connection &administrator, const QString &name)
{
    static const QRegularExpression excluded(
        QStringLiteral("^(user|loginfailure|schemaversion)$|_(prev|[nou][0-9][0-9a-fx]*)$"));
    QStringList tables;
    for (const QStringList &row : Rows(administrator,
                                       QStringLiteral("SELECT table_name FROM information_schema.tables "
                                                      "WHERE table_schema = :name AND table_type = 'BASE TABLE'"),
                                       1, {{QStringLiteral("name"), name}})) {
        if (!excluded.match(row.at(0)).hasMatch())
            tables << row.at(0);
    }
    return tables;
}

// The desks' rights table by table ('account' quoted).
void GrantDeskTables(dataset::Connection &administrator, const QString &name, const QString &account)
{
    const auto table = [&name](const QString &table) {
        return dataset::Connection::QuoteIdentifier(name) + QLatin1Char('.')
            + dataset::Connection::QuoteIdentifier(table);
    };
    for (const QString &data : DeskTables(administrator, name))
        administrator.Execute(
            QStringLiteral("GRANT %1 ON %2 TO %3").arg(QLatin1String(DeskTableRights), table(data), account));
    administrator.Execute(
        QStringLiteral("GRANT SELECT ON %1 TO %2").arg(table(QStringLiteral("schemaversion")), account));
    // The names of the users, never their password hashes.
    administrator.Execute(QStringLiteral("GRANT SELECT (userid, username, firstname, lastname) ON %1 TO %2")
                              .arg(table(QStringLiteral("user")), account));
}

QString NewPassword()
{
    QString password;
    for (int i = 0; i < 4; ++i)
        password += QString::number(QRandomGenerator::system()->generate64(), 36);
    return password;
}

void EnsureApplicationAccount(dataset::Connection &administrator, const QString &dataDir)
{
    const QString path = dataDir + QLatin1Char('/') + QLatin1String(ApplicationPasswordFile);
    QString password = QString::fromUtf8(ReadPrivateFile(path).trimmed());
    const bool fresh = password.isEmpty();
    if (fresh) {
        password = NewPassword();
        QFile::remove(path);
        if (!WritePrivateFile(path, password.toUtf8() + '\n'))
            throw dataset::Error(QStringLiteral("Lozinka naloga baze nije zapisana u %1: %2").arg(path, ErrorText()));
    }
    const QString account = Account(QLatin1String(ApplicationUser));
    const QString identified = QStringLiteral("IDENTIFIED BY ") + dataset::Connection::Quote(password);
    const auto existing =
        Rows(administrator, QStringLiteral("SELECT COUNT(*) FROM mysql.user WHERE user = :user AND host = 'localhost'"),
             1, {{QStringLiteral("user"), QLatin1String(ApplicationUser)}});
    if (existing.value(0).value(0) == QLatin1String("0"))
        administrator.Execute(QStringLiteral("CREATE USER %1 %2").arg(account, identified));
    else if (fresh)
        administrator.Execute(QStringLiteral("ALTER USER %1 %2").arg(account, identified));
}

} // namespace

QString AdministratorName()
{
    const passwd *entry = ::getpwuid(::geteuid());
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QStringLiteral("root");
}

dataset::ConnectionParams AdministratorParams(const QString &socketPath, const QString &database)
{
    dataset::ConnectionParams params;
    params.socket = socketPath;
    params.user = AdministratorName();
    params.database = database;
    return params;
}

void SecureAccounts(const QString &dataDir, const QString &socketPath, NetworkAccounts network)
{
    dataset::Connection administrator;
    try {
        administrator.Connect(AdministratorParams(socketPath));
    } catch (const dataset::DatabaseError &error) {
        if (!IsAccessDenied(error.serverCode()))
            throw;
        ConvertPasswordlessRoot(socketPath, error);
        administrator.Connect(AdministratorParams(socketPath));
    }
    DropLooseAccounts(administrator, network);
    EnsureApplicationAccount(administrator, dataDir);
}

void GrantApplicationAccess(dataset::Connection &administrator, const QString &name)
{
    administrator.Execute(
        QStringLiteral("GRANT %1 ON %2.* TO %3")
            .arg(QLatin1String(ApplicationRights), DatabaseGrantName(name), Account(QLatin1String(ApplicationUser))));
}

void GrantSharedAccess(dataset::Connection &administrator, const QString &name, const QString &user,
                       const QString &host, SharedAccount kind)
{
    const QString account = Account(user, host);
    const QString database = DatabaseGrantName(name);
    // What the account held on the whole database before (the one account of earlier
    // versions could drop it) is taken away; the procedures stay callable.
    administrator.Execute(QStringLiteral("GRANT EXECUTE ON %1.* TO %2").arg(database, account));
    administrator.Execute(QStringLiteral("REVOKE ALL PRIVILEGES ON %1.* FROM %2").arg(database, account));
    administrator.Execute(
        QStringLiteral("GRANT %1EXECUTE ON %2.* TO %3")
            .arg(kind == SharedAccount::Import ? QLatin1String(ImportDatabaseRights) + QStringLiteral(", ") : QString(),
                 database, account));
    GrantDeskTables(administrator, name, account);
}

int RefreshSharedAccess(dataset::Connection &administrator, const QString &name)
{
    const auto accounts = Rows(administrator,
                               QStringLiteral("SELECT DISTINCT user, host FROM mysql.tables_priv "
                                              "WHERE db = :name AND table_name = 'schemaversion'"),
                               2, {{QStringLiteral("name"), name}});
    for (const QStringList &row : accounts)
        GrantDeskTables(administrator, name, Account(row.at(0), row.at(1)));
    // An account of an earlier version, with its rights on the whole database, still logs
    // in through the procedures until createdb narrows it.
    QString literal = DatabaseGrantName(name);
    literal = literal.mid(1, literal.size() - 2).replace(QStringLiteral("``"), QStringLiteral("`"));
    const auto older = Rows(administrator,
                            QStringLiteral("SELECT user, host FROM mysql.db WHERE db = :name AND select_priv = 'Y' "
                                           "AND execute_priv = 'N'"),
                            2, {{QStringLiteral("name"), literal}});
    for (const QStringList &row : older)
        administrator.Execute(
            QStringLiteral("GRANT EXECUTE ON %1.* TO %2").arg(DatabaseGrantName(name), Account(row.at(0), row.at(1))));
    return int(accounts.size() + older.size());
}

QStringList AnonymousAccounts(dataset::Connection &administrator)
{
    QStringList accounts;
    for (const QStringList &row : Rows(administrator, QStringLiteral("SELECT host FROM mysql.user WHERE user = ''"), 1))
        accounts << Account(QStringLiteral(""), row.at(0));
    return accounts;
}

bool AccountExists(dataset::Connection &administrator, const QString &user, const QString &host)
{
    const auto existing =
        Rows(administrator, QStringLiteral("SELECT COUNT(*) FROM mysql.user WHERE user = :user AND host = :host"), 1,
             {{QStringLiteral("user"), user}, {QStringLiteral("host"), host}});
    return existing.value(0).value(0) != QLatin1String("0");
}

bool ServerOffersTls(dataset::Connection &administrator)
{
    return Rows(administrator, QStringLiteral("SELECT @@have_ssl"), 1).value(0).value(0) == QLatin1String("YES");
}

bool RequireTls(dataset::Connection &administrator, const QString &user, const QString &host)
{
    const auto required = Rows(administrator,
                               QStringLiteral("SELECT JSON_VALUE(priv, '$.ssl_type') FROM mysql.global_priv "
                                              "WHERE user = :user AND host = :host"),
                               1, {{QStringLiteral("user"), user}, {QStringLiteral("host"), host}});
    // ssl_type 1 is REQUIRE SSL; 2 and 3 (a certificate or its subject) are stricter still.
    if (required.value(0).value(0).toInt() >= 1)
        return false;
    administrator.Execute(QStringLiteral("ALTER USER %1 REQUIRE SSL").arg(Account(user, host)));
    return true;
}

bool CreateApplicationAccount(dataset::Connection &administrator, const QString &user, const QString &host,
                              bool requireTls, const QString &passwordFile)
{
    if (AccountExists(administrator, user, host))
        return false;
    if (passwordFile.isEmpty())
        throw dataset::Error(QStringLiteral("Nalog %1@%2 ne postoji; navedite --app-password-out DATOTEKA "
                                            "u koju se upisuje njegova nova lozinka.")
                                 .arg(user, host));
    const QString password = NewPassword();
    if (!WritePrivateFile(passwordFile, password.toUtf8() + '\n'))
        throw dataset::Error(QStringLiteral("Lozinka naloga nije zapisana u %1 (datoteka ne sme već postojati): %2")
                                 .arg(passwordFile, ErrorText()));
    administrator.Execute(QStringLiteral("CREATE USER %1 IDENTIFIED BY %2%3")
                              .arg(Account(user, host), dataset::Connection::Quote(password),
                                   requireTls ? QStringLiteral(" REQUIRE SSL") : QString()));
    return true;
}

dataset::ConnectionParams ApplicationConnectionParams(const QString &dataDir, const QString &database)
{
    const PrivateServer server(dataDir);
    const QString socket = server.SocketPath();
    if (socket.isEmpty())
        throw dataset::Error(QStringLiteral("Privatni server baze u %1 nema socket (nije pokrenut).").arg(server.DataDir()));
    const QString path = server.DataDir() + QLatin1Char('/') + QLatin1String(ApplicationPasswordFile);
    const QString password = QString::fromUtf8(ReadPrivateFile(path).trimmed());
    if (password.isEmpty())
        throw dataset::Error(QStringLiteral("Lozinka naloga baze nije pročitana iz %1; pokrenite server sa "
                                            "'parking-dbserver start %2'.")
                                 .arg(path, server.DataDir()));
    dataset::ConnectionParams params;
    params.socket = socket;
    params.user = QLatin1String(ApplicationUser);
    params.password = password;
    params.database = database;
    return params;
}

} // namespace dbserver
