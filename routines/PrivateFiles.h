#pragma once

// Files and directories that belong to the current user alone. Failures return an
// empty or false result; the text of errno tells why (ErrorText()).

#include <QByteArray>
#include <QString>

// True when 'path' is a directory (not a symbolic link) owned by this user that no
// other user may list, enter or write (mode 0700 or stricter).
bool IsPrivateDirectory(const QString &path);

// Makes 'path' with missing parents and leaves it a directory of this user with mode
// 0700; false when it cannot, or when it is a symbolic link or another user's.
bool MakePrivateDirectory(const QString &path);

// A new directory with mode 0700 named 'prefix' plus six random characters
// (mkdtemp); empty on failure.
QString MakeUniquePrivateDirectory(const QString &prefix);

// Creates 'path' for writing with mode 0600: never an existing file and never through
// a symbolic link. Returns the descriptor, or -1.
int CreatePrivateFile(const QString &path);

// Creates 'path' as CreatePrivateFile does and writes 'bytes' into it; false on failure.
bool WritePrivateFile(const QString &path, const QByteArray &bytes);

// The content of a regular file (not followed through a symbolic link); empty when
// it is missing or unreadable.
QByteArray ReadPrivateFile(const QString &path);

// The text of the last error (errno), for messages.
QString ErrorText();
