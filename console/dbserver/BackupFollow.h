#pragma once

#include <QString>

namespace dbserver {

class PrivateServer;

// Copies the server's binary log into DEST as the server writes it, until this process
// is stopped; waits while the server is stopped and reconnects when it
// runs again. A restart copies the last file
// again from its start, so no change is missing or doubled.
[[noreturn]] void FollowBinaryLog(PrivateServer &server, const QString &dest);

} // namespace dbserver
