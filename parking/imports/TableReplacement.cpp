#include "TableReplacement.h"

#include <dataset/Connection.h>

namespace imports {

TableReplacement::TableReplacement(dataset::Connection &connection, const QStringList &tables)
    : m_connection(connection)
    , m_tables(tables)
    , m_id(connection.ThreadId())
{
    // Copies left by an import that was killed on a connection with the same id; an old
    // one would stop the swap.
    Drop(QLatin1Char('n'));
    Drop(QLatin1Char('o'));
    try {
        for (const QString &table : m_tables)
            m_connection.Execute(QStringLiteral("CREATE TABLE %1 LIKE %2")
                                     .arg(Fresh(table), dataset::Connection::QuoteIdentifier(table)));
    } catch (...) {
        Drop(QLatin1Char('n'));
        throw;
    }
}

TableReplacement::~TableReplacement()
{
    if (!m_committed)
        Drop(QLatin1Char('n'));
}

QString TableReplacement::Name(const QString &table, QChar kind) const
{
    return QStringLiteral("%1_%2%3").arg(table).arg(kind).arg(m_id);
}

QString TableReplacement::Fresh(const QString &table) const
{
    return dataset::Connection::QuoteIdentifier(Name(table, QLatin1Char('n')));
}

void TableReplacement::Commit()
{
    QStringList renames;
    for (const QString &table : m_tables) {
        const QString current = dataset::Connection::QuoteIdentifier(table);
        const QString old = dataset::Connection::QuoteIdentifier(Name(table, QLatin1Char('o')));
        renames << QStringLiteral("%1 TO %2, %3 TO %1").arg(current, old, Fresh(table));
    }
    m_connection.Execute(QStringLiteral("RENAME TABLE ") + renames.join(QStringLiteral(", ")));
    m_committed = true;
    Drop(QLatin1Char('o'));
}

// Best effort: a copy that cannot be dropped is dropped by the next import on this id.
void TableReplacement::Drop(QChar kind) noexcept
{
    QStringList names;
    for (const QString &table : m_tables)
        names << dataset::Connection::QuoteIdentifier(Name(table, kind));
    try {
        m_connection.Execute(QStringLiteral("DROP TABLE IF EXISTS ") + names.join(QStringLiteral(", ")));
    } catch (...) {
    }
}

} // namespace imports
