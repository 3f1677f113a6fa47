#include "BenchCluster.h"

#include <dataset/Error.h>

#include <QFile>
#include <QSettings>

namespace bench {

dataset::ConnectionParams ClusterParams(const QString &dir)
{
    const QSettings ini(dir + QStringLiteral("/cluster.ini"), QSettings::IniFormat);
    dataset::ConnectionParams params;
    params.hosts =
        dataset::ParseServerList(ini.value(QStringLiteral("cluster/hosts")).toStringList().join(QLatin1Char(',')));
    params.user = ini.value(QStringLiteral("cluster/user")).toString();
    QFile password(ini.value(QStringLiteral("cluster/password-file")).toString());
    if (!password.open(QIODevice::ReadOnly))
        throw dataset::Error(QStringLiteral("Lozinka klastera se ne može pročitati iz %1.").arg(password.fileName()));
    params.password = QString::fromUtf8(password.readLine()).trimmed();
    params.tls = dataset::TlsMode::Off;
    return params;
}

QString ClusterSocket(const QString &dir, int node)
{
    const QSettings ini(dir + QStringLiteral("/cluster.ini"), QSettings::IniFormat);
    const QString socket = ini.value(QStringLiteral("cluster/socket%1").arg(node)).toString();
    if (socket.isEmpty())
        throw dataset::Error(QStringLiteral("U %1/cluster.ini nema utičnice čvora %2.").arg(dir).arg(node));
    return socket;
}

} // namespace bench
