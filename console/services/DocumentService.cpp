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

// Draws the next number of that type, year and warehouse from its counter (the first
// document of a year starts it at 1). Called inside the transaction that stores the
// document on this connection, the counter's row stays locked until that transaction
// ends, so two desks never draw the same number and a rolled-back save gives its number
// back. On a cluster, two desks drawing on two nodes at once meet at COMMIT instead (a
// certification failure), and the writer's caller runs the whole document again. A
// warehouse of 0 or less means documents without a warehouse.
QString DocumentService::GetNextNumber(const QString &documentType, const QString &kind,
                                       const QDate &documentDate, int warehouseId)
{
    (void)kind; // only numbering by type ("n") exists
    dataset::Query draw;
    draw.SetConnection(&m_connection);
    draw.SetSQL({QStringLiteral("INSERT INTO numbercounter (series, documenttype, year, warehouseid, n)"),
                 QStringLiteral("VALUES ('document', :type, :year, :warehouse, LAST_INSERT_ID(1))"),
                 QStringLiteral("ON DUPLICATE KEY UPDATE n = LAST_INSERT_ID(n + 1)")});
    draw.SetParam(QStringLiteral("type"), documentType);
    draw.SetParam(QStringLiteral("year"), documentDate.isValid() ? documentDate.year() : 0);
    draw.SetParam(QStringLiteral("warehouse"), warehouseId > 0 ? warehouseId : 0);
    draw.ExecSQL();
    return QString::number(m_connection.LastInsertId());
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
