#include "SearchListDialog.h"

#include <framework/common/DialogButtons.h>

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

namespace console {

SearchListDialog::SearchListDialog(const QString &title, const QString &placeholder,
                                   bool multiSelect, QWidget *parent)
    : QDialog(parent)
    , m_search(new QLineEdit(this))
    , m_list(new QListWidget(this))
{
    setWindowTitle(title);
    resize(560, 380);
    m_search->setPlaceholderText(placeholder);
    if (multiSelect)
        m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    QDialogButtonBox *buttons = OkCancelButtons(this, QStringLiteral("Izaberi"), QStringLiteral("Odustani"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Traži:"), this));
    layout->addWidget(m_search);
    layout->addWidget(m_list);
    layout->addWidget(buttons);

    connect(m_search, &QLineEdit::textChanged, this, &SearchListDialog::Refresh);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
}

void SearchListDialog::Refresh()
{
    const QStringList lines = FindLines(m_search->text());
    m_list->clear();
    m_list->addItems(lines);
    if (m_list->count() > 0)
        m_list->setCurrentRow(0);
}

QList<int> SearchListDialog::SelectedRows() const
{
    QList<int> rows;
    for (int row = 0; row < m_list->count(); ++row)
        if (m_list->item(row)->isSelected())
            rows << row;
    return rows;
}

} // namespace console
