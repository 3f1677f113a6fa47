#include "TicketRows.h"

#include "TicketStatus.h"

#include <dataset/Query.h>
#include <dataset/Statement.h>

namespace parking {

namespace {

constexpr char kTicketColumns[] =
    "SELECT t.parkingticketid, t.ticketdate, t.ticketnumber, t.zone, t.regcitynumber, t.ticketprice, t.status, "
    "t.name, t.personalidentificator, t.address, t.zip, t.city, "
    "(SELECT d.number FROM parkingdocumentitem AS i "
    "JOIN parkingdocument AS d ON d.parkingdocumentid = i.parkingdocumentid "
    "WHERE i.ticketnumber = t.ticketnumber "
    "ORDER BY d.documentdatetime, d.parkingdocumentid LIMIT 1) AS paidon "
    "FROM parkingticket AS t ";

constexpr char kSubscriptionColumns[] =
    "SELECT parkingsubscriptionid, subscriptionnumber, regcitynumber, subscriptionfromdate, subscriptiontodate, "
    "firstname, lastname, personalidentificator, zone, status FROM parkingsubscription ";

QString Text(const dataset::Query &query, const char *field)
{
    return query.FieldByName(QLatin1String(field)).AsString();
}

TicketRow TicketOf(const dataset::Query &query)
{
    return {query.FieldByName(QStringLiteral("parkingticketid")).AsLargeInt(),
            query.FieldByName(QStringLiteral("ticketdate")).AsDateTime(),
            Text(query, "ticketnumber"),
            query.FieldByName(QStringLiteral("zone")).AsInteger(),
            Text(query, "regcitynumber"),
            query.FieldByName(QStringLiteral("ticketprice")).AsFloat(),
            query.FieldByName(QStringLiteral("status")).AsInteger(),
            Text(query, "name"),
            Text(query, "personalidentificator"),
            Text(query, "address"),
            Text(query, "zip"),
            Text(query, "city"),
            Text(query, "paidon")};
}

SubscriptionRow SubscriptionOf(const dataset::Query &query)
{
    return {query.FieldByName(QStringLiteral("parkingsubscriptionid")).AsLargeInt(),
            Text(query, "subscriptionnumber"),
            Text(query, "regcitynumber"),
            query.FieldByName(QStringLiteral("subscriptionfromdate")).AsDateTime(),
            query.FieldByName(QStringLiteral("subscriptiontodate")).AsDateTime(),
            Text(query, "firstname"),
            Text(query, "lastname"),
            Text(query, "personalidentificator"),
            Text(query, "zone"),
            Text(query, "status")};
}

DocumentSummary DocumentOf(const dataset::Query &query)
{
    return {query.FieldByName(QStringLiteral("parkingdocumentid")).AsLargeInt(), Text(query, "number"),
            query.FieldByName(QStringLiteral("documentdatetime")).AsDateTime()};
}

// Every row of 'sql' turned into a value by 'rowOf'.
template <class RowOf>
auto Rows(dataset::Connection &connection, const QString &sql, const dataset::Params &params, RowOf rowOf)
{
    const auto query = dataset::OpenQuery(connection, sql, params);
    std::vector<decltype(rowOf(*query))> rows;
    rows.reserve(std::size_t(query->RecordCount()));
    for (query->First(); !query->Eof(); query->Next())
        rows.push_back(rowOf(*query));
    return rows;
}

QString Sql(const char *columns, const char *rest)
{
    return QString::fromLatin1(columns) + QString::fromLatin1(rest);
}

} // namespace

std::vector<TicketRow> FindTickets(dataset::Connection &connection, const QString &registration)
{
    return Rows(connection, Sql(kTicketColumns, "WHERE t.regcitynumber = :reg ORDER BY t.ticketdate, t.ticketnumber"),
                {{QStringLiteral("reg"), registration}}, TicketOf);
}

std::vector<SubscriptionRow> FindSubscriptions(dataset::Connection &connection, const QString &registration)
{
    return Rows(connection,
                Sql(kSubscriptionColumns,
                    "WHERE regcitynumber = :reg ORDER BY subscriptiontodate DESC, subscriptionnumber DESC"),
                {{QStringLiteral("reg"), registration}}, SubscriptionOf);
}

bool HasTicketsOrSubscriptions(dataset::Connection &connection, const QString &registration)
{
    const auto found =
        dataset::OpenQuery(connection,
                           QStringLiteral("SELECT EXISTS(SELECT 1 FROM parkingticket WHERE regcitynumber = :reg) "
                                          "OR EXISTS(SELECT 1 FROM parkingsubscription WHERE regcitynumber = :reg2) "
                                          "AS found"),
                           {{QStringLiteral("reg"), registration}, {QStringLiteral("reg2"), registration}});
    return found->FieldByName(QStringLiteral("found")).AsInteger() != 0;
}

std::vector<DocumentSummary> PaymentsOfTicket(dataset::Connection &connection, const QString &ticketNumber,
                                              qint64 exceptDocumentId)
{
    return Rows(connection,
                QStringLiteral("SELECT d.parkingdocumentid, d.number, d.documentdatetime FROM parkingdocumentitem AS i "
                               "JOIN parkingdocument AS d ON d.parkingdocumentid = i.parkingdocumentid "
                               "WHERE i.ticketnumber = :ticket AND i.parkingdocumentid <> :own "
                               "ORDER BY d.documentdatetime, d.parkingdocumentid LOCK IN SHARE MODE"),
                {{QStringLiteral("ticket"), ticketNumber},
                 {QStringLiteral("own"), exceptDocumentId > 0 ? exceptDocumentId : 0}},
                DocumentOf);
}

std::optional<int> ClosedStatusOfTicket(dataset::Connection &connection, const QString &ticketNumber)
{
    const auto status = dataset::OpenQuery(
        connection,
        QStringLiteral("SELECT status FROM parkingticket WHERE ticketnumber = :ticket AND status IN (%1) "
                       "UNION ALL SELECT status_doplatne FROM parkingticketraw WHERE id_DK = :raw "
                       "AND status_doplatne IN (%1) LIMIT 1")
            .arg(StatusCodeList(IsClosed)),
        {{QStringLiteral("ticket"), ticketNumber}, {QStringLiteral("raw"), ticketNumber}});
    if (status->IsEmpty())
        return std::nullopt;
    return status->FieldByName(QStringLiteral("status")).AsInteger();
}

} // namespace parking
