#pragma once

#include <console/dbserver/PasswordHash.h>
#include <framework/Interfaces.h>

#include <QByteArray>
#include <QString>
#include <chrono>
#include <functional>

namespace dataset { class Connection; }

namespace console {

using dbserver::DerivePasswordHash;
using dbserver::HashPassword;
using dbserver::MinimumPasswordLength;
using dbserver::VerifyPassword;
// Wrong passwords for one name before each further try has to wait.
inline constexpr int FreeLoginAttempts = 5;

struct LoginResult {
    enum class Status {
        Accepted,       // name and password match; 'user' is set
        Rejected,       // wrong name or password (the two are not told apart)
        PasswordNotSet, // the user exists but has no password yet; 'user' is set
        TooEarly,       // too many wrong passwords: try again after 'wait'
    };
    Status status = Status::Rejected;
    TUserDesc user;
    std::chrono::seconds wait{0};
};

// Checks log-ins against the `user` table through the database's procedures, which alone
// may change `user` and `loginfailure`: the desk reads the stored hash's parameters, derives
// the hash of the typed password and the server compares it, so the hashes never leave the
// server. Names match exactly (case and trailing blanks count); an unknown name costs the
// same key derivation as a known one, so the answer's timing does not tell whether a name
// exists. After FreeLoginAttempts wrong passwords for a name, each try must wait longer
// than the one before; the server counts the wrong tries (`loginfailure`, timed by its
// clock) and refuses a try made too early, so starting the console again or using another
// computer does not reset them.
class Authenticator {
public:
    using Derive = std::function<QByteArray(const QString &password, const QByteArray &settings)>;

    explicit Authenticator(dataset::Connection &connection, Derive derive = &DerivePasswordHash);

    LoginResult LogIn(const QString &userName, const QString &password);

    // Stores a new password for the user: 'current' must be the present one (ignored
    // when none is set yet; a wrong one counts as a wrong log-in), 'repeated' must equal
    // 'newPassword', which must have at least MinimumPasswordLength characters. Throws
    // dataset::Error telling what is wrong.
    void ChangePassword(int userId, const QString &current, const QString &newPassword,
                        const QString &repeated);

private:
    dataset::Connection &m_connection;
    Derive m_derive;
};

} // namespace console
