#pragma once

#include "Interfaces.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace dataset { class Connection; }

namespace console {

// True when 'password' matches the stored crypto_pwhash_str text 'hash'.
// An empty or malformed hash never matches.
bool VerifyPassword(const QString &password, const QByteArray &hash);

// A crypto_pwhash_str text for 'password' (interactive limits).
QByteArray HashPassword(const QString &password);

// The user with that user name and password, or nothing when either is wrong.
std::optional<TUserDesc> Authenticate(dataset::Connection &connection, const QString &userName,
                                      const QString &password);

} // namespace console
