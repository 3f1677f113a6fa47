#pragma once

// What a server's parking databases hold, and whether a restored copy is sound;
// internal to the dbserver library.

#include "Backup.h"

namespace dataset {
class Connection;
}

namespace dbserver::detail {

// Every database with a schema on the administrator's connection: its version, the
// number of parking documents and the number of the one stored last.
QList<BackupDatabase> ReadDatabaseStats(dataset::Connection &administrator);

struct DatabaseCheck {
    QStringList summary;   // what the copy holds, a line per database
    QStringList problems;  // what is wrong with it; empty when sound
    QStringList warnings;  // worth a look, not wrong in itself
};

// The checks after a restore: schema version, counts, every parking document's items
// against its stored total, and the numbering counter ahead of the stored numbers.
DatabaseCheck CheckDatabases(dataset::Connection &administrator);

} // namespace dbserver::detail
