#pragma once

// One call for the usual query ritual: connection, SQL text, :name parameters, open.

#include <QString>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <vector>

namespace dataset {

class Connection;
class Query;

// One :name parameter and its value (sent quoted, never spliced raw).
struct Param {
    QString name;
    QVariant value;
};
using Params = std::vector<Param>;

// Closes 'query', gives it 'sql' with 'params' bound and opens it on the connection it
// has; the query's other settings (live, cached, field definitions) stay as they are.
void Reopen(Query &query, const QString &sql, const Params &params = {});

// A new query over 'connection', open on the rows of 'sql'.
std::unique_ptr<Query> OpenQuery(Connection &connection, const QString &sql, const Params &params = {});

// 'sql' with each :name written as the quoted literal of its value, as a query sends it.
QString SqlText(const QString &sql, const Params &params);

// Runs a statement without a result; returns the rows it changed.
std::uint64_t Execute(Connection &connection, const QString &sql, const Params &params = {});

} // namespace dataset
