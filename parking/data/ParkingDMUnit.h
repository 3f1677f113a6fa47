#pragma once

// The module's one data module: every dataset, the field rules of parking documents,
// numbering and defaults of new rows, and the user and warehouse lookups.

#include <framework/base/CustomDM.h>

#include <QChar>
#include <QDateTime>
#include <QImage>
#include <QList>
#include <QString>
#include <memory>
#include <optional>

namespace dataset { class DataSource; class Field; class Query; }
struct ParkingDataSetDef;
namespace parking {
class HostServices;
}

class TParkingDM : public TCustomDM {
    Q_OBJECT
public:
    // Builds the datasets, closed. Create it with TCustomDM::Create<TParkingDM>(host) so
    // that the creation step (DataModuleCreate) runs. 'host' outlives the module; without
    // one the module has host services of its own with no console (a batch run).
    explicit TParkingDM(parking::HostServices &host, QObject *parent = nullptr);
    explicit TParkingDM(QObject *parent = nullptr);
    ~TParkingDM() override;

    // The console's services this module and the windows given it use.
    parking::HostServices &Host() const { return m_host; }

    // Datasets and their data sources, owned by the data module and built with it.
    dataset::Query &ParkingZoneFrameZQ() const { return m_parkingZoneFrameZQ; }
    dataset::Query &ParkingDocumentZQ() const { return m_parkingDocumentZQ; }
    dataset::Query &ParkingDocumentItemZQ() const { return m_parkingDocumentItemZQ; }
    dataset::Query &ParkingPayDeskUserZQ() const { return m_parkingPayDeskUserZQ; }
    dataset::Query &ParkingPayDeskProductZQ() const { return m_parkingPayDeskProductZQ; }
    dataset::Query &ParkingTicketZQ() const { return m_parkingTicketZQ; }
    dataset::Query &ParkingSubscriptionZQ() const { return m_parkingSubscriptionZQ; }
    dataset::Query &ParkingTicketRawZQ() const { return m_parkingTicketRawZQ; }
    dataset::Query &DocumentZQ() const { return m_documentZQ; }
    dataset::Query &DocumentItemZQ() const { return m_documentItemZQ; }

    dataset::DataSource &ParkingZoneFrameDS() const { return m_parkingZoneFrameDS; }
    dataset::DataSource &ParkingDocumentDS() const { return m_parkingDocumentDS; }
    dataset::DataSource &ParkingDocumentItemDS() const { return m_parkingDocumentItemDS; }
    dataset::DataSource &ParkingPayDeskUserDS() const { return m_parkingPayDeskUserDS; }
    dataset::DataSource &ParkingPayDeskProductDS() const { return m_parkingPayDeskProductDS; }
    dataset::DataSource &ParkingTicketDS() const { return m_parkingTicketDS; }
    dataset::DataSource &ParkingSubscriptionDS() const { return m_parkingSubscriptionDS; }
    dataset::DataSource &DocumentDS() const { return m_documentDS; }

    // 16x16 images; image 0 is the module's icon.
    QList<QImage> ImageList;

    // The sequence number the next new parking document dated 'date' will get, read from
    // the counter without taking it.
    int GetParkingDocIndex(const QDateTime &date);
    // The number a new document dated 'date' is shown with: its sequence number, "/" and
    // the two-digit year.
    QString NewDocumentNumber(const QDateTime &date);
    // Takes the next free number from the counter for a new document dated 'date'; only
    // inside the transaction that stores the document.
    QString TakeDocumentNumber(const QDateTime &date);
    // The user the module works for (current) or the user 'userId' names (!current).
    void GetPublisher(int &userId, QString &userName, bool current);
    // The warehouse the module's host documents go to; -1, 'v' and empty when none.
    void GetDefaultWarehouse(const QString &name, int &warehouseId, QChar &priceType,
                             QString &currency);

    bool TestDocumentNumber(dataset::Field &field);

    // Inside a save's transaction: refuses the save when the database's schema version is
    // no longer the one it had when the module was attached to it (a shared upgrade while
    // this program stayed open), so an older program never writes into a newer schema.
    void CheckSchemaUnchanged();

    // Handlers bound to the datasets.
    void DataModuleCreate() override;
    void BindDocumentZQTexts();
    void ParkingDocumentZQNewRecord(dataset::Query &dataSet);
    void ParkingDocumentItemZQNewRecord(dataset::Query &dataSet);
    void DocumentZQstatusGetText(dataset::Field &sender, QString &text, bool displayText);
    void DocumentZQdocumenttypeGetText(dataset::Field &sender, QString &text, bool displayText);

protected:
    void ConnectionAttached() override;
    void CreateFieldValidations() override;
    void CreateRelations() override;

private:
    dataset::Query &NewQuery(ParkingDataSetDef def);
    dataset::DataSource &NewDataSource(const char *name, dataset::Query &query);
    void BindHandlers();

    dataset::Query &m_parkingZoneFrameZQ;
    dataset::Query &m_parkingDocumentZQ;
    dataset::Query &m_parkingDocumentItemZQ;
    dataset::Query &m_parkingPayDeskUserZQ;
    dataset::Query &m_parkingPayDeskProductZQ;
    dataset::Query &m_parkingTicketZQ;
    dataset::Query &m_parkingSubscriptionZQ;
    dataset::Query &m_parkingTicketRawZQ;
    dataset::Query &m_documentZQ;
    dataset::Query &m_documentItemZQ;

    dataset::DataSource &m_parkingZoneFrameDS;
    dataset::DataSource &m_parkingDocumentDS;
    dataset::DataSource &m_parkingDocumentItemDS;
    dataset::DataSource &m_parkingPayDeskUserDS;
    dataset::DataSource &m_parkingPayDeskProductDS;
    dataset::DataSource &m_parkingTicketDS;
    dataset::DataSource &m_parkingSubscriptionDS;
    dataset::DataSource &m_documentDS;

    std::optional<int> m_schemaVersion; // as found when the connection was attached
    std::unique_ptr<parking::HostServices> m_ownHost; // only without host services given
    parking::HostServices &m_host;

    TParkingDM(std::unique_ptr<parking::HostServices> own, parking::HostServices *given, QObject *parent);
};

// The package-wide data module, created and freed by the module's initialization and
// finalization steps; the snap-in hands it to the forms it creates.
extern std::unique_ptr<TParkingDM> ParkingDM;
