#pragma once

// The document list: the parking documents the search pane found, with the commands
// to add, edit and delete one and to open the module's other tools.

#include <framework/base/CustomViewerForm.h>

class QAction;
class TParkingDM;
namespace dataset {
class Query;
}

class TParkingViewerForm : public TCustomViewerForm {
    Q_OBJECT
public:
    explicit TParkingViewerForm(TParkingDM &dm, QWidget *parent = nullptr);
    ~TParkingViewerForm() override;

    QAction *CustomAdd;
    QAction *CustomEdit;
    QAction *CustomDelete;
    QAction *PayDeskAction;
    QAction *ParkingZoneFrameAction;
    QAction *ParkingTicketAction;
    QAction *ParkingSubscriptionAction;
    QAction *ParkingStartStopAction;

    void CustomAddExecute();
    void CustomEditExecute();
    void CustomDeleteExecute();
    void PayDeskActionExecute();
    void ParkingZoneFrameActionExecute();
    void ParkingTicketActionExecute();
    void ParkingSubscriptionActionExecute();
    void ParkingStartStopActionExecute();

protected:
    void DBGDblClick() override;

private:
    dataset::Query &Documents() const;

    TParkingDM &m_dm;
};
