#pragma once

// Whether a surcharge ticket was paid already: on a saved parking document, or by its
// status in the operator's export. Reads only; the caller decides what to ask.

#include <QString>

namespace dataset { class Connection; }

namespace parking {

// The question to put before 'ticketNumber' is paid on the document 'ownDocumentId'
// (0 or less for a new one); empty when nothing speaks against paying it.
QString TicketPaidQuestion(dataset::Connection &connection, const QString &ticketNumber, qint64 ownDocumentId);

} // namespace parking
