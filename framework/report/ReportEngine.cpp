#include "ReportEngine.h"

#include "ParkingReport.h"
#include "ReportDocument.h"
#include "ReportOutput.h"

#include <QTextDocument>

TReportEngine::TReportEngine(QWidget *owner) : m_owner(owner) {}

void TReportEngine::ExecuteParkingInvoiceReport(dataset::Query &document, dataset::Query &items,
                                                const QString &title, const QString &dateText)
{
    Execute(document, items, title, dateText, false);
}

void TReportEngine::ExecuteParkingTicketReport(dataset::Query &document, dataset::Query &items,
                                               const QString &title, const QString &dateText)
{
    Execute(document, items, title, dateText, true);
}

void TReportEngine::Execute(dataset::Query &document, dataset::Query &items, const QString &title,
                            const QString &dateText, bool ticket)
{
    ParkingReportData data = ReadParkingReport(document, items, title, dateText, ticket);
    data.cashier = m_cashier;
    const std::unique_ptr<QTextDocument> page = NewReportDocument(ParkingReportHtml(data));
    m_lastFile = ReportOutput::Deliver(*page, title, m_owner,
                                       m_callerTells ? ReportOutput::Notice::Caller : ReportOutput::Notice::Box);
}
