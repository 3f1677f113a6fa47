#include "TimeLine.h"

#include <QGraphicsEllipseItem>
#include <QGraphicsLineItem>
#include <QGraphicsPolygonItem>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace history {

namespace {

constexpr double kMinDayWidth = 0.05; // about 18 px a year
constexpr double kMaxDayWidth = 48000.0; // about 33 px a minute
constexpr double kMarkRadius = 6.0;
constexpr double kBarHeight = 16.0;

const QColor kDocumentColour(0x1f, 0x5f, 0xbf);
const QColor kSubscriptionColour(0xc5, 0xb3, 0xe6);
const QColor kSubscriptionEdge(0x5e, 0x35, 0xb1);
const QColor kStartStopColour(0x9f, 0xd8, 0xd2);
const QColor kStartStopEdge(0x00, 0x79, 0x6b);
const QColor kJoinColour(0x2e, 0x9d, 0x57);

QColor TicketColour(TicketState state)
{
    switch (state) {
    case TicketState::Paid: return QColor(0x2e, 0x9d, 0x57);
    case TicketState::Cancelled: return QColor(0x9a, 0xa0, 0xa6);
    case TicketState::Open: break;
    }
    return QColor(0xe6, 0x7e, 0x22);
}

const char *LaneCaption(int lane, int ticketLane, int firstStartStop)
{
    if (lane == 0)
        return "Dokumenti";
    if (lane == ticketLane)
        return "Karte";
    return lane >= firstStartStop ? "Start-stop" : "Pretplate";
}

} // namespace

TimeLine::TimeLine(QWidget *parent)
    : QGraphicsView(parent)
{
    setObjectName(QStringLiteral("TimeLineView"));
    setScene(new QGraphicsScene(this));
    setRenderHint(QPainter::Antialiasing);
    setDragMode(QGraphicsView::ScrollHandDrag);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setViewportUpdateMode(QGraphicsView::FullViewportUpdate); // the axis follows the scroll
    setMouseTracking(true);
    connect(scene(), &QGraphicsScene::selectionChanged, this, [this] { FollowSceneSelection(); });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { PlaceBarLabels(); });
}

TimeLine::~TimeLine()
{
    // The scene goes with the view; its signal must not reach a half-destroyed view.
    disconnect(scene(), nullptr, this, nullptr);
    disconnect(horizontalScrollBar(), nullptr, this, nullptr);
}

void TimeLine::SetHistory(VehicleHistory history)
{
    m_history = std::move(history);
    m_selected = -1;
    m_autoFit = true;

    // Periods share a lane while they do not overlap; tickets and documents have their own.
    m_lanes.assign(m_history.events.size(), 0);
    std::vector<int> periods;
    for (int i = 0; i < int(m_history.events.size()); ++i) {
        const Event &event = m_history.events[i];
        if (event.IsPeriod())
            periods.push_back(i);
        else
            m_lanes[i] = event.kind == EventKind::Document ? 0 : 1;
    }
    std::ranges::stable_sort(periods, [this](int a, int b) {
        const Event &ea = m_history.events[a];
        const Event &eb = m_history.events[b];
        return ea.kind != eb.kind ? ea.kind < eb.kind : ea.start < eb.start;
    });
    std::vector<std::pair<EventKind, QDateTime>> laneEnds; // of the period lanes
    for (const int i : periods) {
        const Event &event = m_history.events[i];
        auto free = std::ranges::find_if(
            laneEnds, [&event](const auto &lane) { return lane.first == event.kind && lane.second <= event.start; });
        if (free == laneEnds.end()) {
            laneEnds.emplace_back(event.kind, event.end);
            free = laneEnds.end() - 1;
        } else {
            free->second = event.end;
        }
        m_lanes[i] = 2 + int(free - laneEnds.begin());
    }
    m_laneCount = 2 + int(laneEnds.size());

    QDateTime first;
    for (const Event &event : m_history.events) {
        if (event.start.isValid() && (!first.isValid() || event.start < first))
            first = event.start;
    }
    m_origin = QDateTime((first.isValid() ? first : QDateTime::currentDateTime()).date().addDays(-2), QTime(0, 0));
    Build();
    ShowAll();
}

