#include "LoginDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace console {

LoginDialog::LoginDialog(Check check, QWidget *parent)
    : QDialog(parent)
    , m_check(std::move(check))
    , m_userEdit(new QLineEdit(this))
    , m_passwordEdit(new QLineEdit(this))
    , m_message(new QLabel(this))
{
    setWindowTitle(QStringLiteral("Prijava - Parking konzola"));
    m_passwordEdit->setEchoMode(QLineEdit::Password);
    m_message->setStyleSheet(QStringLiteral("color: #b00020;"));
    m_message->hide();

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Korisničko ime:"), m_userEdit);
    form->addRow(QStringLiteral("Lozinka:"), m_passwordEdit);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Prijavi se"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Odustani"));
    connect(buttons, &QDialogButtonBox::accepted, this, &LoginDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &LoginDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_message);
    layout->addWidget(buttons);
}

void LoginDialog::accept()
{
    const auto user = m_check(m_userEdit->text().trimmed(), m_passwordEdit->text());
    if (!user) {
        m_message->setText(QStringLiteral("Pogrešno korisničko ime ili lozinka."));
        m_message->show();
        m_passwordEdit->clear();
        m_passwordEdit->setFocus();
        return;
    }
    m_user = *user;
    QDialog::accept();
}

} // namespace console
