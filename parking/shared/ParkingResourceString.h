#pragma once

// The module's catalogue of named texts. Entries are looked up by name every time
// they are shown, never cached by the caller.

#include <QString>

// Text of the entry 'name' (e.g. "_PARKING_MOD_NAME"). Throws dataset::Error for a
// name the catalogue does not hold.
QString ParkingResourceString(const char *name);

// Published for other modules of the host: the UTF-8 text of an entry (static
// storage), or nullptr when the catalogue has no such entry.
extern "C" const char *ParkingResourceStringUtf8(const char *name);
