#pragma once

#include <dataset/Connection.h>
#include <dataset/Query.h>

// First column of the first row of 'sql' as text; null when there is no row.
inline QString Scalar(dataset::Connection &connection, const QString &sql)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SQL() << sql;
    query.Open();
    return query.IsEmpty() ? QString() : query.Fields(0).AsString();
}
