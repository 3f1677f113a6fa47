#pragma once

#include "SourceBinding.h"

#include <QObject>
#include <QPointer>
#include <exception>
#include <functional>

namespace dataset {

class Field;
class Query;
class ErrorRelay;

// Ties one control to one field of a data source's query: tells the control when to
// reload (cursor moved, row or rows changed, state changed) and puts the query into
// editing for it.
class FieldDataLink : public QObject {
    Q_OBJECT
public:
    explicit FieldDataLink(QObject *parent = nullptr);

    void SetDataSource(DataSource *source);
    DataSource *GetDataSource() const;
    void SetDataField(const QString &fieldName);
    const QString &GetDataField() const { return m_fieldName; }

    Query *GetDataSet() const;
    Field *GetField() const;          // nullptr when the query is closed or lacks the field
    bool CanModify() const;           // open, live query; field present and not read-only
    bool Editing() const;
    // Puts a browsing query into editing; false when the field cannot be modified.
    bool Edit();
    // Runs work from inside Qt's handling (focus change, text signal); an error it
    // raises is thrown again from an event of its own.
    void Guarded(const std::function<void()> &work);

Q_SIGNALS:
    void dataChanged();               // reload the control's text
    void activeChanged();             // read-only state may have changed

private:
    void AttachQuery(Query *query);
    void OnRecordChanged(int row);

    ErrorRelay *m_errors;
    SourceBinding m_source;
    QPointer<Query> m_query;
    QString m_fieldName;
    QueryConnections m_connections;
};

} // namespace dataset
