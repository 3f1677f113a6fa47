#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

// Every dialog the framework and the module show goes through one replaceable
// service: the default one shows Qt dialogs, a test installs a ScriptedDialogService
// that answers and records what was shown.

enum class DialogAnswer { Yes, No, Cancel };

class DialogService {
public:
    virtual ~DialogService() = default;

    // Message box with the error / information icon and one OK button.
    virtual void ShowError(const QString &text) = 0;
    virtual void ShowInformation(const QString &text) = 0;
    // Yes / No / Cancel; closing the box counts as Cancel, which is also the default
    // answer (Enter).
    virtual DialogAnswer AskYesNoCancel(const QString &text) = 0;
    // Yes / No; true for Yes. Every question asked so may harm data on "Da": Enter and
    // Escape answer "Ne".
    virtual bool Confirm(const QString &text) = 0;
    // Modal pickers preset to 'value'; true and 'value' changed when confirmed.
    virtual bool PickDate(QDate &value) = 0;
    virtual bool PickDateTime(QDateTime &value) = 0;
    // An existing file; empty when cancelled. 'filter' as "CSV datoteka|*.csv" or in
    // Qt's form "CSV datoteka (*.csv)".
    virtual QString GetOpenFileName(const QString &title, const QString &filter,
                                    const QString &directory = {}) = 0;

    // The service in use: the installed one, else the Qt one.
    static DialogService &Instance();
    // True while a ScopedDialogService has installed another service.
    static bool Replaced();
};

// Installs a service for the lifetime of the guard and puts the previous one back.
class ScopedDialogService {
public:
    explicit ScopedDialogService(DialogService &service);
    ~ScopedDialogService();
    ScopedDialogService(const ScopedDialogService &) = delete;
    ScopedDialogService &operator=(const ScopedDialogService &) = delete;

private:
    DialogService *m_previous;
};

// The host routines, through DialogService::Instance().
bool GetDate(QDate &value);
bool GetDate(QDateTime &value);        // keeps the time of day of 'value'
bool GetDateTime(QDateTime &value);
void ShowErrorMessage(const QString &text);
void ShowInformationMessage(const QString &text);
DialogAnswer AskYesNoCancel(const QString &text);
bool ConfirmMessage(const QString &text);
