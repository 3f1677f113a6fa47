#pragma once

#include "Interfaces.h"

#include <QDialog>
#include <functional>
#include <optional>

class QLabel;
class QLineEdit;

namespace console {

// Asks for user name and password until the check accepts them or the user gives up.
class LoginDialog : public QDialog {
    Q_OBJECT
public:
    using Check = std::function<std::optional<TUserDesc>(const QString &user, const QString &password)>;

    explicit LoginDialog(Check check, QWidget *parent = nullptr);

    const TUserDesc &User() const { return m_user; }
    QLineEdit *UserEdit() const { return m_userEdit; }
    QLineEdit *PasswordEdit() const { return m_passwordEdit; }
    QLabel *MessageLabel() const { return m_message; }

    void accept() override;

private:
    Check m_check;
    TUserDesc m_user;
    QLineEdit *m_userEdit;
    QLineEdit *m_passwordEdit;
    QLabel *m_message;
};

} // namespace console
