#include "ParkingSnapin.h"

#include "ParkingRegistration.h"
#include <parking/shared/ParkingResourceString.h>
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <framework/common/CommonResourceString.h>
#include <framework/common/DialogService.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/documents/ParkingNavigatorUnit.h>
#include <parking/documents/ParkingViewerUnit.h>

namespace {

// The data module the module's entry created, handed to the frames the snap-in creates.
TParkingDM &DataModule()
{
    if (!ParkingDM)
        throw dataset::Error(QStringLiteral("Modul parkinga nije inicijalizovan."));
    return *ParkingDM;
}

} // namespace

// ---- factory ------------------------------------------------------------------

IntfPtr<ISnapin> TParkingSnapinFactory::CreateSnapin(const IntfPtr<IConsole> &console)
{
    if (!m_snapin)
        m_snapin = CreateInterfaced<TParkingSnapin>(console);
    ParkingHost().SetConsole(console);
    return m_snapin;
}

// ---- snap-in ------------------------------------------------------------------

TParkingSnapin::TParkingSnapin(const IntfPtr<IConsole> &console) : TCustomSnapin(console)
{
    if (ParkingDM) {
        SetDataSet(&ParkingDM->ParkingDocumentZQ());
        if (!ParkingDM->ImageList.isEmpty())
            SetImage(QPixmap::fromImage(ParkingDM->ImageList.first()));
    }
    SetName(ParkingResourceString("_PARKING_MOD_NAME"));
    SetDescription(ParkingResourceString("_PARKING_MOD_DESC"));
    SetModuleID(kParkingModuleID);
    Viewer = CreateInterfaced<TParkingViewer>(Console());
    Navigator = CreateInterfaced<TParkingNavigator>(Console());
    DelegateInterface(Viewer);
    DelegateInterface(Navigator);
}

TParkingSnapin::~TParkingSnapin()
{
    Viewer.reset();
    Navigator.reset();
}

// ---- viewer -------------------------------------------------------------------

TParkingViewer::TParkingViewer(const IntfPtr<IConsole> &console) : TCustomViewer(console)
{
    SetModuleID(kParkingModuleID);
}

void TParkingViewer::InternalCreateFrame()
{
    auto form = std::make_unique<TParkingViewerForm>(DataModule());
    SetActionList(form->ActionList);
    SetFrame(std::move(form));
}

// A connected data module is left alone. Otherwise the security module hands over
// its connection (when the data module has none yet) and runs its after-connect
// step; without a security module the user is told and nothing changes, so a later
// Load tries again.
void TParkingViewer::Load(const IntfPtr<ISnapin> &)
{
    if (!ParkingDM)
        return;
    const dataset::Connection *current = ParkingDM->Connection();
    if (current && current->Connected())
        return;

    IntfPtr<IInterface> module;
    IntfPtr<ISecurityModule> security;
    if (Console() && Console()->GetModule(ISecurityModule::IID, module))
        security = Supports<ISecurityModule>(module);
    if (!security) {
        ShowErrorMessage(NoModuleMessage(u"_CMN_MOD_SECURITY_NAME"));
        return;
    }
    if (!current)
        ParkingDM->SetZConnection(security->GetConnection());
    security->AfterConnect();
}

void TParkingViewer::Show(QWidget *parent)
{
    TCustomViewer::Show(parent);
    if (auto *form = qobject_cast<TCustomViewerForm *>(Frame()); form && Console())
        Console()->SetPrintGrid(form->DBG);
}

void TParkingViewer::Hide()
{
    TCustomViewer::Hide();
    if (Console())
        Console()->SetPrintGrid(nullptr);
}

// ---- navigator ----------------------------------------------------------------

void TParkingNavigator::InternalCreateFrame()
{
    SetFrame(std::make_unique<TParkingNavigatorForm>(DataModule()));
}
