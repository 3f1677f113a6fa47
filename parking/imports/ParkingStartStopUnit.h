#pragma once

// "Start-stop": reads a start-stop export into an in-memory table sorted by customer and
// shows it beside the host documents; only the date picker of the document half acts.

#include "ParkingImportForm.h"

class QLineEdit;
class TParkingDM;
namespace dataset { class DBGrid; class DataSource; class Query; }

class TParkingStartStopForm : public imports::TParkingImportForm {
    Q_OBJECT
public:
    explicit TParkingStartStopForm(TParkingDM &dm, QWidget *parent = nullptr);
    ~TParkingStartStopForm() override;

    dataset::Query *StartStopCDS = nullptr;
    dataset::DataSource *StartStopDS = nullptr;
    dataset::DBGrid *StartStopDBG = nullptr;
    dataset::DBGrid *DocumentDBG = nullptr;
    QLineEdit *NewDocDateE = nullptr;
    QPushButton *NewDocDateB = nullptr;
    QPushButton *CreateDocButton = nullptr;
    QPushButton *OpenDocButton = nullptr;
    QPushButton *RegDocButton = nullptr;
    QPushButton *PrintButton = nullptr;

    void FormCreate();
    void NewDocDateBClick();
    void CreateDocButtonClick() {}
    void OpenDocButtonClick() {}
    void RegDocButtonClick() {}

protected:
    std::unique_ptr<imports::ImportJob> CreateJob() override;
    QList<dataset::Query *> TargetDataSets() const override;
    void ImportSucceeded(imports::ImportJob &job, const imports::ImportSummary &summary) override;
    dataset::ConnectionParams ImportConnectionParams() const override;
};
