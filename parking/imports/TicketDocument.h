#pragma once

// The daily ticket document: one host sales document of type "M" with an item for each
// ticket issued on a day (quantity 1) and each ticket cancelled on it (quantity -1).

#include <framework/Interfaces.h>

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class TParkingDM;

// The product for a ticket's bar code ("DK" and the whole price); none, with 'reason'
// filled, when there is no product to take.
using TicketProductLookup = std::function<std::optional<TProductDesc>(const QString &barcode, QString &reason)>;

struct TicketDocumentResult {
    bool written = false; // false: nothing issued that day, or the header was refused
    int documentId = -1;
    QString caption; // "M-12"
    qint64 issued = 0;
    qint64 cancelled = 0;
    qint64 items = 0;
    QStringList leftOut; // "DK12: nema proizvoda za DK300"
    // The host document writer's messages (a refused header or item), for the caller to
    // show: the run shows nothing while its transaction and numbering lock are held.
    QStringList messages;
};

// Reads the staging table through the connection of 'dm' and writes the document through
// the host document writer; the document notice follows only a stored document.
TicketDocumentResult CreateTicketDocument(TParkingDM &dm, const QDate &day, const TicketProductLookup &lookup);

// The bar code of a ticket's product: "DK" and the price as a whole number.
QString TicketBarcode(double price);

// The product module's one product for 'barcode'; none or several are left out with the
// reason, for callers that cannot ask the user to choose.
std::optional<TProductDesc> SingleProductByBarcode(const QString &barcode, QString &reason);
