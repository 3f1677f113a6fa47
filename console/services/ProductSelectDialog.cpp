#include "ProductSelectDialog.h"

#include "ProductModule.h"

namespace console {

ProductSelectDialog::ProductSelectDialog(ProductModule &module, QWidget *parent)
    : RecordSearchDialog(QStringLiteral("Izbor proizvoda"), QStringLiteral("Naziv ili šifra proizvoda"), true, parent)
    , m_module(module)
{
    Refresh();
}

TProductDescArr ProductSelectDialog::FindRecords(const QString &text)
{
    TProductDescArr found = m_module.FindProducts(text, ProductMatch::NameContains);
    if (found.empty() && !text.isEmpty())
        found = m_module.FindProducts(text, ProductMatch::Code);
    return found;
}

QString ProductSelectDialog::Line(const TProductDesc &product) const
{
    return QStringLiteral("%1   %2   %3").arg(product.Code, product.Name, QString::number(product.Price, 'f', 2));
}

} // namespace console
