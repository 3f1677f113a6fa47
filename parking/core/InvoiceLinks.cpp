#include "InvoiceLinks.h"

#include <dataset/Query.h>
#include <dataset/Statement.h>

namespace parking {

QStringList InvoicesOfItem(dataset::Connection &connection, qint64 itemId)
{
    const auto query =
        dataset::OpenQuery(connection,
                           QStringLiteral("SELECT d.documenttype, d.number FROM parkingdocumentiteminvoice AS l "
                                          "JOIN document AS d ON d.documentid = l.documentid "
                                          "WHERE l.parkingdocumentitemid = :item ORDER BY d.documentid"),
                           {{QStringLiteral("item"), itemId}});
    QStringList captions;
    for (query->First(); !query->Eof(); query->Next())
        captions << query->FieldByName(QStringLiteral("documenttype")).AsString() + QLatin1Char('-')
                + query->FieldByName(QStringLiteral("number")).AsString();
    return captions;
}

void LinkInvoice(dataset::Connection &connection, qint64 itemId, qint64 parkingDocumentId, qint64 documentId,
                 const QString &documentType)
{
    dataset::Execute(connection,
                     QStringLiteral("INSERT INTO parkingdocumentiteminvoice "
                                    "(parkingdocumentitemid, parkingdocumentid, documentid, documenttype) "
                                    "VALUES (:item, :parking, :document, :type)"),
                     {{QStringLiteral("item"), itemId},
                      {QStringLiteral("parking"), parkingDocumentId},
                      {QStringLiteral("document"), documentId},
                      {QStringLiteral("type"), documentType}});
}

} // namespace parking
