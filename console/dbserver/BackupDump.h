#pragma once

// Logical backups of a database on a shared server (or a cluster node), where the
// server's files cannot be copied: mariadb-dump in one consistent transaction, with the
// server's binary-log position when it keeps one. Restored into a new private server.

#include "Backup.h"

#include <dataset/Connection.h>

namespace dbserver {

class PrivateServer;

inline constexpr char DumpKind[] = "dump";
inline constexpr char DumpFileName[] = "dump.sql";

// Dumps 'database' into a new backup in DEST. Throws dataset::Error and leaves nothing
// that looks complete when it fails.
Backup TakeDump(const dataset::ConnectionParams &server, const QString &database, const QString &dest);

// Loads the backup's dump into the running private server and gives the application
// account its rights on the database.
void LoadDump(const Backup &backup, const PrivateServer &server);

} // namespace dbserver
