#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <vector>

namespace dataset { class DBGrid; }

namespace console {

// The model columns a grid shows now, left to right.
std::vector<int> VisibleColumns(const dataset::DBGrid &grid);

// The grid's visible columns and rows as CSV (see ModelToCsv).
QByteArray GridToCsv(const dataset::DBGrid &grid, QChar separator);

} // namespace console
