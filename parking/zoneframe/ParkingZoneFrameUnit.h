#pragma once

// The editor of the zone frame: zones, sectors and their streets, edited live in a grid.

#include <QDialog>

class QPushButton;
class TParkingDM;
namespace dataset { class DBGrid; class DBNavigator; }

class TParkingZoneFrameForm : public QDialog {
    Q_OBJECT
public:
    // Frees itself when closed.
    explicit TParkingZoneFrameForm(TParkingDM &dm, QWidget *owner = nullptr);
    ~TParkingZoneFrameForm() override;

    dataset::DBNavigator *DBN;
    dataset::DBGrid *DBGrid;
    QPushButton *CancelButton;

    void FormCreate();
    void CancelButtonClick();

private:
    TParkingDM &m_dm;
};
