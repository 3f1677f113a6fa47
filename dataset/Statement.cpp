#include "Statement.h"

#include "Query.h"
#include "SqlText.h"

namespace dataset {

namespace {

void Bind(Query &query, const QString &sql, const Params &params)
{
    query.SetSQL({sql});
    for (const Param &param : params)
        query.SetParam(param.name, param.value);
}

std::unique_ptr<Query> Prepared(Connection &connection, const QString &sql, const Params &params)
{
    auto query = std::make_unique<Query>();
    query->SetConnection(&connection);
    Bind(*query, sql, params);
    return query;
}

} // namespace

void Reopen(Query &query, const QString &sql, const Params &params)
{
    query.Close();
    Bind(query, sql, params);
    query.Open();
}

std::unique_ptr<Query> OpenQuery(Connection &connection, const QString &sql, const Params &params)
{
    auto query = Prepared(connection, sql, params);
    query->Open();
    return query;
}

QString SqlText(const QString &sql, const Params &params)
{
    return detail::SpliceParams(sql, detail::ScanParams(sql), [&params](const QString &name) {
        for (const Param &param : params) {
            if (param.name == name)
                return param.value;
        }
        return QVariant();
    });
}

std::uint64_t Execute(Connection &connection, const QString &sql, const Params &params)
{
    return Prepared(connection, sql, params)->ExecSQL();
}

} // namespace dataset
