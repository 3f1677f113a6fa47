#include "TableReplacement.h"

#include "ImportError.h"
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>

#include <routines/TextFormat.h>

#include <QRegularExpression>
#include <QSet>

namespace imports {

namespace {

constexpr unsigned kLockWaitErrno = 1205;

QStringList Column(dataset::Connection &connection, const QString &sql, const QString &param = {})
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SetSQL({sql});
    if (!param.isNull())
        query.SetParam(QStringLiteral("pattern"), param);
    query.Open();
    QStringList values;
    for (query.First(); !query.Eof(); query.Next())
        values << query.Fields(0).AsString();
    return values;
}

} // namespace

// Copies whose import session is gone (a lost connection, a killed program) would stay
// for good: they are dropped here, before this import makes its own.
void DropStaleCopies(dataset::Connection &connection, const QStringList &tables)
{
    const QString pattern = QStringLiteral("^(%1)_[nou]([0-9]+)$").arg(tables.join(QLatin1Char('|')));
    const QStringList copies =
        Column(connection,
               QStringLiteral("SELECT table_name FROM information_schema.tables WHERE table_schema = DATABASE() "
                              "AND table_name REGEXP :pattern"),
               pattern);
    if (copies.isEmpty())
        return;
    const QStringList sessions = Column(connection, QStringLiteral("SELECT id FROM information_schema.processlist"));
    const QSet<QString> alive(sessions.cbegin(), sessions.cend());
    const QRegularExpression name(pattern);
    for (const QString &copy : copies) {
        const QRegularExpressionMatch match = name.match(copy);
        if (match.hasMatch() && !alive.contains(match.captured(2)))
            connection.Execute(QStringLiteral("DROP TABLE IF EXISTS ") + dataset::Connection::QuoteIdentifier(copy));
    }
}

TableReplacement::TableReplacement(dataset::Connection &connection, const QStringList &tables, const QString &label)
    : m_connection(connection)
    , m_tables(tables)
    , m_id(connection.ThreadId())
{
    // Copies left by an import that was killed on a connection with the same id; an old
    // one would stop the swap.
    Drop(QLatin1Char('n'));
    Drop(QLatin1Char('o'));
    DropStaleCopies(m_connection, m_tables);
    // The swap waits for other sessions' locks on the tables, but not for long.
    m_connection.Execute(QStringLiteral("SET SESSION lock_wait_timeout = %1").arg(kSwapWaitSeconds));
    try {
        for (const QString &table : m_tables) {
            m_connection.Execute(QStringLiteral("CREATE TABLE %1 LIKE %2")
                                     .arg(Fresh(table), dataset::Connection::QuoteIdentifier(table)));
            // The comment names the import, for the question before it is undone.
            if (!label.isEmpty())
                m_connection.Execute(QStringLiteral("ALTER TABLE %1 COMMENT = %2")
                                         .arg(Fresh(table), dataset::Connection::Quote(ElidedValue(label, 1000))));
        }
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

namespace {

QString Quoted(const QString &name)
{
    return dataset::Connection::QuoteIdentifier(name);
}

QString Previous(const QString &table)
{
    return table + QStringLiteral("_prev");
}

bool Exists(dataset::Connection &connection, const QString &table)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SetSQL({QStringLiteral("SELECT COUNT(*) FROM information_schema.tables WHERE table_schema = DATABASE() "
                                 "AND table_name = :name")});
    query.SetParam(QStringLiteral("name"), table);
    query.Open();
    return query.Fields(0).AsInteger() > 0;
}

// One RENAME TABLE, atomic for every table; a lock another session holds longer than
// the session's lock_wait_timeout gives the operator's message.
void Rename(dataset::Connection &connection, const QStringList &renames)
{
    try {
        connection.Execute(QStringLiteral("RENAME TABLE ") + renames.join(QStringLiteral(", ")));
    } catch (const dataset::DatabaseError &e) {
        if (e.serverCode() != kLockWaitErrno)
            throw;
        throw ImportError(ImportFailure::Database,
                          QStringLiteral("Tabelu trenutno koristi drugi korisnik; pokušajte ponovo."));
    }
}

} // namespace

// The replaced tables become the previous generation; the one before it is dropped.
void TableReplacement::Commit()
{
    QStringList renames;
    for (const QString &table : m_tables) {
        const QString old = Name(table, QLatin1Char('o'));
        if (Exists(m_connection, Previous(table))) {
            renames << QStringLiteral("%1 TO %2").arg(Quoted(Previous(table)), Quoted(old));
        }
        renames << QStringLiteral("%1 TO %2, %3 TO %1").arg(Quoted(table), Quoted(Previous(table)), Fresh(table));
    }
    Rename(m_connection, renames);
    m_committed = true;
    Drop(QLatin1Char('o'));
}

std::optional<QString> PreviousImport(dataset::Connection &connection, const QStringList &tables)
{
    for (const QString &table : tables) {
        if (!Exists(connection, Previous(table)))
            return std::nullopt;
    }
    dataset::Query query;
    query.SetConnection(&connection);
    query.SetSQL({QStringLiteral("SELECT table_comment FROM information_schema.tables WHERE table_schema = "
                                 "DATABASE() AND table_name = :name")});
    query.SetParam(QStringLiteral("name"), tables.first());
    query.Open();
    return query.Fields(0).AsString();
}

void RestorePreviousImport(dataset::Connection &connection, const QStringList &tables)
{
    if (!PreviousImport(connection, tables))
        throw ImportError(ImportFailure::File, QStringLiteral("Vraćanje nije moguće: nema prethodnog uvoza."));
    connection.Execute(QStringLiteral("SET SESSION lock_wait_timeout = %1").arg(TableReplacement::kSwapWaitSeconds));
    const QString id = QString::number(connection.ThreadId());
    QStringList renames;
    QStringList undone;
    for (const QString &table : tables) {
        const QString gone = table + QStringLiteral("_u") + id;
        renames << QStringLiteral("%1 TO %2, %3 TO %1").arg(Quoted(table), Quoted(gone), Quoted(Previous(table)));
        undone << Quoted(gone);
    }
    Rename(connection, renames);
    connection.Execute(QStringLiteral("DROP TABLE IF EXISTS ") + undone.join(QStringLiteral(", ")));
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
