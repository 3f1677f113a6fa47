#include "ParkingSelectTicketUnit.h"

#include "ParkingSelectProductUnit.h"
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>
#include <framework/base/BusyCursor.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/shared/ParkingResourceString.h>
#include <routines/FormatFloat.h>

#include <QListWidget>
#include <memory>

namespace {

const QString kSeparator = QStringLiteral(" : ");

QString DateText(const dataset::Field &field)
{
    return FormatDateTime(QStringLiteral("dd.mm.yyyy"), field.AsDateTime());
}

// Opens 'sql' (one statement, values already quoted) on 'connection' and calls 'line'
// for each row; the query lives only for the call.
template <class LineOf>
// The lines of the rows of 'sql' for one registration number, bound as :regNumber.
QStringList Lines(dataset::Connection &connection, const QString &sql, const QString &regNumber, LineOf line)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SetSQL({sql});
    query.SetParam(QStringLiteral("regNumber"), regNumber);
    query.Open();
    QStringList lines;
    lines.reserve(query.RecordCount());
    for (query.First(); !query.Eof(); query.Next())
        lines.append(line(query));
    return lines;
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

// The lookup of both pickers: the lines for 'regNumber', the user's choice, and the
// number read from the chosen line into 'number'.
bool ChooseNumber(dataset::Connection &connection, QStringList (*linesOf)(dataset::Connection &, const QString &),
                  QString (*numberOf)(const QString &), const QString &regNumber, QString &number, int x, int y)
{
    const BusyCursor busy;
    const QStringList lines = linesOf(connection, regNumber);
    const int chosen = ChooseLine(lines, x, y);
    if (chosen < 0)
        return false;
    number = numberOf(lines.at(chosen));
    return true;
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
QStringList TicketLines(dataset::Connection &connection, const QString &regNumber)
{
    const QString sql = QStringLiteral("SELECT t.*, (SELECT d.number FROM parkingdocumentitem AS i "
                                       "JOIN parkingdocument AS d ON d.parkingdocumentid = i.parkingdocumentid "
                                       "WHERE i.ticketnumber = t.ticketnumber "
                                       "ORDER BY d.documentdatetime, d.parkingdocumentid LIMIT 1) AS paidon "
                                       "FROM parkingticket AS t WHERE t.regcitynumber = :regNumber "
                                       "ORDER BY t.ticketdate, t.ticketnumber");
    return Lines(connection, sql, regNumber, [](const dataset::Query &query) {
        const QString paidOn = query.FieldByName(QStringLiteral("paidon")).AsString();
        const QString state = paidOn.isEmpty()
            ? ParkingStatusCaption(query.FieldByName(QStringLiteral("status")).AsInteger())
            : QStringLiteral("Plaćena dokumentom %1").arg(paidOn);
        const QString first = DateText(query.FieldByName(QStringLiteral("ticketdate"))) + kSeparator
            + query.FieldByName(QStringLiteral("ticketnumber")).AsString() + kSeparator + state;
        const QString price =
            FormatFloat(QStringLiteral("0.00"), query.FieldByName(QStringLiteral("ticketprice")).AsFloat());
        return PadText(first, 56, true) + PadText(price, 12, false);
    });
}

QStringList SubscriptionLines(dataset::Connection &connection, const QString &regNumber)
{
    const QString sql = QStringLiteral("SELECT * FROM parkingsubscription WHERE regcitynumber = :regNumber "
                                       "ORDER BY subscriptiontodate DESC, subscriptionnumber DESC");
    return Lines(connection, sql, regNumber, [](const dataset::Query &query) {
        const QString line = query.FieldByName(QStringLiteral("subscriptionnumber")).AsString() + kSeparator
            + SubscriptionZoneLabel(query.FieldByName(QStringLiteral("zone")).AsString()) + kSeparator
            + DateText(query.FieldByName(QStringLiteral("subscriptionfromdate"))) + kSeparator
            + DateText(query.FieldByName(QStringLiteral("subscriptiontodate")));
        return PadText(line, 68, true);
    });
}

// The number stands after the ten-character date and " : ", up to the next " : ".
QString TicketNumberFromLine(const QString &line)
{
    const QString piece = line.mid(13, 42);
    return piece.left(piece.indexOf(kSeparator)).trimmed();
}

QString SubscriptionNumberFromLine(const QString &line)
{
    return line.left(line.indexOf(kSeparator)).trimmed();
}

bool TicketByReg(TParkingDM &dm, const QString &regNumber, QString &ticketNumber, int x, int y)
{
    return ChooseNumber(ModuleConnection(dm), TicketLines, TicketNumberFromLine, regNumber, ticketNumber, x, y);
}

bool SubscriptionByReg(TParkingDM &dm, const QString &regNumber, QString &subscriptionNumber, int x, int y)
{
    return ChooseNumber(ModuleConnection(dm), SubscriptionLines, SubscriptionNumberFromLine, regNumber,
                        subscriptionNumber, x, y);
}

TParkingSelectTicketForm::TParkingSelectTicketForm()
    : TParkingSelectForm(QStringLiteral("Izaberite kartu"), 500, 220, 200)
{
    setObjectName(QStringLiteral("ParkingSelectTicketForm"));
}
