#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace dataset {
class Connection;
}

namespace imports {

// Replaces whole tables as one step: fresh empty copies are filled first and swapped in
// with one RENAME TABLE, which is atomic, so readers see either the old or the new
// content and a failed import changes nothing. Each replacement names its copies with
// the server's clock and a random part, so no other import (on this server or on another
// node of a cluster) can meet them; it drops its own copies, and those of a crashed
// import are swept by a later one once they are a day old. The replaced tables stay as
// one previous generation (`table_prev`), which an undo swaps back; each generation's
// table comment names its import ('label').
class TableReplacement {
public:
    // Seconds the swap waits for another session's lock (a cashier's open transaction).
    static constexpr int kSwapWaitSeconds = 5;

    TableReplacement(dataset::Connection &connection, const QStringList &tables, const QString &label = {});
    ~TableReplacement();
    TableReplacement(const TableReplacement &) = delete;
    TableReplacement &operator=(const TableReplacement &) = delete;

    // The fresh copy of 'table', quoted for SQL.
    QString Fresh(const QString &table) const;
    // Swaps every copy in; the old tables become the previous generation.
    void Commit();

private:
    QString Name(const QString &table, QChar kind) const;
    void Drop(QChar kind) noexcept;

    dataset::Connection &m_connection;
    QStringList m_tables;
    QString m_suffix; // the server's clock in seconds, "x" and 8 random hex digits
    bool m_committed = false;
};

// The label of the import that made 'tables' as they are, when a previous generation
// exists to go back to; none otherwise.
std::optional<QString> PreviousImport(dataset::Connection &connection, const QStringList &tables);
// Swaps the previous generation back in one step and drops the undone tables; throws
// ImportError ("nema prethodnog uvoza") when there is none.
void RestorePreviousImport(dataset::Connection &connection, const QStringList &tables);

// Hours after which a copy of 'tables' counts as left by a crashed import.
constexpr int kOrphanCopyHours = 24;
// Drops the copies of 'tables' made more than kOrphanCopyHours ago by the server's clock:
// a younger one may belong to an import still running, here or on another node.
void DropStaleCopies(dataset::Connection &connection, const QStringList &tables);
// The name suffix of copies made now: the server's clock in seconds, "x" and a random
// part ("1765142400x3f09a1c2").
QString CopySuffix(dataset::Connection &connection);

} // namespace imports
