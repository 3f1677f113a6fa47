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
// content and a failed import changes nothing. The copies carry the connection's thread
// id, so two consoles importing at once do not meet. Uncommitted copies are dropped. The
// replaced tables stay as one previous generation (`table_prev`), which an undo swaps
// back; each generation's table comment names its import ('label').
class TableReplacement {
public:
    // Seconds the swap waits for another session's lock (a cashier's open transaction).
    static constexpr int kSwapWaitSeconds = 10;

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
    unsigned long m_id;
    bool m_committed = false;
};

// The label of the import that made 'tables' as they are, when a previous generation
// exists to go back to; none otherwise.
std::optional<QString> PreviousImport(dataset::Connection &connection, const QStringList &tables);
// Swaps the previous generation back in one step and drops the undone tables; throws
// ImportError ("nema prethodnog uvoza") when there is none.
void RestorePreviousImport(dataset::Connection &connection, const QStringList &tables);

// Drops the copies of 'tables' whose import's session no longer exists.
void DropStaleCopies(dataset::Connection &connection, const QStringList &tables);

} // namespace imports
