#include "DocumentService.h"

#include "NoticeLog.h"
#include <dataset/Connection.h>
#include <dataset/Query.h>

namespace console {

DocumentService::DocumentService(dataset::Connection &connection, NoticeLog &log)
    : m_connection(connection)
    , m_log(log)
{
}

// One more than the highest whole number among the documents of that type, year and
// warehouse; "1" for the first. Numbers that are not whole numbers are ignored. A
// warehouse of 0 or less means documents without a warehouse.
QString DocumentService::GetNextNumber(const QString &documentType, const QString &kind,
                                       const QDate &documentDate, int warehouseId)
{
    (void)kind; // only numbering by type ("n") exists
    const QString warehouse = warehouseId > 0 ? QStringLiteral("warehouseid = :warehouse")
                                              : QStringLiteral("(warehouseid IS NULL OR warehouseid <= 0)");
    dataset::Query query;
    query.SetConnection(&m_connection);
    query.SetSQL({QStringLiteral("SELECT COALESCE(MAX(CAST(number AS UNSIGNED)), 0) AS lastnumber"),
                  QStringLiteral("FROM document"), QStringLiteral("WHERE documenttype = :type"),
                  QStringLiteral("  AND YEAR(documentdate) = :year"), QStringLiteral("  AND ") + warehouse,
                  QStringLiteral("  AND number REGEXP '^[0-9]+$'")});
    query.SetParam(QStringLiteral("type"), documentType);
    query.SetParam(QStringLiteral("year"), documentDate.year());
    if (warehouseId > 0)
        query.SetParam(QStringLiteral("warehouse"), warehouseId);
    query.Open();
    return QString::number(query.FieldByName(QStringLiteral("lastnumber")).AsLargeInt() + 1);
}

QString DocumentService::Describe(int documentId)
{
    dataset::Query query;
    query.SetConnection(&m_connection);
    query.SetSQL({QStringLiteral("SELECT documenttype, number FROM document WHERE documentid = :id")});
    query.SetParam(QStringLiteral("id"), documentId);
    query.Open();
    if (query.IsEmpty())
        return QStringLiteral("(id %1)").arg(documentId);
    return query.FieldByName(QStringLiteral("documenttype")).AsString() + QLatin1Char('-')
        + query.FieldByName(QStringLiteral("number")).AsString();
}

void DocumentService::DocumentNotice(int documentId, DocumentNoticeKind)
{
    m_log.Add(QStringLiteral("Dokument %1 je snimljen.").arg(Describe(documentId)));
}

void DocumentService::CashInvoiceNotice(int documentId)
{
    m_log.Add(QStringLiteral("Gotovinski račun %1 je snimljen.").arg(Describe(documentId)));
}

} // namespace console
