#pragma once

// "Parking pretplate": replaces the subscription table with an export's subscriptions
// and shows the table.

#include "ParkingImportForm.h"

class TParkingDM;
namespace dataset { class DBGrid; }

class TParkingSubscriptionForm : public imports::TParkingImportForm {
    Q_OBJECT
public:
    explicit TParkingSubscriptionForm(TParkingDM &dm, QWidget *parent = nullptr);
    ~TParkingSubscriptionForm() override;

    dataset::DBGrid *DBGrid = nullptr;

    void FormCreate();

protected:
    std::unique_ptr<imports::ImportJob> CreateJob() override;
    QList<dataset::Query *> TargetDataSets() const override;
    void ImportSucceeded(imports::ImportJob &job, const imports::ImportSummary &summary) override;
    dataset::ConnectionParams ImportConnectionParams() const override;

private:
    void Reopen();

    TParkingDM &m_dm;
};
