#pragma once

// A vehicle's events on one horizontal time axis: documents and tickets as marks (a paid
// ticket joined by a line to the document that paid it), subscriptions and start-stop
// periods as labelled bars. Zoomed by the wheel or to a day, month or year; scrolled by
// its scroll bar or by dragging. A mark selects, hovers and opens like the table's rows.

#include "TimeAxis.h"
#include "VehicleHistory.h"

#include <QGraphicsView>

#include <vector>

class QGraphicsItem;
class QGraphicsLineItem;

namespace history {

class TimeLine : public QGraphicsView {
    Q_OBJECT
public:
    enum class Span { Day, Month, Year };

    explicit TimeLine(QWidget *parent = nullptr);
    ~TimeLine() override;

    void SetHistory(VehicleHistory history);
    const VehicleHistory &History() const { return m_history; }

    // Pixels one calendar day takes; every zoom sets it.
    double DayWidth() const { return m_dayWidth; }
    void SetDayWidth(double pixels);
    // One day, month or year fills the view, around the selected event or the newest.
    void ShowSpan(Span span);
    // Every event in view.
    void ShowAll();

    // The item drawn for event 'index' (nullptr when there is none) and the joins drawn.
    QGraphicsItem *Mark(int index) const;
    const std::vector<QGraphicsLineItem *> &JoinLines() const { return m_joinLines; }
    // The lane an event is drawn in: documents 0, tickets 1, then the period lanes.
    int Lane(int index) const;

    int SelectedEvent() const { return m_selected; }
    void SelectEvent(int index); // -1 clears; keeps the mark in view

    // The whole history as a picture 'width' pixels wide, for a printout.
    QImage Picture(int width) const;

Q_SIGNALS:
    void eventSelected(int index);
    void eventActivated(int index);

protected:
    void drawBackground(QPainter *painter, const QRectF &rect) override;
    void drawForeground(QPainter *painter, const QRectF &rect) override;
    void wheelEvent(QWheelEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void Build();
    void Restyle();
    void FollowSceneSelection();
    void PlaceBarLabels();
    double CaptionWidth() const;
    TimeAxis Axis() const;
    double X(const QDateTime &time) const;
    QDateTime TimeAt(double x) const;
    double LaneY(int lane) const;
    int EventAt(const QPoint &viewPosition) const;
    void CentreOn(const QDateTime &time);

    VehicleHistory m_history;
    std::vector<int> m_lanes; // per event
    std::vector<QGraphicsItem *> m_marks; // per event
    std::vector<QGraphicsLineItem *> m_joinLines;
    int m_laneCount = 2;
    int m_selected = -1;
    bool m_selecting = false;
    double m_dayWidth = 40.0;
    QDateTime m_origin; // x = 0
    bool m_autoFit = true; // ShowAll on resize until the person zooms
};

} // namespace history
