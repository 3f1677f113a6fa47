#pragma once

#include <console/dbserver/PasswordHash.h>
#include <framework/Interfaces.h>

#include <QByteArray>
#include <QHash>
#include <QString>
#include <chrono>
#include <functional>

namespace dataset { class Connection; }

namespace console {

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

// Checks log-ins against the `user` table. Names match exactly (case and trailing
// blanks count); an unknown name costs the same key derivation as a known one, so the
// answer's timing does not tell whether a name exists. After FreeLoginAttempts wrong
// passwords for a name, each try must wait longer than the one before.
class Authenticator {
public:
    using Verify = std::function<bool(const QString &password, const QByteArray &hash)>;
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    explicit Authenticator(dataset::Connection &connection, Verify verify = &VerifyPassword,
                           Clock clock = &std::chrono::steady_clock::now);

    LoginResult LogIn(const QString &userName, const QString &password);

    // Stores a new password for the user: 'current' must be the present one (ignored
    // when none is set yet), 'repeated' must equal 'newPassword', which must have at
    // least MinimumPasswordLength characters. Throws dataset::Error telling what is wrong.
    void ChangePassword(int userId, const QString &current, const QString &newPassword,
                        const QString &repeated);

private:
    struct Failures {
        int count = 0;
        std::chrono::steady_clock::time_point last;
    };
    std::chrono::seconds Delay(const Failures &failures) const;

    dataset::Connection &m_connection;
    Verify m_verify;
    Clock m_clock;
    QHash<QString, Failures> m_failures;
};

} // namespace console
