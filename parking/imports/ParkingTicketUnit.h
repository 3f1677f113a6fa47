#pragma once

#include "ParkingImportForm.h"

class TParkingDM;
namespace dataset {
class DBGrid;
class ErrorRelay;
} // namespace dataset

// "Parking karte": the ticket import and the daily ticket document.
class TParkingTicketForm : public imports::TParkingImportForm {
    Q_OBJECT
public:
    explicit TParkingTicketForm(TParkingDM &dm, QWidget *parent = nullptr);
    ~TParkingTicketForm() override;

    dataset::DBGrid *DBGrid = nullptr;
    QPushButton *CreateButton = nullptr;

    void FormCreate();
    void CreateButtonClick();

protected:
    std::unique_ptr<imports::ImportJob> CreateJob() override;
    QList<dataset::Query *> TargetDataSets() const override;
    void ImportSucceeded(imports::ImportJob &job, const imports::ImportSummary &summary) override;
    dataset::ConnectionParams ImportConnectionParams() const override;

private:
    TParkingDM &m_dm;
    dataset::ErrorRelay *m_errors = nullptr;
};
