#include "PartnerModule.h"

#include "Connection.h"
#include "PartnerSelectDialog.h"
#include "Query.h"
#include "SqlText.h"

#include <QApplication>

namespace console {

PartnerModule::PartnerModule(dataset::Connection &connection)
    : m_connection(connection)
{
}

IInterface *PartnerModule::QueryInterface(const QUuid &iid)
{
    if (iid != IPartnerModule::IID)
        return nullptr;
    AddRef();
    return static_cast<IPartnerModule *>(this);
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
    query.Open();
    std::vector<TPartnerDesc> result;
    for (query.First(); !query.Eof(); query.Next()) {
        TPartnerDesc p;
        p.PartnerID = query.FieldByName(QStringLiteral("partnerid")).AsInteger();
        p.Name = query.FieldByName(QStringLiteral("name")).AsString();
        p.Address = query.FieldByName(QStringLiteral("address")).AsString();
        p.Zip = query.FieldByName(QStringLiteral("zip")).AsString();
        p.City = query.FieldByName(QStringLiteral("city")).AsString();
        p.Code = query.FieldByName(QStringLiteral("code")).AsString();
        result.push_back(std::move(p));
    }
    return result;
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
