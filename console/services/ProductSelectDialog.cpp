#include "ProductSelectDialog.h"

#include "ProductModule.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace console {

ProductSelectDialog::ProductSelectDialog(ProductModule &module, QWidget *parent)
    : QDialog(parent)
    , m_module(module)
    , m_search(new QLineEdit(this))
    , m_list(new QListWidget(this))
{
    setWindowTitle(QStringLiteral("Izbor proizvoda"));
    resize(560, 380);
    m_search->setPlaceholderText(QStringLiteral("Naziv ili šifra proizvoda"));
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Izaberi"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Odustani"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Traži:"), this));
    layout->addWidget(m_search);
    layout->addWidget(m_list);
    layout->addWidget(buttons);

    connect(m_search, &QLineEdit::textChanged, this, &ProductSelectDialog::Search);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    Search(QString());
}

void ProductSelectDialog::Search(const QString &text)
{
    m_products = m_module.FindProducts(text, true, false);
    if (m_products.empty() && !text.isEmpty())
        m_products = m_module.FindProducts(text, false, true);
    m_list->clear();
    for (const TProductDesc &p : m_products)
        m_list->addItem(QStringLiteral("%1   %2   %3").arg(p.Code, p.Name, QString::number(p.Price, 'f', 2)));
    if (m_list->count() > 0)
        m_list->setCurrentRow(0);
}

TProductDescArr ProductSelectDialog::SelectedProducts() const
{
    TProductDescArr result;
    for (int row = 0; row < m_list->count(); ++row)
        if (m_list->item(row)->isSelected())
            result.push_back(m_products[static_cast<std::size_t>(row)]);
    return result;
}

} // namespace console
