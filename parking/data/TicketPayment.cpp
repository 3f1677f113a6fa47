#include "TicketPayment.h"

#include "TicketStatus.h"

#include <dataset/Query.h>
#include <parking/shared/ParkingResourceString.h>

QString TicketPaidQuestion(dataset::Connection &connection, const QString &ticketNumber, qint64 ownDocumentId)
{
    if (ticketNumber.trimmed().isEmpty())
        return {};
    // A locking read: in a save's transaction it waits for another desk's save of the same
    // ticket, and the two meet (one is retried and asked) instead of both passing unasked.
    dataset::Query paid;
    paid.SetConnection(&connection);
    paid.SetSQL({QStringLiteral("SELECT d.number, d.documentdatetime FROM parkingdocumentitem AS i "
                                "JOIN parkingdocument AS d ON d.parkingdocumentid = i.parkingdocumentid "
                                "WHERE i.ticketnumber = :ticket AND i.parkingdocumentid <> :own "
                                "ORDER BY d.documentdatetime, d.parkingdocumentid LIMIT 1 LOCK IN SHARE MODE")});
    paid.SetParam(QStringLiteral("ticket"), ticketNumber);
    paid.SetParam(QStringLiteral("own"), ownDocumentId > 0 ? ownDocumentId : 0);
    paid.Open();
    if (!paid.IsEmpty())
        return QStringLiteral("Karta %1 je već plaćena dokumentom %2 (%3). Dodati je ipak?")
            .arg(ticketNumber, paid.FieldByName(QStringLiteral("number")).AsString(),
                 paid.FieldByName(QStringLiteral("documentdatetime")).AsDateTime().toString(QStringLiteral("dd.MM.yyyy")));

    // A closed ticket is left out of the working table by the import: its status is read
    // from the import's staging table too, so a typed number of such a ticket is asked.
    dataset::Query status;
    status.SetConnection(&connection);
    status.SetSQL({QStringLiteral("SELECT status FROM parkingticket WHERE ticketnumber = :ticket AND status IN (%1) "
                                  "UNION ALL SELECT status_doplatne FROM parkingticketraw WHERE id_DK = :raw "
                                  "AND status_doplatne IN (%1) LIMIT 1")
                       .arg(ClosedStatusList())});
    status.SetParam(QStringLiteral("ticket"), ticketNumber);
    status.SetParam(QStringLiteral("raw"), ticketNumber);
    status.Open();
    if (status.IsEmpty())
        return {};
    return QStringLiteral("Karta %1 ima status \"%2\". Dodati je ipak?")
        .arg(ticketNumber, ParkingStatusCaption(status.FieldByName(QStringLiteral("status")).AsInteger()));
}

bool HasTicketsOrSubscriptions(dataset::Connection &connection, const QString &registration)
{
    dataset::Query found;
    found.SetConnection(&connection);
    found.SetSQL({QStringLiteral("SELECT EXISTS(SELECT 1 FROM parkingticket WHERE regcitynumber = :reg) "
                                 "OR EXISTS(SELECT 1 FROM parkingsubscription WHERE regcitynumber = :reg2) AS found")});
    found.SetParam(QStringLiteral("reg"), registration);
    found.SetParam(QStringLiteral("reg2"), registration);
    found.Open();
    return found.FieldByName(QStringLiteral("found")).AsInteger() != 0;
}
