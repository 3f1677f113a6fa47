#pragma once

#include <dataset/Connection.h>

#include <QString>

namespace dbserver {

// The account the console and the tools use on a private server: every right on the
// databases it was granted, nothing global (no FILE, no GRANT).
inline constexpr char ApplicationUser[] = "parking_app";
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
void SecureAccounts(const QString &dataDir, const QString &socketPath);

// The rights the console and the imports need on their database, and nothing more:
// the data, and the imports' copy tables that replace a table in one step.
inline constexpr char ApplicationRights[] = "SELECT, INSERT, UPDATE, DELETE, CREATE, DROP, ALTER";

// Lets the application account (of the private server, or 'user'@'host') use database
// 'name' with ApplicationRights (over an administrator connection).
void GrantApplicationAccess(dataset::Connection &administrator, const QString &name);
void GrantApplicationAccess(dataset::Connection &administrator, const QString &name, const QString &user,
                            const QString &host);

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
