#include "DialogService.h"

#include "QtDialogService.h"

namespace {

DialogService *&installed()
{
    static DialogService *service = nullptr;
    return service;
}

} // namespace

DialogService &DialogService::Instance()
{
    if (DialogService *service = installed())
        return *service;
    static QtDialogService qtService;
    return qtService;
}

bool DialogService::Replaced()
{
    return installed() != nullptr;
}

ScopedDialogService::ScopedDialogService(DialogService &service) : m_previous(installed())
{
    installed() = &service;
}

ScopedDialogService::~ScopedDialogService()
{
    installed() = m_previous;
}

bool GetDate(QDate &value)
{
    return DialogService::Instance().PickDate(value);
}

bool GetDate(QDateTime &value)
{
    QDate date = value.date().isValid() ? value.date() : QDate::currentDate();
    if (!DialogService::Instance().PickDate(date))
        return false;
    value = QDateTime(date, value.time().isValid() ? value.time() : QTime(0, 0));
    return true;
}

bool GetDateTime(QDateTime &value)
{
    return DialogService::Instance().PickDateTime(value);
}

void ShowErrorMessage(const QString &text)
{
    DialogService::Instance().ShowError(text);
}

void ShowInformationMessage(const QString &text)
{
    DialogService::Instance().ShowInformation(text);
}

DialogAnswer AskYesNoCancel(const QString &text)
{
    return DialogService::Instance().AskYesNoCancel(text);
}

bool ConfirmMessage(const QString &text)
{
    return DialogService::Instance().Confirm(text);
}
