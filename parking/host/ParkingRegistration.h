#pragma once

// The module's entry: the factory created at initialization, the console the host
// last handed to it, and the exported Initialize / GetSnapinFactory / Finalize
// (declared in base/SnapinLibrary.h).

#include <framework/Interfaces.h>

// The console most recently passed to the factory; empty before the first request
// and after finalization.
extern IntfPtr<IConsole> GlobalConsole;

// The factory while the module is initialized, else empty.
IntfPtr<ISnapinFactory> ParkingSnapinFactory();
