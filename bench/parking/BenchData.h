#pragma once

// Generated parking documents and items for the benchmark, written as tab-separated
// files and bulk-loaded into the module's tables.

#include <QDateTime>
#include <QString>

namespace dataset { class Connection; }

namespace bench {

struct DataShape {
    int documents = 1000000;        // two items each
    int spanDays = 4 * 365;         // from the first document to the last
    QDateTime newest;               // time of the last document
};

// Registration numbers are four digits (1000-4999) and two letters, so a four-digit
// prefix matches about one document in 4000.
inline constexpr int RegistrationSpread = 4000;

// Documents spread evenly over 'spanDays' up to 'newest', numbered "n/yy" by the count
// at the time; five numbers in the middle were never used, so that the count + 1 of a
// new document is taken and the numbering has to step on.
void WriteDocuments(const QString &path, const DataShape &shape);
void WriteItems(const QString &path, const DataShape &shape);

// Empties the module's document tables and fills them from generated files in 'workDir';
// twenty users are there for the search's join. Returns the seconds the loads took.
double LoadData(dataset::Connection &connection, const QString &workDir, const DataShape &shape);

} // namespace bench