void TimeLine::SetDayWidth(double pixels)
{
    const double centreX = mapToScene(viewport()->rect().center()).x();
    const QDateTime centre = TimeAt(centreX);
    m_dayWidth = std::clamp(pixels, kMinDayWidth, kMaxDayWidth);
    m_autoFit = false;
    Build();
    CentreOn(centre);
}

void TimeLine::ShowSpan(Span span)
{
    const double days = span == Span::Day ? 1.0 : span == Span::Month ? 30.44 : 365.25;
    QDateTime centre;
    if (m_selected >= 0)
        centre = m_history.events[m_selected].start;
    else if (!m_history.events.empty())
        centre = m_history.events.front().start;
    m_dayWidth = std::clamp(viewport()->width() / days, kMinDayWidth, kMaxDayWidth);
    m_autoFit = false;
    Build();
    if (centre.isValid())
        CentreOn(centre);
}

void TimeLine::ShowAll()
{
    QDateTime first;
    QDateTime last;
    for (const Event &event : m_history.events) {
        const QDateTime end = event.IsPeriod() ? event.end : event.start;
        if (!first.isValid() || event.start < first)
            first = event.start;
        if (!last.isValid() || end > last)
            last = end;
    }
    const double days = first.isValid() ? std::max(1.0, TimeAxis::Days(first, last)) : 30.0;
    // The lanes' captions keep their room at the left, a little is spare at the right.
    const double captions = CaptionWidth() + 16;
    const double usable = std::max(40.0, viewport()->width() - captions - 40);
    m_dayWidth = std::clamp(usable / days, kMinDayWidth, kMaxDayWidth);
    Build();
    if (first.isValid())
        horizontalScrollBar()->setValue(int(std::floor(X(first) - captions)));
    m_autoFit = true;
}

QGraphicsItem *TimeLine::Mark(int index) const
{
    return index >= 0 && index < int(m_marks.size()) ? m_marks[index] : nullptr;
}

int TimeLine::Lane(int index) const
{
    return m_lanes.at(index);
}

void TimeLine::SelectEvent(int index)
{
    if (index == m_selected)
        return;
    m_selected = index;
    m_selecting = true;
    scene()->clearSelection();
    if (QGraphicsItem *mark = Mark(index)) {
        mark->setSelected(true);
        ensureVisible(mark, 40, 10);
    }
    m_selecting = false;
    Restyle();
}

TimeAxis TimeLine::Axis() const
{
    return TimeAxis(m_origin, m_dayWidth);
}

double TimeLine::X(const QDateTime &time) const
{
    return Axis().X(time);
}

QDateTime TimeLine::TimeAt(double x) const
{
    return Axis().TimeAt(x);
}

double TimeLine::LaneY(int lane) const
{
    const int line = fontMetrics().height();
    return 2.0 * line + 14 + lane * (line + 14) + (line + 14) / 2.0;
}

void TimeLine::CentreOn(const QDateTime &time)
{
    centerOn(X(time), sceneRect().center().y());
}

