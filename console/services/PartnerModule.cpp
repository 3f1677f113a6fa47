#include "PartnerModule.h"

#include "PartnerSelectDialog.h"
#include "RecordQuery.h"
#include <dataset/Connection.h>
#include <dataset/Query.h>
#include <dataset/SqlText.h>

#include <QApplication>

namespace console {

PartnerModule::PartnerModule(dataset::Connection &connection)
    : m_connection(connection)
{
}

std::vector<TPartnerDesc> PartnerModule::FindPartners(const QString &text)
{
    dataset::Query query;
    query.SetConnection(&m_connection);
    query.SetSQL({QStringLiteral("SELECT partnerid, name, address, zip, city, code FROM partner"),
                  QStringLiteral("WHERE LOWER(name) LIKE LOWER(:pattern) OR LOWER(code) = LOWER(:code)"),
                  QStringLiteral("ORDER BY name, partnerid")});
    query.SetParam(QStringLiteral("pattern"), QLatin1Char('%') + dataset::EscapeLike(text) + QLatin1Char('%'));
    query.SetParam(QStringLiteral("code"), text);
    return ReadRecords<TPartnerDesc>(query, [](const dataset::Query &row) {
        TPartnerDesc p;
        p.PartnerID = row.FieldByName(QStringLiteral("partnerid")).AsInteger();
        p.Name = row.FieldByName(QStringLiteral("name")).AsString();
        p.Address = row.FieldByName(QStringLiteral("address")).AsString();
        p.Zip = row.FieldByName(QStringLiteral("zip")).AsString();
        p.City = row.FieldByName(QStringLiteral("city")).AsString();
        p.Code = row.FieldByName(QStringLiteral("code")).AsString();
        return p;
    });
}

bool PartnerModule::SelectPartner(TPartnerDesc &partner)
{
    PartnerSelectDialog dialog(*this, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const auto chosen = dialog.SelectedPartner();
    if (!chosen)
        return false;
    partner = *chosen;
    return true;
}

} // namespace console
