#include "DatasetLog.h"

namespace dataset {

Q_LOGGING_CATEGORY(lcDb, "parking.db")

} // namespace dataset
