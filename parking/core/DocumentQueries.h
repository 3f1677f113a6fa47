#pragma once

// The statements that fill the module's document, item and zone queries: the windows
// give the query and the values, these give the SQL and bind the values.

#include <dataset/Statement.h>

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace dataset {
class Connection;
class Query;
} // namespace dataset

namespace parking {

class Plate;

// A statement and the values of its :name parameters.
struct Statement {
    QString sql;
    dataset::Params params;
};

// The keys of the document search, in the order their conditions are joined: the number
// and the registration and the user's names are prefixes, the dates cover the whole day.
QStringList DocumentSearchKeys();
// The documents (as "pd", with their user as "u") that meet every non-empty value of
// 'values' (key, value); blanks count, nothing is trimmed. 'extraColumns' follow "pd.*".
Statement DocumentSearch(const std::vector<std::pair<QString, QString>> &values, const QString &extraColumns = {});

// Reopens 'documents' on the documents of 'plate', compared by its key.
void OpenDocumentsOfPlate(dataset::Query &documents, const Plate &plate);
// Reopens 'documents' on the one document 'id' (empty when it is gone).
void OpenDocument(dataset::Query &documents, qint64 id);
// Reopens 'items' on the items of the document 'documentId', each with its total with tax
// ("ItemTotal"); a key of -1 gives an empty list.
void OpenItemsOfDocument(dataset::Query &items, qint64 documentId);

// The streets of 'zone' (and 'sector' when given) in the order the database gives them;
// none without a zone.
QStringList StreetsOfZone(dataset::Connection &connection, const QString &zone, const QString &sector);

} // namespace parking
