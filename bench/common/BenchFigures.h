#pragma once

// Small helpers the benchmarks share for their figures.

#include <QString>

#include <functional>
#include <vector>

namespace dataset { class Connection; }

namespace bench {

// Seconds 'step' took.
double SecondsOf(const std::function<void()> &step);
// The middle value (the upper one of an even count).
double Median(std::vector<double> values);
// The values with 'decimals' decimals, separated by blanks.
QString Listed(const std::vector<double> &values, int decimals = 3);
// The first column of the first row of 'sql'; empty when there is no row.
QString Scalar(dataset::Connection &connection, const QString &sql);

} // namespace bench
