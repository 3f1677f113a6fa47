#pragma once

#include <dataset/DataSource.h>

#include <QPointer>
#include <vector>

namespace dataset {

// How a view follows a data source and the query it holds.

// The data source a view is bound to. Binding calls receiver->attach with the source's
// query (nullptr without one) and again whenever the source is given another query.
class SourceBinding {
public:
    template <typename Receiver>
    void Bind(DataSource *source, Receiver *receiver, void (Receiver::*attach)(Query *))
    {
        QObject::disconnect(m_replaced);
        m_source = source;
        if (source)
            m_replaced = QObject::connect(source, &DataSource::dataSetReplaced, receiver, attach);
        (receiver->*attach)(source ? source->DataSet() : nullptr);
    }
    DataSource *Source() const { return m_source; }

private:
    QPointer<DataSource> m_source;
    QMetaObject::Connection m_replaced;
};

// The connections a view holds to its current query, dropped together when it follows
// another one.
class QueryConnections {
public:
    QueryConnections &operator=(std::vector<QMetaObject::Connection> connections)
    {
        Clear();
        m_list = std::move(connections);
        return *this;
    }
    void Clear()
    {
        for (const auto &c : m_list)
            QObject::disconnect(c);
        m_list.clear();
    }

private:
    std::vector<QMetaObject::Connection> m_list;
};

} // namespace dataset
