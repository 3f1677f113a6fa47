#pragma once

// "Start-stop": reads a start-stop export into an in-memory table sorted by customer and
// shows it beside the host documents; only the date picker of the document half acts.
// "Istorija vozila" (Ctrl+I) shows the current row's vehicle with the loaded periods.

#include "ParkingImportForm.h"

class TParkingDM;

class TParkingStartStopForm : public imports::TParkingImportForm {
    Q_OBJECT
public:
    explicit TParkingStartStopForm(TParkingDM &dm, QWidget *parent = nullptr);
    ~TParkingStartStopForm() override;

    void FormCreate();
    void NewDocDateBClick();
    void CreateDocButtonClick() {}
    void OpenDocButtonClick() {}
    void RegDocButtonClick() {}
    // "Istorija vozila" of the current row's registration, its start-stop periods drawn
    // from this window's table.
    void VehicleHistoryActionExecute();

protected:
    QList<dataset::Query *> TargetDataSets() const override;
    void ImportSucceeded(imports::ImportJob &job, const imports::ImportSummary &summary) override;

private:
    void SetVehicleHistoryEnabled(bool enabled);

    TParkingDM &m_dm;
    struct Ui; // the table, its grids and the document half's controls, each named

    std::unique_ptr<Ui> ui;
};
