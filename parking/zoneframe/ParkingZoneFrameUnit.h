#pragma once

// The editor of the zone frame: zones, sectors and their streets, edited live in a grid.

#include <QDialog>

#include <memory>

class TParkingDM;

class TParkingZoneFrameForm : public QDialog {
    Q_OBJECT
public:
    // Frees itself when closed.
    explicit TParkingZoneFrameForm(TParkingDM &dm, QWidget *owner = nullptr);
    ~TParkingZoneFrameForm() override;

    void FormCreate();
    void CancelButtonClick();

private:
    struct Ui; // the widgets, each with an object name of its own

    TParkingDM &m_dm;
    std::unique_ptr<Ui> ui;
};
