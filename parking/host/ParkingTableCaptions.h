#pragma once

// The module's tables (and the host's it writes to) as a user knows them, for the
// database's messages; the entry registers it with dataset::SetTableCaption.

#include <QString>

// "parking dokumenti" for "parkingdocument"; empty for a table the module does not know.
QString ParkingTableCaption(const QString &table);
