#include "PartnerSelectDialog.h"

#include "PartnerModule.h"

#include <QListWidget>

namespace console {

PartnerSelectDialog::PartnerSelectDialog(PartnerModule &module, QWidget *parent)
    : SearchListDialog(QStringLiteral("Izbor partnera"), QStringLiteral("Naziv ili šifra partnera"),
                       false, parent)
    , m_module(module)
{
    Refresh();
}

QStringList PartnerSelectDialog::FindLines(const QString &text)
{
    m_partners = m_module.FindPartners(text);
    QStringList lines;
    for (const TPartnerDesc &p : m_partners)
        lines << QStringLiteral("%1   %2, %3 %4").arg(p.Name, p.Address, p.Zip, p.City);
    return lines;
}

std::optional<TPartnerDesc> PartnerSelectDialog::SelectedPartner() const
{
    const int row = List()->currentRow();
    if (row < 0 || row >= static_cast<int>(m_partners.size()))
        return std::nullopt;
    return m_partners[static_cast<std::size_t>(row)];
}

} // namespace console
