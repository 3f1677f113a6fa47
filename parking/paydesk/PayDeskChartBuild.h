#pragma once

// The pay desk's four charts built from a day's figures, for a view on the screen or a
// picture in the printout; each owns its series and axes.

#include "PayDeskChartData.h"

#include <QString>

#include <memory>

class QChart;

namespace paydesk {

// Bars shown at most by product and by cashier; the smallest beyond them are summed
// into one last bar.
inline constexpr int kMostBars = 8;

std::unique_ptr<QChart> NewHourChart(const ChartData &data);
std::unique_ptr<QChart> NewProductChart(const ChartData &data);
std::unique_ptr<QChart> NewUserChart(const ChartData &data);
std::unique_ptr<QChart> NewDaysChart(const ChartData &data);

// The message a chart shows over its empty plot, or empty when it shows figures.
QString ChartMessage(const QChart &chart);

} // namespace paydesk
