#include "Authentication.h"

#include "Connection.h"
#include "Error.h"
#include "Query.h"

#include <sodium.h>

namespace console {

namespace {

void EnsureSodium()
{
    static const int result = sodium_init();
    if (result < 0)
        throw dataset::Error(QStringLiteral("Biblioteka za proveru lozinki nije mogla da se pokrene."));
}

} // namespace

bool VerifyPassword(const QString &password, const QByteArray &hash)
{
    EnsureSodium();
    // crypto_pwhash_str_verify reads a NUL-terminated string of at most crypto_pwhash_STRBYTES.
    if (hash.isEmpty() || hash.size() >= qsizetype(crypto_pwhash_STRBYTES))
        return false;
    const QByteArray utf8 = password.toUtf8();
    return crypto_pwhash_str_verify(hash.constData(), utf8.constData(),
                                    static_cast<unsigned long long>(utf8.size())) == 0;
}

QByteArray HashPassword(const QString &password)
{
    EnsureSodium();
    const QByteArray utf8 = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, utf8.constData(), static_cast<unsigned long long>(utf8.size()),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw dataset::Error(QStringLiteral("Lozinka nije mogla da se zaštiti (nema dovoljno memorije)."));
    return QByteArray(out);
}

std::optional<TUserDesc> Authenticate(dataset::Connection &connection, const QString &userName,
                                      const QString &password)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SetSQL({QStringLiteral("SELECT userid, firstname, lastname, passwordhash FROM user"),
                  QStringLiteral("WHERE username = ") + dataset::Connection::Quote(userName)});
    dataset::FieldDef hash;
    hash.name = QStringLiteral("passwordhash");
    hash.type = dataset::FieldType::Memo;
    query.SetFieldDefs({hash});
    query.Open();
    if (query.IsEmpty())
        return std::nullopt;
    if (!VerifyPassword(password, query.FieldByName(QStringLiteral("passwordhash")).AsString().toUtf8()))
        return std::nullopt;
    TUserDesc user;
    user.UserID = query.FieldByName(QStringLiteral("userid")).AsInteger();
    user.FirstName = query.FieldByName(QStringLiteral("firstname")).AsString();
    user.LastName = query.FieldByName(QStringLiteral("lastname")).AsString();
    return user;
}

} // namespace console
