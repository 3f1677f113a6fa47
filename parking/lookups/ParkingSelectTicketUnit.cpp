#include "ParkingSelectTicketUnit.h"

#include "ParkingSelectProductUnit.h"
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <framework/base/BusyCursor.h>
#include <parking/core/TicketStatus.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/shared/ParkingResourceString.h>
#include <routines/FormatFloat.h>

#include <memory>

namespace parking {

namespace {

const QString kSeparator = QStringLiteral(" : ");

QString DateText(const QDateTime &date)
{
    return FormatDateTime(QStringLiteral("dd.mm.yyyy"), date);
}

dataset::Connection &ModuleConnection(const TParkingDM &dm)
{
    dataset::Connection *connection = dm.Connection();
    if (!connection)
        throw dataset::Error(QStringLiteral("Modul parkinga nema vezu sa bazom podataka."));
    return *connection;
}

// Shows 'lines' below (x, y) for a choice; with no lines the picker is only shown and
// closed. Returns the chosen line's index, -1 when none was chosen.
int ChooseLine(const QStringList &lines, int x, int y)
{
    const auto form = std::make_unique<TParkingSelectTicketForm>();
    form->move(x, y + 21);
    form->HideSearchRow();
    form->SetLines(lines);
    if (lines.isEmpty()) {
        form->show();
        form->close();
        return -1;
    }
    form->exec();
    return form->Selected && form->SelectedIndex < lines.size() ? form->SelectedIndex : -1;
}

// The lookup of both pickers: the rows of 'regNumber', shown by 'lineOf', and the row
// the user chose.
template <class Row>
std::optional<Row> ChooseRow(TParkingDM &dm, std::vector<Row> (*rowsOf)(dataset::Connection &, const QString &),
                             QString (*lineOf)(const Row &), const QString &regNumber, int x, int y)
{
    const BusyCursor busy;
    std::vector<Row> rows = rowsOf(ModuleConnection(dm), regNumber);
    QStringList lines;
    lines.reserve(qsizetype(rows.size()));
    for (const Row &row : rows)
        lines << lineOf(row);
    const int chosen = ChooseLine(lines, x, y);
    if (chosen < 0)
        return std::nullopt;
    return std::move(rows.at(std::size_t(chosen)));
}

} // namespace

QString SubscriptionZoneLabel(const QString &zone)
{
    if (zone == ParkingResourceString("_PARKING_RED_ZONE_CAP") || zone == ParkingResourceString("_PARKING_RED_ZONE_CAP2"))
        return QStringLiteral("I");
    if (zone == ParkingResourceString("_PARKING_GRN_ZONE_CAP") || zone == ParkingResourceString("_PARKING_GRN_ZONE_CAP2"))
        return QStringLiteral("II");
    const QString parkingLot = ParkingResourceString("_PARKING_SUB_ZONE_CAP");
    return zone == parkingLot ? parkingLot : QString();
}

// A ticket on a stored document shows that document (the first that took it) instead of
// the status of the operator's export, which does not know of it yet.
QString TicketLine(const TicketRow &ticket)
{
    const QString state = ticket.paidOn.isEmpty() ? StatusCaption(ticket.status)
                                                  : QStringLiteral("Plaćena dokumentom %1").arg(ticket.paidOn);
    const QString first = DateText(ticket.date) + kSeparator + ticket.number + kSeparator + state;
    return PadText(first, 56, Align::Left) + PadText(FormatFloat(QStringLiteral("0.00"), ticket.price), 12, Align::Right);
}

QString SubscriptionLine(const SubscriptionRow &subscription)
{
    return PadText(subscription.number + kSeparator + SubscriptionZoneLabel(subscription.zone) + kSeparator
                       + DateText(subscription.from) + kSeparator + DateText(subscription.to),
                   68, Align::Left);
}

std::optional<TicketRow> TicketByReg(TParkingDM &dm, const QString &regNumber, int x, int y)
{
    return ChooseRow(dm, FindTickets, TicketLine, regNumber, x, y);
}

std::optional<SubscriptionRow> SubscriptionByReg(TParkingDM &dm, const QString &regNumber, int x, int y)
{
    return ChooseRow(dm, FindSubscriptions, SubscriptionLine, regNumber, x, y);
}

} // namespace parking

TParkingSelectTicketForm::TParkingSelectTicketForm()
    : TParkingSelectForm(QStringLiteral("Izaberite kartu"), 500, 220, 200)
{
    setObjectName(QStringLiteral("ParkingSelectTicketForm"));
}
