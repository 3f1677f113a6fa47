#include "DataSource.h"

#include "Query.h"

namespace dataset {

DataSource::DataSource(QObject *parent) : QObject(parent) {}

void DataSource::SetDataSet(Query *query)
{
    if (m_query == query)
        return;
    m_query = query;
    Q_EMIT dataSetReplaced(query);
}

} // namespace dataset
