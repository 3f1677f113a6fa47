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

void ScriptedDialogService::record(Kind kind, const QString &text, const QVariant &preset)
{
    const Shown shown{kind, text, preset};
    m_shown.push_back(shown);
    if (m_whileShown)
        m_whileShown(shown);
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
    record(Kind::Error, text);
}

void ScriptedDialogService::ShowInformation(const QString &text)
{
    record(Kind::Information, text);
}

DialogAnswer ScriptedDialogService::AskYesNoCancel(const QString &text)
{
    record(Kind::Question, text);
    return take(m_answers).value_or(DialogAnswer::Cancel);
}

bool ScriptedDialogService::Confirm(const QString &text)
{
    record(Kind::Confirmation, text);
    return take(m_confirms).value_or(false);
}

bool ScriptedDialogService::PickDate(QDate &value)
{
    record(Kind::Date, {}, value);
    const std::optional<QDate> answer = take(m_dates);
    if (!answer || !answer->isValid())
        return false;
    value = *answer;
    return true;
}

bool ScriptedDialogService::PickDateTime(QDateTime &value)
{
    record(Kind::DateTime, {}, value);
    const std::optional<QDateTime> answer = take(m_dateTimes);
    if (!answer || !answer->isValid())
        return false;
    value = *answer;
    return true;
}

QString ScriptedDialogService::GetOpenFileName(const QString &title, const QString &filter,
                                               const QString &)
{
    record(Kind::FileOpen, title, filter);
    return take(m_files).value_or(QString());
}
