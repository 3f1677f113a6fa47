#include "TableReplacement.h"

#include "ImportError.h"
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>

#include <routines/TextFormat.h>

#include <QRandomGenerator>
#include <QRegularExpression>

namespace imports {

namespace {

constexpr unsigned kLockWaitErrno = 1205;

qint64 ServerSeconds(dataset::Connection &connection)
{
    dataset::Query clock;
    clock.SetConnection(&connection);
    clock.SetSQL({QStringLiteral("SELECT UNIX_TIMESTAMP()")});
    clock.Open();
    return clock.Fields(0).AsLargeInt();
}

} // namespace

QString CopySuffix(dataset::Connection &connection)
{
    return QStringLiteral("%1x%2")
        .arg(ServerSeconds(connection))
        .arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0'));
}

// A copy's age comes from its name; a copy named after a connection's thread id (made
// by an earlier version) from the time the server made the table.
void DropStaleCopies(dataset::Connection &connection, const QStringList &tables)
{
    const QString pattern =
        QStringLiteral("^(%1)_[nou](([0-9]{1,12})x[0-9a-f]{8}|[0-9]+)$").arg(tables.join(QLatin1Char('|')));
    dataset::Query copies;
    copies.SetConnection(&connection);
    copies.SetSQL({QStringLiteral("SELECT table_name, COALESCE(UNIX_TIMESTAMP(create_time), 0) FROM "
                                  "information_schema.tables WHERE table_schema = DATABASE() "
                                  "AND table_name REGEXP :pattern")});
    copies.SetParam(QStringLiteral("pattern"), pattern);
    copies.Open();
    const qint64 oldest = ServerSeconds(connection) - qint64(kOrphanCopyHours) * 3600;
    const QRegularExpression name(pattern);
    QStringList stale;
    for (copies.First(); !copies.Eof(); copies.Next()) {
        const QString copy = copies.Fields(0).AsString();
        const QRegularExpressionMatch match = name.match(copy);
        const qint64 made =
            match.captured(3).isEmpty() ? copies.Fields(1).AsLargeInt() : match.captured(3).toLongLong();
        if (match.hasMatch() && made < oldest)
            stale << copy;
    }
    for (const QString &copy : stale)
        connection.Execute(QStringLiteral("DROP TABLE IF EXISTS ") + dataset::Connection::QuoteIdentifier(copy));
}

TableReplacement::TableReplacement(dataset::Connection &connection, const QStringList &tables, const QString &label)
    : m_connection(connection)
    , m_tables(tables)
    , m_suffix(CopySuffix(connection))
{
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
    return QStringLiteral("%1_%2%3").arg(table, QString(kind), m_suffix);
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
    const QString id = CopySuffix(connection);
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

// Best effort: a copy that cannot be dropped is swept by an import a day later.
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
