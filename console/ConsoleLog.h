#pragma once

#include <QLoggingCategory>

namespace console {

// The console's diagnostics ("parking.console"): snap-ins that fail to load, errors
// that no window can show.
Q_DECLARE_LOGGING_CATEGORY(lcConsole)

} // namespace console
