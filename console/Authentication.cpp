#include "Authentication.h"

#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>

#include <algorithm>
#include <optional>

namespace console {

namespace {

constexpr std::chrono::seconds LongestDelay{60};

struct StoredUser {
    TUserDesc desc;
    QString userName;
    QByteArray hash;
};

// The user whose 'column' holds 'value'.
std::optional<StoredUser> FindUser(dataset::Connection &connection, const QString &column, const QVariant &value)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SetSQL({QStringLiteral("SELECT userid, username, firstname, lastname, passwordhash FROM user"),
                  QStringLiteral("WHERE %1 = :value").arg(column)});
    query.SetParam(QStringLiteral("value"), value);
    dataset::FieldDef hash;
    hash.name = QStringLiteral("passwordhash");
    hash.type = dataset::FieldType::Memo;
    query.SetFieldDefs({hash});
    query.Open();
    if (query.IsEmpty())
        return std::nullopt;
    StoredUser user;
    user.desc.UserID = query.FieldByName(QStringLiteral("userid")).AsInteger();
    user.desc.FirstName = query.FieldByName(QStringLiteral("firstname")).AsString();
    user.desc.LastName = query.FieldByName(QStringLiteral("lastname")).AsString();
    user.userName = query.FieldByName(QStringLiteral("username")).AsString();
    user.hash = query.FieldByName(QStringLiteral("passwordhash")).AsString().toUtf8();
    return user;
}

} // namespace

Authenticator::Authenticator(dataset::Connection &connection, Verify verify, Clock clock)
    : m_connection(connection)
    , m_verify(std::move(verify))
    , m_clock(std::move(clock))
{
}

std::chrono::seconds Authenticator::Delay(const Failures &failures) const
{
    if (failures.count < FreeLoginAttempts)
        return std::chrono::seconds(0);
    const int doublings = std::min(failures.count - FreeLoginAttempts, 6);
    const auto delay = std::min(std::chrono::seconds(1 << doublings), LongestDelay);
    const auto waited = std::chrono::duration_cast<std::chrono::seconds>(m_clock() - failures.last);
    return std::max(std::chrono::seconds(0), delay - waited);
}

LoginResult Authenticator::LogIn(const QString &userName, const QString &password)
{
    LoginResult result;
    const auto found = m_failures.constFind(userName);
    if (found != m_failures.constEnd()) {
        if (const auto wait = Delay(*found); wait.count() > 0) {
            result.status = LoginResult::Status::TooEarly;
            result.wait = wait;
            return result;
        }
    }
    // The column's collation ignores case and trailing blanks; the name must match exactly.
    auto user = FindUser(m_connection, QStringLiteral("username"), userName);
    if (user && user->userName != userName)
        user.reset();
    if (user && user->hash.isEmpty()) {
        result.status = LoginResult::Status::PasswordNotSet;
        result.user = user->desc;
        return result;
    }
    // An unknown name is checked against a decoy hash: the same work, the same time.
    const bool matches = m_verify(password, user ? user->hash : dbserver::DecoyPasswordHash());
    if (user && matches) {
        m_failures.remove(userName);
        result.status = LoginResult::Status::Accepted;
        result.user = user->desc;
        return result;
    }
    Failures &failures = m_failures[userName];
    ++failures.count;
    failures.last = m_clock();
    result.wait = Delay(failures);
    return result;
}

void Authenticator::ChangePassword(int userId, const QString &current, const QString &newPassword,
                                   const QString &repeated)
{
    const auto user = FindUser(m_connection, QStringLiteral("userid"), userId);
    if (!user)
        throw dataset::Error(QStringLiteral("Korisnik %1 ne postoji.").arg(userId));
    if (!user->hash.isEmpty() && !m_verify(current, user->hash))
        throw dataset::Error(QStringLiteral("Trenutna lozinka nije tačna."));
    if (newPassword != repeated)
        throw dataset::Error(QStringLiteral("Nova lozinka i ponovljena lozinka se razlikuju."));
    if (newPassword.size() < MinimumPasswordLength)
        throw dataset::Error(QStringLiteral("Nova lozinka mora imati najmanje %1 znakova.").arg(MinimumPasswordLength));
    const QString hash = QString::fromUtf8(HashPassword(newPassword));
    dataset::Query update;
    update.SetConnection(&m_connection);
    update.SetSQL({QStringLiteral("UPDATE user SET passwordhash = :hash WHERE userid = :userid")});
    update.SetParam(QStringLiteral("hash"), hash);
    update.SetParam(QStringLiteral("userid"), userId);
    const auto changed = update.ExecSQL();
    if (changed != 1)
        throw dataset::Error(QStringLiteral("Lozinka korisnika %1 nije promenjena (korisnik više ne postoji).").arg(userId));
}

} // namespace console
