#pragma once

// Restoring a backup of DEST, with the binary log copied beside it, into a new data
// directory; and checking the newest backup in a scratch folder.

#include "Backup.h"
#include "BackupStats.h"

#include <optional>

namespace dbserver {

struct RestoreResult {
    Backup from;
    int logFiles = 0;          // binary-log files replayed over it
    QString logNote;           // why the log was not replayed to its end, when so
    detail::DatabaseCheck check;
    QString socketPath;        // of the restored server, left running
};

// Builds 'newDir' from the newest backup taken before 'to' (the newest of all without
// it) and the logged changes up to 'to' (all of them without it), starts its server,
// checks it and leaves it running. Refuses a folder a running server uses or any
// non-empty folder, and a backup whose files no longer match its manifest.
RestoreResult Restore(const QString &dest, const QString &newDir, const std::optional<QDateTime> &to);

// Restores the newest backup into a scratch folder, checks it and removes it again.
RestoreResult VerifyNewestBackup(const QString &dest);

// The span a restore can reach: from the oldest backup to the last logged change.
QString CoveredSpan(const QString &dest);

} // namespace dbserver
