#pragma once

// The figures the pay desk's charts draw: the day its summaries hold, by hour, by product
// and by cashier, and the daily totals of the thirty days up to it.

#include <QDate>
#include <QString>

#include <array>
#include <vector>

namespace dataset {
class Query;
}

namespace paydesk {

// The days of the daily line, the chosen day the last of them.
inline constexpr int kLineDays = 30;

struct Amount {
    QString label;
    double value = 0.0;
};

struct ChartData {
    QDate day; // invalid while the summaries hold no day
    bool hasItems = false; // the day has at least one item
    std::array<double, 24> hours{}; // by the hour of the documents' time
    std::vector<Amount> products; // largest first
    std::vector<Amount> users; // largest first
    std::array<double, kLineDays> days{}; // from kLineDays-1 days before 'day' to 'day'
};

// The figures of the day the open summaries 'products' and 'users' hold (the pay desk's
// grids): products and cashiers are read from them, hours and days asked of the server
// over the same items, bounds and rounding. Throws dataset::Error when the server fails.
ChartData LoadChartData(const dataset::Query &products, const dataset::Query &users);

// The statement of the hours and days, for the benchmark beside the command-line client.
QString HoursAndDaysSql();

} // namespace paydesk
