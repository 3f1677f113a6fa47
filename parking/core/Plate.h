#pragma once

// Vehicle registrations as the module compares them.

#include <QString>

namespace parking {

// A registration as every table is compared by: without blanks and dashes, upper case.
QString PlateKey(const QString &typed);

} // namespace parking
