#include "PasswordHash.h"

#include <dataset/Error.h>

#include <sodium.h>

namespace dbserver {

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

const QByteArray &DecoyPasswordHash()
{
    // Made from 32 random bytes that were thrown away; the limits are the interactive ones.
    static const QByteArray decoy = QByteArrayLiteral(
        "$argon2id$v=19$m=65536,t=2,p=1$c2FsdC1kZWNveS1wYXJraW5n$"
        "Qm9ndXNIYXNoRm9yVGltaW5nT25seU5vdEFQYXNzd29yZA");
    return decoy;
}

} // namespace dbserver
