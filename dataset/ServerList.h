#pragma once

#include <QList>
#include <QString>

namespace dataset {

struct ConnectionParams;

// One server of a list: a host name or address and its port (0: the default, 3306).
struct ServerAddress {
    QString host;
    unsigned port = 0;

    // "host:port", with 3306 for the default port; "localhost" is named as the Unix
    // socket it means.
    QString Text() const;
    friend bool operator==(const ServerAddress &, const ServerAddress &) = default;
};

// "h1:3306,h2:3306,h3" (blanks around entries ignored; "[::1]:3306" for an IPv6 address).
// Throws Error with a Serbian message naming the wrong entry; an empty text is an error.
QList<ServerAddress> ParseServerList(const QString &text);

// The servers a connection tries, in order: the list when one is given, else the single
// host and port as a one-entry list; empty for a Unix socket.
QList<ServerAddress> ServersOf(const ConnectionParams &params);

} // namespace dataset
