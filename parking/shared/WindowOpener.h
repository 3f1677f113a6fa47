#pragma once

// "Open window X for Y": how one window of the module opens another without including
// it. The snap-in entry implements it; a window reaches it through the data module's
// host services (dm.Host().Windows()).

#include <QString>

#include <functional>

class QWidget;
class TParkingDM;
namespace dataset {
class Query;
}

namespace parking {

class WindowOpener {
public:
    // The tool windows a window opens over the data module it was given.
    enum class Tool { PayDesk, ZoneFrame, Tickets, Subscriptions, StartStop };

    virtual ~WindowOpener() = default;

    // Shows 'tool' modally; 'beforeShow' runs once the window is built (a list is
    // positioned on a row). The window frees itself when closed.
    virtual void Open(Tool tool, TParkingDM &dm, QWidget *parent,
                      const std::function<void()> &beforeShow = {}) = 0;
    // The document editor on the current document of 'dm', modal.
    virtual void EditDocument(TParkingDM &dm, QWidget *parent) = 0;
    // "Istorija vozila" for the typed 'plate', modal; 'startStop' adds a start-stop
    // table not stored yet.
    virtual void ShowVehicleHistory(TParkingDM &dm, const QString &plate, QWidget *parent,
                                    const dataset::Query *startStop = nullptr) = 0;
};

} // namespace parking
