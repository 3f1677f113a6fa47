#include "PasswordDialog.h"

#include "Authentication.h"
#include <dataset/Error.h>
#include <framework/common/DialogButtons.h>

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace console {

PasswordDialog::PasswordDialog(Change change, bool askCurrent, QWidget *parent)
    : QDialog(parent)
    , m_change(std::move(change))
    , m_current(new QLineEdit(this))
    , m_new(new QLineEdit(this))
    , m_repeat(new QLineEdit(this))
    , m_message(new QLabel(this))
{
    setWindowTitle(askCurrent ? QStringLiteral("Promena lozinke") : QStringLiteral("Postavljanje lozinke"));
    for (QLineEdit *edit : {m_current, m_new, m_repeat})
        edit->setEchoMode(QLineEdit::Password);
    m_message->setStyleSheet(QStringLiteral("color: #b00020;"));
    m_message->setWordWrap(true);
    m_message->hide();

    auto *form = new QFormLayout;
    if (askCurrent)
        form->addRow(QStringLiteral("Trenutna lozinka:"), m_current);
    else
        m_current->hide();
    form->addRow(QStringLiteral("Nova lozinka:"), m_new);
    form->addRow(QStringLiteral("Ponovite novu lozinku:"), m_repeat);
    auto *hint = new QLabel(QStringLiteral("Najmanje %1 znakova.").arg(MinimumPasswordLength), this);
    QDialogButtonBox *buttons = OkCancelButtons(this, QStringLiteral("Sačuvaj"), QStringLiteral("Odustani"));

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(hint);
    layout->addWidget(m_message);
    layout->addWidget(buttons);
    setMinimumWidth(360);
}

void PasswordDialog::accept()
{
    try {
        m_change(m_current->text(), m_new->text(), m_repeat->text());
    } catch (const dataset::Error &error) {
        m_message->setText(error.message());
        m_message->show();
        return;
    }
    QDialog::accept();
}

} // namespace console
