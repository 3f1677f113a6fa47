#include "ScriptedDialogService.h"

#include <QStringList>

template <class T>
std::optional<T> ScriptedDialogService::take(std::deque<T> &queue)
{
    if (queue.empty())
        return std::nullopt;
    T value = queue.front();
    queue.pop_front();
    return value;
}

std::vector<ScriptedDialogService::Shown> ScriptedDialogService::ShownOf(Kind kind) const
{
    std::vector<Shown> result;
    for (const Shown &shown : m_shown) {
        if (shown.kind == kind)
            result.push_back(shown);
    }
    return result;
}

QStringList ScriptedDialogService::Errors() const
{
    QStringList texts;
    for (const Shown &shown : ShownOf(Kind::Error))
        texts.append(shown.text);
    return texts;
}

void ScriptedDialogService::Clear()
{
    m_shown.clear();
    m_answers.clear();
    m_confirms.clear();
    m_dates.clear();
    m_dateTimes.clear();
    m_files.clear();
}

void ScriptedDialogService::ShowError(const QString &text)
{
    m_shown.push_back({Kind::Error, text, {}});
}

void ScriptedDialogService::ShowInformation(const QString &text)
{
    m_shown.push_back({Kind::Information, text, {}});
}

DialogAnswer ScriptedDialogService::AskYesNoCancel(const QString &text)
{
    m_shown.push_back({Kind::Question, text, {}});
    return take(m_answers).value_or(DialogAnswer::Cancel);
}

bool ScriptedDialogService::Confirm(const QString &text)
{
    m_shown.push_back({Kind::Confirmation, text, {}});
    return take(m_confirms).value_or(false);
}

bool ScriptedDialogService::PickDate(QDate &value)
{
    m_shown.push_back({Kind::Date, {}, value});
    const std::optional<QDate> answer = take(m_dates);
    if (!answer || !answer->isValid())
        return false;
    value = *answer;
    return true;
}

bool ScriptedDialogService::PickDateTime(QDateTime &value)
{
    m_shown.push_back({Kind::DateTime, {}, value});
    const std::optional<QDateTime> answer = take(m_dateTimes);
    if (!answer || !answer->isValid())
        return false;
    value = *answer;
    return true;
}

QString ScriptedDialogService::GetOpenFileName(const QString &title, const QString &filter,
                                               const QString &)
{
    m_shown.push_back({Kind::FileOpen, title, filter});
    return take(m_files).value_or(QString());
}
