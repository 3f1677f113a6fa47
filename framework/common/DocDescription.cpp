#include "DocDescription.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<const char *, const char *>, 9> kDocumentTypes{{
    {"F", "Faktura"},
    {"G", "Gotovinski račun"},
    {"M", "Maloprodajni račun"},
    {"P", "Predračun"},
    {"O", "Otpremnica"},
    {"U", "Ulazna faktura"},
    {"K", "Knjižno odobrenje"},
    {"N", "Narudžbenica"},
    {"R", "Reklamacija"},
}};

} // namespace

QString GetDocDescription(const QString &documentType)
{
    const QString code = documentType.trimmed().toUpper();
    for (const auto &[key, text] : kDocumentTypes) {
        if (code == QLatin1String(key))
            return QString::fromUtf8(text);
    }
    return documentType;
}
