#include "ConsoleLog.h"

namespace console {

Q_LOGGING_CATEGORY(lcConsole, "parking.console")

} // namespace console
