#include "TimeAxis.h"

#include <QFontMetrics>
#include <QLocale>
#include <QPainter>

#include <cmath>
#include <iterator>
#include <optional>

namespace history {

namespace {

constexpr double kSecondsPerDay = 86400.0;

// Calendar days are equally wide: a time is placed by its wall-clock reading.
qint64 WallSeconds(const QDateTime &time)
{
    return QDateTime(time.date(), time.time(), Qt::UTC).toSecsSinceEpoch();
}

// One step of the axis: 'count' hours, days, months or years.
struct Step {
    enum Unit { Hour, Day, Month, Year } unit;
    int count;

    double Days() const
    {
        switch (unit) {
        case Hour: return count / 24.0;
        case Day: return count;
        case Month: return count * 30.44;
        case Year: break;
        }
        return count * 365.25;
    }
    QDateTime Floor(const QDateTime &time) const
    {
        const QDate date = time.date();
        switch (unit) {
        case Hour: return QDateTime(date, QTime(time.time().hour() - time.time().hour() % count, 0));
        case Day: return QDateTime(date, QTime(0, 0));
        case Month: return QDateTime(QDate(date.year(), date.month() - (date.month() - 1) % count, 1), QTime(0, 0));
        case Year: break;
        }
        return QDateTime(QDate(date.year() - date.year() % count, 1, 1), QTime(0, 0));
    }
    QDateTime Next(const QDateTime &time) const
    {
        switch (unit) {
        case Hour: return QDateTime(time.date(), time.time()).addSecs(3600 * count);
        case Day: return QDateTime(time.date().addDays(count), QTime(0, 0));
        case Month: return QDateTime(time.date().addMonths(count), QTime(0, 0));
        case Year: break;
        }
        return QDateTime(time.date().addYears(count), QTime(0, 0));
    }
    QString Label(const QDateTime &time, const QLocale &locale) const
    {
        switch (unit) {
        case Hour: return time.toString(QStringLiteral("HH:mm"));
        case Day: return time.toString(QStringLiteral("dd.MM."));
        case Month: return locale.toString(time.date(), QStringLiteral("MMM yyyy"));
        case Year: break;
        }
        return time.toString(QStringLiteral("yyyy"));
    }
};

constexpr Step kSteps[] = {{Step::Hour, 1}, {Step::Hour, 3}, {Step::Hour, 6},  {Step::Hour, 12},
                           {Step::Day, 1},  {Step::Day, 7},  {Step::Month, 1}, {Step::Month, 3},
                           {Step::Year, 1}, {Step::Year, 5}, {Step::Year, 10}};

// The coarser row above the ticks: the day of hour ticks, the month of day ticks, the
// year of month ticks.
std::optional<Step> Coarse(const Step &fine)
{
    switch (fine.unit) {
    case Step::Hour: return Step{Step::Day, 1};
    case Step::Day: return Step{Step::Month, 1};
    case Step::Month: return Step{Step::Year, 1};
    case Step::Year: break;
    }
    return std::nullopt;
}

QString CoarseLabel(const Step &step, const QDateTime &time, const QLocale &locale)
{
    switch (step.unit) {
    case Step::Day: return locale.toString(time.date(), QStringLiteral("ddd dd.MM.yyyy"));
    case Step::Month: return locale.toString(time.date(), QStringLiteral("MMMM yyyy"));
    default: return time.toString(QStringLiteral("yyyy"));
    }
}

const QLocale &Serbian()
{
    static const QLocale locale(QLocale::Serbian, QLocale::LatinScript, QLocale::Serbia);
    return locale;
}

} // namespace

TimeAxis::TimeAxis(QDateTime origin, double dayWidth)
    : m_origin(std::move(origin))
    , m_dayWidth(dayWidth)
{
}

double TimeAxis::X(const QDateTime &time) const
{
    return Days(m_origin, time) * m_dayWidth;
}

QDateTime TimeAxis::TimeAt(double x) const
{
    const qint64 seconds = WallSeconds(m_origin) + qint64(std::llround(x / m_dayWidth * kSecondsPerDay));
    const QDateTime wall = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
    return QDateTime(wall.date(), wall.time());
}

double TimeAxis::Days(const QDateTime &from, const QDateTime &to)
{
    return (WallSeconds(to) - WallSeconds(from)) / kSecondsPerDay;
}

void TimeAxis::Draw(QPainter &painter, const QFont &font, const QRectF &visible, double top) const
{
    const QFontMetrics metrics(font);
    const double labelWidth = metrics.horizontalAdvance(QStringLiteral("00.00. ")) + 12;
    const Step *step = &kSteps[std::size(kSteps) - 1];
    for (const Step &candidate : kSteps) {
        const double needed =
            std::max(labelWidth, double(metrics.horizontalAdvance(candidate.Label(m_origin, Serbian()) + u' ')) + 12);
        if (candidate.Days() * m_dayWidth >= needed) {
            step = &candidate;
            break;
        }
    }
    const QDateTime from = TimeAt(visible.left());
    const QDateTime to = TimeAt(visible.right());
    const double line = metrics.height();
    painter.setFont(font);

    painter.fillRect(QRectF(visible.left(), top, visible.width(), 2 * line + 8), QColor(0xf2, 0xf2, 0xf2));
    for (QDateTime t = step->Floor(from); t <= to; t = step->Next(t)) {
        const double x = X(t);
        painter.setPen(QColor(0xe0, 0xe0, 0xe0));
        painter.drawLine(QPointF(x, top + line + 4), QPointF(x, visible.bottom()));
        painter.setPen(Qt::black);
        painter.drawText(QPointF(x + 3, top + 2 * line + 2), step->Label(t, Serbian()));
    }
    if (const std::optional<Step> coarse = Coarse(*step)) {
        for (QDateTime t = coarse->Floor(from); t <= to; t = coarse->Next(t)) {
            const double x = X(t);
            painter.setPen(QColor(0xa0, 0xa0, 0xa0));
            painter.drawLine(QPointF(x, top), QPointF(x, visible.bottom()));
            painter.setPen(Qt::black);
            // The label of a partly scrolled-out period stays at the left edge until the
            // next one pushes it out.
            const QString label = CoarseLabel(*coarse, t, Serbian());
            const double room = X(coarse->Next(t)) - metrics.horizontalAdvance(label) - 6;
            painter.drawText(QPointF(std::min(std::max(x, visible.left()), room) + 3, top + line), label);
        }
    }
}

} // namespace history
