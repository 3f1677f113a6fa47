#include "ParkingRegistration.h"

#include "ParkingSnapin.h"
#include "ParkingTableCaptions.h"
#include "ParkingWindows.h"
#include <dataset/Error.h>
#include <framework/base/SnapinLibrary.h>
#include <parking/data/ParkingDMUnit.h>

#include <array>

namespace {

struct EntryServices {
    ParkingWindows windows;
    parking::HostServices host;
    EntryServices() { host.SetWindows(&windows); }
};

} // namespace

parking::HostServices &ParkingHost()
{
    static EntryServices entry;
    return entry.host;
}

namespace {

IntfPtr<ISnapinFactory> g_factory;

void CreateFactory() { g_factory = CreateInterfaced<TParkingSnapinFactory>(); }

void ReleaseFactory()
{
    g_factory.reset();
    ParkingHost().SetConsole({});
}

void CreateDataModule() { ParkingDM = TCustomDM::Create<TParkingDM>(ParkingHost()); }
void FreeDataModule() { ParkingDM.reset(); }

// Messages of the database name the module's tables as a user knows them.
void RegisterTableCaptions() { dataset::SetTableCaption(ParkingTableCaption); }
void UnregisterTableCaptions() { dataset::SetTableCaption({}); }

enum class StepState { Pending, Done, Finalized };

// The start-up steps in the order they must run; shut-down runs them backwards.
struct UnitStep {
    void (*initialize)();
    void (*finalize)();
    StepState state = StepState::Pending;
};

std::array g_steps{
    UnitStep{RegisterTableCaptions, UnregisterTableCaptions},
    UnitStep{CreateFactory, ReleaseFactory},
    UnitStep{CreateDataModule, FreeDataModule},
};

} // namespace

IntfPtr<ISnapinFactory> ParkingSnapinFactory()
{
    return g_factory;
}

// Each step runs at most once per process: a step already done, or finalized, is
// not run again however often the host initializes the module.
extern "C" void Initialize()
{
    for (UnitStep &step : g_steps) {
        if (step.state != StepState::Pending)
            continue;
        step.initialize();
        step.state = StepState::Done;
    }
}

extern "C" void Finalize()
{
    for (auto step = g_steps.rbegin(); step != g_steps.rend(); ++step) {
        if (step->state != StepState::Done)
            continue;
        step->state = StepState::Finalized;
        step->finalize();
    }
}

// A new reference to the factory; nothing is created here.
extern "C" IInterface *GetSnapinFactory()
{
    IntfPtr<IInterface> factory(g_factory);
    return factory.release();
}
