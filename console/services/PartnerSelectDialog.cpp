#include "PartnerSelectDialog.h"

#include "PartnerModule.h"

namespace console {

PartnerSelectDialog::PartnerSelectDialog(PartnerModule &module, QWidget *parent)
    : RecordSearchDialog(QStringLiteral("Izbor partnera"), QStringLiteral("Naziv ili šifra partnera"), false, parent)
    , m_module(module)
{
    Refresh();
}

std::vector<TPartnerDesc> PartnerSelectDialog::FindRecords(const QString &text)
{
    return m_module.FindPartners(text);
}

QString PartnerSelectDialog::Line(const TPartnerDesc &partner) const
{
    return QStringLiteral("%1   %2, %3 %4").arg(partner.Name, partner.Address, partner.Zip, partner.City);
}

} // namespace console
