#pragma once

#include "SourceBinding.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <vector>

namespace dataset {

class ErrorRelay;
class Field;
class Query;

// A table model over a query: rows are the query's rows in display order, columns its
// visible fields or the configured field names. Rows that come, go, move or change are
// announced one by one; a reset (open, close, refresh) reads no row.
class DataSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DataSetModel(QObject *parent = nullptr);
    ~DataSetModel() override;

    void SetQuery(Query *query);
    Query *GetQuery() const;

    // Configured columns; with none the model shows every visible field.
    void SetColumns(const QStringList &fieldNames);
    void AddColumn(const QString &fieldName, bool readOnly = false);
    void ClearColumns();
    bool HasConfiguredColumns() const { return !m_configured.empty(); }
    void SetColumnTitle(int column, const QString &title);
    void SetColumnReadOnly(int column, bool readOnly);
    void SetReadOnly(bool readOnly);     // no column is editable

    QString ColumnFieldName(int column) const;
    int ColumnByFieldName(const QString &fieldName) const;
    Field *ColumnField(int column) const;    // nullptr when the query lacks the field
    int CurrentRow() const;                  // the query's cursor, -1 when none
    // True from the announcement of a row that comes, goes or moves until it has: the
    // query is in the middle of the change, and views must neither move its cursor nor
    // write into it (Qt's own reaction to the change runs before anyone else's).
    bool RowsChanging() const { return m_rowsChanging > 0; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Rows the query reads in packets come as the view scrolls to the last one held.
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;
    // Moves the cursor to the row if needed, puts the query into editing (an inserted row
    // stays inserting) and stores the text in the field. Errors are thrown. Nothing is
    // written while rows change (a cell editor closed by a row's removal).
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

Q_SIGNALS:
    void currentRowChanged(int row);

private:
    struct Column {
        QString fieldName;
        QString title;       // empty: the field's display label
        bool readOnly = false;
        int fieldIndex = -1; // resolved on reset
    };

    void Reset();
    void ResolveColumns();
    void OnRecordChanged(int row);
    void OnCurrentChanged(int row);
    void OnStateChanged();
    bool Quiet() const;
    bool ShapeChanged() const;
    const Field *CurrentField(int row, int fieldIndex) const;

    ErrorRelay *m_errors;
    QPointer<Query> m_query;
    std::vector<Column> m_configured;
    std::vector<Column> m_columns;   // what is shown now
    bool m_active = false;
    int m_rows = 0;
    int m_currentRow = -1;
    bool m_readOnly = false;
    int m_rowsChanging = 0;
    QueryConnections m_connections;
};

// True when 'row' of 'model' can be read, after asking the model for more rows while it
// has more waiting: a print or an export of the whole result reads through it.
bool RowReady(QAbstractItemModel &model, int row);

} // namespace dataset
