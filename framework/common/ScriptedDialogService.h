#pragma once

#include "DialogService.h"

#include <QVariant>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

// A DialogService for tests: answers from queues the test fills beforehand and records
// every dialog shown. With an empty queue the dialog counts as cancelled (No for a
// confirmation, Cancel for a question). Install it with ScopedDialogService.
class ScriptedDialogService : public DialogService {
public:
    enum class Kind { Error, Information, Question, Confirmation, Date, DateTime, FileOpen };

    struct Shown {
        Kind kind;
        QString text;     // the message, or the title of a file dialog
        QVariant preset;  // pickers: the value passed in; file dialog: the filter
    };

    void QueueAnswer(DialogAnswer answer) { m_answers.push_back(answer); }
    void QueueConfirm(bool yes) { m_confirms.push_back(yes); }
    // An invalid date or date-time cancels the picker.
    void QueueDate(const QDate &date) { m_dates.push_back(date); }
    void QueueDateTime(const QDateTime &value) { m_dateTimes.push_back(value); }
    // An empty name cancels the file dialog.
    void QueueFile(const QString &fileName) { m_files.push_back(fileName); }

    // Runs 'hook' whenever a dialog is shown, once it is recorded and before it is
    // answered: a test looks at the world as the person in front of the box sees it.
    void WhileShown(std::function<void(const Shown &)> hook) { m_whileShown = std::move(hook); }

    const std::vector<Shown> &ShownDialogs() const { return m_shown; }
    std::vector<Shown> ShownOf(Kind kind) const;
    // Texts of the error boxes shown so far, in order.
    QStringList Errors() const;
    void Clear();

    void ShowError(const QString &text) override;
    void ShowInformation(const QString &text) override;
    DialogAnswer AskYesNoCancel(const QString &text) override;
    bool Confirm(const QString &text) override;
    bool PickDate(QDate &value) override;
    bool PickDateTime(QDateTime &value) override;
    QString GetOpenFileName(const QString &title, const QString &filter,
                            const QString &directory) override;

private:
    template <class T>
    static std::optional<T> take(std::deque<T> &queue);
    void record(Kind kind, const QString &text, const QVariant &preset = {});

    std::function<void(const Shown &)> m_whileShown;
    std::vector<Shown> m_shown;
    std::deque<DialogAnswer> m_answers;
    std::deque<bool> m_confirms;
    std::deque<QDate> m_dates;
    std::deque<QDateTime> m_dateTimes;
    std::deque<QString> m_files;
};
