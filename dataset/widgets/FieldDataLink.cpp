#include "FieldDataLink.h"

#include "FieldText.h"
#include <dataset/ErrorRelay.h>
#include <dataset/Field.h>
#include <dataset/Query.h>

namespace dataset {

FieldDataLink::FieldDataLink(QObject *parent)
    : QObject(parent)
    , m_errors(new ErrorRelay(this))
{
}

void FieldDataLink::Guarded(const std::function<void()> &work)
{
    Relayed(m_errors, work);
}

void FieldDataLink::SetDataSource(DataSource *source)
{
    m_source.Bind(source, this, &FieldDataLink::AttachQuery);
}

DataSource *FieldDataLink::GetDataSource() const
{
    return m_source.Source();
}

Query *FieldDataLink::GetDataSet() const
{
    return m_query;
}

void FieldDataLink::SetDataField(const QString &fieldName)
{
    m_fieldName = fieldName;
    Q_EMIT activeChanged();
    Q_EMIT dataChanged();
}

void FieldDataLink::AttachQuery(Query *query)
{
    m_connections.Clear();
    m_query = query;
    if (query) {
        auto reload = [this] { Q_EMIT dataChanged(); };
        auto state = [this] { Q_EMIT activeChanged(); Q_EMIT dataChanged(); };
        m_connections = {
            connect(query, &Query::dataSetChanged, this, state),
            connect(query, &Query::currentChanged, this, reload),
            connect(query, &Query::recordChanged, this, &FieldDataLink::OnRecordChanged),
            connect(query, &Query::stateChanged, this, state),
            connect(query, &QObject::destroyed, this, state),
        };
    }
    Q_EMIT activeChanged();
    Q_EMIT dataChanged();
}

void FieldDataLink::OnRecordChanged(int row)
{
    if (m_query && row == m_query->RecNo() - 1)
        Q_EMIT dataChanged();
}

Field *FieldDataLink::GetField() const
{
    if (!m_query || !m_query->Active() || m_fieldName.isEmpty())
        return nullptr;
    return m_query->FindField(m_fieldName);
}

bool FieldDataLink::CanModify() const
{
    const Field *field = GetField();
    return field && !field->ReadOnly() && m_query->RequestLive();
}

bool FieldDataLink::Editing() const
{
    return m_query && m_query->IsEditing();
}

bool FieldDataLink::Edit()
{
    if (!CanModify())
        return false;
    if (!Editing())
        m_query->Edit();
    return true;
}

} // namespace dataset
