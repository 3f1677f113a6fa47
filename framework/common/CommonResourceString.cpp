#include "CommonResourceString.h"

#include <routines/TextFormat.h>

#include <array>
#include <stdexcept>
#include <utility>

namespace {

// Name, Serbian text. Placeholders are "%s", filled with FormatResource.
constexpr std::array<std::pair<const char *, const char *>, 22> kMessages{{
    {"_CMN_NO_MODULE", "Modul „%s“ nije dostupan."},
    {"_CMN_MOD_SECURITY_NAME", "Sigurnost"},
    {"_CMN_MOD_PRODUCT_NAME", "Proizvodi"},
    {"_CMN_MOD_PARTNER_NAME", "Partneri"},
    {"_CMN_MOD_DOCUMENT_NAME", "Dokumenti"},
    {"_CMN_FIELD_REQUIRED_ERR", "Polje „%s“ mora biti popunjeno."},
    {"_CMN_FIELD_INVALIDE_ERR", "Polje „%s“ ima neispravnu vrednost."},
    {"_CMN_SAVE_CHANGES_PROMT", "Da li želite da sačuvate izmene?"},
    {"_CMN_DELETE_RECORD_PROMT", "Da li ste sigurni da želite da obrišete zapis?"},
    {"_CMN_PRINT_WIZ_NAME", "Štampa"},
    {"_DOC_REG_STATUS_CAPTION", "Proknjižen"},
    {"_DOC_NOT_REG_STATUS_CAPTION", "Neproknjižen"},
    {"_CMN_ERROR_CAPTION", "Greška"},
    {"_CMN_INFORMATION_CAPTION", "Obaveštenje"},
    {"_CMN_CONFIRMATION_CAPTION", "Potvrda"},
    {"_CMN_DATE_CAPTION", "Izbor datuma"},
    {"_CMN_DATETIME_CAPTION", "Izbor datuma i vremena"},
    {"_CMN_TIME_CAPTION", "Vreme:"},
    {"_CMN_FILE_OPEN_CAPTION", "Otvori datoteku"},
    {"_CMN_REPORT_SAVED_INF", "Izveštaj je sačuvan u datoteci %s."},
    {"_CMN_REPORT_SAVE_ERR", "Izveštaj nije moguće sačuvati u datoteci %s."},
    {"_CMN_UNKNOWN_MESSAGE_ERR", "Nepoznata poruka „%s“."},
}};

} // namespace

QString CommonResourceString(QStringView name)
{
    for (const auto &[key, text] : kMessages) {
        if (name == QLatin1String(key))
            return QString::fromUtf8(text);
    }
    throw std::runtime_error(
            FormatResource(CommonResourceString(u"_CMN_UNKNOWN_MESSAGE_ERR"), {name.toString()})
                    .toStdString());
}

QStringList CommonResourceNames()
{
    QStringList names;
    for (const auto &entry : kMessages)
        names.append(QLatin1String(entry.first));
    return names;
}

QString NoModuleMessage(QStringView moduleNameEntry)
{
    return FormatResource(CommonResourceString(u"_CMN_NO_MODULE"),
                          {CommonResourceString(moduleNameEntry)});
}
