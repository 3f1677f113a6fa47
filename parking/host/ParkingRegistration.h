#pragma once

// The module's entry: the factory created at initialization, the host services it
// hands to the data module, and the exported Initialize / GetSnapinFactory / Finalize
// (declared in base/SnapinLibrary.h).

#include <framework/Interfaces.h>
#include <parking/shared/HostServices.h>

// The module's host services: their console is the one most recently passed to the
// factory (empty before the first request and after finalization); their windows are
// the entry's.
parking::HostServices &ParkingHost();

// The factory while the module is initialized, else empty.
IntfPtr<ISnapinFactory> ParkingSnapinFactory();
