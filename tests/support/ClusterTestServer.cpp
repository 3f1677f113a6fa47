#include "ClusterTestServer.h"

#include <console/dbserver/Schema.h>
#include <dataset/Error.h>
#include <dataset/Query.h>

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>

#include <unistd.h>

namespace {

QString Required(const char *name)
{
    const QString value = qEnvironmentVariable(name);
    if (value.isEmpty())
        throw dataset::Error(QStringLiteral("%1 nije postavljen (testovi klastera rade uz fixture 'cluster').")
                                 .arg(QLatin1String(name)));
    return value;
}

} // namespace

ClusterTestServer::ClusterTestServer()
    : m_dir(Required("PARKING_CLUSTER_DIR"))
    , m_script(Required("PARKING_CLUSTER_SCRIPT"))
{
    QSettings ini(m_dir + QStringLiteral("/cluster.ini"), QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("cluster"));
    m_nodes = dataset::ParseServerList(ini.value(QStringLiteral("hosts")).toStringList().join(QLatin1Char(',')));
    m_user = ini.value(QStringLiteral("user")).toString();
    m_passwordFile = ini.value(QStringLiteral("password-file")).toString();
    m_caFile = ini.value(QStringLiteral("ca")).toString();
    if (m_nodes.size() != 3 || m_user.isEmpty())
        throw dataset::Error(QStringLiteral("%1/cluster.ini ne opisuje tri čvora.").arg(m_dir));
}

dataset::ServerAddress ClusterTestServer::Node(int node) const
{
    return m_nodes.at(node - 1);
}

QList<dataset::ServerAddress> ClusterTestServer::NodesFrom(int first) const
{
    QList<dataset::ServerAddress> nodes;
    for (int i = 0; i < m_nodes.size(); ++i)
        nodes << m_nodes.at((first - 1 + i) % m_nodes.size());
    return nodes;
}

dataset::ConnectionParams ClusterTestServer::Params(const QList<int> &nodes, const QString &database) const
{
    dataset::ConnectionParams params;
    for (const int node : nodes)
        params.hosts << Node(node);
    params.user = m_user;
    QFile file(m_passwordFile);
    if (!file.open(QIODevice::ReadOnly))
        throw dataset::Error(QStringLiteral("%1 ne može da se pročita.").arg(m_passwordFile));
    params.password = QString::fromUtf8(file.readLine()).trimmed();
    params.database = database;
    params.tls = m_caFile.isEmpty() ? dataset::TlsMode::Off : dataset::TlsMode::Required;
    params.tlsCaFile = m_caFile;
    params.timeout = 10;
    return params;
}

QStringList ClusterTestServer::ImportOptions(const QList<int> &nodes, const QString &database) const
{
    QStringList hosts;
    for (const int node : nodes)
        hosts << Node(node).Text();
    return QStringList{QStringLiteral("--hosts"),         hosts.join(QLatin1Char(',')),
                       QStringLiteral("--user"),          m_user,
                       QStringLiteral("--password-file"), m_passwordFile,
                       QStringLiteral("--database"),      database}
        + (m_caFile.isEmpty() ? QStringList{QStringLiteral("--ssl"), QStringLiteral("off")}
                              : QStringList{QStringLiteral("--ssl-ca"), m_caFile});
}

void ClusterTestServer::RunScript(const QStringList &arguments, int seconds) const
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(m_script, arguments);
    if (!process.waitForFinished(seconds * 1000)) {
        process.kill();
        process.waitForFinished();
        throw dataset::Error(
            QStringLiteral("cluster.sh %1 nije završen za %2 s.").arg(arguments.join(' ')).arg(seconds));
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        throw dataset::Error(
            QStringLiteral("cluster.sh %1: %2").arg(arguments.join(' '), QString::fromUtf8(process.readAll())));
}

void ClusterTestServer::Kill(int node) const
{
    RunScript({QStringLiteral("kill"), m_dir, QString::number(node)}, 30);
}

void ClusterTestServer::Restore() const
{
    RunScript({QStringLiteral("start"), m_dir}, 280);
}

ClusterDatabase::ClusterDatabase(const ClusterTestServer &cluster, bool withDemoData)
    : m_cluster(cluster)
{
    m_name = QStringLiteral("c_%1_%2").arg(::getpid()).arg(QRandomGenerator::global()->bounded(1u << 30));
    dataset::Connection administrator;
    administrator.Connect(cluster.Params({1, 2, 3}));
    dbserver::CreateDatabase(administrator, m_name, withDemoData);
}

ClusterDatabase::~ClusterDatabase()
{
    try {
        dataset::Connection administrator;
        administrator.Connect(m_cluster.Params({1, 2, 3}));
        dbserver::DropDatabase(administrator, m_name);
    } catch (const std::exception &error) {
        qWarning("ClusterDatabase: %s", error.what());
    }
}

QString ClusterDatabase::Scalar(int node, const QString &sql) const
{
    dataset::Connection connection;
    connection.Connect(Params({node}));
    dataset::Query query;
    query.SetConnection(&connection);
    query.SetSQL({sql});
    query.Open();
    return query.IsEmpty() ? QString() : query.Fields(0).AsString();
}
