#pragma once

#include <QString>
#include <QStringList>

namespace dataset {
class Connection;
}

namespace imports {

// The plain (not unique) keys of a fresh, empty table, left out while a bulk load fills
// it and built afterwards in one pass: the server then sorts each key once instead of
// placing every row in it. Keys that make rows unique stay, as the load relies on them.
class DeferredKeys {
public:
    // Drops the plain keys of 'table' (quoted for SQL).
    DeferredKeys(dataset::Connection &connection, const QString &table);
    // Builds the dropped keys again, as they were defined.
    void Restore();

private:
    dataset::Connection &m_connection;
    QString m_table;
    QStringList m_definitions; // "KEY `name` (`column`)"
};

// The definitions of the plain keys in a table's CREATE TABLE text.
QStringList PlainKeyDefinitions(const QString &createTable);

} // namespace imports
