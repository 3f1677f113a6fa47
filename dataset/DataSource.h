#pragma once

#include <QObject>
#include <QPointer>

#include "Query.h"

namespace dataset {

// Links one query to the views bound to it (grid, edits, navigator).
class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(QObject *parent = nullptr);
    void SetDataSet(Query *query);
    Query *DataSet() const { return m_query; }

Q_SIGNALS:
    void dataSetReplaced(dataset::Query *query);

private:
    QPointer<Query> m_query;
};

} // namespace dataset
