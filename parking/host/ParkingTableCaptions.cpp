#include "ParkingTableCaptions.h"

#include <utility>

namespace {

constexpr std::pair<const char *, const char *> kTableWords[] = {
    {"parkingdocument", "parking dokumenti"},
    {"parkingdocumentitem", "stavke parking dokumenata"},
    {"parkingdocumentiteminvoice", "računi napravljeni iz stavki parking dokumenata"},
    {"parkingzoneframe", "zone, sektori i ulice"},
    {"parkingticket", "parking karte"},
    {"parkingsubscription", "parking pretplate"},
    {"document", "dokumenti"},
    {"documentitem", "stavke dokumenata"},
    {"product", "proizvodi"},
    {"partner", "partneri"},
    {"warehouse", "magacini"},
    {"tax", "poreske stope"},
    {"user", "korisnici"},
};

} // namespace

QString ParkingTableCaption(const QString &table)
{
    for (const auto &[name, words] : kTableWords) {
        if (table == QLatin1String(name))
            return QString::fromUtf8(words);
    }
    return {};
}
