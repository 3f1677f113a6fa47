#include "TableReplacement.h"

#include "ImportError.h"
#include <dataset/Connection.h>
#include <dataset/Error.h>
#include <dataset/Query.h>

#include <routines/TextFormat.h>

#include <QCryptographicHash>
#include <QMap>
#include <QRandomGenerator>
#include <QRegularExpression>

namespace imports {

namespace {

constexpr unsigned kLockWaitErrno = 1205;
constexpr unsigned kTableExistsErrno = 1050;
constexpr unsigned kNoSuchTableErrno = 1146;
constexpr unsigned kNotSupportedErrno = 1235;

qint64 ServerSeconds(dataset::Connection &connection)
{
    dataset::Query clock;
    clock.SetConnection(&connection);
    clock.SetSQL({QStringLiteral("SELECT UNIX_TIMESTAMP()")});
    clock.Open();
    return clock.Fields(0).AsLargeInt();
}

const QString &BusyText()
{
    static const QString text = QStringLiteral("Tabelu trenutno koristi drugi korisnik; pokušajte ponovo.");
    return text;
}

} // namespace

QString ImportGeneration::Comment() const
{
    if (id.isEmpty())
        return label;
    return label.isEmpty() ? QStringLiteral("[%1]").arg(id) : QStringLiteral("%1 [%2]").arg(label, id);
}

ImportGeneration ImportGeneration::FromComment(const QString &comment)
{
    static const QRegularExpression named(QStringLiteral("^(?:(.*) )?\\[([0-9]+x[0-9a-f]{8})\\]$"),
                                          QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = named.match(comment);
    if (!match.hasMatch())
        return {comment, {}};
    return {match.captured(1), match.captured(2)};
}

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

TableReplacement::TableReplacement(dataset::Connection &connection, const QStringList &tables)
    : TableReplacement(connection, tables, m_ownGeneration)
{
}

TableReplacement::TableReplacement(dataset::Connection &connection, const QStringList &tables,
                                   ImportGeneration &generation)
    : m_connection(connection)
    , m_tables(tables)
    , m_generation(generation)
{
    if (m_generation.id.isEmpty())
        m_generation.id = CopySuffix(connection);
    else
        DropCopies(); // left by the earlier try of the same import
    DropStaleCopies(m_connection, m_tables);
    // The swap waits for other sessions' locks on the tables, but not for long.
    m_connection.Execute(QStringLiteral("SET SESSION lock_wait_timeout = %1").arg(kSwapWaitSeconds));
    // The comment names the import, for the question before it is undone and for telling
    // whether a swap whose reply was lost was done.
    ImportGeneration named = m_generation;
    named.label = ElidedValue(named.label, 1000);
    try {
        for (const QString &table : m_tables) {
            m_connection.Execute(QStringLiteral("CREATE TABLE %1 LIKE %2")
                                     .arg(Fresh(table), dataset::Connection::QuoteIdentifier(table)));
            m_connection.Execute(QStringLiteral("ALTER TABLE %1 COMMENT = %2")
                                     .arg(Fresh(table), dataset::Connection::Quote(named.Comment())));
        }
    } catch (...) {
        Drop(QLatin1Char('n'));
        throw;
    }
    m_generation = named;
}

TableReplacement::~TableReplacement()
{
    if (!m_committed)
        DropCopies();
}

QString TableReplacement::Name(const QString &table, QChar kind) const
{
    return QStringLiteral("%1_%2%3").arg(table, QString(kind), m_generation.id);
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

// The comment of 'table'; none when there is no such table.
std::optional<QString> Comment(dataset::Connection &connection, const QString &table)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SetSQL({QStringLiteral("SELECT table_comment FROM information_schema.tables WHERE table_schema = "
                                 "DATABASE() AND table_name = :name")});
    query.SetParam(QStringLiteral("name"), table);
    query.Open();
    if (query.Eof())
        return std::nullopt;
    return query.Fields(0).AsString();
}

bool Exists(dataset::Connection &connection, const QString &table)
{
    return Comment(connection, table).has_value();
}

// One RENAME TABLE, atomic for every table; a lock another session holds longer than
// the session's lock_wait_timeout gives the operator's message. When the link breaks
// before the reply, the next statement connects again and reads whether one of 'shown'
// now carries 'doneComment' (the swap was done) or none does (nothing changed); when
// even that cannot be read, the outcome is unknown and said so.
void Rename(dataset::Connection &connection, const QStringList &renames, const QStringList &shown,
            const QString &doneComment)
{
    try {
        connection.Execute(QStringLiteral("RENAME TABLE ") + renames.join(QStringLiteral(", ")));
    } catch (const dataset::DatabaseError &e) {
        if (e.serverCode() == kLockWaitErrno)
            throw ImportError(ImportFailure::Database, BusyText());
        if (!dataset::IsConnectionLost(e.serverCode()))
            throw;
        bool done = false;
        try {
            for (const QString &table : shown)
                done = done || Comment(connection, table) == doneComment;
        } catch (const dataset::Error &lost) {
            throw ImportError::SwapOutcomeUnknown(
                QStringLiteral("Veza sa serverom je prekinuta za vreme zamene tabela i nije poznato da li su "
                               "tabele zamenjene; proverite ih pre novog uvoza ili vraćanja (%1).")
                    .arg(ElidedValue(lost.message(), 300)));
        }
        if (!done)
            throw;
    }
}

QString LockName(dataset::Connection &connection, const QStringList &tables)
{
    const QByteArray key = (connection.DatabaseName() + QLatin1Char('.') + tables.first()).toUtf8();
    return QStringLiteral("parking swap ")
        + QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Md5).toHex());
}

