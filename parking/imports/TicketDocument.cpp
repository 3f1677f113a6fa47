#include "TicketDocument.h"

#include "ImportHistory.h"
#include <dataset/Query.h>
#include <dataset/SaveToken.h>
#include <dataset/UnitOfWork.h>
#include <framework/common/CommonResourceString.h>
#include <parking/data/HostDocumentWriter.h>
#include <parking/data/ParkingDMUnit.h>
#include <parking/lookups/ParkingSelectProductUnit.h>
#include <routines/FormatFloat.h>

#include <vector>

namespace imports {

namespace {

struct TicketRow {
    QString ticket;
    double price;
};

std::vector<TicketRow> Tickets(const TParkingDM &dm, const QString &sql, const QMap<QString, QString> &params)
{
    dataset::Query query;
    query.SetConnection(dm.Connection());
    query.SetSQL({sql});
    for (auto it = params.cbegin(); it != params.cend(); ++it)
        query.SetParam(it.key(), it.value());
    query.Open();
    std::vector<TicketRow> rows;
    for (query.First(); !query.Eof(); query.Next())
        rows.push_back({query.FieldByName(QStringLiteral("id_DK")).AsString(),
                        query.FieldByName(QStringLiteral("cena_DK")).AsFloat()});
    return rows;
}

struct PlannedItem {
    TProductDesc product;
    QString ticket;
    double quantity;
};

// Products are found before the document is begun, so no transaction stays open while
// the user chooses in a picker.
void Plan(const std::vector<TicketRow> &rows, double quantity, const TicketProductLookup &lookup,
          std::vector<PlannedItem> &items, QStringList &leftOut)
{
    for (const TicketRow &row : rows) {
        QString reason;
        if (auto product = lookup(TicketBarcode(row.price), reason))
            items.push_back({*product, row.ticket, quantity});
        else
            leftOut << QStringLiteral("%1: %2").arg(row.ticket, reason);
    }
}

} // namespace

QString TicketBarcode(double price)
{
    return QStringLiteral("DK") + FormatFloat(QStringLiteral("0"), price);
}

std::optional<TProductDesc> ProductByBarcodeChoosing(const parking::HostServices &host, const QString &barcode,
                                                     QString &reason,
                                                     const ProductChoice &choose)
{
    const IntfPtr<IProductModule> products = GetProductModule(host);
    if (!products) {
        reason = QStringLiteral("nema modula proizvoda");
        return std::nullopt;
    }
    const TProductDescArr found = ProductsByCode(*products, barcode);
    if (found.size() == 1)
        return found.front();
    if (found.empty()) {
        reason = QStringLiteral("nema proizvoda za %1").arg(barcode);
        return std::nullopt;
    }
    TProductDesc chosen;
    if (choose && choose(barcode, chosen))
        return chosen;
    reason = choose ? QStringLiteral("proizvod nije izabran") : QStringLiteral("više proizvoda za %1").arg(barcode);
    return std::nullopt;
}

std::optional<TProductDesc> SingleProductByBarcode(const parking::HostServices &host, const QString &barcode,
                                                   QString &reason)
{
    return ProductByBarcodeChoosing(host, barcode, reason, {});
}

QString NoDocumentItemsMessage(const QDate &day)
{
    return QStringLiteral("Za %1 nema stavki za dokument.").arg(day.toString(QStringLiteral("dd.MM.yyyy")));
}

QStringList TicketDocumentResult::ReportLines() const
{
    QStringList lines;
    lines << QStringLiteral("Izdatih karata: %1").arg(issued)
          << QStringLiteral("Storniranih karata: %1").arg(cancelled);
    if (written)
        lines << QStringLiteral("Dokument %1 sa %2 stavki").arg(caption).arg(items);
    else if (issued == 0)
        lines << QStringLiteral("Za %1 nije izdata nijedna karta; dokument nije napravljen.")
                     .arg(day.toString(QStringLiteral("dd.MM.yyyy")));
    else if (noItems)
        lines << NoDocumentItemsMessage(day);
    lines << QStringLiteral("Izostavljeno karata: %1").arg(leftOut.size());
    for (const QString &ticket : leftOut)
        lines << QStringLiteral("  ") + ticket;
    return lines;
}

namespace {

// The run's record: kept with the document in its transaction, or, for a run that wrote
// none, once the run has ended.
imports::ImportRecord RunRecord(TParkingDM &dm, const TicketDocumentResult &result)
{
    imports::ImportRecord record;
    record.kind = parking::ImportKind::TicketDocument;
    int userId = 0;
    dm.GetPublisher(userId, record.user, true);
    record.documentDay = result.day;
    record.linesRead = result.issued + result.cancelled;
    record.rowsStored = result.items;
    record.leftOut = QStringLiteral("%1 karata bez stavke").arg(result.leftOut.size());
    record.outcome = result.written ? imports::RunOutcome::Succeeded
        : result.messages.isEmpty() ? imports::RunOutcome::NoDocument
                                    : imports::RunOutcome::Failed;
    record.document = result.caption;
    if (!result.written)
        record.firstError = result.ReportLines().value(2).left(490);
    if (!result.messages.isEmpty())
        record.firstError = result.messages.first().left(490);
    return record;
}

TicketDocumentResult WriteTicketDocument(TParkingDM &dm, const QDate &day, const TicketProductLookup &lookup,
                                         DayCopy copy);

} // namespace

TicketDocumentResult CreateTicketDocument(TParkingDM &dm, const QDate &day, const TicketProductLookup &lookup,
                                          DayCopy copy)
{
    TicketDocumentResult result = WriteTicketDocument(dm, day, lookup, copy);
    if (result.written)
        return result;
    try {
        imports::RecordImport(*dm.Connection(), RunRecord(dm, result));
    } catch (const dataset::Error &e) {
        result.messages << QStringLiteral("Istorija uvoza nije upisana: %1").arg(e.message().left(300));
    }
    return result;
}

namespace {

TicketDocumentResult WriteTicketDocument(TParkingDM &dm, const QDate &day, const TicketProductLookup &lookup,
                                         DayCopy copy)
{
    TicketDocumentResult result;
    result.day = day;
    const QString date = day.toString(Qt::ISODate);
    const auto issued =
        Tickets(dm,
                QStringLiteral("SELECT id_DK, cena_DK FROM parkingticketraw WHERE vreme_izdavanja_DK >= :dayStart "
                               "AND vreme_izdavanja_DK <= :dayEnd"),
                {{QStringLiteral("dayStart"), date + QStringLiteral(" 00:00:00")},
                 {QStringLiteral("dayEnd"), date + QStringLiteral(" 23:59:59")}});
    result.issued = qint64(issued.size());
    if (issued.empty())
        return result;
    const auto cancelled =
        Tickets(dm, QStringLiteral("SELECT id_DK, cena_DK FROM parkingticketraw WHERE datum_storniranja = :day"),
                {{QStringLiteral("day"), date}});
    result.cancelled = qint64(cancelled.size());

    std::vector<PlannedItem> planned;
    Plan(issued, 1.0, lookup, planned, result.leftOut);
    Plan(cancelled, -1.0, lookup, planned, result.leftOut);
    if (planned.empty()) {
        result.noItems = true;
        return result;
    }

    // One unit of work with the run's record, run again from its start after a deadlock,
    // a cluster's refusal or a lost link; every try carries the same token, so none is
    // stored twice.
    const dataset::SaveToken token{QStringLiteral("document"), QStringLiteral("documentid")};
    try {
        dataset::RetryUnitOfWork(*dm.Connection(), [&] {
            result.written = false;
            THostDocumentWriter writer(dm, token);
            if (writer.PostHeader({QStringLiteral("M"), day, nullptr, std::nullopt}) == PostOutcome::Refused) {
                result.messages = writer.Messages();
                return;
            }
            result.items = 0; // counted anew by each try that writes them
            int sort = 1;
            for (const PlannedItem &item : planned) {
                const TProductDesc &p = item.product;
                THostDocumentItem row;
                row.productId = p.ProductID;
                row.productCode = p.Code;
                row.productName = item.ticket + QStringLiteral(" - ident. ") + p.Name;
                row.taxId = p.TaxID;
                row.taxValue = p.TaxValue;
                row.price = p.Price;
                row.itemValue = item.quantity * p.Price;
                row.quantity = item.quantity;
                row.sort = sort;
                if (writer.PostItem(row) == PostOutcome::Posted) {
                    ++sort;
                    ++result.items;
                }
            }
            result.caption = writer.DocumentCaption();
            result.written = true;
            imports::RecordDayDocument(*dm.Connection(), RunRecord(dm, result), copy);
            result.documentId = writer.Commit();
            result.messages = writer.Messages();
        });
    } catch (const dataset::AlreadySaved &saved) {
        // A try whose COMMIT's reply was lost had stored the document and its record.
        result.documentId = int(saved.key());
        result.caption = StoredHostDocument(dm, result.documentId).caption;
        result.written = true;
    }
    if (!result.written)
        return result;
    HostDocumentNotice(dm.Host(), result.documentId, DocumentNoticeKind::Document);
    return result;
}

} // namespace

} // namespace imports
