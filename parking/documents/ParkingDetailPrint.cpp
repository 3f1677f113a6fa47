// The editor's two printouts: the receipt and the parking ticket with the streets of
// the paid zone and sector.

#include "ParkingDetailUnit.h"

#include <dataset/Connection.h>
#include <dataset/Query.h>
#include "ParkingReport.h"
#include <framework/report/ReportEngine.h>
#include <parking/core/DocumentQueries.h>
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

} // namespace

QString TParkingDetailForm::PrintTitle(Printout printout) const
{
    QString title = ParkingResourceString("_PARKING_PRINT_INVOICE_CAP");
    if (printout == Printout::Ticket)
        title += QStringLiteral(" / ") + ParkingResourceString("_PARKING_PRINT_TICKET_CAP");
    return title + QLatin1Char(' ') + Document().FieldByName(QStringLiteral("number")).AsString();
}

void TParkingDetailForm::DocumentPrintExecute()
{
    CustomApplyExecute();
    TReportEngine engine(this);
    engine.SetCallerTellsFile(true);
    ExecuteParkingReport(engine, Document(), Items(), PrintTitle(Printout::Receipt), DateText(Document()), false,
                         CashierName());
    TellPrinted(engine.LastOutputFile());
}

void TParkingDetailForm::PrintTicketExecute()
{
    CustomApplyExecute();
    dataset::Query &document = Document();
    const QString streets =
        parking::StreetsOfZone(*m_dm.Connection(), document.FieldByName(QStringLiteral("parkingzone")).AsString(),
                               document.FieldByName(QStringLiteral("parkingsector")).AsString())
            .join(QStringLiteral(", "));
    document.Edit();
    document.FieldByName(QStringLiteral("parkingstreets")).SetAsString(streets);
    document.Post();
    TReportEngine engine(this);
    engine.SetCallerTellsFile(true);
    ExecuteParkingReport(engine, document, Items(), PrintTitle(Printout::Ticket), DateText(document), true,
                         CashierName());
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
