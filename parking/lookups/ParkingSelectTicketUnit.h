#pragma once

// The surcharge tickets and the subscriptions recorded for a registration number, listed
// for the user to choose one. The picker is given rows and gives back the chosen row;
// the text of a row is only what the list shows.

#include "ParkingSelectForm.h"

#include <parking/core/TicketRows.h>

#include <optional>

class TParkingDM;

namespace parking {

// A ticket as listed: "dd.mm.yyyy : number : status" (or the document that took it) in
// 56 characters, then the price in 12; 68 in all.
QString TicketLine(const TicketRow &ticket);
// A subscription as listed: "number : zone : from : to" in 68 characters.
QString SubscriptionLine(const SubscriptionRow &subscription);
// The short label of a subscription's zone text; empty for a text the catalogue lacks.
QString SubscriptionZoneLabel(const QString &zone);

// The row the user chose among the registration's tickets or subscriptions; empty when
// none was chosen or there is none. The picker sits with its left edge at x, just below
// a 21-pixel control whose top is y. Both read through the connection of 'dm'.
std::optional<TicketRow> TicketByReg(TParkingDM &dm, const QString &regNumber, int x, int y);
std::optional<SubscriptionRow> SubscriptionByReg(TParkingDM &dm, const QString &regNumber, int x, int y);

} // namespace parking

class TParkingSelectTicketForm : public TParkingSelectForm {
    Q_OBJECT
public:
    TParkingSelectTicketForm();
};
