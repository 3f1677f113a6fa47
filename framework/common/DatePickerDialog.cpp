#include "DatePickerDialog.h"

#include "CommonResourceString.h"
#include "DialogButtons.h"

#include <QCalendarWidget>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QTimeEdit>
#include <QVBoxLayout>

DatePickerDialog::DatePickerDialog(const QDateTime &preset, bool withTime, QWidget *parent)
    : QDialog(parent), m_calendar(new QCalendarWidget(this))
{
    setWindowTitle(CommonResourceString(withTime ? u"_CMN_DATETIME_CAPTION" : u"_CMN_DATE_CAPTION"));
    setModal(true);
    const QDateTime start = preset.isValid() ? preset : QDateTime::currentDateTime();

    m_calendar->setLocale(QLocale(QLocale::Serbian, QLocale::LatinScript, QLocale::Serbia));
    m_calendar->setFirstDayOfWeek(Qt::Monday);
    m_calendar->setGridVisible(true);
    m_calendar->setSelectedDate(start.date());
    connect(m_calendar, &QCalendarWidget::activated, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_calendar);
    if (withTime) {
        m_time = new QTimeEdit(start.time(), this);
        m_time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
        auto *row = new QHBoxLayout;
        row->addWidget(new QLabel(CommonResourceString(u"_CMN_TIME_CAPTION"), this));
        row->addWidget(m_time, 1);
        layout->addLayout(row);
    }
    layout->addWidget(OkCancelButtons(this, QStringLiteral("U redu"), QStringLiteral("Otkaži")));
}

QDateTime DatePickerDialog::SelectedDateTime() const
{
    return QDateTime(m_calendar->selectedDate(), m_time ? m_time->time() : QTime(0, 0));
}
