#pragma once

// The daily ticket document: one host sales document of type "M" with an item for each
// ticket issued on a day (quantity 1) and each ticket cancelled on it (quantity -1).

#include "ImportHistory.h"
#include <framework/Interfaces.h>

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class TParkingDM;
namespace parking {
class HostServices;
}

namespace imports {

// The product for a ticket's bar code ("DK" and the whole price); none, with 'reason'
// filled, when there is no product to take.
using TicketProductLookup = std::function<std::optional<TProductDesc>(const QString &barcode, QString &reason)>;

struct TicketDocumentResult {
    QDate day;
    bool written = false; // false: nothing issued that day, no item, or the header was refused
    bool noItems = false; // tickets were issued, but none of them would give an item
    int documentId = -1;
    QString caption; // "M-12"
    qint64 issued = 0;
    qint64 cancelled = 0;
    qint64 items = 0;
    QStringList leftOut; // "DK12: nema proizvoda za DK300"
    // The host document writer's messages (a refused header or item), for the caller to
    // show: the run shows nothing while its transaction is open.
    QStringList messages;

    // The closing report: tickets issued and cancelled, the document and its item count
    // (or why there is none), every ticket left out with its reason.
    QStringList ReportLines() const;
};

// "Za 06.12.2026 nema stavki za dokument.": no document is written for 'day'.
QString NoDocumentItemsMessage(const QDate &day);

// Reads the staging table through the connection of 'dm' and writes the document through
// the host document writer, with its record in the import history in the same
// transaction; the document notice follows only a stored document. Nothing is written
// when no ticket would give an item. A day that has its document already is refused
// (DayDocumentExists) unless another copy is asked for.
TicketDocumentResult CreateTicketDocument(TParkingDM &dm, const QDate &day, const TicketProductLookup &lookup,
                                          DayCopy copy);

// The bar code of a ticket's product: "DK" and the price as a whole number.
QString TicketBarcode(double price);

// The product module's one product for 'barcode'; none or several are left out with the
// reason, for callers that cannot ask the user to choose.
std::optional<TProductDesc> SingleProductByBarcode(const parking::HostServices &host, const QString &barcode,
                                                   QString &reason);
// As SingleProductByBarcode, but among several products 'choose' lets the user pick one
// (none chosen: left out, "proizvod nije izabran").
using ProductChoice = std::function<bool(const QString &barcode, TProductDesc &product)>;
std::optional<TProductDesc> ProductByBarcodeChoosing(const parking::HostServices &host, const QString &barcode,
                                                     QString &reason, const ProductChoice &choose);

} // namespace imports
