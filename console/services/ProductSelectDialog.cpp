#include "ProductSelectDialog.h"

#include "ProductModule.h"

namespace console {

ProductSelectDialog::ProductSelectDialog(ProductModule &module, QWidget *parent)
    : SearchListDialog(QStringLiteral("Izbor proizvoda"), QStringLiteral("Naziv ili šifra proizvoda"),
                       true, parent)
    , m_module(module)
{
    Refresh();
}

QStringList ProductSelectDialog::FindLines(const QString &text)
{
    m_products = m_module.FindProducts(text, ProductMatch::NameContains);
    if (m_products.empty() && !text.isEmpty())
        m_products = m_module.FindProducts(text, ProductMatch::Code);
    QStringList lines;
    for (const TProductDesc &p : m_products)
        lines << QStringLiteral("%1   %2   %3").arg(p.Code, p.Name, QString::number(p.Price, 'f', 2));
    return lines;
}

TProductDescArr ProductSelectDialog::SelectedProducts() const
{
    TProductDescArr result;
    for (const int row : SelectedRows())
        result.push_back(m_products[static_cast<std::size_t>(row)]);
    return result;
}

} // namespace console
