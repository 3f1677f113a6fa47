#pragma once

// The server's client tools (mariadb-backup, mariadb-binlog, mariadb-dump, mariadb) run as child
// processes with argument lists; internal to the dbserver library.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace dataset {
class Error;
}

namespace dbserver::detail {

// Rethrows a failed copy into DEST as the message the user gets: a full disk said so.
[[noreturn]] void ThrowCopyFailed(const QString &dest, const dataset::Error &error);

// A path for a message: escaped, since a folder's name may hold anything.
QString ShownPath(const QString &path);

// The path of one of the server's client tools; throws naming its Debian package.
QString BackupProgram();
QString BinlogProgram();
QString ClientProgram();
QString DumpProgram();

// Runs 'program' to its end and returns what it wrote (both channels). A tool that
// cannot start or ends with an error throws: 'what' and the last lines it wrote.
// With 'input', the tool reads that file.
QByteArray RunTool(const QString &program, const QStringList &arguments, const QString &what,
                   const QString &input = {});

// Feeds the statements 'binlog' prints from the binary-log files into the client
// 'client' (mariadb-binlog … | mariadb …, without a shell). Returns the log reader's
// complaint when it stopped at a damaged or unfinished end; the client's error throws.
QString ReplayBinaryLog(const QStringList &binlogArguments, const QStringList &clientArguments);

} // namespace dbserver::detail
