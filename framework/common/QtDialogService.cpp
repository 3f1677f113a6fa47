#include "QtDialogService.h"

#include "CommonResourceString.h"
#include "DatePickerDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {

QWidget *dialogParent()
{
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

void setButtonText(QMessageBox &box, QMessageBox::StandardButton button, const char *text)
{
    if (QAbstractButton *b = box.button(button))
        b->setText(QString::fromUtf8(text));
}

// 'safe' is both the Escape button and the default one (Enter, and the focus): a
// question whose "Da" can harm data is never answered "Da" by a key pressed in haste.
int runBox(QMessageBox::Icon icon, QStringView caption, const QString &text,
           QMessageBox::StandardButtons buttons, QMessageBox::StandardButton safe)
{
    QMessageBox box(icon, CommonResourceString(caption), text, buttons, dialogParent());
    setButtonText(box, QMessageBox::Ok, "U redu");
    setButtonText(box, QMessageBox::Yes, "&Da");
    setButtonText(box, QMessageBox::No, "&Ne");
    setButtonText(box, QMessageBox::Cancel, "Otkaži");
    box.setEscapeButton(safe);
    box.setDefaultButton(safe);
    return box.exec();
}

} // namespace

void QtDialogService::ShowError(const QString &text)
{
    runBox(QMessageBox::Critical, u"_CMN_ERROR_CAPTION", text, QMessageBox::Ok, QMessageBox::Ok);
}

void QtDialogService::ShowInformation(const QString &text)
{
    runBox(QMessageBox::Information, u"_CMN_INFORMATION_CAPTION", text, QMessageBox::Ok,
           QMessageBox::Ok);
}

DialogAnswer QtDialogService::AskYesNoCancel(const QString &text)
{
    const int result = runBox(QMessageBox::Question, u"_CMN_CONFIRMATION_CAPTION", text,
                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                              QMessageBox::Cancel);
    if (result == QMessageBox::Yes)
        return DialogAnswer::Yes;
    return result == QMessageBox::No ? DialogAnswer::No : DialogAnswer::Cancel;
}

bool QtDialogService::Confirm(const QString &text)
{
    return runBox(QMessageBox::Question, u"_CMN_CONFIRMATION_CAPTION", text,
                  QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
            == QMessageBox::Yes;
}

bool QtDialogService::PickDate(QDate &value)
{
    DatePickerDialog dialog(QDateTime(value.isValid() ? value : QDate::currentDate(), QTime(0, 0)),
                            false, dialogParent());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    value = dialog.SelectedDateTime().date();
    return true;
}

bool QtDialogService::PickDateTime(QDateTime &value)
{
    DatePickerDialog dialog(value, true, dialogParent());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    value = dialog.SelectedDateTime();
    return true;
}

QString QtDialogService::GetOpenFileName(const QString &title, const QString &filter,
                                         const QString &directory)
{
    QFileDialog dialog(dialogParent(),
                       title.isEmpty() ? CommonResourceString(u"_CMN_FILE_OPEN_CAPTION") : title,
                       directory, QtFilter(filter));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString QtDialogService::QtFilter(const QString &filter)
{
    if (!filter.contains(QLatin1Char('|')))
        return filter;
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        entries.append(QStringLiteral("%1 (%2)").arg(parts.at(i), patterns));
    }
    return entries.join(QStringLiteral(";;"));
}
