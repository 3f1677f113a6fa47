#pragma once

// The calendar of the time line: where a moment lies (calendar days equally wide, so a
// day with a change of clock is as wide as any other) and the axis drawn behind the
// events, its ticks and labels from Qt's date formatting in Serbian.

#include <QDateTime>

class QFont;
class QPainter;
class QRectF;

namespace history {

class TimeAxis {
public:
    // 'origin' lies at x = 0; a day is 'dayWidth' pixels.
    TimeAxis(QDateTime origin, double dayWidth);

    double X(const QDateTime &time) const;
    QDateTime TimeAt(double x) const;
    // Calendar days from 'from' to 'to', fractions included.
    static double Days(const QDateTime &from, const QDateTime &to);

    // Two rows of labels over 'visible' from 'top': hours, days, weeks, months or years
    // (the finest whose labels do not crowd) and above them the day, month or year; a
    // vertical line at every tick.
    void Draw(QPainter &painter, const QFont &font, const QRectF &visible, double top) const;

private:
    QDateTime m_origin;
    double m_dayWidth;
};

} // namespace history
