#pragma once

#include "DialogService.h"

// The dialogs a user sees: QMessageBox, a calendar picker and QFileDialog, parented to
// the active window and shown modally.
class QtDialogService : public DialogService {
public:
    void ShowError(const QString &text) override;
    void ShowInformation(const QString &text) override;
    DialogAnswer AskYesNoCancel(const QString &text) override;
    bool Confirm(const QString &text) override;
    bool PickDate(QDate &value) override;
    bool PickDateTime(QDateTime &value) override;
    QString GetOpenFileName(const QString &title, const QString &filter,
                            const QString &directory) override;

    // "CSV datoteka|*.csv|Sve|*.*" -> "CSV datoteka (*.csv);;Sve (*.*)"; Qt filters pass.
    static QString QtFilter(const QString &filter);
};
