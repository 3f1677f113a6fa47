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

// A stored hash's parameters: its text up to and with the last '$' (kind, version, limits
// and salt), all a desk is told of it before it logs in.
QByteArray HashSettings(const QByteArray &hash);

// The hash 'password' has under 'settings' (HashSettings of a stored hash), to be compared
// with the stored one by the server. Empty when the settings are malformed. One full key
// derivation, as VerifyPassword costs.
QByteArray DerivePasswordHash(const QString &password, const QByteArray &settings);

// A valid hash with the same limits as HashPassword's, matching no password anyone types:
// checking against it costs what checking a real user's password costs.
const QByteArray &DecoyPasswordHash();

} // namespace dbserver
