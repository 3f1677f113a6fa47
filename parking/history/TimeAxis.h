#pragma once

// The calendar of the time line: where a moment lies (calendar days equally wide, so a
// day with a change of clock is as wide as any other) and the axis drawn behind the
// events, its ticks and labels from Qt's date formatting in Serbian.

#include <QDateTime>
#include <QString>

#include <vector>

class QFont;
class QPainter;
class QRectF;

namespace history {

// One mark of the axis: where it stands and what it reads.
struct Tick {
    QDateTime wall; // the wall-clock reading, as a UTC date-time
    double x = 0.0;
    double end = 0.0; // x where its period ends: the next tick
    QString label;
};

class TimeAxis {
public:
    // 'origin' lies at x = 0; a day is 'dayWidth' pixels.
    TimeAxis(QDateTime origin, double dayWidth);

    double X(const QDateTime &time) const;
    // The wall-clock reading at 'x' as a UTC date-time: it may name a local time that does
    // not exist (the hour skipped in spring), so it is only ever placed, never shown as local.
    QDateTime TimeAt(double x) const;
    // Calendar days from 'from' to 'to', fractions included.
    static double Days(const QDateTime &from, const QDateTime &to);

    // The finest ticks over 'visible' whose labels do not crowd (hours, days, weeks,
    // months or years), and the coarser row above them (the day, month or year); no hour
    // the local clock skips, the hour it repeats once, never more ticks than pixels.
    std::vector<Tick> Ticks(const QFont &font, const QRectF &visible) const;
    std::vector<Tick> CoarseTicks(const QFont &font, const QRectF &visible) const;

    // Both rows of labels over 'visible' from 'top' and a vertical line at every tick.
    void Draw(QPainter &painter, const QFont &font, const QRectF &visible, double top) const;

private:
    QDateTime m_origin;
    double m_dayWidth;
};

} // namespace history
