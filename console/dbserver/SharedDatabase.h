#pragma once

#include <dataset/Connection.h>

#include <QString>
#include <QStringList>
#include <optional>

namespace dbserver {

// How `createdb` and `upgrade` reach a database server that is not the private one:
// the database administrator's connection, the database, and for `createdb` the
// application account the pay desks use and the console's first user.
struct SharedServerOptions {
    dataset::ConnectionParams server;   // the administrator's account; no database
    QString database;
    QString appUser;                    // the desks' account
    QString appHost;                    // where the desks connect from ('%': anywhere)
    QString appPasswordOut;             // the new account's password goes here (0600)
    QString importUser;                 // the account of parking-import (same host as the desks')
    QString importPasswordOut;          // its new password goes here (0600); empty: not made
    QString adminPasswordFile;          // the console user admin's password; empty: set at first log-in
};

// Parses what follows `createdb` or `upgrade`: --host H [--port P], --hosts H1:P1,… or --socket S,
// --server-user U [--server-password-file F], --ssl required|preferred|off, --ssl-ca F,
// --ssl-verify on|off (as the console's settings: preferred and verified by default),
// --app-user U, --app-host H, --app-password-out F, --import-user U, --import-password-out F,
// --admin-password-file F, and the
// database's name. Nothing when the options are not usable; throws dataset::Error when
// a named file cannot be read or the list of --hosts is wrong.
std::optional<SharedServerOptions> ParseSharedServerOptions(const QStringList &arguments);

// True when the arguments name a server rather than a private data folder.
bool NamesSharedServer(const QStringList &arguments);

// Creates the database with its schema, the desks' account, the import account (when its
// password file is named or it exists) with their rights and the console user admin, or
// finds them in place; the lines say what was done, warn of anonymous accounts, and say
// that nothing changed when everything was there. The log-in's procedures run with the
// rights of the administrator who runs this. Throws dataset::Error.
QStringList CreateSharedDatabase(const SharedServerOptions &options);

// Brings database 'name' to the program's schema version over an administrator's
// connection, and the desks' and import accounts' table rights to the tables it added;
// the line says from which version, or that it was current.
QString UpgradeDatabase(dataset::Connection &administrator, const QString &name);

} // namespace dbserver
