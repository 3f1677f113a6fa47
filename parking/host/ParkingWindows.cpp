#include "ParkingWindows.h"

#include <parking/documents/ParkingDetailUnit.h>
#include <parking/history/ParkingVehicleHistoryUnit.h>
#include <parking/imports/ParkingStartStopUnit.h>
#include <parking/imports/ParkingSubscriptionUnit.h>
#include <parking/imports/ParkingTicketUnit.h>
#include <parking/paydesk/ParkingPayDeskUnit.h>
#include <parking/zoneframe/ParkingZoneFrameUnit.h>

#include <memory>

namespace {

QDialog *NewTool(parking::WindowOpener::Tool tool, TParkingDM &dm, QWidget *parent)
{
    using Tool = parking::WindowOpener::Tool;
    switch (tool) {
    case Tool::PayDesk: return new TParkingPayDeskForm(dm, parent);
    case Tool::ZoneFrame: return new TParkingZoneFrameForm(dm, parent);
    case Tool::Tickets: return new TParkingTicketForm(dm, parent);
    case Tool::Subscriptions: return new TParkingSubscriptionForm(dm, parent);
    case Tool::StartStop: return new TParkingStartStopForm(dm, parent);
    }
    return nullptr;
}

} // namespace

// The tool windows free themselves when closed.
void ParkingWindows::Open(Tool tool, TParkingDM &dm, QWidget *parent, const std::function<void()> &beforeShow)
{
    QDialog *window = NewTool(tool, dm, parent);
    if (!window)
        return;
    if (beforeShow)
        beforeShow();
    window->exec();
}

void ParkingWindows::EditDocument(TParkingDM &dm, QWidget *parent)
{
    const auto editor = std::make_unique<TParkingDetailForm>(dm, parent);
    editor->exec();
}

void ParkingWindows::ShowVehicleHistory(TParkingDM &dm, const QString &plate, QWidget *parent,
                                        const dataset::Query *startStop)
{
    TParkingVehicleHistoryForm form(dm, plate, parent, startStop);
    form.exec();
}
