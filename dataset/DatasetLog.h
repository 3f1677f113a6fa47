#pragma once

#include <QLoggingCategory>

namespace dataset {

// The data layer's diagnostics ("parking.db"): what fails where nobody can be told.
Q_DECLARE_LOGGING_CATEGORY(lcDb)

} // namespace dataset
