#include "LoginDialog.h"

#include "PasswordDialog.h"
#include <framework/common/DialogButtons.h>

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace console {

LoginDialog::LoginDialog(Check check, SetPassword setPassword, QWidget *parent)
    : QDialog(parent)
    , m_check(std::move(check))
    , m_setPassword(std::move(setPassword))
    , m_userEdit(new QLineEdit(this))
    , m_passwordEdit(new QLineEdit(this))
    , m_message(new QLabel(this))
    , m_countdown(new QTimer(this))
{
    setWindowTitle(QStringLiteral("Prijava - Parking konzola"));
    m_countdown->setInterval(1000);
    connect(m_countdown, &QTimer::timeout, this, &LoginDialog::CountdownTick);
    m_passwordEdit->setEchoMode(QLineEdit::Password);
    m_message->setStyleSheet(QStringLiteral("color: #b00020;"));
    m_message->setWordWrap(true);
    m_message->hide();

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Korisničko ime:"), m_userEdit);
    form->addRow(QStringLiteral("Lozinka:"), m_passwordEdit);
    QDialogButtonBox *buttons = OkCancelButtons(this, QStringLiteral("Prijavi se"), QStringLiteral("Odustani"));
    m_loginButton = buttons->button(QDialogButtonBox::Ok);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_message);
    layout->addWidget(buttons);
}

// The window grows with a message of several lines, so the fields keep their height.
void LoginDialog::ShowMessage(const QString &text)
{
    m_message->setText(text);
    m_message->show();
    layout()->activate();
    const int needed = layout()->totalHeightForWidth(width());
    if (needed > height())
        resize(width(), needed);
}

bool LoginDialog::AskNewPassword(const TUserDesc &user)
{
    if (!m_setPassword)
        return false;
    PasswordDialog dialog(
        [this, &user](const QString &, const QString &newPassword, const QString &repeated) {
            m_setPassword(user.UserID, newPassword, repeated);
        },
        false, this);
    return dialog.exec() == QDialog::Accepted;
}

void LoginDialog::accept()
{
    // Enter in the password field presses the default button even while it is disabled.
    if (!m_loginButton->isEnabled())
        return;
    const LoginResult result = m_check(m_userEdit->text(), m_passwordEdit->text());
    if (result.status == LoginResult::Status::Accepted) {
        m_user = result.user;
        QDialog::accept();
        return;
    }
    if (result.status == LoginResult::Status::PasswordNotSet) {
        ShowMessage(QStringLiteral("Korisnik još nema lozinku; postavite je."));
        if (AskNewPassword(result.user)) {
            m_user = result.user;
            QDialog::accept();
        }
        return;
    }
    m_passwordEdit->clear();
    m_passwordEdit->setFocus();
    m_refusal = result.status == LoginResult::Status::Rejected
        ? QStringLiteral("Pogrešno korisničko ime ili lozinka.")
        : QStringLiteral("Previše pogrešnih pokušaja.");
    m_secondsLeft = int(result.wait.count());
    if (m_secondsLeft > 0) {
        m_loginButton->setEnabled(false);
        m_countdown->start();
    }
    ShowRefusal();
}

// The refusal, with the seconds left until the next try while there is a wait.
void LoginDialog::ShowRefusal()
{
    ShowMessage(m_secondsLeft > 0
                    ? m_refusal + QStringLiteral(" Sledeći pokušaj je moguć za %1 s.").arg(m_secondsLeft)
                    : m_refusal);
}

void LoginDialog::CountdownTick()
{
    if (--m_secondsLeft > 0) {
        ShowRefusal();
        return;
    }
    m_countdown->stop();
    m_loginButton->setEnabled(true);
    ShowRefusal();
}

} // namespace console
