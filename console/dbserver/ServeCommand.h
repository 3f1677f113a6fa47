#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace dbserver {

// `parking-dbserver serve DIR --listen ADDR[:PORT]`: the office's shared server on this
// machine in one command. In DIR:
//   tls/      the authority and the server's certificate for the names given
//   data/     the server's data folder, with served.cnf (listening address, TLS required)
//   admin.password   the network administrator parking_admin@'%' (TLS only, every right)
//   import.pw        the import account's password
//   desk/     what every desk needs: ca.pem, desks.pw and parking-console.ini
// Run again it changes nothing (a new name for the certificate makes a new one and
// restarts the server).
struct ServeOptions {
    QString dir;
    QString listenHost;
    unsigned port = 3306;
    QStringList names;      // --name: further names the desks reach the server by
    QString caFile, certificateFile, keyFile; // --ssl-ca, --ssl-cert, --ssl-key: given ones
    QString database = QStringLiteral("parking");
    QString adminPasswordFile; // the console user admin's; empty: set at the first log-in
    bool systemd = false;      // install and enable a systemd unit that starts the server
};

// The arguments after `serve`; nothing when they are not usable. Throws dataset::Error
// for a wrong --listen.
std::optional<ServeOptions> ParseServeOptions(const QStringList &arguments);

// Does it all; the lines say what was done and what each desk needs. Throws dataset::Error.
QStringList Serve(const ServeOptions &options);

} // namespace dbserver
