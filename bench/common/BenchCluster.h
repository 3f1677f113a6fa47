#pragma once

#include <dataset/Connection.h>

namespace bench {

// The administrator of the Galera cluster that scripts/cluster.sh runs in 'dir', on all
// its nodes (DIR/cluster.ini), over TCP without TLS.
dataset::ConnectionParams ClusterParams(const QString &dir);

// The local socket of node 'node' (1 to 3) of that cluster, where root is let in by its
// operating-system account.
QString ClusterSocket(const QString &dir, int node = 1);

} // namespace bench
