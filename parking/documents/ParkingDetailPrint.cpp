// The editor's two printouts: the receipt and the parking ticket with the streets of
// the paid zone and sector.

#include "ParkingDetailUnit.h"

#include <dataset/Connection.h>
#include <dataset/Query.h>
#include "ParkingReport.h"
#include <framework/report/ReportEngine.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/shared/ParkingResourceString.h>
#include <routines/FormatFloat.h>

#include <QDir>

namespace {

QString DateText(const dataset::Query &document)
{
    return FormatDateTime(QStringLiteral("dd.mm.yyyy hh:nn"),
                          document.FieldByName(QStringLiteral("documentdatetime")).AsDateTime());
}

// The streets of the zone (and sector) in the order the database gives them, joined
// with ", "; empty without a zone.
QString ParkingStreetList(dataset::Connection &connection, const QString &zone, const QString &sector)
{
    if (zone.isEmpty())
        return {};
    QString sql = QStringLiteral("SELECT * FROM parkingzoneframe WHERE zone = :zone");
    if (!sector.isEmpty())
        sql += QStringLiteral(" AND sector = :sector");
    dataset::Query query;
    query.SetConnection(&connection);
    query.SetSQL({sql});
    query.SetParam(QStringLiteral("zone"), zone);
    if (!sector.isEmpty())
        query.SetParam(QStringLiteral("sector"), sector);
    query.Open();
    QStringList streets;
    for (query.First(); !query.Eof(); query.Next())
        streets << query.FieldByName(QStringLiteral("street")).AsString();
    return streets.join(QStringLiteral(", "));
}

} // namespace

QString TParkingDetailForm::PrintTitle(bool ticket) const
{
    QString title = ParkingResourceString("_PARKING_PRINT_INVOICE_CAP");
    if (ticket)
        title += QStringLiteral(" / ") + ParkingResourceString("_PARKING_PRINT_TICKET_CAP");
    return title + QLatin1Char(' ') + Document().FieldByName(QStringLiteral("number")).AsString();
}

void TParkingDetailForm::DocumentPrintExecute()
{
    CustomApplyExecute();
    TReportEngine engine(this);
    engine.SetCallerTellsFile(true);
    ExecuteParkingReport(engine, Document(), Items(), PrintTitle(false), DateText(Document()), false, CashierName());
    TellPrinted(engine.LastOutputFile());
}

void TParkingDetailForm::PrintTicketExecute()
{
    CustomApplyExecute();
    dataset::Query &document = Document();
    const QString streets =
        ParkingStreetList(*m_dm.Connection(), document.FieldByName(QStringLiteral("parkingzone")).AsString(),
                          document.FieldByName(QStringLiteral("parkingsector")).AsString());
    document.Edit();
    document.FieldByName(QStringLiteral("parkingstreets")).SetAsString(streets);
    document.Post();
    TReportEngine engine(this);
    engine.SetCallerTellsFile(true);
    ExecuteParkingReport(engine, document, Items(), PrintTitle(true), DateText(document), true, CashierName());
    TellPrinted(engine.LastOutputFile());
}

// The user who saved the document, as the receipt names who took the payment.
QString TParkingDetailForm::CashierName() const
{
    int userId = Document().FieldByName(QStringLiteral("userid")).AsInteger();
    QString name;
    m_dm.GetPublisher(userId, name, false);
    return name.trimmed();
}

// A printout written to a file is named where the cashier looks, with a way to open it.
void TParkingDetailForm::TellPrinted(const QString &fileName)
{
    if (!fileName.isEmpty())
        Tell(QStringLiteral("Izveštaj je sačuvan u datoteci %1.").arg(QDir::toNativeSeparators(fileName)), fileName);
}
