#include "InvoiceLinks.h"

#include <dataset/Query.h>

QStringList InvoicesOfItem(dataset::Connection &connection, qint64 itemId)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SetSQL({QStringLiteral("SELECT d.documenttype, d.number FROM parkingdocumentiteminvoice AS l "
                                 "JOIN document AS d ON d.documentid = l.documentid "
                                 "WHERE l.parkingdocumentitemid = :item ORDER BY d.documentid")});
    query.SetParam(QStringLiteral("item"), itemId);
    query.Open();
    QStringList captions;
    for (query.First(); !query.Eof(); query.Next())
        captions << query.FieldByName(QStringLiteral("documenttype")).AsString() + QLatin1Char('-')
                + query.FieldByName(QStringLiteral("number")).AsString();
    return captions;
}

void LinkInvoice(dataset::Connection &connection, qint64 itemId, qint64 parkingDocumentId, qint64 documentId,
                 const QString &documentType)
{
    dataset::Query insert;
    insert.SetConnection(&connection);
    insert.SetSQL({QStringLiteral("INSERT INTO parkingdocumentiteminvoice "
                                  "(parkingdocumentitemid, parkingdocumentid, documentid, documenttype) "
                                  "VALUES (:item, :parking, :document, :type)")});
    insert.SetParam(QStringLiteral("item"), itemId);
    insert.SetParam(QStringLiteral("parking"), parkingDocumentId);
    insert.SetParam(QStringLiteral("document"), documentId);
    insert.SetParam(QStringLiteral("type"), documentType);
    insert.ExecSQL();
}
