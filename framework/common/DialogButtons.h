#pragma once

#include <QString>

class QDialog;
class QDialogButtonBox;

// The OK and Cancel buttons of a dialog, captioned 'okText' and 'cancelText' and wired to
// the dialog's accept() and reject(); the caller places the box in its layout.
QDialogButtonBox *OkCancelButtons(QDialog *dialog, const QString &okText, const QString &cancelText);
