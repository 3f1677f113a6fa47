#include "ServerList.h"

#include "Connection.h"
#include "Error.h"

namespace dataset {

namespace {

[[noreturn]] void Refuse(const QString &text, const QString &entry, const QString &why)
{
    throw Error(QStringLiteral("Spisak servera „%1“ nije ispravan: „%2“ %3 (očekuje se host:port, "
                               "odvojeno zarezima).")
                    .arg(text.left(80), entry.left(80), why));
}

} // namespace

QString ServerAddress::Text() const
{
    // The client library takes "localhost" for the server's default Unix socket, never TCP.
    if (host == QLatin1String("localhost"))
        return QStringLiteral("localhost (podrazumevani Unix soket servera, ne TCP)");
    const QString name = host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(host) : host;
    return QStringLiteral("%1:%2").arg(name, QString::number(port ? port : 3306));
}

QList<ServerAddress> ParseServerList(const QString &text)
{
    QList<ServerAddress> servers;
    const QStringList entries = text.split(QLatin1Char(','));
    for (const QString &raw : entries) {
        const QString entry = raw.trimmed();
        if (entry.isEmpty())
            Refuse(text, entry, QStringLiteral("je prazan unos"));
        ServerAddress server;
        QString portText;
        if (entry.startsWith(QLatin1Char('['))) {
            const qsizetype close = entry.indexOf(QLatin1Char(']'));
            if (close < 0)
                Refuse(text, entry, QStringLiteral("nema zatvorenu zagradu"));
            server.host = entry.mid(1, close - 1);
            const QString rest = entry.mid(close + 1);
            if (!rest.isEmpty() && !rest.startsWith(QLatin1Char(':')))
                Refuse(text, entry, QStringLiteral("ima višak iza zagrade"));
            portText = rest.mid(1);
            if (rest == QLatin1String(":"))
                Refuse(text, entry, QStringLiteral("nema port iza dvotačke"));
        } else {
            const qsizetype colon = entry.lastIndexOf(QLatin1Char(':'));
            if (colon >= 0 && entry.indexOf(QLatin1Char(':')) != colon)
                Refuse(text, entry, QStringLiteral("je IPv6 adresa bez uglastih zagrada"));
            server.host = colon < 0 ? entry : entry.left(colon);
            portText = colon < 0 ? QString() : entry.mid(colon + 1);
            if (colon >= 0 && portText.isEmpty())
                Refuse(text, entry, QStringLiteral("nema port iza dvotačke"));
        }
        if (server.host.trimmed().isEmpty() || server.host.contains(QLatin1Char(' ')))
            Refuse(text, entry, QStringLiteral("nema ispravno ime servera"));
        if (!portText.isEmpty()) {
            bool ok = false;
            const unsigned port = portText.toUInt(&ok);
            if (!ok || port == 0 || port > 65535)
                Refuse(text, entry, QStringLiteral("nema ispravan port (1–65535)"));
            server.port = port;
        }
        servers.append(server);
    }
    return servers;
}

QList<ServerAddress> ServersOf(const ConnectionParams &params)
{
    if (!params.hosts.isEmpty())
        return params.hosts;
    if (params.host.isEmpty())
        return {};
    return {ServerAddress{params.host, params.port}};
}

} // namespace dataset
