#pragma once

#include "ParkingImportForm.h"

class TParkingDM;
namespace dataset {
class ErrorRelay;
}

// "Parking karte": the ticket import and the daily ticket document.
class TParkingTicketForm : public imports::TParkingImportForm {
    Q_OBJECT
public:
    explicit TParkingTicketForm(TParkingDM &dm, QWidget *parent = nullptr);
    ~TParkingTicketForm() override;

    void FormCreate();
    void CreateButtonClick();

protected:
    QList<dataset::Query *> TargetDataSets() const override;
    void ImportSucceeded(imports::ImportJob &job, const imports::ImportSummary &summary) override;
    void UndoDone() override;

private:
    struct Ui; // the widgets, each with an object name of its own

    TParkingDM &m_dm;
    dataset::ErrorRelay *m_errors = nullptr;
    std::unique_ptr<Ui> ui;
};
