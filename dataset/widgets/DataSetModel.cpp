#include "DataSetModel.h"

#include "FieldText.h"
#include <dataset/ErrorRelay.h>
#include <dataset/Field.h>
#include <dataset/Query.h>

namespace dataset {

DataSetModel::DataSetModel(QObject *parent)
    : QAbstractTableModel(parent)
    , m_errors(new ErrorRelay(this))
{
}

DataSetModel::~DataSetModel() = default;

void DataSetModel::SetQuery(Query *query)
{
    if (m_query == query)
        return;
    m_connections.Clear();
    m_query = query;
    if (query) {
        m_connections = {
            connect(query, &Query::dataSetChanged, this, &DataSetModel::Reset),
            connect(query, &Query::rowAboutToBeInserted, this,
                    [this](int row) { ++m_rowsChanging; beginInsertRows({}, row, row); }),
            connect(query, &Query::rowInserted, this, [this] { ++m_rows; endInsertRows(); --m_rowsChanging; }),
            connect(query, &Query::rowAboutToBeRemoved, this,
                    [this](int row) { ++m_rowsChanging; beginRemoveRows({}, row, row); }),
            connect(query, &Query::rowRemoved, this, [this] { --m_rows; endRemoveRows(); --m_rowsChanging; }),
            // Qt names the destination as the row the moved one goes before, counted
            // before the move.
            connect(query, &Query::rowAboutToBeMoved, this,
                    [this](int from, int to) {
                        ++m_rowsChanging;
                        beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
                    }),
            connect(query, &Query::rowMoved, this, [this] { endMoveRows(); --m_rowsChanging; }),
            connect(query, &Query::rowsAboutToBeAppended, this,
                    [this](int first, int last) {
                        ++m_rowsChanging;
                        beginInsertRows({}, first, last);
                    }),
            connect(query, &Query::rowsAppended, this,
                    [this](int first, int last) {
                        m_rows += last - first + 1;
                        endInsertRows();
                        --m_rowsChanging;
                    }),
            connect(query, &Query::recordChanged, this, &DataSetModel::OnRecordChanged),
            connect(query, &Query::currentChanged, this, &DataSetModel::OnCurrentChanged),
            connect(query, &Query::stateChanged, this, &DataSetModel::OnStateChanged),
            connect(query, &QObject::destroyed, this, &DataSetModel::Reset),
        };
    }
    Reset();
}

Query *DataSetModel::GetQuery() const
{
    return m_query;
}

void DataSetModel::SetColumns(const QStringList &fieldNames)
{
    m_configured.clear();
    for (const QString &name : fieldNames)
        m_configured.push_back(Column{name, {}, false, -1});
    Reset();
}

void DataSetModel::AddColumn(const QString &fieldName, bool readOnly)
{
    m_configured.push_back(Column{fieldName, {}, readOnly, -1});
    Reset();
}

void DataSetModel::ClearColumns()
{
    m_configured.clear();
    Reset();
}

void DataSetModel::SetColumnTitle(int column, const QString &title)
{
    if (column < 0 || column >= int(m_columns.size()))
        return;
    m_columns[column].title = title;
    if (column < int(m_configured.size()))
        m_configured[column].title = title;
    Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
}

void DataSetModel::SetColumnReadOnly(int column, bool readOnly)
{
    if (column < 0 || column >= int(m_columns.size()))
        return;
    m_columns[column].readOnly = readOnly;
    if (column < int(m_configured.size()))
        m_configured[column].readOnly = readOnly;
}

void DataSetModel::SetReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
}

QString DataSetModel::ColumnFieldName(int column) const
{
    return column >= 0 && column < int(m_columns.size()) ? m_columns[column].fieldName : QString();
}

int DataSetModel::ColumnByFieldName(const QString &fieldName) const
{
    for (int i = 0; i < int(m_columns.size()); ++i)
        if (m_columns[i].fieldName.compare(fieldName, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

Field *DataSetModel::ColumnField(int column) const
{
    if (!m_query || !m_query->Active() || column < 0 || column >= int(m_columns.size()))
        return nullptr;
    return m_query->FindField(m_columns[column].fieldName);
}

int DataSetModel::CurrentRow() const
{
    if (!m_query || !m_query->Active())
        return -1;
    return m_query->RecNo() - 1;
}

int DataSetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int DataSetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

// The current row is read through its fields, so an edit in progress and the fields'
// text handlers show; other rows come straight from the query's row storage.
const Field *DataSetModel::CurrentField(int row, int fieldIndex) const
{
    if (row != m_query->RecNo() - 1)
        return nullptr;
    return &m_query->Fields(fieldIndex);
}

QVariant DataSetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !m_query || !m_query->Active())
        return {};
    const int row = index.row();
    if (row >= m_rows || row >= m_query->RecordCount() || index.column() >= int(m_columns.size()))
        return {};
    const Column &column = m_columns[index.column()];
    if (column.fieldIndex < 0 || column.fieldIndex >= m_query->FieldCount())
        return {};
    const Field &field = m_query->Fields(column.fieldIndex);
    if (field.FieldName() != column.fieldName)
        return {};   // fields changed while the controls were disabled; a reset follows
    switch (role) {
    case Qt::DisplayRole:
        if (const Field *current = CurrentField(row, column.fieldIndex))
            return current->DisplayText();
        return m_query->RowDisplayText(row, column.fieldIndex);
    case Qt::EditRole:
        if (const Field *current = CurrentField(row, column.fieldIndex))
            return detail::EditText(*current);
        return m_query->RowValue(row, column.fieldIndex).toString();
    case Qt::TextAlignmentRole:
        switch (field.DataType()) {
        case FieldType::Key:
        case FieldType::Integer:
        case FieldType::SmallInt:
        case FieldType::Real:
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        default:
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        }
    default:
        return {};
    }
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical) {
        if (role != Qt::DisplayRole || section != m_currentRow || !m_query)
            return {};
        switch (m_query->State()) {
        case DataSetState::Edit: return QStringLiteral("I");
        case DataSetState::Insert: return QStringLiteral("*");
        default: return QString(QChar(0x25B8));
        }
    }
    if (role != Qt::DisplayRole || section < 0 || section >= int(m_columns.size()))
        return QAbstractTableModel::headerData(section, orientation, role);
    const Column &column = m_columns[section];
    if (!column.title.isEmpty())
        return column.title;
    // Declared fields exist before the first open, so a closed list shows its labels too.
    if (const Field *field = m_query ? m_query->FindField(column.fieldName) : nullptr)
        return field->DisplayLabel();
    return column.fieldName;
}