// The columns and indexes of 'table', each as one comparable text under its name.
QMap<QString, QString> Structure(dataset::Connection &connection, const QString &table)
{
    dataset::Query query;
    query.SetConnection(&connection);
    query.SetSQL({QStringLiteral(
        "SELECT CONCAT('kolona ', column_name), CONCAT_WS('|', ordinal_position, column_type, is_nullable, "
        "COALESCE(column_default, 'NULL'), extra, COALESCE(generation_expression, ''), "
        "COALESCE(collation_name, '')) FROM information_schema.columns WHERE table_schema = DATABASE() "
        "AND table_name = :name UNION ALL "
        "SELECT CONCAT('indeks ', index_name), CONCAT(MIN(non_unique), '|', "
        "GROUP_CONCAT(column_name ORDER BY seq_in_index)) FROM information_schema.statistics "
        "WHERE table_schema = DATABASE() AND table_name = :name2 GROUP BY index_name")});
    query.SetParam(QStringLiteral("name"), table);
    query.SetParam(QStringLiteral("name2"), table);
    query.Open();
    QMap<QString, QString> structure;
    for (query.First(); !query.Eof(); query.Next())
        structure.insert(query.Fields(0).AsString(), query.Fields(1).AsString());
    return structure;
}

// A previous table kept from before a database upgrade would bring the old structure
// back, and every later import would copy it: such an undo is refused, naming the
// differences.
void CheckSameStructure(dataset::Connection &connection, const QStringList &tables)
{
    for (const QString &table : tables) {
        const QMap<QString, QString> live = Structure(connection, table);
        const QMap<QString, QString> previous = Structure(connection, Previous(table));
        QStringList differences;
        for (auto it = live.cbegin(); it != live.cend(); ++it) {
            if (!previous.contains(it.key()))
                differences << QStringLiteral("nema: ") + it.key();
            else if (previous.value(it.key()) != it.value())
                differences << QStringLiteral("drugačije: ") + it.key();
        }
        for (auto it = previous.cbegin(); it != previous.cend(); ++it) {
            if (!live.contains(it.key()))
                differences << QStringLiteral("višak: ") + it.key();
        }
        if (!differences.isEmpty())
            throw ImportError(ImportFailure::Database,
                              QStringLiteral("Vraćanje nije moguće: tabela %1 nije građena kao %2 (%3); ostala je "
                                             "od verzije baze pre nadogradnje. Pokrenite parking-dbserver upgrade.")
                                  .arg(Previous(table), table, differences.mid(0, 6).join(QStringLiteral(", "))));
    }
}

// Holds the server's lock for swapping 'tables' (a named lock of the session) from
// construction to destruction; throws ImportError when another swap holds it too long.
// A cluster node's named locks are its own: desks on one node take turns.
class SwapLock {
public:
    SwapLock(dataset::Connection &connection, const QStringList &tables);
    ~SwapLock();
    SwapLock(const SwapLock &) = delete;
    SwapLock &operator=(const SwapLock &) = delete;

private:
    dataset::Connection &m_connection;
    QString m_name;
    bool m_held = false;
};

