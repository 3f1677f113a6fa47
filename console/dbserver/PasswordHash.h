#pragma once

#include <QByteArray>
#include <QString>

namespace dbserver {

// Shortest password accepted when one is set or changed.
inline constexpr int MinimumPasswordLength = 8;

// True when 'password' matches the stored crypto_pwhash_str text 'hash'.
// An empty or malformed hash never matches.
bool VerifyPassword(const QString &password, const QByteArray &hash);

// A crypto_pwhash_str text for 'password' (interactive limits).
QByteArray HashPassword(const QString &password);

// A valid hash with the same limits as HashPassword's, matching no password anyone types:
// checking against it costs what checking a real user's password costs.
const QByteArray &DecoyPasswordHash();

} // namespace dbserver
