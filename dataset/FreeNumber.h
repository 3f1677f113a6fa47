#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

namespace dataset {

class Connection;

// The first of 'from', 'from' + 1, ... whose value 'valueOf(n)' no row of 'table' carries
// in 'column'. Candidates are checked in batches against the column's index, so the
// common case (the counter is in step with the rows) costs one point look-up.
qint64 FirstFreeNumber(Connection &connection, const QString &table, const QString &column, qint64 from,
                       const std::function<QString(qint64)> &valueOf);

} // namespace dataset
