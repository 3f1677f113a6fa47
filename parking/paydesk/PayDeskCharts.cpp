#include "PayDeskCharts.h"

#include "PayDeskChartBuild.h"

#include <dataset/ErrorRelay.h>
#include <dataset/Query.h>

#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QGridLayout>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

namespace paydesk {

namespace {

using Builder = std::unique_ptr<QChart> (*)(const ChartData &);
constexpr std::array<Builder, 4> kBuilders{NewHourChart, NewProductChart, NewUserChart, NewDaysChart};
constexpr std::array<const char *, 4> kViewNames{"HourChart", "ProductChart", "UserChart", "DaysChart"};

// The view takes the new chart; the one it showed before is freed.
void Replace(QChartView &view, std::unique_ptr<QChart> chart)
{
    const std::unique_ptr<QChart> previous(view.chart());
    view.setChart(chart.release());
}

} // namespace

PayDeskCharts::PayDeskCharts(dataset::Query &products, dataset::Query &users, QWidget *parent)
    : QWidget(parent)
    , m_products(products)
    , m_users(users)
    , m_errors(new dataset::ErrorRelay(this))
{
    setObjectName(QStringLiteral("PayDeskCharts"));
    auto *charts = new QGridLayout;
    charts->setSpacing(4);
    for (size_t i = 0; i < m_views.size(); ++i) {
        m_views[i] = new QChartView(this);
        m_views[i]->setObjectName(QLatin1String(kViewNames[i]));
        m_views[i]->setRenderHint(QPainter::Antialiasing);
        m_views[i]->setFrameShape(QFrame::NoFrame);
        m_views[i]->setMinimumSize(120, 80);
        Replace(*m_views[i], kBuilders[i](m_data));
        charts->addWidget(m_views[i], int(i / 2), int(i % 2));
    }
    auto *print = new QPushButton(QStringLiteral("Š&tampaj"), this);
    print->setObjectName(QStringLiteral("PrintChartsButton"));
    print->setAutoDefault(false);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(charts, 1);
    layout->addWidget(print, 0, Qt::AlignLeft);

    connect(print, &QPushButton::clicked, this, &PayDeskCharts::printRequested);
    connect(&m_products, &dataset::Query::afterOpen, this, &PayDeskCharts::SummariesReloaded);
    connect(&m_users, &dataset::Query::afterOpen, this, &PayDeskCharts::SummariesReloaded);
}

void PayDeskCharts::Refresh()
{
    m_data = LoadChartData(m_products, m_users);
    m_stale = false;
    for (size_t i = 0; i < m_views.size(); ++i)
        Replace(*m_views[i], kBuilders[i](m_data));
}

void PayDeskCharts::Update()
{
    if (m_stale)
        Refresh();
}

// Both summaries reload one after the other: the charts are read once, after both.
void PayDeskCharts::SummariesReloaded()
{
    m_stale = true;
    if (!isVisible() || m_queued)
        return;
    m_queued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_queued = false;
            if (isVisible())
                dataset::Relayed(m_errors, [this] { Update(); });
        },
        Qt::QueuedConnection);
}

void PayDeskCharts::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    dataset::Relayed(m_errors, [this] { Update(); });
}

QList<QImage> PayDeskCharts::Pictures(const QSize &size) const
{
    constexpr qreal kScale = 2.0;
    QList<QImage> pictures;
    for (const Builder build : kBuilders) {
        // A scene of its own, laid out at once: the views on the screen keep their size.
        QGraphicsScene scene;
        QChart *chart = build(m_data).release();
        scene.addItem(chart);
        chart->resize(size);
        chart->layout()->activate();
        QImage picture(size * kScale, QImage::Format_RGB32);
        picture.setDevicePixelRatio(kScale);
        picture.fill(Qt::white);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        scene.render(&painter, QRectF(QPointF(), size), QRectF(QPointF(), size));
        pictures << picture;
    }
    return pictures;
}

} // namespace paydesk
