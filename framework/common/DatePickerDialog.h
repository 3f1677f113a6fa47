#pragma once

#include <QDateTime>
#include <QDialog>

class QCalendarWidget;
class QTimeEdit;

// Modal calendar, with a time box when 'withTime' is set. A double click or Enter on a
// day accepts.
class DatePickerDialog : public QDialog {
    Q_OBJECT
public:
    DatePickerDialog(const QDateTime &preset, bool withTime, QWidget *parent = nullptr);

    QDateTime SelectedDateTime() const;

private:
    QCalendarWidget *m_calendar;
    QTimeEdit *m_time = nullptr;
};
