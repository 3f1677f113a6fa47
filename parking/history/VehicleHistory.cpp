#include "VehicleHistory.h"

#include <dataset/Field.h>
#include <dataset/Query.h>
#include <parking/data/DocumentTotals.h>
#include <parking/data/TicketStatus.h>
#include <parking/shared/ParkingResourceString.h>
#include <parking/lookups/ParkingSelectTicketUnit.h>
#include <routines/FormatFloat.h>

#include <QHash>

#include <algorithm>
#include <memory>

namespace history {

namespace {

constexpr char kTickets[] = "SELECT parkingticketid, ticketdate, ticketnumber, zone, ticketprice, status "
                            "FROM parkingticket WHERE platekey = :plate";
constexpr char kSubscriptions[] =
    "SELECT parkingsubscriptionid, subscriptionfromdate, subscriptiontodate, subscriptionnumber, zone, status "
    "FROM parkingsubscription WHERE platekey = :plate";
// The vehicle's own documents and those that paid one of its tickets, with their items;
// a document's total is the one stored with it, with tax, as the editor, the receipt and
// the pay desk show it, and each item is shown with its tax the same way.
QString DocumentsStatement()
{
    return QStringLiteral("SELECT d.parkingdocumentid, d.number, d.documentdatetime, d.cityreg, d.regnumber, "
                          "d.itemtotal, i.productname, i.quantity, %1 AS itemgross, i.ticketnumber "
                          "FROM (SELECT parkingdocumentid FROM parkingdocument WHERE platekey = :plate "
                          "UNION SELECT pi.parkingdocumentid FROM parkingticket AS t "
                          "JOIN parkingdocumentitem AS pi ON pi.ticketnumber = t.ticketnumber "
                          "WHERE t.platekey = :plate2 AND t.ticketnumber <> '') AS found "
                          "JOIN parkingdocument AS d ON d.parkingdocumentid = found.parkingdocumentid "
                          "LEFT JOIN parkingdocumentitem AS i ON i.parkingdocumentid = d.parkingdocumentid "
                          "ORDER BY d.parkingdocumentid, i.parkingdocumentitemid")
        .arg(ItemTotal(QStringLiteral("i")));
}

QString Moment(const QDateTime &time)
{
    return time.isValid() ? time.toString(QStringLiteral("dd.MM.yyyy HH:mm")) : QStringLiteral("-");
}

QString Day(const QDateTime &time)
{
    return time.isValid() ? time.toString(QStringLiteral("dd.MM.yyyy")) : QStringLiteral("-");
}

QString Money(double value)
{
    return FormatFloat(QStringLiteral("#,##0.00"), value);
}

// A period's last day counts whole: a bare date ends at the next midnight.
QDateTime PeriodEnd(const QDateTime &to)
{
    return to.time() == QTime(0, 0) ? to.addDays(1) : to;
}

std::unique_ptr<dataset::Query> Opened(dataset::Connection &connection, const QString &sql, const QString &plate)
{
    auto query = std::make_unique<dataset::Query>();
    query->SetConnection(&connection);
    query->SetSQL({sql});
    for (const QString &name : query->ParamNames())
        query->SetParam(name, plate);
    query->Open();
    return query;
}

std::unique_ptr<dataset::Query> Opened(dataset::Connection &connection, const char *sql, const QString &plate)
{
    return Opened(connection, QString::fromLatin1(sql), plate);
}

QString Text(const dataset::Query &query, const char *field)
{
    return query.FieldByName(QLatin1String(field)).AsString();
}

void ReadTickets(dataset::Connection &connection, VehicleHistory &history)
{
    const auto opened = Opened(connection, kTickets, history.plate);
    dataset::Query &query = *opened;
    for (query.First(); !query.Eof(); query.Next()) {
        Event event;
        event.kind = EventKind::Ticket;
        event.id = query.FieldByName(QStringLiteral("parkingticketid")).AsLargeInt();
        event.start = query.FieldByName(QStringLiteral("ticketdate")).AsDateTime();
        event.number = Text(query, "ticketnumber");
        event.amount = query.FieldByName(QStringLiteral("ticketprice")).AsFloat();
        const int status = query.FieldByName(QStringLiteral("status")).AsInteger();
        if (IsCancelled(status))
            event.state = TicketState::Cancelled;
        else if (IsPaid(status))
            event.state = TicketState::Paid;
        event.label = event.number;
        event.details = QStringLiteral("Doplatna karta %1\nIzdata: %2\nZona: %3\nIznos: %4\nStatus: %5")
                            .arg(event.number, Moment(event.start), Text(query, "zone"), Money(event.amount),
                                 ParkingStatusCaption(status));
        history.events.push_back(std::move(event));
    }
}

void ReadSubscriptions(dataset::Connection &connection, VehicleHistory &history)
{
    const auto opened = Opened(connection, kSubscriptions, history.plate);
    dataset::Query &query = *opened;
    for (query.First(); !query.Eof(); query.Next()) {
        Event event;
        event.kind = EventKind::Subscription;
        event.id = query.FieldByName(QStringLiteral("parkingsubscriptionid")).AsLargeInt();
        event.start = query.FieldByName(QStringLiteral("subscriptionfromdate")).AsDateTime();
        const QDateTime to = query.FieldByName(QStringLiteral("subscriptiontodate")).AsDateTime();
        if (!event.start.isValid())
            continue; // a subscription without a beginning has no place on the line
        event.end = PeriodEnd(to.isValid() ? to : event.start);
        event.number = Text(query, "subscriptionnumber");
        const QString zone = Text(query, "zone");
        const QString shortZone = SubscriptionZoneLabel(zone);
        event.label =
            (shortZone.isEmpty() ? zone : QStringLiteral("Zona ") + shortZone) + QStringLiteral(" · ") + event.number;
        event.details =
            QStringLiteral("Pretplata %1\nZona: %2\nOd %3 do %4").arg(event.number, zone, Day(event.start), Day(to));
        if (const QString status = Text(query, "status"); !status.isEmpty())
            event.details += QStringLiteral("\nStatus: ") + status;
        history.events.push_back(std::move(event));
    }
}

// A ticket number found on a document's item, and that document.
struct PaidTicket {
    QString ticket;
    qint64 document = 0;
};

// One event per document; its items become lines of its details, and an item carrying
// a ticket number records that the document paid that ticket.
void ReadDocuments(dataset::Connection &connection, VehicleHistory &history, std::vector<PaidTicket> &paid)
{
    const auto opened = Opened(connection, DocumentsStatement(), history.plate);
    dataset::Query &query = *opened;
    QString header;
    QStringList items;
    const auto finish = [&] {
        if (header.isEmpty())
            return;
        Event &document = history.events.back();
        document.details = header + QStringLiteral("\nUkupno: ") + Money(document.amount)
            + (items.isEmpty() ? QStringLiteral("\nBez stavki") : QStringLiteral("\nStavke:\n") + items.join(u'\n'));
        header.clear();
        items.clear();
    };
    for (query.First(); !query.Eof(); query.Next()) {
        const qint64 id = query.FieldByName(QStringLiteral("parkingdocumentid")).AsLargeInt();
        if (history.events.empty() || history.events.back().kind != EventKind::Document
            || history.events.back().id != id) {
            finish();
            Event event;
            event.kind = EventKind::Document;
            event.id = id;
            event.start = query.FieldByName(QStringLiteral("documentdatetime")).AsDateTime();
            event.number = Text(query, "number");
            event.label = event.number;
            event.amount = query.FieldByName(QStringLiteral("itemtotal")).AsFloat();
            header = QStringLiteral("Dokument %1\nVreme: %2\nTablice: %3 %4")
                         .arg(event.number, Moment(event.start), Text(query, "cityreg"), Text(query, "regnumber"));
            history.events.push_back(std::move(event));
        }
        if (query.FieldByName(QStringLiteral("productname")).IsNull())
            continue;
        const double value = query.FieldByName(QStringLiteral("itemgross")).AsFloat();
        const QString ticket = Text(query, "ticketnumber");
        items << QStringLiteral("  %1 × %2 = %3%4")
                     .arg(FormatFloat(QStringLiteral("0.###"), query.FieldByName(QStringLiteral("quantity")).AsFloat()),
                          Text(query, "productname"), Money(value),
                          ticket.isEmpty() ? QString() : QStringLiteral(" (karta %1)").arg(ticket));
        if (!ticket.isEmpty())
            paid.push_back({ticket, id});
    }
    finish();
}

int FieldIndex(const dataset::Query &table, const char *name)
{
    const dataset::Field *field = table.FindField(QLatin1String(name));
    return field ? field->Index() : -1;
}

void ReadStartStop(const dataset::Query &table, VehicleHistory &history)
{
    if (!table.Active())
        return;
    const int reg = FieldIndex(table, "regcitynumber");
    const int start = FieldIndex(table, "startdatetime");
    const int stop = FieldIndex(table, "stopdatetime");
    const int zone = FieldIndex(table, "zone");
    const int name = FieldIndex(table, "name");
    if (reg < 0 || start < 0 || stop < 0)
        return;
    for (int row = 0; row < table.RecordCount(); ++row) {
        if (PlateKey(table.RowValue(row, reg).toString()) != history.plate)
            continue;
        Event event;
        event.kind = EventKind::StartStop;
        event.start = table.RowValue(row, start).toDateTime();
        if (!event.start.isValid())
            continue;
        const QDateTime to = table.RowValue(row, stop).toDateTime();
        event.end = to.isValid() && to > event.start ? to : event.start.addSecs(60);
        const QString zoneText = zone < 0 ? QString() : table.RowValue(row, zone).toString();
        event.label = zoneText.isEmpty() ? QStringLiteral("Start-stop") : QStringLiteral("Start-stop · ") + zoneText;
        event.details = QStringLiteral("Start-stop\nOd %1 do %2\nZona: %3\nKorisnik: %4")
                            .arg(Moment(event.start), Moment(to), zoneText,
                                 name < 0 ? QString() : table.RowValue(row, name).toString());
        history.events.push_back(std::move(event));
    }
}

// Newest first; at the same moment a document stands before what it paid.
void Order(VehicleHistory &history)
{
    std::ranges::stable_sort(history.events, [](const Event &a, const Event &b) {
        if (a.start != b.start)
            return a.start > b.start;
        return a.kind < b.kind;
    });
}

void JoinPaidTickets(VehicleHistory &history, const std::vector<PaidTicket> &paid)
{
    QHash<QString, int> tickets;
    for (int i = 0; i < int(history.events.size()); ++i) {
        if (history.events[i].kind == EventKind::Ticket)
            tickets.insert(history.events[i].number, i);
    }
    QHash<qint64, int> documents;
    for (int i = 0; i < int(history.events.size()); ++i) {
        if (history.events[i].kind == EventKind::Document)
            documents.insert(history.events[i].id, i);
    }
    for (const PaidTicket &item : paid) {
        const auto ticket = tickets.constFind(item.ticket);
        const auto document = documents.constFind(item.document);
        if (ticket == tickets.cend() || document == documents.cend())
            continue;
        Event &event = history.events[*ticket];
        if (event.state == TicketState::Open)
            event.state = TicketState::Paid;
        event.details += QStringLiteral("\nPlaćena dokumentom %1 (%2)")
                             .arg(history.events[*document].number, Moment(history.events[*document].start));
        history.joins.push_back({*ticket, *document});
    }
}

} // namespace

QString EmptyHistoryText(const QString &typed)
{
    return QStringLiteral("Za vozilo %1 nema događaja.").arg(typed.trimmed());
}

VehicleHistory LoadVehicleHistory(dataset::Connection &connection, const QString &typed,
                                  const dataset::Query *startStop)
{
    VehicleHistory history;
    history.plate = PlateKey(typed);
    if (history.plate.isEmpty())
        return history;
    ReadTickets(connection, history);
    ReadSubscriptions(connection, history);
    std::vector<PaidTicket> paid;
    ReadDocuments(connection, history, paid);
    if (startStop)
        ReadStartStop(*startStop, history);
    Order(history);
    JoinPaidTickets(history, paid);
    return history;
}

std::vector<QString> VehicleHistoryStatements()
{
    return {QString::fromLatin1(kTickets), QString::fromLatin1(kSubscriptions), DocumentsStatement()};
}

} // namespace history
