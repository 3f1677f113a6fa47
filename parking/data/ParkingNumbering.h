#pragma once

// Numbers of parking documents: "n/yy", where n runs on over the years from a counter
// in `numbercounter` (seeded with the count of the documents stored before it existed).

#include <QDateTime>
#include <QString>

namespace dataset {
class Connection;
}

namespace numbering {

// The n the next new parking document will get when dated 'date': the counter's next
// value, or the first after it whose "n/yy" no document carries yet. Reads only.
qint64 PeekParkingIndex(dataset::Connection &connection, const QDateTime &date);

// Takes the counter's next value for a new parking document dated 'date', passing over
// numbers a document already carries, and returns its "n/yy". Only inside the
// transaction that stores the document: the counter's row stays locked until it ends,
// and a rollback gives the number back. On a cluster two nodes' draws meet at COMMIT
// (1213); the save runs again as a whole and draws anew.
QString TakeParkingNumber(dataset::Connection &connection, const QDateTime &date);

} // namespace numbering