void TimeLine::Build()
{
    QGraphicsScene &canvas = *scene();
    m_selecting = true;
    canvas.clear();
    m_marks.assign(m_history.events.size(), nullptr);
    m_joinLines.clear();

    double left = 0.0;
    double right = X(m_origin.addDays(4));
    const QFont small = font();
    for (int i = 0; i < int(m_history.events.size()); ++i) {
        const Event &event = m_history.events[i];
        const double x = X(event.start);
        const double y = LaneY(m_lanes[i]);
        QAbstractGraphicsShapeItem *item = nullptr;
        if (event.IsPeriod()) {
            const double width = std::max(3.0, X(event.end) - x);
            auto *bar = canvas.addRect(0, 0, width, kBarHeight);
            bar->setPos(x, y - kBarHeight / 2);
            const bool subscription = event.kind == EventKind::Subscription;
            bar->setBrush(subscription ? kSubscriptionColour : kStartStopColour);
            bar->setPen(QPen(subscription ? kSubscriptionEdge : kStartStopEdge, 1));
            auto *label = new QGraphicsSimpleTextItem(event.label, bar);
            label->setFont(small);
            const QRectF text = label->boundingRect();
            // Inside the bar where it fits, else just after its end.
            label->setPos(text.width() + 8 <= width ? 4.0 : width + 4, (kBarHeight - text.height()) / 2);
            right = std::max(right, x + width + (text.width() + 8 <= width ? 0 : text.width() + 8));
            item = bar;
        } else if (event.kind == EventKind::Document) {
            const double r = kMarkRadius + 1;
            auto *diamond = canvas.addPolygon(QPolygonF({{0, -r}, {r, 0}, {0, r}, {-r, 0}}));
            diamond->setPos(x, y);
            diamond->setBrush(kDocumentColour);
            diamond->setPen(QPen(kDocumentColour.darker(140), 1));
            item = diamond;
        } else {
            auto *dot = canvas.addEllipse(-kMarkRadius, -kMarkRadius, 2 * kMarkRadius, 2 * kMarkRadius);
            dot->setPos(x, y);
            dot->setBrush(TicketColour(event.state));
            dot->setPen(QPen(TicketColour(event.state).darker(150), 1));
            item = dot;
        }
        item->setData(0, i);
        item->setToolTip(event.details);
        item->setFlag(QGraphicsItem::ItemIsSelectable);
        item->setZValue(event.IsPeriod() ? 1 : 3);
        m_marks[i] = item;
        left = std::min(left, x);
        right = std::max(right, x + 2 * kMarkRadius);
    }
    for (const Join &join : m_history.joins) {
        const QPointF from = m_marks[join.ticket]->pos();
        const QPointF to = m_marks[join.document]->pos();
        auto *line = canvas.addLine(QLineF(from, to), QPen(kJoinColour, 1.5, Qt::DashLine));
        line->setZValue(2);
        line->setData(0, join.ticket);
        line->setToolTip(QStringLiteral("Karta %1 plaćena dokumentom %2")
                             .arg(m_history.events[join.ticket].number, m_history.events[join.document].number));
        m_joinLines.push_back(line);
    }
    const double bottom = LaneY(m_laneCount - 1) + fontMetrics().height();
    const double margin = std::max(CaptionWidth() + 60.0, viewport()->width() / 2.0);
    canvas.setSceneRect(QRectF(left - margin, 0, right - left + 2 * margin, bottom));
    if (QGraphicsItem *mark = Mark(m_selected))
        mark->setSelected(true);
    m_selecting = false;
    Restyle();
    PlaceBarLabels();
}

// The selected mark is drawn with a heavy black edge.
void TimeLine::Restyle()
{
    for (int i = 0; i < int(m_marks.size()); ++i) {
        auto *shape = static_cast<QAbstractGraphicsShapeItem *>(m_marks[i]);
        QPen pen = shape->pen();
        const bool selected = i == m_selected;
        pen.setWidthF(selected ? 3.0 : 1.0);
        if (selected)
            pen.setColor(Qt::black);
        else if (m_history.events[i].kind == EventKind::Ticket)
            pen.setColor(TicketColour(m_history.events[i].state).darker(150));
        else if (m_history.events[i].kind == EventKind::Document)
            pen.setColor(kDocumentColour.darker(140));
        else
            pen.setColor(m_history.events[i].kind == EventKind::Subscription ? kSubscriptionEdge : kStartStopEdge);
        shape->setPen(pen);
        shape->setZValue(selected ? 4 : (m_history.events[i].IsPeriod() ? 1 : 3));
    }
}

double TimeLine::CaptionWidth() const
{
    const QFontMetrics metrics = fontMetrics();
    double widest = 0;
    for (const char *caption : {"Dokumenti", "Karte", "Pretplate", "Start-stop"})
        widest = std::max(widest, double(metrics.horizontalAdvance(QString::fromUtf8(caption)) + 8));
    return widest;
}

// A bar's label stays readable beside the captions while its bar is partly scrolled out.
void TimeLine::PlaceBarLabels()
{
    const double visibleLeft = mapToScene(QPoint(0, 0)).x() + CaptionWidth() + 6;
    for (QGraphicsItem *item : m_marks) {
        auto *bar = qgraphicsitem_cast<QGraphicsRectItem *>(item);
        if (!bar || bar->childItems().isEmpty())
            continue;
        QGraphicsItem *label = bar->childItems().constFirst();
        const double width = bar->rect().width();
        const double text = label->boundingRect().width();
        if (text + 8 > width)
            continue; // drawn after the bar's end
        const double wanted = std::clamp(visibleLeft - bar->pos().x(), 4.0, width - text - 4);
        label->setPos(wanted, label->pos().y());
    }
}

