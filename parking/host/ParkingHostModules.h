#pragma once

// The host's module services, asked for through the console the module was given.

#include "ParkingRegistration.h"

// The host's module T, or empty when there is no console or the host lacks the module.
template <class T>
IntfPtr<T> HostModule()
{
    IntfPtr<IInterface> module;
    if (!GlobalConsole || !GlobalConsole->GetModule(T::IID, module) || !module)
        return {};
    return Supports<T>(module);
}
