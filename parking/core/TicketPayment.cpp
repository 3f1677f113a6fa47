#include "TicketPayment.h"

#include "TicketRows.h"
#include "TicketStatus.h"

namespace parking {

QString TicketPaidQuestion(dataset::Connection &connection, const QString &ticketNumber, qint64 ownDocumentId)
{
    if (ticketNumber.trimmed().isEmpty())
        return {};
    const std::vector<DocumentSummary> payments = PaymentsOfTicket(connection, ticketNumber, ownDocumentId);
    if (!payments.empty())
        return QStringLiteral("Karta %1 je već plaćena dokumentom %2 (%3). Dodati je ipak?")
            .arg(ticketNumber, payments.front().number,
                 payments.front().dateTime.toString(QStringLiteral("dd.MM.yyyy")));

    // A closed ticket is left out of the working table by the import: its status is read
    // from the import's staging table too, so a typed number of such a ticket is asked.
    const std::optional<int> status = ClosedStatusOfTicket(connection, ticketNumber);
    if (!status)
        return {};
    return QStringLiteral("Karta %1 ima status \"%2\". Dodati je ipak?").arg(ticketNumber, StatusCaption(*status));
}

} // namespace parking
