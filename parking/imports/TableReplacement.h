#pragma once

#include <QString>
#include <QStringList>

namespace dataset {
class Connection;
}

namespace imports {

// Replaces whole tables as one step: fresh empty copies are filled first and swapped in
// with one RENAME TABLE, which is atomic, so readers see either the old or the new
// content and a failed import changes nothing. The copies carry the connection's thread
// id, so two consoles importing at once do not meet. Uncommitted copies are dropped.
class TableReplacement {
public:
    TableReplacement(dataset::Connection &connection, const QStringList &tables);
    ~TableReplacement();
    TableReplacement(const TableReplacement &) = delete;
    TableReplacement &operator=(const TableReplacement &) = delete;

    // The fresh copy of 'table', quoted for SQL.
    QString Fresh(const QString &table) const;
    // Swaps every copy in and drops the old tables.
    void Commit();

private:
    QString Name(const QString &table, QChar kind) const;
    void Drop(QChar kind) noexcept;

    dataset::Connection &m_connection;
    QStringList m_tables;
    unsigned long m_id;
    bool m_committed = false;
};

} // namespace imports
