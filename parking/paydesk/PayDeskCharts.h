#pragma once

// The pay desk's charts: the day's takings by hour, by product and by cashier, and the
// daily totals of the thirty days up to it. They follow the pay desk's summaries: every
// reload of the grids makes them stale, and they are read again once they are shown.

#include "PayDeskChartData.h"

#include <QImage>
#include <QList>
#include <QWidget>

#include <array>

class QChartView;
class QPushButton;
namespace dataset {
class ErrorRelay;
class Query;
} // namespace dataset

namespace paydesk {

class PayDeskCharts : public QWidget {
    Q_OBJECT
public:
    // 'products' and 'users' are the pay desk's summaries, which outlive the panel.
    PayDeskCharts(dataset::Query &products, dataset::Query &users, QWidget *parent = nullptr);

    // Reads the figures of the day the summaries hold and draws them again.
    void Refresh();
    // Refresh when the summaries were reloaded since the charts were drawn.
    void Update();
    const ChartData &Data() const { return m_data; }
    // The four charts drawn anew at 'size' (device-independent pixels) for a printout.
    QList<QImage> Pictures(const QSize &size) const;

Q_SIGNALS:
    void printRequested();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void SummariesReloaded();

    dataset::Query &m_products;
    dataset::Query &m_users;
    dataset::ErrorRelay *m_errors = nullptr;
    std::array<QChartView *, 4> m_views{};
    ChartData m_data;
    bool m_stale = true;
    bool m_queued = false;
};

} // namespace paydesk
