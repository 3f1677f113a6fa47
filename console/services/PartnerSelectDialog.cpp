#include "PartnerSelectDialog.h"

#include "PartnerModule.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace console {

PartnerSelectDialog::PartnerSelectDialog(PartnerModule &module, QWidget *parent)
    : QDialog(parent)
    , m_module(module)
    , m_search(new QLineEdit(this))
    , m_list(new QListWidget(this))
{
    setWindowTitle(QStringLiteral("Izbor partnera"));
    resize(520, 360);
    m_search->setPlaceholderText(QStringLiteral("Naziv ili šifra partnera"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Izaberi"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Odustani"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Traži:"), this));
    layout->addWidget(m_search);
    layout->addWidget(m_list);
    layout->addWidget(buttons);

    connect(m_search, &QLineEdit::textChanged, this, &PartnerSelectDialog::Search);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    Search(QString());
}

void PartnerSelectDialog::Search(const QString &text)
{
    m_partners = m_module.FindPartners(text);
    m_list->clear();
    for (const TPartnerDesc &p : m_partners)
        m_list->addItem(QStringLiteral("%1   %2, %3 %4").arg(p.Name, p.Address, p.Zip, p.City));
    if (m_list->count() > 0)
        m_list->setCurrentRow(0);
}

std::optional<TPartnerDesc> PartnerSelectDialog::SelectedPartner() const
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= static_cast<int>(m_partners.size()))
        return std::nullopt;
    return m_partners[static_cast<std::size_t>(row)];
}

} // namespace console
