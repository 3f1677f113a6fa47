#include "DocumentTotals.h"

#include <dataset/Statement.h>

namespace parking {

QString ItemTotal(const QString &alias)
{
    return QStringLiteral("ROUND(%1.itemvalue * (1 + %1.taxvalue/100), 2)").arg(alias);
}

void StoreDocumentTotal(dataset::Connection &connection, qint64 parkingDocumentId)
{
    dataset::Execute(connection,
                     QStringLiteral("UPDATE parkingdocument SET itemtotal = "
                                    "(SELECT COALESCE(SUM(%1), 0) FROM parkingdocumentitem AS i "
                                    "WHERE i.parkingdocumentid = :document) WHERE parkingdocumentid = :document")
                         .arg(ItemTotal(QStringLiteral("i"))),
                     {{QStringLiteral("document"), parkingDocumentId}});
}

} // namespace parking
