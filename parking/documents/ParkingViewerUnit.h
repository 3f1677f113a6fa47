#pragma once

// The document list: the parking documents the search pane found, with the commands
// to add, edit and delete one and to open the module's other tools.

#include <framework/base/CustomViewerForm.h>

#include <memory>

class TParkingDM;
namespace dataset {
class Query;
}

class TParkingViewerForm : public TCustomViewerForm {
    Q_OBJECT
public:
    explicit TParkingViewerForm(TParkingDM &dm, QWidget *parent = nullptr);
    ~TParkingViewerForm() override;

    void CustomAddExecute();
    void CustomEditExecute();
    void CustomDeleteExecute();
    void PayDeskActionExecute();
    void ParkingZoneFrameActionExecute();
    // The form of one kind of import.
    void ImportActionExecute(const QString &id);
    // "Istorija vozila" of the current document's registration.
    void VehicleHistoryActionExecute();
    // Lists the documents of the vehicle whose whole registration (city mark and number)
    // is 'typed', however its blanks, dashes and case are written; says so in the
    // console's status line when there is none. Returns the count found.
    int FindPlate(const QString &typed);

protected:
    void DBGDblClick() override;

private:
    struct Ui; // the actions, each with an object name of its own

    dataset::Query &Documents() const;

    TParkingDM &m_dm;
    std::unique_ptr<Ui> ui;
};
