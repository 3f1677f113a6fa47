#include "DocumentService.h"

#include "NoticeLog.h"
#include <dataset/Connection.h>
#include <dataset/FreeNumber.h>
#include <dataset/Query.h>

namespace console {

DocumentService::DocumentService(dataset::Connection &connection, NoticeLog &log)
    : m_connection(connection)
    , m_log(log)
{
}

// Draws the next number of that type, year and warehouse from its counter (the first
// document of a year starts it at 1), passing over numbers a document of that type, year
// and warehouse already carries (a restored backup, a desk of an older program, any
// writer beside the counter) and moving the counter past them, so a stored number never
// jams it. Called inside the transaction that stores the document on this connection,
// the counter's row stays locked until that transaction ends, so two desks never draw
// the same number and a rolled-back save gives its number back. On a cluster, two desks
// drawing on two nodes at once meet at COMMIT instead (a certification failure), and the
// writer's caller runs the whole document again. A warehouse of 0 or less means
// documents without a warehouse.
QString DocumentService::GetNextNumber(const QString &documentType, const QString &kind,
                                       const QDate &documentDate, int warehouseId)
{
    (void)kind; // only numbering by type ("n") exists
    const int year = documentDate.isValid() ? documentDate.year() : 0;
    const int warehouse = warehouseId > 0 ? warehouseId : 0;
    const auto bind = [&](dataset::Query &query) {
        query.SetParam(QStringLiteral("type"), documentType);
        query.SetParam(QStringLiteral("year"), year);
        query.SetParam(QStringLiteral("warehouse"), warehouse);
    };
    dataset::Query draw;
    draw.SetConnection(&m_connection);
    draw.SetSQL({QStringLiteral("INSERT INTO numbercounter (series, documenttype, year, warehouseid, n)"),
                 QStringLiteral("VALUES ('document', :type, :year, :warehouse, LAST_INSERT_ID(1))"),
                 QStringLiteral("ON DUPLICATE KEY UPDATE n = LAST_INSERT_ID(n + 1)")});
    bind(draw);
    draw.ExecSQL();
    const qint64 drawn = m_connection.LastInsertId();
    // The document table's unique number key: type/year/warehouse/number.
    const QString prefix = QStringList{documentType, QString::number(year), QString::number(warehouse)}.join(u'/');
    const qint64 free = dataset::FirstFreeNumber(m_connection, QStringLiteral("document"), QStringLiteral("numberkey"),
                                                 drawn, [&prefix](qint64 n) { return prefix + u'/' + QString::number(n); });
    if (free != drawn) {
        dataset::Query skip;
        skip.SetConnection(&m_connection);
        skip.SetSQL({QStringLiteral("UPDATE numbercounter SET n = :n WHERE series = 'document' AND documenttype = :type"),
                     QStringLiteral("AND year = :year AND warehouseid = :warehouse")});
        bind(skip);
        skip.SetParam(QStringLiteral("n"), free);
        skip.ExecSQL();
    }
    return QString::number(free);
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
