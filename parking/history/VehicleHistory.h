#pragma once

// A vehicle's whole history: its surcharge tickets, subscriptions, parking documents and
// start-stop periods, read by its registration however that was typed. Reads only.

#include <parking/core/Plate.h>

#include <QDateTime>
#include <QString>

#include <vector>

namespace dataset {
class Connection;
class Query;
} // namespace dataset

namespace history {

enum class EventKind { Document, Ticket, Subscription, StartStop };
enum class TicketState { Open, Paid, Cancelled };

struct Event {
    EventKind kind = EventKind::Ticket;
    QDateTime start; // issue or payment time, or where a period begins
    QDateTime end; // where a period ends (exclusive); invalid for a single moment
    QString number; // of the ticket, subscription or document
    QString label; // short text drawn on a bar
    QString details; // lines for the tool tip and the printout
    TicketState state = TicketState::Open; // tickets only
    qint64 id = 0; // the row's key in its table; 0 for a start-stop period
    double amount = 0.0; // ticket price or document total with tax

    bool IsPeriod() const { return end.isValid(); }
};

// A ticket paid on a document: both as indexes into VehicleHistory::events.
struct Join {
    int ticket = -1;
    int document = -1;
};

struct VehicleHistory {
    QString plate; // the registration compared: see parking::Plate
    std::vector<Event> events; // newest first
    std::vector<Join> joins;
};

// What the window says when a registration has no events.
QString EmptyHistoryText(const QString &typed);

// Reads the events of the registration 'typed' over 'connection' (values bound as
// parameters); with 'startStop', also the periods of that in-memory start-stop table
// whose registration matches. Documents that paid one of the vehicle's tickets are
// included even when written for another registration. Throws dataset::Error.
VehicleHistory LoadVehicleHistory(dataset::Connection &connection, const QString &typed,
                                  const dataset::Query *startStop = nullptr);

// The statements LoadVehicleHistory sends, with ':plate' and ':plate2' standing for the
// registration, in the order sent.
std::vector<QString> VehicleHistoryStatements();

} // namespace history
