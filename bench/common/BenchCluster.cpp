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

} // namespace bench
