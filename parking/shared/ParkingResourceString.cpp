#include "ParkingResourceString.h"

#include <dataset/Error.h>

#include <array>
#include <cstring>
#include <string_view>

namespace {

struct Entry {
    std::string_view name;
    const char *text;   // UTF-8
};

// Sources are UTF-8; the texts keep their diacritics on the way to the screen.
constexpr std::array kCatalogue{
    Entry{"_PARKING_STATUS_CAP", "Nepoznat status"},
    Entry{"_PARKING_SUB_ZONE_CAP", "parkiraliste"},
    Entry{"_PARKING_GRN_ZONE_CAP", "Pretplatna Zelena zona - mesecna"},
    Entry{"_PARKING_RED_ZONE_CAP", "Pretplatna Crvena zona - mesecna"},
    Entry{"_PARKING_GRN_ZONE_CAP2", "Pretplatna Zelena zona - godisnja"},
    Entry{"_PARKING_RED_ZONE_CAP2", "Pretplatna Crvena zona - godisnja"},
    Entry{"_CSV_LOAD_PROGRESS_INF", "Učitavanje u toku."},
    Entry{"_DOC_POST_ERR", "Dokument %s nije moguće snimiti."},
    Entry{"_DOCITEM_POST_ERR", "Proizvod %s nije snimljen u dokumentu %s."},
    Entry{"_PARKING_STATUS1_CAP", "Nova"},
    Entry{"_PARKING_STATUS2_CAP", "Nenaplaćena"},
    Entry{"_PARKING_STATUS3_CAP", "Naplaćena"},
    Entry{"_PARKING_STATUS4_CAP", "Opomena pred tužbu"},
    Entry{"_PARKING_STATUS5_CAP", "Poništena"},
    Entry{"_PARKING_STATUS7_CAP", "Naplaćena opomenom"},
    Entry{"_PARKING_STATUS8_CAP", "U postupku tuženja"},
    Entry{"_PARKING_STATUS9_CAP", "Naplaćena tužbom"},
    Entry{"_PARKING_STATUS10_CAP", "Vraćena pošta"},
    Entry{"_PARKING_STATUS15_CAP", "Stranac"},
    Entry{"_PARKING_STATUS16_CAP", "Stranac u tužbi"},
    Entry{"_PARKING_STATUS17_CAP", "Verodostojna"},
    Entry{"_PARKING_STATUS18_CAP", "Nema podataka u MUP-u"},
    Entry{"_PARKING_MOD_NAME", "Parking"},
    Entry{"_PARKING_MOD_DESC", "Upravljanje parkingom"},
    Entry{"_PARKING_NUMBER", "Broj"},
    Entry{"_PARKING_DATE_FROM", "Od datuma"},
    Entry{"_PARKING_DATE_TO", "Do datuma"},
    Entry{"_PARKING_REG_NUMBER", "Reg. broj"},
    Entry{"_PARKING_USER_FIRSTNAME", "Ime korisnika"},
    Entry{"_PARKING_USER_LASTNAME", "Prezime korisnika"},
    Entry{"_PARKING_PRINT_INVOICE_CAP", "Priznanica"},
    Entry{"_PARKING_PRINT_TICKET_CAP", "Karta"},
    Entry{"_PAY_DESK_PROD_CAP", "Proizvodi"},
    Entry{"_PAY_DESK_USER_CAP", "Korisnici"},
    Entry{"_CSV_LOAD_INCORR_FMT_ERR", "Pogrešan format datoteke!"},
    Entry{"_CSV_LOAD_FIRST_SUCC_INF",
          "Podaci od 2013. pa na dalje su učitani.\r\nSada će i ostali podaci biti učitani."},
    Entry{"_CSV_LOAD_LAST_SUCC_INF", "Svi podaci su učitani."},
};

} // namespace

extern "C" const char *ParkingResourceStringUtf8(const char *name)
{
    if (!name)
        return nullptr;
    const std::string_view wanted(name);
    for (const Entry &entry : kCatalogue) {
        if (entry.name == wanted)
            return entry.text;
    }
    return nullptr;
}

QString ParkingResourceString(const char *name)
{
    const char *text = ParkingResourceStringUtf8(name);
    if (!text)
        throw dataset::Error(QStringLiteral("Poruka '%1' ne postoji u katalogu modula Parking.")
                                 .arg(QString::fromUtf8(name ? name : "")));
    return QString::fromUtf8(text);
}

