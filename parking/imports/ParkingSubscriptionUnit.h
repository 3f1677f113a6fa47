#pragma once

// "Parking pretplate": replaces the subscription table with an export's subscriptions
// and shows the table.

#include "ParkingImportForm.h"

class TParkingDM;

class TParkingSubscriptionForm : public imports::TParkingImportForm {
    Q_OBJECT
public:
    explicit TParkingSubscriptionForm(TParkingDM &dm, QWidget *parent = nullptr);
    ~TParkingSubscriptionForm() override;

    void FormCreate();

protected:
    QList<dataset::Query *> TargetDataSets() const override;
    void ImportSucceeded(imports::ImportJob &job, const imports::ImportSummary &summary) override;
    void UndoDone() override;

private:
    struct Ui; // the grid, with an object name of its own

    void Reopen();

    TParkingDM &m_dm;
    std::unique_ptr<Ui> ui;
};
