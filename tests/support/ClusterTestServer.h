#pragma once

#include <dataset/Connection.h>

#include <QString>
#include <QStringList>

// The three-node Galera cluster of the CTest fixture 'cluster' (scripts/cluster.sh, its
// directory in PARKING_CLUSTER_DIR, the script in PARKING_CLUSTER_SCRIPT). Nodes are
// numbered 1 to 3; every account is the fixture's administrator over TCP, with TLS
// verified against the cluster's CA (CaFile) unless the cluster was made without TLS.
// Tests of the fixture run one at a time (RESOURCE_LOCK cluster), so one may kill a node;
// Restore() brings the cluster back to three synced nodes.
class ClusterTestServer {
public:
    ClusterTestServer();

    dataset::ServerAddress Node(int node) const;
    // The list of all three nodes, starting with 'first' and going round.
    QList<dataset::ServerAddress> NodesFrom(int first) const;
    // The administrator on the database 'database' through the nodes 'nodes', in order.
    dataset::ConnectionParams Params(const QList<int> &nodes, const QString &database = {}) const;
    // parking-import's options for the same.
    QStringList ImportOptions(const QList<int> &nodes, const QString &database) const;
    const QString &PasswordFile() const { return m_passwordFile; }
    // The cluster's CA; empty for a cluster without TLS (PARKING_CLUSTER_TLS=off).
    const QString &CaFile() const { return m_caFile; }

    // Kills node 'node' at once (SIGKILL) and waits until its process is gone.
    void Kill(int node) const;
    // Starts every node that is not running and waits until all three are synced.
    void Restore() const;

private:
    void RunScript(const QStringList &arguments, int seconds) const;

    QString m_dir;
    QString m_script;
    QList<dataset::ServerAddress> m_nodes;
    QString m_user;
    QString m_passwordFile;
    QString m_caFile;
};

// A database of its own on the cluster with the schema (and, when asked, the demo data),
// dropped on destruction.
class ClusterDatabase {
public:
    explicit ClusterDatabase(const ClusterTestServer &cluster, bool withDemoData = false);
    ~ClusterDatabase();
    ClusterDatabase(const ClusterDatabase &) = delete;
    ClusterDatabase &operator=(const ClusterDatabase &) = delete;

    const QString &Name() const { return m_name; }
    // A new connection to the database through the nodes 'nodes', in order.
    dataset::ConnectionParams Params(const QList<int> &nodes) const { return m_cluster.Params(nodes, m_name); }
    // The first column of the first row of 'sql', read through node 'node'.
    QString Scalar(int node, const QString &sql) const;

private:
    const ClusterTestServer &m_cluster;
    QString m_name;
};
