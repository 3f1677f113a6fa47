#include "Authentication.h"

#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>

#include <algorithm>
#include <optional>

namespace console {

namespace {

// A procedure's OUT arguments, read from the session variables it was given.
class Outputs {
public:
    Outputs(dataset::Connection &connection, const QString &call, const QVariantMap &params, const QStringList &names)
    {
        dataset::Query procedure;
        procedure.SetConnection(&connection);
        QStringList variables;
        for (const QString &name : names)
            variables << QStringLiteral("@login_") + name;
        procedure.SetSQL({QStringLiteral("CALL %1, %2)").arg(call, variables.join(QStringLiteral(", ")))});
        for (auto it = params.cbegin(); it != params.cend(); ++it)
            procedure.SetParam(it.key(), it.value());
        procedure.ExecSQL();
        QStringList columns;
        for (qsizetype i = 0; i < names.size(); ++i)
            columns << QStringLiteral("%1 AS %2").arg(variables.at(i), names.at(i));
        m_values.SetConnection(&connection);
        m_values.SetSQL({QStringLiteral("SELECT ") + columns.join(QStringLiteral(", "))});
        m_values.Open();
    }
    dataset::Field &operator[](const QString &name) { return m_values.FieldByName(name); }

private:
    dataset::Query m_values;
};

// The names of user 'userId'; none when it does not exist.
std::optional<TUserDesc> FindUser(dataset::Connection &connection, qint64 userId)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SetSQL({QStringLiteral("SELECT userid, firstname, lastname FROM user WHERE userid = :id")});
    query.SetParam(QStringLiteral("id"), userId);
    query.Open();
    if (query.IsEmpty())
        return std::nullopt;
    TUserDesc user;
    user.UserID = query.FieldByName(QStringLiteral("userid")).AsInteger();
    user.FirstName = query.FieldByName(QStringLiteral("firstname")).AsString();
    user.LastName = query.FieldByName(QStringLiteral("lastname")).AsString();
    return user;
}

std::chrono::seconds Seconds(dataset::Field &field)
{
    return std::chrono::seconds(std::max(0, field.AsInteger()));
}

// The stored hash's parameters; those of the decoy for an unknown user.
QByteArray Settings(dataset::Field &userId, dataset::Field &settings)
{
    return userId.IsNull() ? dbserver::HashSettings(dbserver::DecoyPasswordHash()) : settings.AsString().toLatin1();
}

// What the server compares: a derived hash, or a text that matches no stored one.
QString Candidate(const QByteArray &derived)
{
    return derived.isEmpty() ? QStringLiteral("-") : QString::fromLatin1(derived);
}

} // namespace

Authenticator::Authenticator(dataset::Connection &connection, Derive derive)
    : m_connection(connection)
    , m_derive(std::move(derive))
{
}

LoginResult Authenticator::LogIn(const QString &userName, const QString &password)
{
    LoginResult result;
    // Longer names exist nowhere; the procedures count wrong tries by the first 255 characters.
    const QVariantMap name{{QStringLiteral("name"), userName.left(255)}};
    Outputs state(m_connection, QStringLiteral("loginstate(:name"), name, {"userid", "settings", "wait"});
    if (const auto wait = Seconds(state[QStringLiteral("wait")]); wait.count() > 0) {
        result.status = LoginResult::Status::TooEarly;
        result.wait = wait;
        return result;
    }
    dataset::Field &userId = state[QStringLiteral("userid")];
    dataset::Field &settings = state[QStringLiteral("settings")];
    if (!userId.IsNull() && settings.AsString().isEmpty()) {
        if (const auto user = FindUser(m_connection, userId.AsLargeInt())) {
            result.status = LoginResult::Status::PasswordNotSet;
            result.user = *user;
            return result;
        }
    }
    // An unknown name is derived with the decoy's parameters: the same work, the same time.
    const QString candidate = Candidate(m_derive(password, Settings(userId, settings)));
    Outputs login(m_connection, QStringLiteral("login(:name, :hash"),
                  {{QStringLiteral("name"), userName.left(255)}, {QStringLiteral("hash"), candidate}},
                  {"userid", "wait"});
    const dataset::Field &accepted = login[QStringLiteral("userid")];
    if (!accepted.IsNull()) {
        if (const auto user = FindUser(m_connection, accepted.AsLargeInt())) {
            result.status = LoginResult::Status::Accepted;
            result.user = *user;
            return result;
        }
    }
    result.wait = Seconds(login[QStringLiteral("wait")]);
    return result;
}

void Authenticator::ChangePassword(int userId, const QString &current, const QString &newPassword,
                                   const QString &repeated)
{
    dataset::Query name;
    name.SetConnection(&m_connection);
    name.SetSQL({QStringLiteral("SELECT username FROM user WHERE userid = :id")});
    name.SetParam(QStringLiteral("id"), userId);
    name.Open();
    if (name.IsEmpty())
        throw dataset::Error(QStringLiteral("Korisnik %1 ne postoji.").arg(userId));
    if (newPassword != repeated)
        throw dataset::Error(QStringLiteral("Nova lozinka i ponovljena lozinka se razlikuju."));
    if (newPassword.size() < MinimumPasswordLength)
        throw dataset::Error(QStringLiteral("Nova lozinka mora imati najmanje %1 znakova.").arg(MinimumPasswordLength));
    Outputs state(m_connection, QStringLiteral("loginstate(:name"),
                  {{QStringLiteral("name"), name.FieldByName(QStringLiteral("username")).AsString()}},
                  {"userid", "settings", "wait"});
    if (const auto wait = Seconds(state[QStringLiteral("wait")]); wait.count() > 0)
        throw dataset::Error(
            QStringLiteral("Posle više pogrešnih lozinki sledeći pokušaj je moguć za %1 s.").arg(wait.count()));
    const QByteArray settings = state[QStringLiteral("settings")].AsString().toLatin1();
    const QString present = settings.isEmpty() ? QStringLiteral("-") : Candidate(m_derive(current, settings));
    Outputs change(m_connection, QStringLiteral("changepassword(:id, :current, :new"),
                   {{QStringLiteral("id"), userId},
                    {QStringLiteral("current"), present},
                    {QStringLiteral("new"), QString::fromLatin1(HashPassword(newPassword))}},
                   {"result"});
    switch (change[QStringLiteral("result")].AsInteger()) {
    case 0: return;
    case 1: throw dataset::Error(QStringLiteral("Trenutna lozinka nije tačna."));
    case 3: throw dataset::Error(QStringLiteral("Posle više pogrešnih lozinki promena lozinke mora da sačeka."));
    default:
        throw dataset::Error(QStringLiteral("Lozinka korisnika %1 nije promenjena (korisnik više ne postoji).").arg(userId));
    }
}

} // namespace console
