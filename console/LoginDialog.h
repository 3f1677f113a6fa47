#pragma once

#include "Authentication.h"

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace console {

// Asks for user name and password until the check accepts them or the user gives up.
// A user without a password sets one first; after too many wrong passwords the
// button stays disabled for the wait the check asks for, and the dialog says so.
class LoginDialog : public QDialog {
    Q_OBJECT
public:
    using Check = std::function<LoginResult(const QString &user, const QString &password)>;
    using SetPassword = std::function<void(int userId, const QString &newPassword, const QString &repeated)>;

    explicit LoginDialog(Check check, SetPassword setPassword = {}, QWidget *parent = nullptr);

    const TUserDesc &User() const { return m_user; }
    QLineEdit *UserEdit() const { return m_userEdit; }
    QLineEdit *PasswordEdit() const { return m_passwordEdit; }
    QLabel *MessageLabel() const { return m_message; }
    QPushButton *LoginButton() const { return m_loginButton; }

    void accept() override;

private:
    void ShowMessage(const QString &text);
    void ShowRefusal();
    void CountdownTick();
    bool AskNewPassword(const TUserDesc &user);

    Check m_check;
    SetPassword m_setPassword;
    TUserDesc m_user;
    QLineEdit *m_userEdit;
    QLineEdit *m_passwordEdit;
    QLabel *m_message;
    QPushButton *m_loginButton;
    QTimer *m_countdown;
    QString m_refusal;
    int m_secondsLeft = 0;
};

} // namespace console