void TimeLine::FollowSceneSelection()
{
    if (m_selecting)
        return;
    const QList<QGraphicsItem *> chosen = scene()->selectedItems();
    const int index = chosen.isEmpty() ? -1 : chosen.first()->data(0).toInt();
    if (index == m_selected)
        return;
    m_selected = index;
    Restyle();
    Q_EMIT eventSelected(index);
}

int TimeLine::EventAt(const QPoint &viewPosition) const
{
    for (QGraphicsItem *item : items(viewPosition)) {
        while (item->parentItem())
            item = item->parentItem();
        if (item->data(0).isValid() && item->flags().testFlag(QGraphicsItem::ItemIsSelectable))
            return item->data(0).toInt();
    }
    return -1;
}

void TimeLine::mouseDoubleClickEvent(QMouseEvent *event)
{
    const int index = EventAt(event->position().toPoint());
    if (index < 0) {
        QGraphicsView::mouseDoubleClickEvent(event);
        return;
    }
    SelectEvent(index);
    Q_EMIT eventSelected(index);
    Q_EMIT eventActivated(index);
}

// The wheel zooms around the time under the pointer; with Shift it scrolls.
void TimeLine::wheelEvent(QWheelEvent *event)
{
    if (event->modifiers().testFlag(Qt::ShiftModifier) || event->angleDelta().y() == 0) {
        QGraphicsView::wheelEvent(event);
        return;
    }
    const QPoint at = event->position().toPoint();
    const QDateTime anchor = TimeAt(mapToScene(at).x());
    m_dayWidth = std::clamp(m_dayWidth * std::pow(1.25, event->angleDelta().y() / 120.0), kMinDayWidth, kMaxDayWidth);
    m_autoFit = false;
    Build();
    // The same time stays under the pointer.
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() + int(X(anchor) - mapToScene(at).x()));
    event->accept();
}

void TimeLine::resizeEvent(QResizeEvent *event)
{
    QGraphicsView::resizeEvent(event);
    // Until the person zooms, the whole history stays in view as the window is sized.
    if (m_autoFit)
        ShowAll();
}

void TimeLine::drawBackground(QPainter *painter, const QRectF &rect)
{
    painter->fillRect(rect, Qt::white);
    const QRectF visible = mapToScene(viewport()->rect()).boundingRect().united(rect);
    Axis().Draw(*painter, font(), visible, sceneRect().top());
}

// The lanes' captions stay at the left edge of the view whatever is scrolled.
void TimeLine::drawForeground(QPainter *painter, const QRectF &)
{
    const double left = mapToScene(QPoint(0, 0)).x();
    int firstStartStop = m_laneCount;
    for (int i = 0; i < int(m_history.events.size()); ++i) {
        if (m_history.events[i].kind == EventKind::StartStop)
            firstStartStop = std::min(firstStartStop, m_lanes[i]);
    }
    const QFontMetrics metrics = fontMetrics();
    painter->setFont(font());
    QString previous;
    for (int lane = 0; lane < m_laneCount; ++lane) {
        const QString caption = QString::fromUtf8(LaneCaption(lane, 1, firstStartStop));
        if (caption == previous)
            continue;
        previous = caption;
        const double y = LaneY(lane);
        const QRectF box(left + 2, y - metrics.height() / 2.0 - 1, metrics.horizontalAdvance(caption) + 8,
                         metrics.height() + 2);
        painter->fillRect(box, QColor(255, 255, 255, 210));
        painter->setPen(QColor(0x55, 0x55, 0x55));
        painter->drawText(box, Qt::AlignCenter, caption);
    }
}

QImage TimeLine::Picture(int width) const
{
    TimeLine whole;
    whole.setFont(font());
    whole.setFrameShape(QFrame::NoFrame);
    whole.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    whole.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    whole.setAttribute(Qt::WA_DontShowOnScreen); // laid out at once, never on screen
    whole.resize(width, 100);
    whole.show();
    whole.SetHistory(m_history);
    whole.resize(width, int(whole.sceneRect().height()) + 2);
    whole.ShowAll();
    return whole.grab().toImage();
}

} // namespace history