SwapLock::SwapLock(dataset::Connection &connection, const QStringList &tables)
    : m_connection(connection)
    , m_name(LockName(connection, tables))
{
    dataset::Query lock;
    lock.SetConnection(&m_connection);
    lock.SetSQL({QStringLiteral("SELECT GET_LOCK(:name, :wait)")});
    lock.SetParam(QStringLiteral("name"), m_name);
    // The holder may itself wait up to kSwapWaitSeconds in its RENAME.
    lock.SetParam(QStringLiteral("wait"), 2 * TableReplacement::kSwapWaitSeconds);
    try {
        lock.Open();
    } catch (const dataset::DatabaseError &e) {
        // A cluster node of a version without named locks: the swaps there rely on the
        // RENAME alone, which fails whole when the tables changed under it.
        if (e.serverCode() == kNotSupportedErrno)
            return;
        throw;
    }
    if (lock.Fields(0).AsInteger() != 1)
        throw ImportError(ImportFailure::Database, BusyText());
    m_held = true;
}

SwapLock::~SwapLock()
{
    if (!m_held || !m_connection.Connected())
        return; // a lost session took its lock with it
    try {
        dataset::Query release;
        release.SetConnection(&m_connection);
        release.SetSQL({QStringLiteral("SELECT RELEASE_LOCK(:name)")});
        release.SetParam(QStringLiteral("name"), m_name);
        release.Open();
    } catch (...) {
        // The lock ends with the session at the latest.
    }
}

} // namespace

// The replaced tables become the previous generation; the one before it is dropped. An
// import swapping at the same moment through another cluster node (whose lock is its
// own) may make or take a previous generation between the look and the rename; the
// rename then fails whole and is planned again.
void TableReplacement::Commit()
{
    const SwapLock lock(m_connection, m_tables);
    constexpr int kTries = 3;
    for (int attempt = 1;; ++attempt) {
        QStringList renames;
        for (const QString &table : m_tables) {
            const QString old = Name(table, QLatin1Char('o'));
            if (Exists(m_connection, Previous(table)))
                renames << QStringLiteral("%1 TO %2").arg(Quoted(Previous(table)), Quoted(old));
            renames << QStringLiteral("%1 TO %2, %3 TO %1").arg(Quoted(table), Quoted(Previous(table)), Fresh(table));
        }
        try {
            // A later import may already have made this one the previous generation.
            Rename(m_connection, renames, {m_tables.first(), Previous(m_tables.first())}, m_generation.Comment());
            break;
        } catch (const dataset::DatabaseError &e) {
            const bool raced = e.serverCode() == kTableExistsErrno || e.serverCode() == kNoSuchTableErrno;
            if (!raced || attempt == kTries)
                throw;
        }
    }
    m_committed = true;
    Drop(QLatin1Char('o'));
}

std::optional<ImportGeneration> PreviousImport(dataset::Connection &connection, const QStringList &tables)
{
    for (const QString &table : tables) {
        if (!Exists(connection, Previous(table)))
            return std::nullopt;
    }
    return ImportGeneration::FromComment(Comment(connection, tables.first()).value_or(QString()));
}

ImportGeneration RestorePreviousImport(dataset::Connection &connection, const QStringList &tables,
                                       const std::optional<ImportGeneration> &named)
{
    connection.Execute(QStringLiteral("SET SESSION lock_wait_timeout = %1").arg(TableReplacement::kSwapWaitSeconds));
    const SwapLock lock(connection, tables);
    const std::optional<ImportGeneration> current = PreviousImport(connection, tables);
    if (!current)
        throw ImportError(ImportFailure::File, QStringLiteral("Vraćanje nije moguće: nema prethodnog uvoza."));
    if (named && *named != *current)
        throw ImportError(ImportFailure::File,
                          QStringLiteral("U međuvremenu je napravljen novi uvoz (%1); uvoz od %2 nije poništen. "
                                         "Pogledajte tabele i pokušajte ponovo.")
                              .arg(current->label, named->label));
    CheckSameStructure(connection, tables);
    const QString restored = Comment(connection, Previous(tables.first())).value_or(QString());
    const QString id = CopySuffix(connection);
    QStringList renames;
    QStringList undone;
    for (const QString &table : tables) {
        const QString gone = table + QStringLiteral("_u") + id;
        renames << QStringLiteral("%1 TO %2, %3 TO %1").arg(Quoted(table), Quoted(gone), Quoted(Previous(table)));
        undone << Quoted(gone);
    }
    Rename(connection, renames, {tables.first()}, restored);
    // The undo is done with the swap; copies that cannot be dropped now are swept a day later.
    try {
        connection.Execute(QStringLiteral("DROP TABLE IF EXISTS ") + undone.join(QStringLiteral(", ")));
    } catch (const dataset::Error &) {
    }
    return *current;
}

// The copies this import may have left: fresh ones, and, when a swap whose reply was
// lost was done after all, the generation that was before the previous one.
void TableReplacement::DropCopies() noexcept
{
    Drop(QLatin1Char('n'));
    Drop(QLatin1Char('o'));
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
