#pragma once

#include <dataset/Connection.h>

#include <QString>

namespace dbserver {

// The account the console and the tools use on a private server: every right on the
// databases it was granted, nothing global (no FILE, no GRANT).
inline constexpr char ApplicationUser[] = "parking_app";
// The account of parking-import on a shared server, beside the desks' ApplicationUser.
inline constexpr char ImportUser[] = "parking_import";
// Its generated password, in a file of the data directory readable by the owner only.
inline constexpr char ApplicationPasswordFile[] = "app.password";

// The server's administrator: the operating-system user running this process, admitted
// through the socket's peer credentials (no password exists that could leak).
QString AdministratorName();
dataset::ConnectionParams AdministratorParams(const QString &socketPath, const QString &database = {});

// Brings the accounts of a running private server to their safe state: an administrator
// only by socket credentials (a server made before that, whose root had no password, is
// converted), no anonymous or network accounts, and the application account with its
// password file. Throws dataset::Error when the server cannot be administered.
// A served server (ServedOptionsFile) keeps its network accounts; anonymous ones go.
enum class NetworkAccounts { Drop, Keep };
void SecureAccounts(const QString &dataDir, const QString &socketPath, NetworkAccounts network = NetworkAccounts::Drop);

// The rights the console and the imports need on their database, and nothing more:
// the data, the imports' copy tables that replace a table in one step, and the log-in's
// procedures. The private server's one local account has them.
inline constexpr char ApplicationRights[] = "SELECT, INSERT, UPDATE, DELETE, CREATE, DROP, ALTER, EXECUTE";

// Lets the private server's application account use database 'name' with
// ApplicationRights (over an administrator connection).
void GrantApplicationAccess(dataset::Connection &administrator, const QString &name);

// The two accounts of a shared server. The pay desks' account changes the data table by
// table and nothing else: it reads `user` without the password hashes, writes `user` and
// `loginfailure` only through the log-in's procedures, reads `schemaversion` and creates,
// alters or drops nothing. The import account has the desks' rights and, on the whole
// database, what loading fresh copies of tables and swapping them in needs (their names
// carry a random part, which a table's grant cannot name).
enum class SharedAccount { Desk, Import };
inline constexpr char DeskTableRights[] = "SELECT, INSERT, UPDATE, DELETE";
inline constexpr char ImportDatabaseRights[] = "SELECT, INSERT, UPDATE, DELETE, CREATE, DROP, ALTER";

// Gives 'user'@'host' the rights of 'kind' on database 'name' (the current tables).
void GrantSharedAccess(dataset::Connection &administrator, const QString &name, const QString &user,
                       const QString &host, SharedAccount kind);

// After an upgrade: every account with the desks' table rights on database 'name' gets
// them on the tables the migrations added. Returns how many accounts were brought up.
int RefreshSharedAccess(dataset::Connection &administrator, const QString &name);

// The anonymous accounts of the server ("''@'localhost'"): the server admits a
// connection from their host as the anonymous user, so a named account fails there (1045).
QStringList AnonymousAccounts(dataset::Connection &administrator);

bool AccountExists(dataset::Connection &administrator, const QString &user, const QString &host);

// True when the server has TLS set up (a certificate and key it could load).
bool ServerOffersTls(dataset::Connection &administrator);
// Makes existing account 'user'@'host' TLS-only; false when it was so already.
bool RequireTls(dataset::Connection &administrator, const QString &user, const QString &host);

// Creates account 'user'@'host' with a generated password, which is first written to the
// new file 'passwordFile' (mode 0600) so that it can never be lost; with 'requireTls' the
// server admits the account over TLS only. Nothing happens when the account exists:
// false, and its password stays what it was.
bool CreateApplicationAccount(dataset::Connection &administrator, const QString &user, const QString &host,
                              bool requireTls, const QString &passwordFile);

// How the console and the tools reach database 'database' on the private server of
// 'dataDir': its socket, the application account and the password from its file.
// Throws dataset::Error when the server has no socket or the password cannot be read.
dataset::ConnectionParams ApplicationConnectionParams(const QString &dataDir, const QString &database);

} // namespace dbserver
