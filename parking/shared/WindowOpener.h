#pragma once

// "Open window X for Y": how one window of the module opens another without including
// it. The snap-in entry implements it; a window reaches it through the data module's
// host services (dm.Host().Windows()).

#include <QString>

#include <functional>
#include <vector>

class QWidget;
class TParkingDM;
namespace dataset {
class Query;
}

namespace parking {

class WindowOpener {
public:
    // The tool windows a window opens over the data module it was given.
    enum class Tool { PayDesk, ZoneFrame };
    // An import's window as the document list offers it.
    struct ImportCommand {
        QString id; // the kind's name ("tickets")
        QString caption;
        QString actionName;
        int icon = -1;
    };

    virtual ~WindowOpener() = default;

    // Shows 'tool' modally; 'beforeShow' runs once the window is built (a list is
    // positioned on a row). The window frees itself when closed.
    virtual void Open(Tool tool, TParkingDM &dm, QWidget *parent,
                      const std::function<void()> &beforeShow = {}) = 0;
    // Every kind of import that has a window, in the order the document list shows them.
    virtual std::vector<ImportCommand> ImportCommands() const = 0;
    // The import window of the kind 'id', modal; 'beforeShow' as for Open. An unknown kind
    // throws dataset::Error.
    virtual void OpenImport(const QString &id, TParkingDM &dm, QWidget *parent,
                            const std::function<void()> &beforeShow = {}) = 0;
    // The document editor on the current document of 'dm', modal.
    virtual void EditDocument(TParkingDM &dm, QWidget *parent) = 0;
    // "Istorija vozila" for the typed 'plate', modal; 'startStop' adds a start-stop
    // table not stored yet.
    virtual void ShowVehicleHistory(TParkingDM &dm, const QString &plate, QWidget *parent,
                                    const dataset::Query *startStop = nullptr) = 0;
};

} // namespace parking
