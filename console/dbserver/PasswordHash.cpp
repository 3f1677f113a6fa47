#include "PasswordHash.h"

#include <dataset/Error.h>

#include <QRegularExpression>

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

QByteArray HashSettings(const QByteArray &hash)
{
    return hash.left(hash.lastIndexOf('$') + 1);
}

QByteArray DerivePasswordHash(const QString &password, const QByteArray &settings)
{
    EnsureSodium();
    // $argon2id$v=19$m=65536,t=2,p=1$SALT$ (or $argon2i$…), as crypto_pwhash_str writes it.
    static const QRegularExpression format(QStringLiteral(
        "^\\$(argon2id|argon2i)\\$v=19\\$m=([0-9]{1,10}),t=([0-9]{1,10}),p=1\\$([A-Za-z0-9+/]{22})\\$$"));
    const auto match = format.match(QString::fromLatin1(settings));
    if (!match.hasMatch())
        return {};
    const bool id = match.captured(1) == QLatin1String("argon2id");
    const unsigned long long memory = match.captured(2).toULongLong() * 1024;
    const unsigned long long operations = match.captured(3).toULongLong();
    unsigned char salt[crypto_pwhash_SALTBYTES];
    const QByteArray saltText = match.captured(4).toLatin1();
    std::size_t saltLength = 0;
    if (sodium_base642bin(salt, sizeof salt, saltText.constData(), std::size_t(saltText.size()), nullptr, &saltLength,
                          nullptr, sodium_base64_VARIANT_ORIGINAL_NO_PADDING)
            != 0
        || saltLength != sizeof salt)
        return {};
    unsigned char key[32];
    const QByteArray utf8 = password.toUtf8();
    if (crypto_pwhash(key, sizeof key, utf8.constData(), static_cast<unsigned long long>(utf8.size()), salt, operations,
                      std::size_t(memory), id ? crypto_pwhash_ALG_ARGON2ID13 : crypto_pwhash_ALG_ARGON2I13)
        != 0)
        return {};
    char encoded[sodium_base64_ENCODED_LEN(sizeof key, sodium_base64_VARIANT_ORIGINAL_NO_PADDING)];
    sodium_bin2base64(encoded, sizeof encoded, key, sizeof key, sodium_base64_VARIANT_ORIGINAL_NO_PADDING);
    return settings + QByteArray(encoded);
}

const QByteArray &DecoyPasswordHash()
{
    // Made from 32 random bytes that were thrown away; the limits are the interactive ones.
    static const QByteArray decoy = QByteArrayLiteral("$argon2id$v=19$m=65536,t=2,p=1$ZGVjb3ktc2FsdC1wYXJraQ$"
                                                      "Qm9ndXNIYXNoRm9yVGltaW5nT25seU5vdEFQYXNzd29yZA");
    return decoy;
}

} // namespace dbserver
