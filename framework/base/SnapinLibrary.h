#pragma once

// The entry points every snap-in library exports (by these C names). The console
// loads the library, calls Initialize once, asks GetSnapinFactory for the factory and
// calls Finalize once before unloading.

class IInterface;

extern "C" {
// Returns an added reference to the library's factory (an ISnapinFactory); the caller
// adopts it (IntfPtr<IInterface>::Adopt) and releases it before Finalize.
IInterface *GetSnapinFactory();
// Runs the library's start-up steps; calling it again does nothing.
void Initialize();
// Runs the shut-down steps in reverse order; calling it again does nothing.
void Finalize();
}

using GetSnapinFactoryFunc = IInterface *(*)();
using InitializeFunc = void (*)();
using FinalizeFunc = void (*)();
