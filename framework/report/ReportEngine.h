#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

namespace dataset { class Query; }

// The host's report engine: lays out the parking receipt and ticket and previews them
// (or writes them as PDF without a display, see ReportOutput). Errors are thrown as
// dataset::Error.
class TReportEngine {
public:
    explicit TReportEngine(QWidget *owner);

    void ExecuteParkingInvoiceReport(dataset::Query &document, dataset::Query &items,
                                     const QString &title, const QString &dateText);
    // As the receipt, plus the streets of the zone and sector (`parkingstreets`).
    void ExecuteParkingTicketReport(dataset::Query &document, dataset::Query &items,
                                    const QString &title, const QString &dateText);

    // The name printed after "Naplatio:" (who took the payment).
    void SetCashier(const QString &name) { m_cashier = name; }

    // The caller names a written file to the user itself (no box of the engine's).
    void SetCallerTellsFile(bool callerTells) { m_callerTells = callerTells; }

    // The PDF written by the last call, empty when it was previewed.
    const QString &LastOutputFile() const { return m_lastFile; }

private:
    void Execute(dataset::Query &document, dataset::Query &items, const QString &title,
                 const QString &dateText, bool ticket);

    QPointer<QWidget> m_owner;
    QString m_lastFile;
    QString m_cashier;
    bool m_callerTells = false;
};
