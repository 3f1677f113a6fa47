#pragma once

// The vehicle's surcharge tickets and subscriptions as typed rows, read by registration,
// and the documents that paid a ticket. Reads only; values are bound parameters.

#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

namespace dataset { class Connection; }

namespace parking {

struct TicketRow {
    qint64 id = 0;
    QDateTime date;
    QString number;
    int zone = 0;
    QString registration;
    double price = 0;
    int status = 0;
    QString name; // the payer, "first last" as the export writes it
    QString personalId;
    QString address;
    QString zip;
    QString city;
    QString paidOn; // number of the first stored document that took the ticket; empty for none
};

struct SubscriptionRow {
    qint64 id = 0;
    QString number;
    QString registration;
    QDateTime from;
    QDateTime to;
    QString firstName;
    QString lastName;
    QString personalId;
    QString zone; // the export's zone text
    QString status;
};

// A stored parking document, as a look-up names it.
struct DocumentSummary {
    qint64 id = 0;
    QString number;
    QDateTime dateTime;
};

// The tickets written for 'registration' (compared exactly), by date then number, each
// with the document that took it.
std::vector<TicketRow> FindTickets(dataset::Connection &connection, const QString &registration);
// The subscriptions of 'registration', the latest end first, then the higher number.
std::vector<SubscriptionRow> FindSubscriptions(dataset::Connection &connection, const QString &registration);

// True when the registration has a surcharge ticket or a subscription.
bool HasTicketsOrSubscriptions(dataset::Connection &connection, const QString &registration);

// The stored documents other than 'exceptDocumentId' whose items carry 'ticketNumber',
// earliest first. A locking read: in a save's transaction it waits for another desk's
// save of the same ticket.
std::vector<DocumentSummary> PaymentsOfTicket(dataset::Connection &connection, const QString &ticketNumber,
                                              qint64 exceptDocumentId);

// The status of the ticket 'ticketNumber' when it is paid or cancelled, looked up in the
// working table and in the import's staging table (which keeps the tickets the import
// leaves out); empty for an open or unknown ticket.
std::optional<int> ClosedStatusOfTicket(dataset::Connection &connection, const QString &ticketNumber);

} // namespace parking
