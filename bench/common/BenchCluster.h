#pragma once

#include <dataset/Connection.h>

namespace bench {

// The administrator of the Galera cluster that scripts/cluster.sh runs in 'dir', on all
// its nodes (DIR/cluster.ini), over TCP without TLS.
dataset::ConnectionParams ClusterParams(const QString &dir);

} // namespace bench
