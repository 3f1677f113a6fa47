#pragma once

// What a parking document's items come to with tax. The pay desk sums items this way,
// and each document keeps the sum of its own, so a month of takings is read from the
// documents without their items.

#include <QString>

namespace dataset { class Connection; }

namespace parking {

// One item's value with tax, rounded to the para as the receipt shows it; 'alias' names
// the item table in the statement.
QString ItemTotal(const QString &alias);

// Stores in the document's row the sum of its items' totals; on the caller's connection,
// so it belongs to the transaction that writes the items. Running it again changes nothing.
void StoreDocumentTotal(dataset::Connection &connection, qint64 parkingDocumentId);

} // namespace parking
