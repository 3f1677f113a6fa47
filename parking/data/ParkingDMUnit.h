#pragma once

// The module's one data module: every dataset, the field rules of parking documents,
// numbering and defaults of new rows, and the user and warehouse lookups.

#include "base/CustomDM.h"

#include <QChar>
#include <QDateTime>
#include <QImage>
#include <QList>
#include <QString>
#include <memory>

namespace dataset { class DataSource; class Field; class Query; }

class TParkingDM : public TCustomDM {
    Q_OBJECT
public:
    // Builds the datasets, closed. Create it with TCustomDM::Create<TParkingDM>() so
    // that the creation step (DataModuleCreate) runs.
    explicit TParkingDM(QObject *parent = nullptr);
    ~TParkingDM() override;

    // Datasets, owned by the data module.
    dataset::Query *ParkingZoneFrameZQ = nullptr;
    dataset::Query *ParkingDocumentZQ = nullptr;
    dataset::Query *ParkingDocumentItemZQ = nullptr;
    dataset::Query *ParkingPayDeskUserZQ = nullptr;
    dataset::Query *ParkingPayDeskProductZQ = nullptr;
    dataset::Query *ParkingTicketZQ = nullptr;
    dataset::Query *ParkingSubscriptionZQ = nullptr;
    dataset::Query *ParkingTicketRawZQ = nullptr;
    dataset::Query *DocumentZQ = nullptr;
    dataset::Query *DocumentItemZQ = nullptr;

    dataset::DataSource *ParkingZoneFrameDS = nullptr;
    dataset::DataSource *ParkingDocumentDS = nullptr;
    dataset::DataSource *ParkingDocumentItemDS = nullptr;
    dataset::DataSource *ParkingPayDeskUserDS = nullptr;
    dataset::DataSource *ParkingPayDeskProductDS = nullptr;
    dataset::DataSource *ParkingTicketDS = nullptr;
    dataset::DataSource *ParkingSubscriptionDS = nullptr;
    dataset::DataSource *DocumentDS = nullptr;

    // 16x16 images; image 0 is the module's icon.
    QList<QImage> ImageList;

    // Next free sequence number of a parking document numbered in the year of 'date'.
    int GetParkingDocIndex(const QDateTime &date);
    // The number a new document dated 'date' gets now: its sequence number, "/" and the
    // two-digit year.
    QString NewDocumentNumber(const QDateTime &date);
    // The user the module works for (current) or the user 'userId' names (!current).
    void GetPublisher(int &userId, QString &userName, bool current);
    // The warehouse the module's host documents go to; -1, 'v' and empty when none.
    void GetDefaultWarehouse(const QString &name, int &warehouseId, QChar &priceType,
                             QString &currency);

    bool TestDocumentNumber(dataset::Field &field);

    // Handlers bound to the datasets.
    void DataModuleCreate() override;
    void ParkingDocumentZQNewRecord(dataset::Query &dataSet);
    void ParkingDocumentItemZQNewRecord(dataset::Query &dataSet);
    void DocumentZQstatusGetText(dataset::Field &sender, QString &text, bool displayText);
    void DocumentZQdocumenttypeGetText(dataset::Field &sender, QString &text, bool displayText);

protected:
    void CreateFieldValidations() override;
    void CreateRelations() override;

private:
    void CreateDataSets();
};

// The package-wide data module, created and freed by the module's initialization and
// finalization steps.
extern std::unique_ptr<TParkingDM> ParkingDM;
