#include "ParkingWindows.h"

#include <parking/documents/ParkingDetailUnit.h>
#include <parking/history/ParkingVehicleHistoryUnit.h>
#include <parking/imports/ImportKinds.h>
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

std::vector<parking::WindowOpener::ImportCommand> ParkingWindows::ImportCommands() const
{
    std::vector<ImportCommand> commands;
    for (const imports::ImportDescriptor &kind : imports::ImportKinds())
        commands.push_back({kind.id, kind.caption, kind.ActionName(), kind.icon});
    return commands;
}

void ParkingWindows::OpenImport(const QString &id, TParkingDM &dm, QWidget *parent,
                                const std::function<void()> &beforeShow)
{
    QDialog *window = imports::ImportKindOf(id).openForm(dm, parent);
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