Qt::ItemFlags DataSetModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (m_readOnly || index.column() >= int(m_columns.size()) || m_columns[index.column()].readOnly)
        return result;
    const Field *field = ColumnField(index.column());
    if (field && !field->ReadOnly() && m_query->RequestLive())
        result |= Qt::ItemIsEditable;
    return result;
}

bool DataSetModel::canFetchMore(const QModelIndex &parent) const
{
    // Never while rows come: a view that reacts to them must not start another packet.
    return !parent.isValid() && m_rowsChanging == 0 && m_query && m_query->CanFetchMore() && !Quiet();
}

void DataSetModel::fetchMore(const QModelIndex &parent)
{
    // Called from the view's own scrolling: a failed read is reported after it.
    if (canFetchMore(parent))
        Relayed(m_errors, [this] { m_query->FetchMore(); });
}

bool DataSetModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || !m_query || !m_query->Active() || RowsChanging()
        || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const QString fieldName = m_columns[index.column()].fieldName;
    int row = index.row();
    if (row != m_query->RecNo() - 1) {
        row = detail::LeaveRow(*m_query, row);
        m_query->SetRecNo(row + 1);
    }
    Field &field = m_query->FieldByName(fieldName);
    const QString text = value.toString();
    if (!m_query->IsEditing()) {
        if (text == detail::EditText(field))
            return true;   // nothing typed: the row stays browsing
        m_query->Edit();
    }
    detail::WriteText(field, text);
    const int current = m_query->RecNo() - 1;
    if (current >= 0 && current < m_rows && !Quiet())
        Q_EMIT dataChanged(this->index(current, 0), this->index(current, columnCount() - 1));
    return true;
}

bool DataSetModel::Quiet() const
{
    return m_query && m_query->ControlsDisabled();
}

// The query opened, closed, or gained or lost rows since the last reset.
bool DataSetModel::ShapeChanged() const
{
    return m_query->Active() != m_active || (m_active && m_query->RecordCount() != m_rows);
}

void DataSetModel::ResolveColumns()
{
    m_columns.clear();
    const bool active = m_query && m_query->Active();
    if (!m_configured.empty()) {
        m_columns = m_configured;
        for (Column &column : m_columns) {
            const Field *field = active ? m_query->FindField(column.fieldName) : nullptr;
            column.fieldIndex = field ? field->Index() : -1;
        }
        return;
    }
    if (!active)
        return;
    for (int i = 0; i < m_query->FieldCount(); ++i) {
        const Field &field = m_query->Fields(i);
        if (field.Visible())
            m_columns.push_back(Column{field.FieldName(), {}, false, i});
    }
}

void DataSetModel::Reset()
{
    beginResetModel();
    ResolveColumns();
    const bool active = m_query && m_query->Active();
    m_active = active;
    m_rows = active ? m_query->RecordCount() : 0;
    m_currentRow = CurrentRow();
    endResetModel();
    Q_EMIT currentRowChanged(m_currentRow);
}

void DataSetModel::OnRecordChanged(int row)
{
    if (Quiet())
        return;
    if (ShapeChanged()) {
        Reset();
        return;
    }
    if (row >= 0 && row < m_rows && !m_columns.empty())
        Q_EMIT dataChanged(index(row, 0), index(row, int(m_columns.size()) - 1));
}

void DataSetModel::OnCurrentChanged(int row)
{
    if (Quiet())
        return;
    if (ShapeChanged()) {
        Reset();
        return;
    }
    const int previous = m_currentRow;
    m_currentRow = row;
    if (previous >= 0 && previous < m_rows)
        Q_EMIT headerDataChanged(Qt::Vertical, previous, previous);
    if (row >= 0 && row < m_rows)
        Q_EMIT headerDataChanged(Qt::Vertical, row, row);
    Q_EMIT currentRowChanged(row);
}

void DataSetModel::OnStateChanged()
{
    // An open or close is announced by dataSetChanged right after; resetting here too
    // would reset twice.
    if (Quiet() || ShapeChanged())
        return;
    const int row = CurrentRow();
    if (row >= 0 && row < m_rows) {
        Q_EMIT headerDataChanged(Qt::Vertical, row, row);
        Q_EMIT dataChanged(index(row, 0), index(row, int(m_columns.size()) - 1));
    }
}

bool RowReady(QAbstractItemModel &model, int row)
{
    while (row >= model.rowCount() && model.canFetchMore({})) {
        const int before = model.rowCount();
        model.fetchMore({});
        if (model.rowCount() == before)
            break;
    }
    return row < model.rowCount();
}

} // namespace dataset
