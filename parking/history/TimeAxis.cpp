#include "TimeAxis.h"

#include <QFontMetrics>
#include <QLocale>
#include <QPainter>

#include <cmath>
#include <functional>
#include <iterator>
#include <optional>

namespace history {

namespace {

constexpr double kSecondsPerDay = 86400.0;

// Calendar days are equally wide: a time is placed by its wall-clock reading, kept as a
// UTC date-time so that every day has 24 hours to step through.
QDateTime Wall(const QDateTime &time)
{
    return QDateTime(time.date(), time.time(), Qt::UTC);
}

qint64 WallSeconds(const QDateTime &time)
{
    return Wall(time).toSecsSinceEpoch();
}

// The hour the clock skips in spring has no local time; its tick is left out.
bool LocalTimeExists(const QDateTime &wall)
{
    const QDateTime local(wall.date(), wall.time());
    return local.isValid() && local.time() == wall.time();
}

// One step of the axis over wall-clock readings: 'count' hours, days, months or years.
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
    QDateTime Floor(const QDateTime &wall) const
    {
        const QDate date = wall.date();
        switch (unit) {
        case Hour: return QDateTime(date, QTime(wall.time().hour() - wall.time().hour() % count, 0), Qt::UTC);
        case Day: return QDateTime(date, QTime(0, 0), Qt::UTC);
        case Month:
            return QDateTime(QDate(date.year(), date.month() - (date.month() - 1) % count, 1), QTime(0, 0), Qt::UTC);
        case Year: break;
        }
        return QDateTime(QDate(date.year() - date.year() % count, 1, 1), QTime(0, 0), Qt::UTC);
    }
    QDateTime Next(const QDateTime &wall) const
    {
        switch (unit) {
        case Hour: return wall.addSecs(3600 * count);
        case Day: return wall.addDays(count);
        case Month: return wall.addMonths(count);
        case Year: break;
        }
        return wall.addYears(count);
    }
    QString Label(const QDateTime &wall, const QLocale &locale) const
    {
        switch (unit) {
        case Hour: return wall.toString(QStringLiteral("HH:mm"));
        case Day: return wall.toString(QStringLiteral("dd.MM."));
        case Month: return locale.toString(wall.date(), QStringLiteral("MMM yyyy"));
        case Year: break;
        }
        return wall.toString(QStringLiteral("yyyy"));
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

QString CoarseLabel(const Step &step, const QDateTime &wall, const QLocale &locale)
{
    switch (step.unit) {
    case Step::Day: return locale.toString(wall.date(), QStringLiteral("ddd dd.MM.yyyy"));
    case Step::Month: return locale.toString(wall.date(), QStringLiteral("MMMM yyyy"));
    default: return wall.toString(QStringLiteral("yyyy"));
    }
}

const QLocale &Serbian()
{
    static const QLocale locale(QLocale::Serbian, QLocale::LatinScript, QLocale::Serbia);
    return locale;
}

// The finest step whose labels do not crowd at 'dayWidth' pixels a day.
const Step &FineStep(const QFont &font, double dayWidth, const QDateTime &sample)
{
    const QFontMetrics metrics(font);
    const double labelWidth = metrics.horizontalAdvance(QStringLiteral("00.00. ")) + 12;
    for (const Step &candidate : kSteps) {
        const double needed =
            std::max(labelWidth, double(metrics.horizontalAdvance(candidate.Label(sample, Serbian()) + u' ')) + 12);
        if (candidate.Days() * dayWidth >= needed)
            return candidate;
    }
    return kSteps[std::size(kSteps) - 1];
}

// The ticks of 'step' from the one at or before the left edge to the right edge; the
// loop steps through wall-clock readings, which always move on, and stops at one tick a
// pixel whatever the step.
std::vector<Tick> StepTicks(const TimeAxis &axis, const Step &step, const QRectF &visible,
                            const std::function<QString(const QDateTime &)> &label)
{
    const QDateTime to = axis.TimeAt(visible.right());
    const int limit = int(std::ceil(std::max(0.0, visible.width()))) + 2;
    std::vector<Tick> ticks;
    QDateTime wall = step.Floor(axis.TimeAt(visible.left()));
    for (int i = 0; i < limit && wall.isValid() && wall <= to; ++i) {
        const QDateTime next = step.Next(wall);
        if (step.unit != Step::Hour || LocalTimeExists(wall))
            ticks.push_back({wall, axis.X(wall), axis.X(next), label(wall)});
        wall = next;
    }
    return ticks;
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
    return Wall(m_origin).addSecs(qint64(std::llround(x / m_dayWidth * kSecondsPerDay)));
}

double TimeAxis::Days(const QDateTime &from, const QDateTime &to)
{
    return (WallSeconds(to) - WallSeconds(from)) / kSecondsPerDay;
}

std::vector<Tick> TimeAxis::Ticks(const QFont &font, const QRectF &visible) const
{
    const Step &step = FineStep(font, m_dayWidth, Wall(m_origin));
    return StepTicks(*this, step, visible, [&step](const QDateTime &wall) { return step.Label(wall, Serbian()); });
}

std::vector<Tick> TimeAxis::CoarseTicks(const QFont &font, const QRectF &visible) const
{
    const std::optional<Step> coarse = Coarse(FineStep(font, m_dayWidth, Wall(m_origin)));
    if (!coarse)
        return {};
    return StepTicks(*this, *coarse, visible,
                     [&coarse](const QDateTime &wall) { return CoarseLabel(*coarse, wall, Serbian()); });
}

void TimeAxis::Draw(QPainter &painter, const QFont &font, const QRectF &visible, double top) const
{
    const QFontMetrics metrics(font);
    const double line = metrics.height();
    painter.setFont(font);

    painter.fillRect(QRectF(visible.left(), top, visible.width(), 2 * line + 8), QColor(0xf2, 0xf2, 0xf2));
    for (const Tick &tick : Ticks(font, visible)) {
        painter.setPen(QColor(0xe0, 0xe0, 0xe0));
        painter.drawLine(QPointF(tick.x, top + line + 4), QPointF(tick.x, visible.bottom()));
        painter.setPen(Qt::black);
        painter.drawText(QPointF(tick.x + 3, top + 2 * line + 2), tick.label);
    }
    for (const Tick &tick : CoarseTicks(font, visible)) {
        painter.setPen(QColor(0xa0, 0xa0, 0xa0));
        painter.drawLine(QPointF(tick.x, top), QPointF(tick.x, visible.bottom()));
        painter.setPen(Qt::black);
        // The label of a partly scrolled-out period stays at the left edge until the
        // next one pushes it out.
        const double room = tick.end - metrics.horizontalAdvance(tick.label) - 6;
        painter.drawText(QPointF(std::min(std::max(tick.x, visible.left()), room) + 3, top + line), tick.label);
    }
}

} // namespace history
