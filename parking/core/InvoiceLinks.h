#pragma once

// Which host documents were made from a parking document's item.

#include <QString>
#include <QStringList>

namespace dataset { class Connection; }

namespace parking {

// The host documents made from the item, as type-number ("R-15"), oldest first.
QStringList InvoicesOfItem(dataset::Connection &connection, qint64 itemId);

// Records that the host document 'documentId' of 'documentType' was made from the item;
// on the caller's connection, so it belongs to the transaction that writes the document.
void LinkInvoice(dataset::Connection &connection, qint64 itemId, qint64 parkingDocumentId, qint64 documentId,
                 const QString &documentType);

} // namespace parking
