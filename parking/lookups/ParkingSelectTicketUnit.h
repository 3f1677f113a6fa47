#pragma once

// The surcharge tickets and the subscriptions recorded for a registration number, listed
// for the user to choose one. The list lines are built without any window, so a caller
// (or a benchmark) can use them alone.

#include "ParkingSelectForm.h"

#include <QStringList>

class TParkingDM;
namespace dataset { class Connection; }

// --- non-visual --------------------------------------------------------------------

// 68-character lines "dd.mm.yyyy : number : status" + price, in date and number order.
QStringList TicketLines(dataset::Connection &connection, const QString &regNumber);
// 68-character lines "number : zone : from : to", the latest subscription first.
QStringList SubscriptionLines(dataset::Connection &connection, const QString &regNumber);
// The short label of a subscription's zone text; empty for a text the catalogue lacks.
QString SubscriptionZoneLabel(const QString &zone);
// The numbers written in a ticket line and in a subscription line.
QString TicketNumberFromLine(const QString &line);
QString SubscriptionNumberFromLine(const QString &line);

// --- lookups -----------------------------------------------------------------------
// True with the chosen number written to the text argument; false leaves it unchanged.
// The picker sits with its left edge at x, just below a 21-pixel control whose top is y.
// Both read through the connection of 'dm'.
bool TicketByReg(TParkingDM &dm, const QString &regNumber, QString &ticketNumber, int x, int y);
bool SubscriptionByReg(TParkingDM &dm, const QString &regNumber, QString &subscriptionNumber, int x, int y);

class TParkingSelectTicketForm : public TParkingSelectForm {
    Q_OBJECT
public:
    TParkingSelectTicketForm();
};
