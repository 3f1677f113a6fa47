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

Authenticator::Authenticator(dataset::Connection &connection, Verify verify)
    : m_connection(connection)
    , m_verify(std::move(verify))
{
}

std::chrono::seconds Authenticator::Delay(const QString &userName)
{
    dataset::Query query;
    query.SetConnection(&m_connection);
    query.SetSQL({QStringLiteral("SELECT failures, TIMESTAMPDIFF(MICROSECOND, lastfailure, UTC_TIMESTAMP(6)) AS waited"),
                  QStringLiteral("FROM loginfailure WHERE username = :name")});
    query.SetParam(QStringLiteral("name"), userName);
    query.Open();
    if (query.IsEmpty())
        return std::chrono::seconds(0);
    const int failures = query.FieldByName(QStringLiteral("failures")).AsInteger();
    if (failures < FreeLoginAttempts)
        return std::chrono::seconds(0);
    const int doublings = std::min(failures - FreeLoginAttempts, 6);
    const auto delay = std::min(std::chrono::seconds(1 << doublings), LongestDelay);
    // Whole seconds waited, rounded down: a wait of 0.9 s still owes its second.
    const auto waited = std::chrono::seconds(query.FieldByName(QStringLiteral("waited")).AsLargeInt() / 1000000);
    return std::max(std::chrono::seconds(0), delay - waited);
}

void Authenticator::RecordFailure(const QString &userName)
{
    // One statement: wrong tries from two computers at once are both counted.
    dataset::Query upsert;
    upsert.SetConnection(&m_connection);
    upsert.SetSQL({QStringLiteral("INSERT INTO loginfailure (username, failures, lastfailure)"),
                   QStringLiteral("VALUES (:name, 1, UTC_TIMESTAMP(6))"),
                   QStringLiteral("ON DUPLICATE KEY UPDATE failures = failures + 1, lastfailure = UTC_TIMESTAMP(6)")});
    upsert.SetParam(QStringLiteral("name"), userName);
    upsert.ExecSQL();
}

void Authenticator::ClearFailures(const QString &userName)
{
    dataset::Query clear;
    clear.SetConnection(&m_connection);
    clear.SetSQL({QStringLiteral("DELETE FROM loginfailure WHERE username = :name")});
    clear.SetParam(QStringLiteral("name"), userName);
    clear.ExecSQL();
}

LoginResult Authenticator::LogIn(const QString &userName, const QString &password)
{
    LoginResult result;
    if (const auto wait = Delay(userName); wait.count() > 0) {
        result.status = LoginResult::Status::TooEarly;
        result.wait = wait;
        return result;
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
        ClearFailures(userName);
        result.status = LoginResult::Status::Accepted;
        result.user = user->desc;
        return result;
    }
    RecordFailure(userName);
    result.wait = Delay(userName);
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
