#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;

namespace console {

// "Promena lozinke": the current password (left out when the user has none yet), the
// new one twice. OK hands them to the change function; its error is shown in the
// dialog, which stays open until a change succeeds or the user gives up.
class PasswordDialog : public QDialog {
    Q_OBJECT
public:
    using Change = std::function<void(const QString &current, const QString &newPassword,
                                      const QString &repeated)>;

    PasswordDialog(Change change, bool askCurrent, QWidget *parent = nullptr);

    QLineEdit *CurrentEdit() const { return m_current; }
    QLineEdit *NewEdit() const { return m_new; }
    QLineEdit *RepeatEdit() const { return m_repeat; }
    QLabel *MessageLabel() const { return m_message; }

    void accept() override;

private:
    Change m_change;
    QLineEdit *m_current;
    QLineEdit *m_new;
    QLineEdit *m_repeat;
    QLabel *m_message;
};

} // namespace console
