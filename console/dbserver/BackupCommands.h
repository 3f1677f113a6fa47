#pragma once

#include <QStringList>
#include <optional>

namespace dbserver {

// The backup commands of parking-dbserver (backup, restore, verify-backup, follow):
// 'arguments' start with the command. Returns the exit code, or nullopt when the
// command is none of them. Throws dataset::Error on failure.
std::optional<int> RunBackupCommand(const QStringList &arguments);

} // namespace dbserver
