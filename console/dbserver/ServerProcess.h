#pragma once

// Process helpers of the private server (POSIX); internal to the dbserver library.

#include <QString>
#include <QStringList>
#include <chrono>

namespace dbserver::detail {

// The path of a program: 'configured' when given (it must be executable), else 'name'
// from PATH or the usual sbin folders. Throws dataset::Error naming the Debian package.
QString FindProgram(const QString &configured, const QString &name, const QString &package);

// The pid a server wrote into its pid file; 0 when the file is missing or unreadable.
qint64 ReadPidFile(const QString &path);

// True while the process exists and is not a zombie.
bool IsProcessAlive(qint64 pid);

// True when pid is a live mariadbd serving dataDir (guards against recycled pids).
bool IsServerFor(qint64 pid, const QString &dataDir);

// Starts program in a session of its own, detached from this process (it is not our
// child), stdin from /dev/null, stdout and stderr appended to logPath. Returns its pid.
qint64 SpawnDetached(const QString &program, const QStringList &arguments, const QString &logPath);

// Waits until the process is gone; false on timeout.
bool WaitForExit(qint64 pid, std::chrono::milliseconds timeout);

// Removes path when it is a Unix socket (and nothing else).
void RemoveSocketFile(const QString &path);

// Whether a server answers on the socket (to the administrator, or with a refusal).
bool Ping(const QString &socketPath);
// Sends SHUTDOWN over the socket; false when no connection could be made.
bool SendShutdown(const QString &socketPath);

// The last lines of a text file, for error messages.
QString TailOfFile(const QString &path, int lines);

} // namespace dbserver::detail
